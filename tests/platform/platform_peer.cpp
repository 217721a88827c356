// A second process for the platform tests: it owns a message window or a named mutex, or
// writes a file, and does what the test asks of it (see the modes below). It runs no Qt event loop;
// messages are dispatched by pumpMessages.
#include "MessageWindow.h"
#include "NamedMutex.h"
#include "SafeWriter.h"

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

using platform::CopyDataMessage;
using platform::WindowHandle;

// Codes the "serve" window understands.
enum Code : std::uint32_t {
  kEcho = 1,     // result 1000 + block size
  kCallBack = 2, // sends code 3 with the same block back to the sender, result 2000 + its result
  kDie = 4,      // the receiver dies (SIGKILL) inside the handler
  kSlow = 5,     // sleeps the number of milliseconds in the block, result 5
  kBurst = 6,    // sends block-many messages (code 100 + i) back to the sender first
  kCount = 10,   // result: messages handled so far (this one excluded)
  kQuit = 11,    // destroys its own window inside the handler, then the process ends
  kLeave = 12,   // the process ends with its window still there
  kHello = 50,   // cross: announces the peer's window to the test
  kDone = 51,    // cross: the peer has finished its sends
  kFinish = 52,  // cross: the test has finished too, the peer may end
  kCross = 60,   // cross: one message of the exchange, block = sequence number
  kSpam = 200,   // spam: block = "<id>:<sequence>"
};

int g_handled = 0;
bool g_quit = false;
WindowHandle g_window = 0;

void say(const char *line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

void sayHandle(WindowHandle h) {
  std::printf("%08x\n", h);
  std::fflush(stdout);
}

std::int64_t serveHandler(const CopyDataMessage &m) {
  switch (m.code) {
  case kCount: return g_handled;
  case kEcho: ++g_handled; return 1000 + m.data.size();
  case kCallBack: {
    ++g_handled;
    std::int64_t r = -1;
    const bool ok = platform::sendCopyData(m.sender, m.window, 3, m.data, &r);
    return ok ? 2000 + r : -1;
  }
  case kDie: std::raise(SIGKILL); return 0;
  case kSlow:
    ++g_handled;
    std::this_thread::sleep_for(std::chrono::milliseconds(m.data.toInt()));
    return 5;
  case kBurst: {
    ++g_handled;
    int ok = 0;
    for (int i = 0; i < m.data.toInt(); ++i)
      ok += platform::sendCopyData(m.sender, m.window, 100 + static_cast<std::uint32_t>(i),
                                   QByteArray::number(i))
                ? 1
                : 0;
    return ok;
  }
  case kQuit:
    platform::destroyWindow(m.window);
    g_quit = true;
    return 11;
  case kLeave: g_quit = true; return 12;
  default: ++g_handled; return m.code;
  }
}

int serve(const QString &cls, const QString &name) {
  platform::registerWindowClass(cls);
  g_window = platform::createWindow(cls, name, serveHandler);
  if (!g_window)
    return 2;
  sayHandle(g_window);
  while (!g_quit)
    platform::pumpMessages(-1);
  return 0;
}

// Sends to the test window while the test sends to us, `count` times each.
int cross(WindowHandle test, int count) {
  int received = 0;
  int outOfOrder = 0;
  bool testDone = false;
  platform::registerWindowClass(QStringLiteral("CrossPeer"));
  g_window = platform::createWindow(QStringLiteral("CrossPeer"), QString(),
                                    [&](const CopyDataMessage &m) -> std::int64_t {
                                      if (m.code == kCross) {
                                        outOfOrder += m.data.toInt() == received ? 0 : 1;
                                        ++received;
                                      } else if (m.code == kFinish) {
                                        testDone = true;
                                      }
                                      return m.code;
                                    });
  if (!g_window || !platform::sendCopyData(test, g_window, kHello, {}))
    return 2;
  int ok = 0;
  for (int i = 0; i < count; ++i) {
    std::int64_t r = 0;
    ok += platform::sendCopyData(test, g_window, kCross, QByteArray::number(i), &r) && r == kCross
              ? 1
              : 0;
  }
  platform::sendCopyData(test, g_window, kDone,
                         QByteArray::number(ok) + ' ' + QByteArray::number(received));
  while (!testDone)
    platform::pumpMessages(-1);
  std::printf("sent-ok %d received %d out-of-order %d\n", ok, received, outOfOrder);
  return ok == count && received == count && outOfOrder == 0 ? 0 : 1;
}

int spam(WindowHandle target, int count, const QByteArray &id) {
  int failed = 0;
  for (int i = 0; i < count; ++i)
    failed += platform::sendCopyData(target, 0, kSpam, id + ':' + QByteArray::number(i)) ? 0 : 1;
  return failed;
}

// Waits until the test closes our standard input (or kills us).
void holdUntilStdinCloses() {
  char c;
  while (::read(0, &c, 1) > 0 || errno == EINTR) {
  }
}

int mutex(const QString &name) {
  const platform::MutexHandle m = platform::createMutex(name);
  say(m ? "LOCKED" : "BUSY");
  if (m)
    holdUntilStdinCloses();
  return m ? 0 : 1;
}

// Takes the mutex, starts a child that outlives us, tells its pid, holds.
int mutexSpawn(const QString &name, const char *self) {
  if (!platform::createMutex(name))
    return 1;
  char mode[] = "sleep";
  char *argv[] = {const_cast<char *>(self), mode, nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, self, nullptr, nullptr, argv, environ) != 0)
    return 2;
  std::printf("%d\n", child);
  std::fflush(stdout);
  holdUntilStdinCloses();
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
  auto arg = [&](int i) { return i < argc ? QString::fromLocal8Bit(argv[i]) : QString(); };
  auto handleArg = [&](int i) {
    return static_cast<WindowHandle>(i < argc ? std::strtoul(argv[i], nullptr, 16) : 0);
  };
  if (mode == "serve")
    return serve(arg(2), arg(3));
  if (mode == "cross")
    return cross(handleArg(2), arg(3).toInt());
  if (mode == "spam")
    return spam(handleArg(2), arg(3).toInt(), arg(4).toLatin1());
  if (mode == "send") { // send HANDLE CODE BLOCK: one send, prints "ok <result>" or "fail"
    std::int64_t r = 0;
    const bool ok = platform::sendCopyData(handleArg(2), 0, arg(3).toUInt(), arg(4).toUtf8(), &r);
    std::printf(ok ? "ok %lld\n" : "fail\n", static_cast<long long>(r));
    return ok ? 0 : 1;
  }
  if (mode == "mutex")
    return mutex(arg(2));
  if (mode == "mutex-spawn")
    return mutexSpawn(arg(2), argv[0]);
  if (mode == "write") { // write PATH TEXT: through the safe writer, prints its error if any
    const QString error = SafeWriter::write(QByteArray(argc > 2 ? argv[2] : ""), arg(3).toUtf8());
    std::fputs(qPrintable(error), stderr);
    return error.isEmpty() ? 0 : 1;
  }
  if (mode == "sleep") {
    std::this_thread::sleep_for(std::chrono::seconds(30));
    return 0;
  }
  std::fprintf(stderr, "unknown mode\n");
  return 64;
}
