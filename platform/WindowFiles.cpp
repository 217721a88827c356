#include "WindowFiles.h"

#include <QtEndian>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::winfiles {

namespace {

constexpr char kIdentityMagic[4] = {'D', 'P', 'X', 'I'};
constexpr char kIdentityEnd[4] = {'D', 'E', 'N', 'D'};
// Class and window names are short; anything larger is not one of our records.
constexpr qsizetype kMaxIdentity = 64 * 1024;

struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  ~Fd() {
    if (fd >= 0)
      ::close(fd);
  }
};

flock64 wholeFile(short type) {
  flock64 lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  lock.l_pid = 0;
  return lock;
}

void appendString(QByteArray &out, const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  char length[4];
  qToLittleEndian(static_cast<std::uint32_t>(utf8.size()), length);
  out.append(length, 4);
  out.append(utf8);
}

bool readString(const QByteArray &in, qsizetype &pos, QString &out) {
  if (in.size() - pos < 4)
    return false;
  const std::uint32_t length = qFromLittleEndian<std::uint32_t>(in.constData() + pos);
  pos += 4;
  if (length > static_cast<std::uint32_t>(in.size() - pos))
    return false;
  out = QString::fromUtf8(in.constData() + pos, static_cast<qsizetype>(length));
  pos += static_cast<qsizetype>(length);
  return true;
}

QByteArray readAll(int fd) {
  QByteArray bytes;
  char buffer[4096];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    bytes.append(buffer, n);
    offset += n;
    if (bytes.size() > kMaxIdentity)
      return {};
  }
  return bytes;
}

bool sameFile(int fd, const QByteArray &path) {
  struct stat a {
  }, b{};
  return ::fstat(fd, &a) == 0 && ::lstat(path.constData(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

} // namespace

QByteArray identityPath(const QByteArray &dir, WindowHandle handle) {
  char name[16];
  std::snprintf(name, sizeof name, "/w%08x", handle);
  return dir + name;
}

QByteArray socketPath(const QByteArray &dir, WindowHandle handle) {
  return identityPath(dir, handle) + ".s";
}

bool tryLockExclusive(int fd) {
  flock64 lock = wholeFile(F_WRLCK);
  while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR)
      return false;
  }
  return true;
}

bool isLockedElsewhere(int fd) {
  flock64 lock = wholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0)
    return false;
  return lock.l_type != F_UNLCK;
}

QByteArray encodeIdentity(const QString &className, const QString &windowName) {
  QByteArray out(kIdentityMagic, 4);
  appendString(out, className);
  appendString(out, windowName);
  out.append(kIdentityEnd, 4);
  return out;
}

bool decodeIdentity(const QByteArray &bytes, QString &className, QString &windowName) {
  if (bytes.size() < 16 || !bytes.startsWith(QByteArray(kIdentityMagic, 4)))
    return false;
  qsizetype pos = 4;
  QString c, w;
  if (!readString(bytes, pos, c) || !readString(bytes, pos, w))
    return false;
  if (bytes.size() - pos != 4 || bytes.mid(pos) != QByteArray(kIdentityEnd, 4))
    return false;
  className = c;
  windowName = w;
  return true;
}

std::vector<WindowHandle> listHandles(const QByteArray &dir) {
  std::vector<WindowHandle> handles;
  DIR *d = ::opendir(dir.constData());
  if (!d)
    return handles;
  while (const dirent *entry = ::readdir(d)) {
    const char *name = entry->d_name;
    if (name[0] != 'w' || std::strlen(name) != 9)
      continue;
    bool hex = true;
    for (int i = 1; i < 9; ++i)
      hex = hex && std::isxdigit(static_cast<unsigned char>(name[i])) &&
            !std::isupper(static_cast<unsigned char>(name[i]));
    if (!hex)
      continue;
    const WindowHandle h = static_cast<WindowHandle>(std::strtoul(name + 1, nullptr, 16));
    if (h != 0)
      handles.push_back(h);
  }
  ::closedir(d);
  return handles;
}

Liveness probe(const QByteArray &dir, WindowHandle handle, QString *className, QString *windowName,
               bool removeDead) {
  const QByteArray path = identityPath(dir, handle);
  Fd file(::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
  if (file.fd < 0)
    return errno == ENOENT ? Liveness::Missing : Liveness::Dead;
  if (isLockedElsewhere(file.fd)) {
    QString c, w;
    // A record still being written belongs to a window not created yet.
    if (!decodeIdentity(readAll(file.fd), c, w))
      return Liveness::Dead;
    if (className)
      *className = c;
    if (windowName)
      *windowName = w;
    return Liveness::Live;
  }
  // Nobody holds it. Take the lock before removing, so that a window being created under
  // this handle right now (it locks the same file first) is never removed.
  if (removeDead && tryLockExclusive(file.fd) && sameFile(file.fd, path)) {
    ::unlink(socketPath(dir, handle).constData());
    ::unlink(path.constData());
  }
  return Liveness::Dead;
}

} // namespace platform::winfiles
