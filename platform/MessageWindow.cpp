#include "MessageWindow.h"

#include "LastError.h"
#include "MessageFrame.h"
#include "RuntimeDir.h"
#include "WindowFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Connections a process keeps open at once while their frames arrive. When all are taken,
// the one that has been silent longest makes room for a newcomer.
constexpr std::size_t kMaxIncoming = 256;
// What one sending process may hold of them (its quietest goes for a newer one): a sender
// waits for each frame's answer, so even nested sends need only a few at once.
constexpr std::size_t kMaxIncomingPerPeer = 32;
// A frame that has not moved on for this long is dropped (checked when others arrive).
constexpr qint64 kIncomingIdleMs = 10000;
constexpr int kBacklog = 128;
// How often a send waiting without a deadline looks at the interrupt flag.
constexpr int kInterruptCheckMs = 250;

const volatile std::sig_atomic_t *g_interruptFlag = nullptr;

qint64 nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Deletes a notifier now, or later when it is the one whose signal is being delivered.
QSocketNotifier *g_activeNotifier = nullptr;

struct NotifierDeleter {
  void operator()(QSocketNotifier *n) const {
    n->setEnabled(false);
    if (n == g_activeNotifier)
      n->deleteLater();
    else
      delete n;
  }
};
using NotifierPtr = std::unique_ptr<QSocketNotifier, NotifierDeleter>;

struct Window {
  WindowHandle handle = 0;
  QString className;
  QString windowName;
  CopyDataHandler handler;
  int listenFd = -1;
  int lockFd = -1;
  QByteArray socketPath;
  QByteArray identityPath;
  NotifierPtr notifier;
};

struct Incoming {
  int fd = -1;
  WindowHandle window = 0; // the window whose socket accepted the connection
  pid_t peer = 0;          // the sending process
  qint64 lastActiveMs = 0; // when its last bytes came
  QByteArray buffer;
  NotifierPtr notifier;
  ~Incoming() {
    notifier.reset();
    if (fd >= 0)
      ::close(fd);
  }
};

struct Hub {
  QStringList classes;
  std::map<WindowHandle, std::shared_ptr<Window>> windows;
  // Keyed by arrival number, so frames are dispatched in the order their senders connected.
  std::map<std::uint64_t, std::shared_ptr<Incoming>> incoming;
  std::uint64_t nextIncoming = 1;
  std::uint64_t dispatched = 0;
  bool exitHookInstalled = false;
};

// Never destroyed: notifiers must not outlive the application object in a static destructor.
Hub &hub() {
  static Hub *h = new Hub;
  return *h;
}

struct Fd {
  int fd = -1;
  explicit Fd(int f = -1) : fd(f) {}
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  ~Fd() {
    if (fd >= 0)
      ::close(fd);
  }
};

bool canUseNotifiers() {
  const QCoreApplication *app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

bool peerIsSameUser(int fd, pid_t *pid = nullptr) {
  ucred cred{};
  socklen_t length = sizeof cred;
  if (pid)
    *pid = 0;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0 || length != sizeof cred ||
      cred.uid != ::geteuid())
    return false;
  if (pid)
    *pid = cred.pid;
  return true;
}

bool fillAddress(const QByteArray &path, sockaddr_un &address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
    return false;
  std::copy(path.cbegin(), path.cend(), address.sun_path);
  return true;
}

std::shared_ptr<Window> ownWindow(WindowHandle handle) {
  const auto it = hub().windows.find(handle);
  return it == hub().windows.end() ? nullptr : it->second;
}

bool sameClass(const QString &a, const QString &b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Leaves no socket or identity file behind on a normal exit (a crash leaves them; they are
// recognised as dead by their missing lock and removed by whoever meets them).
void removeFilesAtExit() {
  for (const auto &[handle, w] : hub().windows) {
    ::unlink(w->socketPath.constData());
    ::unlink(w->identityPath.constData());
  }
}

void onListenReady(WindowHandle handle);
void onIncomingReady(std::uint64_t id);

// Runs the handler of the frame's window and answers the sender. The connection has already
// left the incoming list, so nested dispatching cannot see it again.
void dispatch(const std::shared_ptr<Incoming> &in, const frame::Header &header) {
  CopyDataMessage message;
  message.window = header.target;
  message.sender = header.sender;
  message.code = header.code;
  message.data = in->buffer.mid(frame::kHeaderSize);
  in->buffer.clear();

  std::uint32_t status = frame::kStatusNoWindow;
  std::int64_t result = 0;
  if (const auto w = ownWindow(header.target)) {
    status = frame::kStatusHandled;
    ++hub().dispatched;
    // A copy: the handler may replace itself or destroy its window while it runs.
    const CopyDataHandler handler = w->handler;
    if (handler)
      result = handler(message);
  }
  const QByteArray reply = frame::encodeReply(status, result);
  // A fresh connection's buffer takes 16 bytes at once; a sender that is gone just misses it.
  (void)::send(in->fd, reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL);
}

// Reads what has arrived on a connection; dispatches when its frame is complete, drops it
// when it is malformed, from another window's socket, or closed early.
void service(std::uint64_t id) {
  Hub &h = hub();
  const auto it = h.incoming.find(id);
  if (it == h.incoming.end())
    return;
  const std::shared_ptr<Incoming> in = it->second;
  frame::Header header;
  for (;;) {
    qsizetype want = frame::kHeaderSize - in->buffer.size();
    if (want <= 0) {
      if (!frame::decodeHeader(in->buffer.constData(), header) || header.target != in->window) {
        h.incoming.erase(id);
        return;
      }
      want = frame::kHeaderSize + static_cast<qsizetype>(header.length) - in->buffer.size();
      if (want == 0)
        break;
    }
    const qsizetype chunk = std::min<qsizetype>(want, 1 << 20);
    const qsizetype old = in->buffer.size();
    in->buffer.resize(old + chunk);
    const ssize_t n = ::recv(in->fd, in->buffer.data() + old, static_cast<size_t>(chunk), 0);
    if (n < 0 && errno == EINTR) {
      in->buffer.resize(old);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      in->buffer.resize(old);
      return; // more later
    }
    if (n <= 0) {
      h.incoming.erase(id); // closed or failed before the frame was complete
      return;
    }
    in->buffer.resize(old + n);
    in->lastActiveMs = nowMs();
  }
  h.incoming.erase(id);
  dispatch(in, header);
}

// Drops the frames that have stalled, so that no sender can hold connections for ever.
void dropIdleIncoming(qint64 now) {
  std::erase_if(hub().incoming, [now](const auto &entry) {
    return now - entry.second->lastActiveMs > kIncomingIdleMs;
  });
}

// Makes room for a new connection from `peer`: its own quietest one goes when it holds its
// share already, the quietest of all when every place is taken.
void admitIncoming(pid_t peer) {
  Hub &h = hub();
  dropIdleIncoming(nowMs());
  const auto quietest = [&h](auto &&from) {
    auto best = h.incoming.end();
    std::size_t count = 0;
    for (auto it = h.incoming.begin(); it != h.incoming.end(); ++it) {
      if (!from(*it->second))
        continue;
      ++count;
      if (best == h.incoming.end() || it->second->lastActiveMs < best->second->lastActiveMs)
        best = it;
    }
    return std::pair{best, count};
  };
  const auto [own, held] = quietest([peer](const Incoming &in) { return in.peer == peer; });
  if (held >= kMaxIncomingPerPeer)
    h.incoming.erase(own);
  else if (h.incoming.size() >= kMaxIncoming)
    h.incoming.erase(quietest([](const Incoming &) { return true; }).first);
}

// Accepts the connections waiting at a window's socket and reads what they brought.
void acceptAll(WindowHandle handle) {
  const auto w = ownWindow(handle);
  if (!w)
    return;
  std::vector<std::uint64_t> accepted;
  for (;;) {
    const int fd = ::accept4(w->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED)
        continue;
      break;
    }
    Hub &h = hub();
    pid_t peer = 0;
    if (!peerIsSameUser(fd, &peer)) {
      ::close(fd);
      continue;
    }
    admitIncoming(peer);
    auto in = std::make_shared<Incoming>();
    in->fd = fd;
    in->window = handle;
    in->peer = peer;
    in->lastActiveMs = nowMs();
    const std::uint64_t id = h.nextIncoming++;
    if (canUseNotifiers()) {
      in->notifier.reset(new QSocketNotifier(fd, QSocketNotifier::Read));
      QSocketNotifier *n = in->notifier.get();
      QObject::connect(n, &QSocketNotifier::activated, n, [id] { onIncomingReady(id); });
    }
    h.incoming.emplace(id, std::move(in));
    accepted.push_back(id);
  }
  for (const std::uint64_t id : accepted)
    service(id);
}

template <typename F> void asActiveNotifier(QObject *sender, F &&work) {
  QSocketNotifier *previous = g_activeNotifier;
  g_activeNotifier = qobject_cast<QSocketNotifier *>(sender);
  struct Restore {
    QSocketNotifier *p;
    ~Restore() { g_activeNotifier = p; }
  } restore{previous};
  work();
}

void onListenReady(WindowHandle handle) {
  const auto w = ownWindow(handle);
  asActiveNotifier(w ? w->notifier.get() : nullptr, [handle] { acceptAll(handle); });
}

void onIncomingReady(std::uint64_t id) {
  const auto it = hub().incoming.find(id);
  if (it == hub().incoming.end())
    return;
  asActiveNotifier(it->second->notifier.get(), [id] { service(id); });
}

// One round of waiting for this process's windows: polls their sockets and connections
// together with `extra` (the caller's own connection, if any), waits up to `timeoutMs`,
// and services what is ready. Returns the revents of `extra`.
short pollOnce(const pollfd *extra, int timeoutMs) {
  Hub &h = hub();
  std::vector<pollfd> fds;
  std::vector<std::pair<bool, std::uint64_t>> owners; // (is listening socket, handle or id)
  if (extra)
    fds.push_back(*extra);
  for (const auto &[handle, w] : h.windows) {
    fds.push_back({w->listenFd, POLLIN, 0});
    owners.emplace_back(true, handle);
  }
  for (const auto &[id, in] : h.incoming) {
    fds.push_back({in->fd, POLLIN, 0});
    owners.emplace_back(false, id);
  }
  const int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0)
    return 0;
  const std::size_t base = extra ? 1 : 0;
  // Services may dispatch handlers, which may change everything; look each one up afresh.
  for (std::size_t i = 0; i < owners.size(); ++i) {
    if (fds[base + i].revents == 0)
      continue;
    if (owners[i].first)
      acceptAll(static_cast<WindowHandle>(owners[i].second));
    else
      service(owners[i].second);
  }
  return extra ? fds[0].revents : 0;
}

void releaseWindow(Window &w) {
  w.notifier.reset();
  if (w.listenFd >= 0)
    ::close(w.listenFd);
  w.listenFd = -1;
  ::unlink(w.socketPath.constData());
  ::unlink(w.identityPath.constData());
  if (w.lockFd >= 0)
    ::close(w.lockFd);
  w.lockFd = -1;
}

} // namespace

bool registerWindowClass(const QString &className) {
  if (className.isEmpty()) {
    setLastError(EINVAL);
    return false;
  }
  Hub &h = hub();
  for (const QString &c : std::as_const(h.classes)) {
    if (sameClass(c, className)) {
      setLastError(EEXIST);
      return false;
    }
  }
  h.classes.append(className);
  return true;
}

bool unregisterWindowClass(const QString &className) {
  Hub &h = hub();
  for (qsizetype i = 0; i < h.classes.size(); ++i) {
    if (!sameClass(h.classes[i], className))
      continue;
    for (const auto &[handle, w] : h.windows) {
      if (sameClass(w->className, className)) {
        setLastError(EBUSY);
        return false;
      }
    }
    h.classes.removeAt(i);
    return true;
  }
  setLastError(ENOENT);
  return false;
}

namespace {

// What became of one try at a window handle.
enum class Claim { Taken, Retry, Failed };

// Opens and locks the identity file of a new window. Retry when a live window has the handle
// or its files were removed as dead between our open and our lock.
Claim lockIdentity(const QByteArray &identityPath, Fd &lock) {
  lock.fd = ::open(identityPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock.fd < 0) {
    setLastError(errno);
    return Claim::Failed;
  }
  struct stat a {
  }, b{};
  if (!winfiles::tryLockExclusive(lock.fd))
    return Claim::Retry;
  if (::fstat(lock.fd, &a) != 0 || ::lstat(identityPath.constData(), &b) != 0 ||
      a.st_ino != b.st_ino || a.st_dev != b.st_dev)
    return Claim::Retry;
  if (::ftruncate(lock.fd, 0) != 0) {
    setLastError(errno);
    return Claim::Failed;
  }
  return Claim::Taken;
}

// Listens on the window's socket, then writes its identity record into the locked file: once
// the record is complete, the window can be found and reached. On failure both files go.
bool openWindowFiles(const Window &w, int lockFd, Fd &listener) {
  ::unlink(w.socketPath.constData()); // left by a dead window of this handle
  listener.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  bool ok = true;
  if (listener.fd < 0 || !fillAddress(w.socketPath, address) ||
      ::bind(listener.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
      ::chmod(w.socketPath.constData(), 0600) != 0 || ::listen(listener.fd, kBacklog) != 0) {
    setLastError(listener.fd < 0 ? errno : (errno ? errno : ENAMETOOLONG));
    ok = false;
  } else {
    const QByteArray identity = winfiles::encodeIdentity(w.className, w.windowName);
    if (::pwrite(lockFd, identity.constData(), static_cast<size_t>(identity.size()), 0) !=
        identity.size()) {
      setLastError(errno ? errno : EIO);
      ok = false;
    }
  }
  if (!ok) {
    ::unlink(w.socketPath.constData());
    ::unlink(w.identityPath.constData());
  }
  return ok;
}

// Hands the window to the hub: its listener watched by the event loop (when there is one)
// and its files removed when the process exits.
void adoptWindow(Hub &h, std::shared_ptr<Window> w) {
  const WindowHandle handle = w->handle;
  if (canUseNotifiers()) {
    w->notifier.reset(new QSocketNotifier(w->listenFd, QSocketNotifier::Read));
    QSocketNotifier *n = w->notifier.get();
    QObject::connect(n, &QSocketNotifier::activated, n, [handle] { onListenReady(handle); });
  }
  h.windows.emplace(handle, std::move(w));
  if (!h.exitHookInstalled) {
    h.exitHookInstalled = true;
    std::atexit(removeFilesAtExit);
  }
}

} // namespace

WindowHandle createWindow(const QString &className, const QString &windowName,
                          CopyDataHandler handler) {
  Hub &h = hub();
  const auto cls = std::find_if(h.classes.cbegin(), h.classes.cend(),
                                [&](const QString &c) { return sameClass(c, className); });
  if (cls == h.classes.cend()) {
    setLastError(ENOENT);
    return 0;
  }
  const QByteArray dir = QFile::encodeName(runtimeDirectory()); // throws when unusable

  for (int attempt = 0; attempt < 64; ++attempt) {
    // The system generator: the shared one seeds its whole state on first use, which cost a
    // third of a millisecond of every start for the one number a program needs.
    const auto handle =
        static_cast<WindowHandle>(QRandomGenerator::system()->bounded(1u, 0x80000000u));
    if (h.windows.count(handle))
      continue;
    auto w = std::make_shared<Window>();
    w->handle = handle;
    w->className = *cls;
    w->windowName = windowName;
    w->identityPath = winfiles::identityPath(dir, handle);
    w->socketPath = winfiles::socketPath(dir, handle);

    Fd lock;
    const Claim claim = lockIdentity(w->identityPath, lock);
    if (claim == Claim::Retry)
      continue;
    Fd listener;
    if (claim == Claim::Failed || !openWindowFiles(*w, lock.fd, listener))
      return 0;
    w->handler = std::move(handler);
    w->lockFd = std::exchange(lock.fd, -1);
    w->listenFd = std::exchange(listener.fd, -1);
    adoptWindow(h, std::move(w));
    return handle;
  }
  setLastError(EAGAIN);
  return 0;
}

bool setWindowHandler(WindowHandle window, CopyDataHandler handler) {
  const auto w = ownWindow(window);
  if (!w) {
    setLastError(ENOENT);
    return false;
  }
  w->handler = std::move(handler);
  return true;
}

bool destroyWindow(WindowHandle window) {
  Hub &h = hub();
  const auto it = h.windows.find(window);
  if (it == h.windows.end()) {
    setLastError(ENOENT);
    return false;
  }
  // A dispatch in progress holds its own copy of the handler; the rest goes now, so the
  // window is unreachable and not found from this moment on.
  const std::shared_ptr<Window> w = it->second;
  h.windows.erase(it);
  releaseWindow(*w);
  return true;
}

bool isWindow(WindowHandle window) {
  if (window == 0)
    return false;
  if (ownWindow(window))
    return true;
  const QByteArray dir = QFile::encodeName(runtimeDirectoryPath());
  return winfiles::probe(dir, window, nullptr, nullptr, false) == winfiles::Liveness::Live;
}

WindowHandle findWindow(const QString &className, const QString &windowName) {
  for (const auto &[handle, w] : hub().windows) {
    if (sameClass(w->className, className) && sameClass(w->windowName, windowName))
      return handle;
  }
  QByteArray dir;
  try {
    dir = QFile::encodeName(runtimeDirectory());
  } catch (const ERuntimeDirError &) {
    setLastError(ENOENT);
    return 0;
  }
  for (const WindowHandle handle : winfiles::listHandles(dir)) {
    if (ownWindow(handle))
      continue;
    QString c, n;
    if (winfiles::probe(dir, handle, &c, &n, true) == winfiles::Liveness::Live &&
        sameClass(c, className) && sameClass(n, windowName))
      return handle;
  }
  setLastError(ENOENT);
  return 0;
}

void setSendInterruptFlag(const volatile std::sig_atomic_t *flag) { g_interruptFlag = flag; }

namespace {

// How long the next wait of a send may last; 0, with lastError set, when the send must give
// up: its deadline (negative: none) has passed or a signal asked it to stop.
int waitBudget(qint64 deadline) {
  if (g_interruptFlag && *g_interruptFlag) {
    setLastError(EINTR);
    return 0;
  }
  const qint64 left = deadline < 0 ? -1 : deadline - nowMs();
  if (deadline >= 0 && left <= 0) {
    setLastError(ETIMEDOUT);
    return 0;
  }
  if (!g_interruptFlag)
    return static_cast<int>(left);
  return left < 0 ? kInterruptCheckMs : static_cast<int>(std::min<qint64>(left, kInterruptCheckMs));
}

// A connected socket to another process's window owned by this user; false with lastError set.
bool connectToWindow(WindowHandle target, qint64 deadline, Fd &sock) {
  QByteArray dir;
  try {
    dir = QFile::encodeName(runtimeDirectory());
  } catch (const ERuntimeDirError &) {
    setLastError(ENOENT);
    return false;
  }
  sockaddr_un address{};
  if (!fillAddress(winfiles::socketPath(dir, target), address)) {
    setLastError(ENAMETOOLONG);
    return false;
  }
  sock.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (sock.fd < 0) {
    setLastError(errno);
    return false;
  }
  for (;;) {
    if (::connect(sock.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
      break;
    if (errno == EINTR)
      continue;
    if (errno != EAGAIN) { // missing socket or dead listener: the target is unreachable
      setLastError(errno);
      return false;
    }
    // Its queue of connections is full: it is alive but busy. Keep serving our own windows
    // meanwhile and try again, unless it has gone.
    if (!isWindow(target)) {
      setLastError(ENOENT);
      return false;
    }
    if (waitBudget(deadline) == 0)
      return false;
    pollOnce(nullptr, 5);
  }
  if (!peerIsSameUser(sock.fd)) {
    setLastError(EPERM);
    return false;
  }
  return true;
}

// The reply of the receiving window, read as far as it has arrived.
struct ReplyReader {
  char bytes[frame::kReplySize];
  qsizetype received = 0;

  bool complete() const { return received == frame::kReplySize; }
  // Reads what is there; false (lastError set) when the receiver closed without answering:
  // it died or refused the frame.
  bool readFrom(int fd) {
    while (!complete()) {
      const ssize_t n =
          ::recv(fd, bytes + received, static_cast<size_t>(frame::kReplySize - received), 0);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return true;
      if (n <= 0) {
        setLastError(ECONNRESET);
        return false;
      }
      received += n;
    }
    return true;
  }
  // The handler's result of a complete reply; false (lastError set) when it was not handled.
  bool handlerResult(std::int64_t *result) const {
    std::uint32_t status = 0;
    std::int64_t r = 0;
    if (!frame::decodeReply(bytes, status, r) || status != frame::kStatusHandled) {
      setLastError(status == frame::kStatusNoWindow ? ENOENT : EPROTO);
      return false;
    }
    if (result)
      *result = r;
    return true;
  }
};

// Writes the request and waits for its reply, serving this process's windows meanwhile.
bool exchange(int fd, const QByteArray &request, qint64 deadline, std::int64_t *result) {
  qsizetype written = 0;
  ReplyReader reply;
  for (;;) {
    if (written < request.size()) {
      const ssize_t n = ::send(fd, request.constData() + written,
                               static_cast<size_t>(request.size() - written), MSG_NOSIGNAL);
      if (n > 0)
        written += n;
      else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        setLastError(errno == EPIPE ? ECONNRESET : errno);
        return false;
      }
    }
    const int wait = waitBudget(deadline);
    if (wait == 0)
      return false;
    pollfd mine{fd, static_cast<short>(POLLIN | (written < request.size() ? POLLOUT : 0)), 0};
    if (pollOnce(&mine, wait) & (POLLIN | POLLHUP | POLLERR)) {
      if (!reply.readFrom(fd))
        return false;
      if (reply.complete())
        return reply.handlerResult(result);
    }
  }
}

} // namespace

bool sendCopyData(WindowHandle target, WindowHandle sender, std::uint32_t code,
                  const QByteArray &data, std::int64_t *result, int timeoutMs) {
  const qint64 deadline = timeoutMs >= 0 ? nowMs() + timeoutMs : -1;
  if (target == 0 || target > 0x7FFFFFFFu) {
    setLastError(ENOENT);
    return false;
  }
  if (data.size() > static_cast<qsizetype>(frame::kMaxBlock)) {
    setLastError(E2BIG);
    return false;
  }
  if (const auto w = ownWindow(target)) {
    CopyDataMessage message{target, sender, code, data};
    ++hub().dispatched;
    const CopyDataHandler handler = w->handler;
    const std::int64_t r = handler ? handler(message) : 0;
    if (result)
      *result = r;
    return true;
  }
  Fd sock;
  return connectToWindow(target, deadline, sock) &&
         exchange(sock.fd, frame::encodeRequest({target, sender, code, 0}, data), deadline, result);
}

int pumpMessages(int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const std::uint64_t before = hub().dispatched;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<long long>(left, 0));
    }
    if (hub().windows.empty() && hub().incoming.empty() && timeoutMs < 0)
      return 0; // nothing could ever arrive
    pollOnce(nullptr, wait);
    const auto count = static_cast<int>(hub().dispatched - before);
    if (count > 0 || (timeoutMs >= 0 && Clock::now() >= deadline))
      return count;
  }
}

} // namespace platform
