#include "QuillonServer.h"

#include "MessageFrame.h"
#include "MessageWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

QString codeName(std::int32_t code) {
  switch (code) {
  case mcQuit: return QStringLiteral("mcQuit");
  case mcReply: return QStringLiteral("mcReply");
  case mcLogon: return QStringLiteral("mcLogon");
  case mcLogoff: return QStringLiteral("mcLogoff");
  case mcQueryEntity: return QStringLiteral("mcQueryEntity");
  case mcParams: return QStringLiteral("mcParams");
  case mcRunProgram: return QStringLiteral("mcRunProgram");
  case mcGetFile: return QStringLiteral("mcGetFile");
  case mcMapFileName: return QStringLiteral("mcMapFileName");
  case mcQueryString: return QStringLiteral("mcQueryString");
  case mcGetServerParam: return QStringLiteral("mcGetServerParam");
  default: return QStringLiteral("unknown");
  }
}

QString hex(THandle h) { return QStringLiteral("0x%1").arg(h, 8, 16, QLatin1Char('0')); }

// "<folder>/<name>", also for the root folder.
QString inFolder(const QString &folder, const QString &name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Reads a whole file onto the end of `bytes` unless it holds more than `limit` bytes. Reads
// in chunks, since a file's size may be unknown (0 for many system files) or change.
bool appendFile(QFile &file, qint64 limit, QByteArray &bytes) {
  if (file.size() > limit)
    return false;
  const qsizetype start = bytes.size();
  constexpr qint64 kChunk = 1 << 20;
  for (;;) {
    const qsizetype old = bytes.size();
    const qint64 room = limit - (old - start);
    bytes.resize(old + static_cast<qsizetype>(std::min(kChunk, room + 1)));
    const qint64 n = file.read(bytes.data() + old, bytes.size() - old);
    bytes.resize(old + std::max<qint64>(n, 0));
    if (n < 0 || bytes.size() - start > limit) {
      bytes.truncate(start);
      return false;
    }
    if (n == 0)
      return true;
  }
}

} // namespace

QuillonServer::QuillonServer(QuillonServerOptions options, QTextStream &log)
    : m_options(std::move(options)), m_log(log) {
  m_self.FileName = QCoreApplication::applicationFilePath();
  m_self.Title = QStringLiteral("Quillon server");
}

QuillonServer::~QuillonServer() {
  if (m_window != 0)
    platform::destroyWindow(m_window);
  if (!m_class.isEmpty())
    platform::unregisterWindowClass(m_class);
  for (const Child &child : m_children)
    ::waitpid(child.pid, nullptr, WNOHANG);
}

bool QuillonServer::start() {
  const QString className = ServerWindowClassName(m_options.handleText);
  if (platform::findWindow(className, ServerWindowName(m_options.handleText)) != 0) {
    m_log << "quillon-server: a server with handle text \"" << m_options.handleText
          << "\" is running already\n";
    m_log.flush();
    return false;
  }
  if (!platform::registerWindowClass(className)) {
    m_log << "quillon-server: cannot register the window class: " << LastErrorText() << "\n";
    m_log.flush();
    return false;
  }
  m_class = className;
  m_window =
      platform::createWindow(className, ServerWindowName(m_options.handleText),
                             [this](const platform::CopyDataMessage &m) { return onMessage(m); });
  if (m_window == 0) {
    m_log << "quillon-server: cannot create the window: " << LastErrorText() << "\n";
    m_log.flush();
    return false;
  }
  m_self.WindowHandle = m_window;
  return true;
}

void QuillonServer::shutDown() {
  dropDeadClients();
  // A client leaves on the quit message without logging off; take the list first.
  const std::vector<TEntity> clients = std::move(m_clients);
  m_clients.clear();
  // A client that does not answer (stopped, hung) must not keep the server from ending: all
  // of them share one time budget, and once it is spent each still gets its frame, which a
  // stopped one reads when it resumes, without being waited for.
  QElapsedTimer spent;
  spent.start();
  for (const TEntity &client : clients)
    sendQuit(client.WindowHandle,
             static_cast<int>(std::max<qint64>(kShutDownBudgetMs - spent.elapsed(), 10)));
}

std::int64_t QuillonServer::onMessage(const platform::CopyDataMessage &m) {
  // No request, however large or strange, may end the server.
  try {
    dispatch(m);
  } catch (const std::exception &e) {
    m_log << "quillon-server: request " << m.code << " from " << hex(m.sender)
          << " failed: " << e.what() << "\n";
    m_log.flush();
  } catch (...) {
    m_log << "quillon-server: request " << m.code << " from " << hex(m.sender) << " failed\n";
    m_log.flush();
  }
  return 0;
}

void QuillonServer::dispatch(const platform::CopyDataMessage &m) {
  const auto code = static_cast<std::int32_t>(m.code);
  const qsizetype bodySize = m.data.size() - 8;
  if (m_options.verbose) {
    m_log << "received " << codeName(code) << " (" << code << ") from " << hex(m.sender) << ", "
          << (bodySize < 0 ? QStringLiteral("frame of %1 bytes, too short").arg(m.data.size())
                           : QStringLiteral("%1 bytes body").arg(bodySize))
          << "\n";
    m_log.flush();
  }
  std::unique_ptr<TQuillonMessageStream> msg = DecodeFrame(nullptr, code, m.sender, m.data);
  if (!msg)
    return;
  if (m_options.dieOnCode != 0 && code == m_options.dieOnCode)
    ::raise(SIGKILL);
  QuillonRequest request;
  if (!ParseRequest(code, *msg, request)) {
    if (m_options.verbose && code >= mcLogon && code <= mcGetServerParam && code != mcParams) {
      m_log << "  rejected: the body does not hold what " << codeName(code) << " needs\n";
      m_log.flush();
    }
    return;
  }
  if (m_options.quitDuringCode != 0 && code == m_options.quitDuringCode)
    sendQuit(m.sender);
  answer(request, m.sender, msg->TimeStamp);
  reapChildren();
}

void QuillonServer::answer(const QuillonRequest &r, THandle requester, LocalTimeStamp stamp) {
  TMemoryStream body;
  switch (r.code) {
  case mcLogon: {
    TEntity entity = r.entity;
    if (entity.WindowHandle == 0)
      entity.WindowHandle = requester;
    std::erase_if(m_clients,
                  [&](const TEntity &e) { return e.WindowHandle == entity.WindowHandle; });
    m_clients.push_back(entity);
    return; // no reply
  }
  case mcLogoff: {
    const THandle h = r.entity.WindowHandle != 0 ? r.entity.WindowHandle : requester;
    std::erase_if(m_clients, [&](const TEntity &e) { return e.WindowHandle == h; });
    return;
  }
  case mcQueryEntity: {
    dropDeadClients();
    const TEntity *found =
        r.selector == qeByHandle ? findByHandle(r.handle) : findByTitle(r.text, requester);
    if (found) {
      TEntity copy = *found;
      copy.WriteToStream(body);
    }
    break;
  }
  case mcRunProgram:
    body.WriteInteger(static_cast<std::int32_t>(spawn(r.text, r.parameters)));
    break;
  case mcGetFile: {
    // Read straight behind the "found" flag, without another copy of the file in between.
    QByteArray bytes(1, '\1');
    if (!readServedFile(r.text, bytes))
      bytes = QByteArray(1, '\0');
    body.SetMemory(std::move(bytes));
    break;
  }
  case mcMapFileName: body.WriteString(mapFileName(r.text)); break;
  case mcQueryString:
  case mcGetServerParam: body.WriteString(m_options.params.value(r.text)); break;
  default: return;
  }
  reply(requester, stamp, body);
}

void QuillonServer::reply(THandle requester, LocalTimeStamp stamp, const TMemoryStream &body) {
  // The requester waits for the reply and takes it at once; one that stopped meanwhile must
  // not hold up everyone else.
  platform::sendCopyData(requester, m_window, mcReply, EncodeFrameBlock(stamp, body.Memory()),
                         nullptr, kReplyTimeoutMs);
}

void QuillonServer::sendQuit(THandle client, int timeoutMs) {
  TMemoryStream body;
  body.WriteBoolean(true);
  platform::sendCopyData(client, m_window, mcQuit, EncodeFrameBlock(NowTimeStamp(), body.Memory()),
                         nullptr, timeoutMs);
}

void QuillonServer::dropDeadClients() {
  std::erase_if(m_clients, [](const TEntity &e) { return !platform::isWindow(e.WindowHandle); });
}

const TEntity *QuillonServer::findByHandle(THandle handle) const {
  if (handle == m_window)
    return &m_self;
  for (const TEntity &e : m_clients)
    if (e.WindowHandle == handle)
      return &e;
  return nullptr;
}

const TEntity *QuillonServer::findByTitle(const QString &title, THandle requester) const {
  // The longest-running participant of that title, preferring one that is not the requester:
  // a second start that has logged on asks for the first one.
  const TEntity *own = nullptr;
  for (const TEntity &e : m_clients) {
    if (e.Title != title)
      continue;
    if (e.WindowHandle != requester)
      return &e;
    own = &e;
  }
  return own;
}

QString QuillonServer::mapFileName(const QString &name) const {
  return inFolder(m_options.filesFolder, name.mid(name.lastIndexOf(QLatin1Char('/')) + 1));
}

bool QuillonServer::readServedFile(const QString &name, QByteArray &bytes) const {
  if (name.isEmpty())
    return false;
  const QString path = QDir::isAbsolutePath(name) ? name : inFolder(m_options.filesFolder, name);
  const QString canonical = QFileInfo(path).canonicalFilePath();
  const QString root = QFileInfo(m_options.filesFolder).canonicalFilePath();
  // Only what lies inside the served folder, whatever ".." or links the name holds.
  if (canonical.isEmpty() || root.isEmpty() || !canonical.startsWith(inFolder(root, QString())))
    return false;
  QFile file(canonical);
  if (!QFileInfo(canonical).isFile() || !file.open(QIODevice::ReadOnly))
    return false;
  return appendFile(file, kMaxServedFileSize, bytes);
}

pid_t QuillonServer::spawn(const QString &fileName, const QString &parameters) {
  QStringList args = QProcess::splitCommand(parameters);
  args.prepend(fileName);
  std::vector<QByteArray> storage;
  storage.reserve(static_cast<std::size_t>(args.size()));
  for (const QString &a : args)
    storage.push_back(QFile::encodeName(a));
  std::vector<char *> argv;
  for (QByteArray &a : storage)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return 0;
  // Kept unreaped for a while: a client that waits for the program opens it by its number,
  // which must still name it even when the program has already ended.
  m_children.push_back(Child{pid, 0});
  return pid;
}

void QuillonServer::reapChildren() {
  // A program that has ended stays a zombie for a while before it is reaped, so that a client
  // that waits for it can still open it by its number.
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  std::erase_if(m_children, [now](Child &child) {
    if (child.endedSeenMs == 0) {
      siginfo_t info{};
      if (::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return true; // not ours any more
      if (info.si_pid == 0)
        return false; // still running
      child.endedSeenMs = now;
    }
    if (now - child.endedSeenMs < kZombieKeepMs)
      return false;
    ::waitpid(child.pid, nullptr, WNOHANG);
    return true;
  });
}
