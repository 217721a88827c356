// The receiving end of the message windows: any bytes a local process writes to a window's
// socket, and any content of a window's identity file. Input byte 0 picks the framing:
// 0 sends the rest as it is; 1 puts a genuine header for the window before it (so the
// block, its length and a cut inside it are explored); 2 decodes it as an identity record.
#include "MessageFrame.h"
#include "MessageWindow.h"
#include "WindowFiles.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Target {
  platform::WindowHandle window = 0;
  QByteArray socketPath;
};

Target &target() {
  static Target t = [] {
    static QTemporaryDir dir(QStringLiteral("/tmp/dpxf-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    platform::registerWindowClass(QStringLiteral("FuzzClass"));
    Target r;
    r.window = platform::createWindow(
        QStringLiteral("FuzzClass"), QStringLiteral("fuzz"),
        [](const platform::CopyDataMessage &m) -> std::int64_t { return m.data.size(); });
    r.socketPath =
        platform::winfiles::socketPath(QFile::encodeName(dir.path() + "/dipolix"), r.window);
    return r;
  }();
  return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0)
    return 0;
  const QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
  if (data[0] % 3 == 2) {
    QString c, n;
    platform::winfiles::decodeIdentity(rest, c, n);
    return 0;
  }
  Target &t = target();
  QByteArray bytes = rest;
  if (data[0] % 3 == 1) {
    // The declared length comes from the input's first two bytes, so it may exceed the block.
    const std::uint32_t declared = rest.size() >= 2 ? static_cast<std::uint8_t>(rest[0]) |
                                                          static_cast<std::uint8_t>(rest[1]) << 8
                                                    : 0;
    bytes = platform::frame::encodeRequest({t.window, 0, 1, 0}, rest.mid(2));
    bytes[20] = static_cast<char>(declared & 0xff);
    bytes[21] = static_cast<char>(declared >> 8);
    bytes[22] = bytes[23] = 0;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::copy(t.socketPath.cbegin(), t.socketPath.cend(), address.sun_path);
  if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
    ::close(fd);
    __builtin_trap(); // the window must stay reachable whatever it was sent before
  }
  qsizetype written = 0;
  bool closedWrite = false;
  // Feed the bytes, let the window read them, until it answers or drops the connection.
  for (int round = 0; round < 10000; ++round) {
    if (written < bytes.size()) {
      const ssize_t n = ::send(fd, bytes.constData() + written,
                               static_cast<std::size_t>(bytes.size() - written), MSG_NOSIGNAL);
      if (n > 0)
        written += n;
      else if (n < 0 && errno != EAGAIN)
        break;
    } else if (!closedWrite) {
      ::shutdown(fd, SHUT_WR);
      closedWrite = true;
    }
    platform::pumpMessages(0);
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0)
      break;
  }
  ::close(fd);
  return 0;
}
