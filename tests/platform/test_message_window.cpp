// Message windows across real processes: finding, sending, replies during a request, dead and
// dying receivers, simultaneous sends in both directions, ordering of nested arrivals,
// hostile bytes and hostile users, and an unusable runtime folder.
#include "LastError.h"
#include "MessageFrame.h"
#include "MessageWindow.h"
#include "PeerProcess.h"
#include "RuntimeDir.h"
#include "RuntimeEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

const auto *g_env = ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

const QString kPeerClass = QStringLiteral("PlatformPeerClass");

// A window of the test process that records what it receives.
class OwnWindow {
public:
  explicit OwnWindow(const QString &name = QString()) {
    registerWindowClass(kClass); // a second registration fails harmlessly
    handle = createWindow(kClass, name, [this](const CopyDataMessage &m) -> std::int64_t {
      received.push_back(m);
      return onMessage ? onMessage(m) : 7;
    });
  }
  ~OwnWindow() {
    if (isWindow(handle))
      destroyWindow(handle);
  }
  WindowHandle handle = 0;
  std::vector<CopyDataMessage> received;
  std::function<std::int64_t(const CopyDataMessage &)> onMessage;
  static inline const QString kClass = QStringLiteral("TestOwnWindowClass");
};

int connectRaw(WindowHandle target) {
  const QByteArray path = QFile::encodeName(RuntimeEnvironment::runtimePath()) + QByteArray("/w") +
                          QByteArray::number(target, 16).rightJustified(8, '0') + ".s";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::copy(path.cbegin(), path.cend(), address.sun_path);
  if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

} // namespace

// What a frame must hold to be taken: the magic and version, a target, and a block no larger
// than the limit; a reply with a known status.
TEST(MessageFrames, HeadersAndRepliesAreTakenOnlyWhenWellFormed) {
  frame::Header h;
  const QByteArray good = frame::encodeRequest({7, 9, 3, 0}, "abc");
  ASSERT_TRUE(frame::decodeHeader(good.constData(), h));
  EXPECT_EQ(h.target, 7u);
  EXPECT_EQ(h.sender, 9u);
  EXPECT_EQ(h.code, 3u);
  EXPECT_EQ(h.length, 3u);
  const auto patched = [&](int at, std::uint32_t value) {
    QByteArray bytes = good;
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
  };
  const struct {
    QByteArray bytes;
    bool taken;
  } headers[] = {
      {patched(0, frame::kReplyMagic), false},
      {patched(4, 2), false},
      {patched(8, 0), false},
      {patched(20, frame::kMaxBlock), true},
      {patched(20, frame::kMaxBlock + 1), false},
  };
  for (const auto &c : headers) {
    frame::Header out{1, 1, 1, 1};
    EXPECT_EQ(frame::decodeHeader(c.bytes.constData(), out), c.taken)
        << c.bytes.toHex().toStdString();
    if (!c.taken) {
      EXPECT_EQ(out.target, 1u) << "a refused header changes nothing";
    }
  }

  for (const std::uint32_t status : {frame::kStatusHandled, frame::kStatusNoWindow, 2u}) {
    QByteArray reply = frame::encodeReply(status, -5);
    std::uint32_t s = 99;
    std::int64_t r = 0;
    EXPECT_EQ(frame::decodeReply(reply.constData(), s, r), status != 2u) << status;
    EXPECT_EQ(s, status != 2u ? status : 99u);
    qToLittleEndian(frame::kRequestMagic, reply.data());
    EXPECT_FALSE(frame::decodeReply(reply.constData(), s, r));
  }
  std::uint32_t s = 0;
  std::int64_t r = 0;
  ASSERT_TRUE(frame::decodeReply(frame::encodeReply(1, -5).constData(), s, r));
  EXPECT_EQ(r, -5);
}

TEST(MessageWindow, FindSendAndReplyDuringTheRequestAcrossProcesses) {
  PeerProcess peer({"serve", kPeerClass, "Peer One"});
  const WindowHandle ph = peer.readHandle();
  ASSERT_NE(ph, 0u);
  EXPECT_TRUE(isWindow(ph));
  // Lookup ignores case, as the desktop's does; both names must match.
  EXPECT_EQ(findWindow(kPeerClass.toUpper(), QStringLiteral("peer one")), ph);
  EXPECT_EQ(findWindow(kPeerClass, QStringLiteral("Peer Two")), 0u);
  EXPECT_EQ(findWindow(QStringLiteral("OtherClass"), QStringLiteral("Peer One")), 0u);

  std::int64_t result = 0;
  ASSERT_TRUE(sendCopyData(ph, 0, 1, QByteArray("abc"), &result));
  EXPECT_EQ(result, 1003);
  // A zero-length block travels too.
  ASSERT_TRUE(sendCopyData(ph, 0, 1, QByteArray(), &result));
  EXPECT_EQ(result, 1000);
  // And a send with a time limit, answered well within it.
  ASSERT_TRUE(sendCopyData(ph, 0, 1, QByteArray("ab"), &result, 10000));
  EXPECT_EQ(result, 1002);

  // The peer answers by sending back to our window while our send is still waiting.
  OwnWindow own;
  ASSERT_NE(own.handle, 0u);
  bool sawReplyBeforeReturn = false;
  const QByteArray payload("payload\0x", 9);
  own.onMessage = [&](const CopyDataMessage &m) -> std::int64_t {
    sawReplyBeforeReturn = m.code == 3 && m.sender == ph && m.data == payload;
    return 40;
  };
  ASSERT_TRUE(sendCopyData(ph, own.handle, 2, payload, &result));
  EXPECT_TRUE(sawReplyBeforeReturn);
  EXPECT_EQ(result, 2040);
  ASSERT_EQ(own.received.size(), 1u);
  EXPECT_EQ(own.received[0].window, own.handle);

  // A big block arrives whole.
  QByteArray big(3 * 1024 * 1024 + 17, '\0');
  for (qsizetype i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 31);
  ASSERT_TRUE(sendCopyData(ph, 0, 1, big, &result));
  EXPECT_EQ(result, 1000 + big.size());

  // The peer destroys its own window inside the handler, answers, and ends.
  ASSERT_TRUE(sendCopyData(ph, 0, 11, {}, &result));
  EXPECT_EQ(result, 11);
  EXPECT_EQ(peer.wait(), 0);
  EXPECT_FALSE(isWindow(ph));
  EXPECT_EQ(findWindow(kPeerClass, QStringLiteral("Peer One")), 0u);
  EXPECT_FALSE(sendCopyData(ph, 0, 1, {}));
}

TEST(MessageWindow, UnreachableAndKilledReceiversFailAtOnceAndBlockNothing) {
  EXPECT_FALSE(sendCopyData(0, 0, 1, {}));
  EXPECT_FALSE(sendCopyData(0x1234567, 0, 1, {}));
  EXPECT_EQ(lastError(), ENOENT);
  EXPECT_FALSE(sendCopyData(0x80000001u, 0, 1, {}));
  EXPECT_FALSE(isWindow(0x1234567));

  WindowHandle dead = 0;
  {
    PeerProcess peer({"serve", kPeerClass, "Doomed"});
    dead = peer.readHandle();
    ASSERT_NE(dead, 0u);
    peer.killHard();
    EXPECT_EQ(peer.wait(), -1);
  }
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(isWindow(dead));
  EXPECT_FALSE(sendCopyData(dead, 0, 1, {}));
  EXPECT_EQ(findWindow(kPeerClass, QStringLiteral("Doomed")), 0u);
  const qint64 lookups = timer.elapsed();
  EXPECT_LT(lookups, 2000); // a hang would show here
  std::printf("dead receiver: isWindow, send and lookup failed within %lld ms\n",
              static_cast<long long>(lookups));
  // Its leftovers were removed by the lookup, and the next start is found normally.
  EXPECT_FALSE(QFile::exists(RuntimeEnvironment::runtimePath() + "/w" +
                             QString::number(dead, 16).rightJustified(8, '0')));
  PeerProcess next({"serve", kPeerClass, "Doomed"});
  const WindowHandle again = next.readHandle();
  ASSERT_NE(again, 0u);
  EXPECT_EQ(findWindow(kPeerClass, QStringLiteral("Doomed")), again);
  EXPECT_TRUE(sendCopyData(again, 0, 1, "x"));
}

TEST(MessageWindow, ReceiverDyingWhileTheSenderWaitsFailsTheSend) {
  {
    PeerProcess peer({"serve", kPeerClass, "Dies inside"});
    const WindowHandle ph = peer.readHandle();
    ASSERT_NE(ph, 0u);
    EXPECT_FALSE(sendCopyData(ph, 0, 4, {})); // it kills itself in the handler
    EXPECT_EQ(lastError(), ECONNRESET);
  }
  PeerProcess peer({"serve", kPeerClass, "Killed from outside"});
  const WindowHandle ph = peer.readHandle();
  ASSERT_NE(ph, 0u);
  const pid_t pid = peer.pid();
  std::thread killer([pid] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(pid, SIGKILL);
  });
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(sendCopyData(ph, 0, 5, "20000")); // would sleep 20 s
  const qint64 elapsed = timer.elapsed();
  killer.join();
  EXPECT_LT(elapsed, 5000);
  std::printf("receiver killed 200 ms into the send: the send failed after %lld ms\n",
              static_cast<long long>(elapsed));
}

// A process that ends without destroying its window takes the window's files along.
TEST(MessageWindow, AnEndingProcessLeavesNoWindowFiles) {
  PeerProcess peer({"serve", kPeerClass, "Leaving"});
  const WindowHandle handle = peer.readHandle();
  ASSERT_NE(handle, 0u);
  const QString files =
      RuntimeEnvironment::runtimePath() + "/w" + QString::number(handle, 16).rightJustified(8, '0');
  ASSERT_TRUE(QFile::exists(files) && QFile::exists(files + ".s"));
  EXPECT_TRUE(sendCopyData(handle, 0, 12, {})); // the peer's "leave"
  EXPECT_EQ(peer.wait(), 0);
  EXPECT_FALSE(QFile::exists(files));
  EXPECT_FALSE(QFile::exists(files + ".s"));
}

TEST(MessageWindow, SendsInBothDirectionsAtTheSameMomentAllComplete) {
  const int trials = qEnvironmentVariableIsSet("DIPOLIX_CROSS_TRIALS")
                         ? qEnvironmentVariableIntValue("DIPOLIX_CROSS_TRIALS")
                         : 200;
  OwnWindow own;
  ASSERT_NE(own.handle, 0u);
  WindowHandle peerWindow = 0;
  bool peerDone = false;
  int received = 0, outOfOrder = 0, crossed = 0;
  bool sending = false;
  own.onMessage = [&](const CopyDataMessage &m) -> std::int64_t {
    crossed += sending && m.code == 60 ? 1 : 0; // arrived while our own send waited
    if (m.code == 50)
      peerWindow = m.sender;
    if (m.code == 51)
      peerDone = true;
    if (m.code == 60) {
      outOfOrder += m.data.toInt() == received ? 0 : 1;
      ++received;
    }
    return m.code;
  };
  PeerProcess peer({"cross", QString::number(own.handle, 16), QString::number(trials)});
  while (!peerWindow && peer.process().state() != QProcess::NotRunning)
    pumpMessages(100);
  ASSERT_NE(peerWindow, 0u);
  int ok = 0;
  for (int i = 0; i < trials; ++i) {
    std::int64_t r = 0;
    sending = true;
    ok += sendCopyData(peerWindow, own.handle, 60, QByteArray::number(i), &r) && r == 60 ? 1 : 0;
    sending = false;
  }
  while (!peerDone && peer.process().state() != QProcess::NotRunning)
    pumpMessages(100);
  EXPECT_TRUE(sendCopyData(peerWindow, own.handle, 52, {}));
  EXPECT_EQ(peer.wait(), 0) << peer.readLine().toStdString();
  EXPECT_EQ(ok, trials);
  EXPECT_EQ(received, trials);
  EXPECT_EQ(outOfOrder, 0);
  std::printf("cross-sends: %d of %d completed each way, %d arrived while ours waited\n", ok,
              trials, crossed);
}

TEST(MessageWindow, MessagesArrivingDuringASendAreDispatchedOnceInOrder) {
  OwnWindow own;
  PeerProcess server({"serve", kPeerClass, "Burst"});
  const WindowHandle ph = server.readHandle();
  ASSERT_NE(ph, 0u);

  // The receiver sends 50 messages back before it answers; all are handled before the
  // send returns, once each and in the order sent.
  std::int64_t result = 0;
  ASSERT_TRUE(sendCopyData(ph, own.handle, 6, "50", &result));
  EXPECT_EQ(result, 50);
  ASSERT_EQ(own.received.size(), 50u);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(own.received[static_cast<std::size_t>(i)].code, 100u + static_cast<unsigned>(i));

  // Two other processes send to us while we wait for a slow receiver.
  own.received.clear();
  PeerProcess a({"spam", QString::number(own.handle, 16), "100", "A"});
  PeerProcess b({"spam", QString::number(own.handle, 16), "100", "B"});
  // Once each has been answered once, both wait on us for their next message, so the rest
  // can only arrive while our send below waits.
  auto seen = [&](char id) {
    return std::any_of(own.received.cbegin(), own.received.cend(),
                       [id](const CopyDataMessage &m) { return m.data.startsWith(id); });
  };
  QElapsedTimer started;
  started.start();
  while (!(seen('A') && seen('B')) && started.elapsed() < 10000)
    pumpMessages(100);
  const std::size_t beforeTheSend = own.received.size();
  ASSERT_TRUE(sendCopyData(ph, own.handle, 5, "200", &result));
  const std::size_t duringTheSend = own.received.size() - beforeTheSend;
  while ((a.process().state() != QProcess::NotRunning ||
          b.process().state() != QProcess::NotRunning) &&
         own.received.size() < 200)
    pumpMessages(100);
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);
  EXPECT_GT(duringTheSend, 0u);
  std::map<QByteArray, int> next;
  for (const CopyDataMessage &m : own.received) {
    const QList<QByteArray> parts = m.data.split(':');
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[1].toInt(), next[parts[0]]++) << "out of order or twice";
  }
  EXPECT_EQ(next["A"], 100);
  EXPECT_EQ(next["B"], 100);
  std::printf("nested arrivals: %zu of 200 while the send waited, all once and in order\n",
              duringTheSend);
}

TEST(MessageWindow, HandlerMayDestroyItsOwnWindowWhileDispatching) {
  OwnWindow own;
  const WindowHandle h = own.handle;
  own.onMessage = [&](const CopyDataMessage &m) -> std::int64_t {
    EXPECT_TRUE(destroyWindow(m.window));
    EXPECT_FALSE(isWindow(m.window));
    return 99;
  };
  PeerProcess peer({"serve", kPeerClass, "Calls back"});
  const WindowHandle ph = peer.readHandle();
  std::int64_t result = 0;
  // The peer calls back into our window during our send; our handler destroys it there.
  ASSERT_TRUE(sendCopyData(ph, h, 2, "x", &result));
  EXPECT_EQ(result, 2099);
  EXPECT_FALSE(isWindow(h));
  // The next call back finds no window: the peer's nested send fails, ours still completes.
  ASSERT_TRUE(sendCopyData(ph, h, 2, "x", &result));
  EXPECT_EQ(result, -1);
  // And directly, within the process.
  OwnWindow local;
  local.onMessage = own.onMessage;
  ASSERT_TRUE(sendCopyData(local.handle, 0, 1, {}, &result));
  EXPECT_EQ(result, 99);
  EXPECT_FALSE(isWindow(local.handle));
}

TEST(MessageWindow, RandomBytesOnTheSocketReachNoHandlerAndBreakNothing) {
  PeerProcess peer({"serve", kPeerClass, "Target of noise"});
  const WindowHandle ph = peer.readHandle();
  ASSERT_NE(ph, 0u);
  QRandomGenerator random(20261208);
  int connected = 0;
  for (int i = 0; i < 10000; ++i) {
    QByteArray bytes(static_cast<qsizetype>(random.bounded(64)), '\0');
    for (char &c : bytes)
      c = static_cast<char>(random.bounded(256));
    const int kind = i % 4;
    if (kind == 1) // a whole frame, but for another window's number
      bytes = frame::encodeRequest({ph ^ (1u + random.bounded(0x7ffffffeu)), 0, 1, 0}, bytes);
    if (kind == 2) { // a frame for this window that ends before its block does
      bytes = frame::encodeRequest({ph, 0, 1, 0}, bytes + 'x');
      bytes.chop(1 + random.bounded(static_cast<int>(bytes.size() - frame::kHeaderSize)));
    }
    if (kind == 3) { // an unknown version, whole or cut inside the header
      bytes = frame::encodeRequest({ph, 0, 1, 0}, bytes);
      bytes[4] = 9;
      if (random.bounded(2))
        bytes.truncate(random.bounded(frame::kHeaderSize));
    }
    const int fd = connectRaw(ph);
    if (fd < 0)
      continue;
    ++connected;
    (void)::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
    ::close(fd);
  }
  EXPECT_EQ(connected, 10000);
  std::int64_t handled = -1;
  ASSERT_TRUE(sendCopyData(ph, 0, 10, {}, &handled));
  EXPECT_EQ(handled, 0);
  ASSERT_TRUE(sendCopyData(ph, 0, 1, "still fine", &handled));
  EXPECT_EQ(handled, 1010);
  EXPECT_EQ(findWindow(kPeerClass, QStringLiteral("Target of noise")), ph);
}

// Processes of the same user that start frames and never finish them: one holding 300, or
// nine holding 34 each. They may not keep more than a few each, and cannot make a send of
// another process fail.
TEST(MessageWindow, HalfSentFramesCannotCrowdOutOtherSenders) {
  PeerProcess peer({"serve", kPeerClass, "Crowded"});
  const WindowHandle ph = peer.readHandle();
  ASSERT_NE(ph, 0u);
  const struct { int processes, each, mostKeptEach; } cases[] = {{1, 300, 32}, {9, 34, 32}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.processes << " x " << c.each);
    struct Holder {
      pid_t pid;
      int toChild, fromChild;
    };
    std::vector<Holder> holders;
    for (int p = 0; p < c.processes; ++p) {
      int down[2], up[2];
      ASSERT_EQ(::pipe(down), 0);
      ASSERT_EQ(::pipe(up), 0);
      const pid_t pid = ::fork();
      if (pid == 0) {
        std::vector<int> fds;
        const QByteArray part = frame::encodeRequest({ph, 0, 1, 4}, "abcd").left(10);
        for (int i = 0; i < c.each; ++i) {
          const int fd = connectRaw(ph);
          if (fd >= 0 && ::send(fd, part.constData(), 10, MSG_NOSIGNAL) >= 0)
            fds.push_back(fd);
        }
        (void)::write(up[1], "r", 1);
        char go = 0;
        (void)::read(down[0], &go, 1);
        int kept = 0; // connections the receiver has not closed
        char byte = 0;
        for (const int fd : fds)
          kept += ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN ? 1 : 0;
        (void)::write(up[1], &kept, sizeof kept);
        ::_exit(0);
      }
      ::close(down[0]);
      ::close(up[1]);
      holders.push_back({pid, down[1], up[0]});
      char ready = 0;
      ASSERT_EQ(::read(up[0], &ready, 1), 1);
    }
    std::int64_t result = 0;
    EXPECT_TRUE(sendCopyData(ph, 0, 1, "mine", &result)) << errorText(lastError()).toStdString();
    EXPECT_EQ(result, 1004);
    int keptInAll = 0;
    for (const Holder &h : holders) {
      int kept = -1;
      (void)::write(h.toChild, "g", 1);
      EXPECT_EQ(::read(h.fromChild, &kept, sizeof kept), static_cast<ssize_t>(sizeof kept));
      EXPECT_LE(kept, c.mostKeptEach);
      keptInAll += kept;
      ::close(h.toChild);
      ::close(h.fromChild);
      ::waitpid(h.pid, nullptr, 0);
    }
    EXPECT_LE(keptInAll, 256) << "what one receiver holds at once";
  }
}

// In normal operation nobody pumps: the Qt event loop delivers, on the GUI thread, and a
// handler that destroys its window there leaves everything in order.
TEST(MessageWindow, TheEventLoopDeliversOnTheGuiThread) {
  OwnWindow own;
  QEventLoop loop;
  bool onGuiThread = false;
  own.onMessage = [&](const CopyDataMessage &m) -> std::int64_t {
    onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    if (m.code == 2)
      destroyWindow(m.window);
    loop.quit();
    return 321;
  };
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  PeerProcess first({"send", QString::number(own.handle, 16), "1", "hello"});
  loop.exec();
  ASSERT_EQ(own.received.size(), 1u);
  EXPECT_TRUE(onGuiThread);
  EXPECT_EQ(own.received[0].data, "hello");
  EXPECT_EQ(first.readLine(), "ok 321");

  PeerProcess second({"send", QString::number(own.handle, 16), "2", "bye"});
  loop.exec();
  EXPECT_EQ(second.readLine(), "ok 321");
  EXPECT_FALSE(isWindow(own.handle));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  PeerProcess third({"send", QString::number(own.handle, 16), "1", "anyone?"});
  EXPECT_EQ(third.readLine(), "fail");
  EXPECT_EQ(own.received.size(), 2u);
}

TEST(MessageWindow, ClassesRegisterOncePerProcess) {
  EXPECT_TRUE(registerWindowClass(QStringLiteral("OnceClass")));
  EXPECT_FALSE(registerWindowClass(QStringLiteral("onceclass")));
  EXPECT_EQ(lastError(), EEXIST);
  EXPECT_FALSE(lastErrorText().isEmpty());
  EXPECT_FALSE(registerWindowClass(QString()));
  EXPECT_EQ(lastError(), EINVAL);
  EXPECT_EQ(createWindow(QStringLiteral("NeverRegistered"), {}), 0u);
  const WindowHandle w = createWindow(QStringLiteral("OnceClass"), QStringLiteral("n"));
  ASSERT_NE(w, 0u);
  EXPECT_TRUE(isWindow(w));
  // A handler goes only to a window of this process.
  EXPECT_TRUE(setWindowHandler(w, {}));
  EXPECT_FALSE(setWindowHandler(0x7654321, {}));
  EXPECT_EQ(lastError(), ENOENT);
  EXPECT_FALSE(unregisterWindowClass(QStringLiteral("OnceClass")));
  EXPECT_EQ(lastError(), EBUSY);
  EXPECT_TRUE(destroyWindow(w));
  EXPECT_FALSE(destroyWindow(w));
  EXPECT_TRUE(unregisterWindowClass(QStringLiteral("OnceClass")));
  EXPECT_TRUE(registerWindowClass(QStringLiteral("OnceClass")));
  EXPECT_TRUE(unregisterWindowClass(QStringLiteral("OnceClass")));
}

TEST(MessageWindow, UnusableRuntimeFolderGivesAClearError) {
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", saved); });
  registerWindowClass(OwnWindow::kClass);

  // Only the last resort is taken without checking that it fits.
  QTemporaryDir temp;
  RuntimePlaces places;
  places.uid = ::geteuid();
  places.tmpDir = temp.filePath(QString(120, QLatin1Char('x')));
  try {
    runtimeDirectory(places);
    ADD_FAILURE() << "no error for a runtime folder path too long for a socket name";
  } catch (const ERuntimeDirError &e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("too long"))) << e.what();
  }

  // A folder others may enter is refused, not used.
  qputenv("XDG_RUNTIME_DIR", saved);
  const QByteArray dir = QFile::encodeName(runtimeDirectory());
  ASSERT_EQ(dir, QFile::encodeName(RuntimeEnvironment::runtimePath()));
  ASSERT_EQ(::chmod(dir.constData(), 0755), 0);
  setLastError(0);
  EXPECT_THROW(createWindow(OwnWindow::kClass, QStringLiteral("open")), ERuntimeDirError);
  EXPECT_EQ(lastError(), EACCES); // as a refused access, for callers that ask
  ASSERT_EQ(::chmod(dir.constData(), 0700), 0);
  EXPECT_NE(createWindow(OwnWindow::kClass, QStringLiteral("private")), 0u);
}

// Where the runtime folder goes when XDG_RUNTIME_DIR cannot be used: never a place another
// user can occupy first while one of ours will do. "tmp" stands in for /tmp.
TEST(RuntimeDir, FallbackIsAFolderNoOtherUserCanOccupy) {
  QTemporaryDir temp;
  const QString t = temp.path();
  QDir(t).mkpath(QStringLiteral("xdg"));
  QDir(t).mkpath(QStringLiteral("run/user/me"));
  QDir(t).mkpath(QStringLiteral("home/.cache"));
  QDir(t).mkpath(QStringLiteral("bare"));
  QDir(t).mkpath(QStringLiteral("tmp"));
  ::chmod(QFile::encodeName(t + "/tmp").constData(), 01777);
  ::chmod(QFile::encodeName(t + "/run/user/me").constData(), 0700);
  ::chmod(QFile::encodeName(t + "/xdg").constData(), 0700);
  ::chmod(QFile::encodeName(t + "/bare").constData(), 0755);
  const bool root = ::geteuid() == 0;
  if (root) // an open folder of ours and folders of another user
    QDir(t).mkpath(QStringLiteral("open")), QDir(t).mkpath(QStringLiteral("foreign/.cache")),
        ::chmod(QFile::encodeName(t + "/open").constData(), 0777),
        (void)::chown(QFile::encodeName(t + "/foreign").constData(), 65534, 65534),
        (void)::chown(QFile::encodeName(t + "/foreign/.cache").constData(), 65534, 65534);
  const QString tmpPick = t + QStringLiteral("/tmp/dipolix-%1").arg(::geteuid());
  const QString cachePick = t + QStringLiteral("/home/.cache/dipolix-lab");
  const struct {
    const char *xdg, *runUser, *cache;
    QString expected;
    bool needsRoot;
  } cases[] = {
      {"/xdg", "/run/user/me", "/home/.cache", t + "/xdg/dipolix", false},
      {"", "/run/user/me", "/home/.cache", t + "/run/user/me/dipolix", false},
      {"/missing", "/run/user/none", "/home/.cache", cachePick, false},
      {"", "/run/user/none", "/bare/.cache", t + "/bare/.cache/dipolix-lab", false},
      {"", "/run/user/none", "/missing/.cache", tmpPick, false},
      {"", "/run/user/none", "", tmpPick, false},
      {"/open", "/open", "/home/.cache", cachePick, true},
      {"/foreign", "/foreign", "/foreign/.cache", tmpPick, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.xdg << " " << c.runUser << " " << c.cache);
    if (c.needsRoot && !root) {
      std::printf("skipped (needs root to make folders of another user)\n");
      continue;
    }
    RuntimePlaces p;
    p.uid = ::geteuid();
    p.xdgRuntimeDir = *c.xdg ? t + QLatin1String(c.xdg) : QString();
    p.runUserDir = t + QLatin1String(c.runUser);
    p.cacheDir = *c.cache ? t + QLatin1String(c.cache) : QString();
    p.tmpDir = t + QStringLiteral("/tmp");
    p.hostName = QStringLiteral("lab");
    EXPECT_EQ(runtimeDirectoryPath(p), c.expected);
  }
  RuntimePlaces p;
  p.uid = ::geteuid();
  p.tmpDir = t + QStringLiteral("/tmp");
  p.hostName = QStringLiteral("lab");
  p.cacheDir = t + QLatin1Char('/') + QString(90, QLatin1Char('c')); // sockets would not fit
  EXPECT_EQ(runtimeDirectoryPath(p), tmpPick);

  const QByteArray home = qgetenv("HOME"), cache = qgetenv("XDG_CACHE_HOME");
  const auto restore = qScopeGuard([&] {
    qputenv("HOME", home);
    qputenv("XDG_CACHE_HOME", cache);
  });
  qputenv("HOME", QFile::encodeName(t + "/home"));
  qputenv("XDG_CACHE_HOME", "relative/is/ignored");
  EXPECT_EQ(runtimePlaces().cacheDir, t + QStringLiteral("/home/.cache"));

  // Another user takes the /tmp name first, as a folder or as a link: the owner's programs
  // still start, below the owner's cache folder, which the other user cannot enter.
  if (!root) {
    std::printf("skipped (needs root): another user occupying the fallback folder\n");
    return;
  }
  auto asNobody = [](const QStringList &command) {
    return QProcess::execute(QStringLiteral("setpriv"),
                             QStringList{QStringLiteral("--reuid=65534"),
                                         QStringLiteral("--regid=65534"),
                                         QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                                 command);
  };
  ::chmod(QFile::encodeName(t).constData(), 0755); // the other user must reach "tmp"
  if (asNobody({QStringLiteral("mkdir"), tmpPick}) != 0) {
    std::printf("skipped: this machine does not allow switching to user nobody\n");
    return;
  }
  EXPECT_NE(asNobody({QStringLiteral("mkdir"), cachePick}), 0);
  p.cacheDir = t + QStringLiteral("/home/.cache");
  EXPECT_EQ(runtimeDirectory(p), cachePick);
  struct stat info {};
  ASSERT_EQ(::lstat(QFile::encodeName(cachePick).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Without a cache folder of ours, the occupied name is refused rather than used.
  p.cacheDir.clear();
  EXPECT_THROW(runtimeDirectory(p), ERuntimeDirError);
}

// The cache folder is named after the host, in characters safe in a file name and at most 64
// of them, and is made together with a missing cache folder; an earlier pick leaves the cache
// alone.
TEST(RuntimeDir, CacheFolderIsNamedAfterTheHostAndMadeWithItsParent) {
  QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/rdXXXXXX")); // short: the name must fit
  const QString t = temp.path();
  const QString expected = t + QStringLiteral("/c/dipolix-lab_1_x") + QString(57, QLatin1Char('h'));
  if (QFile::encodeName(expected).size() > maxRuntimeDirectoryLength())
    GTEST_SKIP() << "the temporary folder's path is too long for this test";
  QDir(t).mkpath(QStringLiteral("xdg"));
  ::chmod(QFile::encodeName(t + "/xdg").constData(), 0700);
  RuntimePlaces p;
  p.uid = ::geteuid();
  p.runUserDir = t + QStringLiteral("/none");
  p.tmpDir = t + QStringLiteral("/tmp");
  p.cacheDir = t + QStringLiteral("/c"); // missing, inside a folder of ours
  p.hostName = QStringLiteral("lab/1 x") + QString(70, QLatin1Char('h'));
  p.xdgRuntimeDir = t + QStringLiteral("/xdg");
  EXPECT_EQ(runtimeDirectory(p), t + QStringLiteral("/xdg/dipolix"));
  EXPECT_FALSE(QFileInfo::exists(p.cacheDir));
  p.xdgRuntimeDir.clear();
  EXPECT_EQ(runtimeDirectory(p), expected);
  EXPECT_TRUE(QFileInfo(expected).isDir());
}

// The longest runtime folder whose sockets still fit a socket address is admitted, and takes a
// window's socket.
TEST(RuntimeDir, TheLongestFittingFolderIsAdmittedAndTakesASocket) {
  // "/w" + 8 hex digits + ".s" and the terminating zero must fit the address.
  const qsizetype longest =
      qsizetype(sizeof(sockaddr_un{}.sun_path)) - 1 - qsizetype(sizeof "/w12345678.s" - 1);
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", saved); });
  QTemporaryDir temp;
  QByteArray base = QFile::encodeName(temp.path()) + '/';
  const qsizetype pad = longest - base.size() - qsizetype(sizeof "/dipolix" - 1);
  ASSERT_GT(pad, 0);
  base += QByteArray(pad, 'r');
  ASSERT_EQ(::mkdir(base.constData(), 0700), 0);
  qputenv("XDG_RUNTIME_DIR", base);
  ASSERT_EQ(runtimeDirectory(), QFile::decodeName(base) + QStringLiteral("/dipolix"));
  OwnWindow window(QStringLiteral("longest"));
  EXPECT_NE(window.handle, 0u);
  // One byte more and the folder is passed over (only looked at: nothing is made).
  const QByteArray longer = base + 'r';
  ASSERT_EQ(::mkdir(longer.constData(), 0700), 0);
  qputenv("XDG_RUNTIME_DIR", longer);
  EXPECT_NE(runtimeDirectoryPath(), QFile::decodeName(longer) + QStringLiteral("/dipolix"));
}

// Only the same user reaches a window. As root this test plays the other user itself: a
// forked child drops to "nobody" and tries both directions. Without root it can only check
// the folder's and socket's permissions.
TEST(MessageWindow, AnotherUserCannotSendToOrPoseAsAWindow) {
  OwnWindow own(QStringLiteral("guarded"));
  ASSERT_NE(own.handle, 0u);
  const QByteArray dir = QFile::encodeName(RuntimeEnvironment::runtimePath());
  struct stat info {};
  ASSERT_EQ(::stat(dir.constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(info.st_uid, ::geteuid());
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to act as a second user";
  constexpr uid_t kNobody = 65534;
  const QByteArray sock =
      dir + "/w" + QByteArray::number(own.handle, 16).rightJustified(8, '0') + ".s";

  // 1. The private folder keeps the other user out.
  auto asNobody = [&](auto &&work) {
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        ::_exit(99);
      ::_exit(work());
    }
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0)
      pumpMessages(10);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto tryConnectAndSend = [&]() -> int {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(sock.cbegin(), sock.cend(), address.sun_path);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
      return errno == EACCES ? 10 : 11;
    const QByteArray f = frame::encodeRequest({own.handle, 0, 1, 2}, "hi");
    (void)::send(fd, f.constData(), static_cast<size_t>(f.size()), MSG_NOSIGNAL);
    char reply[frame::kReplySize];
    return ::recv(fd, reply, sizeof reply, MSG_WAITALL) == frame::kReplySize ? 21 : 20;
  };
  const int first = asNobody(tryConnectAndSend);
  if (first == 99)
    GTEST_SKIP() << "this machine does not allow switching to user nobody";
  EXPECT_EQ(first, 10) << "connect was not refused by the folder's permissions";

  // 2. Even with the folder and socket opened up by mistake, the receiver's peer check
  // refuses the frame: no handler runs, the sender gets no answer.
  // (The temporary folder above it must let the other user pass, too.)
  const QByteArray parent = qgetenv("XDG_RUNTIME_DIR");
  ASSERT_EQ(::chmod(parent.constData(), 0755), 0);
  const auto closeParent = qScopeGuard([&] { ::chmod(parent.constData(), 0700); });
  ASSERT_EQ(::chmod(dir.constData(), 0755), 0);
  ASSERT_EQ(::chmod(sock.constData(), 0777), 0);
  const int second = asNobody(tryConnectAndSend);
  ::chmod(sock.constData(), 0600);
  EXPECT_EQ(second, 20);
  EXPECT_TRUE(own.received.empty());

  // 3. A socket planted under a window's name by another user is not talked to: the
  // sender's peer check fails the send before anything is written.
  ASSERT_EQ(::chmod(dir.constData(), 0777), 0);
  const WindowHandle fake = 0x0abcdef1;
  const QByteArray fakePath = dir + "/w0abcdef1.s";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
      ::_exit(99);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(fakePath.cbegin(), fakePath.cend(), address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0)
      ::_exit(98);
    (void)::write(ready[1], "r", 1);
    const int c = ::accept(fd, nullptr, nullptr);
    const QByteArray reply = frame::encodeReply(frame::kStatusHandled, 77);
    (void)::send(c, reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL);
    ::sleep(1);
    ::_exit(0);
  }
  ::close(ready[1]);
  char r = 0;
  const bool childReady = ::read(ready[0], &r, 1) == 1;
  ::close(ready[0]);
  ::chmod(dir.constData(), 0700);
  ASSERT_TRUE(childReady) << "the other user could not plant its socket";
  std::int64_t result = 0;
  EXPECT_FALSE(sendCopyData(fake, 0, 1, "secret", &result));
  EXPECT_EQ(lastError(), EPERM);
  EXPECT_NE(result, 77);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::unlink(fakePath.constData());
}
