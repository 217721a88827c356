// The component's life: construction with its hidden window, the parameter list, the
// single-instance rule, sending and receiving frames, and destruction (deferred while a
// dispatch or a send of the component is in progress).

#include "MarloDemon.h"

#include "Glossan2000.h"
#include "LastError.h"
#include "MessageWindow.h"
#include "NamedMutex.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

DemonEnvironment completeEnvironment(DemonEnvironment env) {
  if (env.programPath.isEmpty())
    env.programPath = QCoreApplication::applicationFilePath();
  if (!env.arguments)
    env.arguments = QCoreApplication::arguments().mid(1);
  if (env.applicationTitle.isEmpty()) {
    // The display name belongs to the GUI application class; read it through the object
    // model so that this layer needs no GUI library.
    if (QCoreApplication *app = QCoreApplication::instance())
      env.applicationTitle = app->property("applicationDisplayName").toString();
    if (env.applicationTitle.isEmpty())
      env.applicationTitle = QCoreApplication::applicationName();
  }
  return env;
}

void terminateProcess(int exitCode) {
  // The half-built program must not run its destructors: leave at once, as the system's
  // process exit does. The single-instance lock goes with the process.
  std::fflush(nullptr);
  ::_exit(exitCode);
}

void requestApplicationQuit() {
  // Queued, so that it also ends an event loop that has not started yet.
  if (QCoreApplication *app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

void reportHandlerError(std::exception_ptr error) {
  // No exception may unwind through the window dispatch; hand it to the event loop, where the
  // application's one error handler shows it.
  if (QCoreApplication *app = QCoreApplication::instance())
    QMetaObject::invokeMethod(
        app, [error] { std::rethrow_exception(error); }, Qt::QueuedConnection);
}

} // namespace

// ---- construction ----

TkdbCustomDemon::TkdbCustomDemon(QObject *owner, DemonEnvironment env)
    : QObject(owner), OnTerminate(terminateProcess), OnRequestAppQuit(requestApplicationQuit),
      OnHandlerError(reportHandlerError), m_env(completeEnvironment(std::move(env))) {
  Translator = std::make_unique<TGlossan2000>(QString());
  Translator->programPath = m_env.programPath;
  m_autoTranslate = true;
  m_useMarloServer = true;
  m_multiStart = false;
  ServerDown = false;
  PendingReplies.clear();
  Params.clear();
  OwnEntity = std::make_unique<TEntity>(this);
  ServerEntity = std::make_unique<TEntity>(this);
  ServerEntity->WindowHandle = FindServerWindow(*m_env.arguments);
  OnGotAMessage = nullptr;
  OnParamsChange = nullptr;
  BuildParamList();
  if (IsDesigning())
    OwnEntity->Title.clear();
}

void TkdbCustomDemon::createHiddenWindow() {
  if (IsDesigning())
    return;
  const QString className = GetWindowClassName();
  RegisterHiddenWindowClass(className);
  m_registeredClass = className;
  THandle window = 0;
  try {
    window = platform::createWindow(className, GetWindowName());
  } catch (...) {
    platform::unregisterWindowClass(className);
    m_registeredClass.clear();
    throw;
  }
  if (window == 0) {
    platform::unregisterWindowClass(className);
    m_registeredClass.clear();
    throw EQuillon(QStringLiteral("Could not create window handle"));
  }
  m_window = window;
  OwnEntity->WindowHandle = window;
  OwnEntity->Title = m_env.applicationTitle;
  OwnEntity->FileName = m_env.programPath;
  platform::setWindowHandler(window, [this](const platform::CopyDataMessage &m) -> std::int64_t {
    ReceiveCopyData(m.sender, static_cast<std::int32_t>(m.code), m.data);
    return 0;
  });
  m_created = true;
}

THandle TkdbCustomDemon::WindowHandle() const { return m_window; }

// ---- properties ----

bool TkdbCustomDemon::AutoCreateItlFile() const {
  return Translator && Translator->AutoCreateItlFile;
}

void TkdbCustomDemon::SetAutoCreateItlFile(bool value) {
  if (Translator)
    Translator->AutoCreateItlFile = value;
}

// ---- parameters ----

void TkdbCustomDemon::BuildParamList() {
  Params.clear();
  Params.append(m_env.programPath);
  for (const QString &arg : *m_env.arguments)
    if (!arg.startsWith(QLatin1String("/serverhandle="), Qt::CaseSensitive))
      Params.append(arg);
}

int TkdbCustomDemon::ParamCount() const { return static_cast<int>(Params.size()) - 1; }

QString TkdbCustomDemon::ParamStr(int index) const {
  if (index == 0)
    return m_env.programPath;
  if (index >= 1 && index <= ParamCount())
    return Params.at(index);
  throw EQuillon(QStringLiteral("Illegal \"ParamStr\" parameter: %1").arg(index));
}

// ---- start-up ----

void TkdbCustomDemon::Loaded() {
  if (!IsDesigning())
    CheckSingleInstance();
  m_loading = false;
}

void TkdbCustomDemon::CheckSingleInstance() {
  if (m_multiStart)
    return;
  const QString name = OwnEntity->GetMutexName();
  const platform::MutexHandle held = platform::openMutex(name);
  if (held == 0) {
    const platform::MutexHandle own = platform::createMutex(name);
    if (own != 0) {
      OwnEntity->MutexHandle = own;
      m_mutex = own;
      return;
    }
    // Another start took it between the two calls: that one is the first instance.
    const int error = platform::lastError();
    if (error != EEXIST) {
      // The rule cannot be enforced here; run rather than refuse to start, but say so.
      std::fprintf(stderr,
                   "%s: cannot create the single-instance lock \"%s\" (%s); running "
                   "without it\n",
                   qUtf8Printable(m_env.applicationTitle), qUtf8Printable(name),
                   qUtf8Printable(platform::errorText(error)));
      std::fflush(stderr);
      return;
    }
  } else {
    platform::closeMutex(held);
  }
  // Another instance runs: hand it our parameters when the server can name it, then end.
  try {
    std::unique_ptr<TEntity> first = QueryEntityByTitle(m_env.applicationTitle);
    if (first) {
      TQuillonMessageStream msg(this);
      msg.MsgCode = mcParams;
      msg.WriteLines(Params);
      SendTo(*first, msg);
    }
  } catch (const std::exception &) {
    // A server that answers nonsense must not keep the second start alive.
  }
  if (OnTerminate)
    OnTerminate(0);
}

// ---- sending ----

void TkdbCustomDemon::SendTo(TEntity &target, TQuillonMessageStream &msg,
                             TQuillonMessageStream *reply) {
  msg.TimeStamp = NowTimeStamp();
  msg.Demon = this;
  if (reply)
    reply->Demon = this;
  if (!OwnEntity->WindowExists())
    return;
  if (msg.Size() > std::numeric_limits<std::int32_t>::max() - 8)
    throw EQuillon(QStringLiteral("Message too large to send"));
  const LocalTimeStamp stamp = msg.TimeStamp;
  {
    BusyScope busy(*this);
    const QByteArray block = EncodeFrameBlock(stamp, msg.Memory());
    platform::sendCopyData(target.WindowHandle, m_window, static_cast<std::uint32_t>(msg.MsgCode),
                           block);
    if (!busy.alive())
      return;
    std::unique_ptr<TQuillonMessageStream> answer = FindReply(stamp);
    if (answer && reply)
      reply->TakeOver(*answer);
  }
}

std::unique_ptr<TQuillonMessageStream> TkdbCustomDemon::FindReply(const LocalTimeStamp &stamp) {
  for (auto it = PendingReplies.begin(); it != PendingReplies.end(); ++it) {
    if ((*it)->TimeStamp == stamp) {
      std::unique_ptr<TQuillonMessageStream> found = std::move(*it);
      PendingReplies.erase(it);
      return found;
    }
  }
  return nullptr;
}

void TkdbCustomDemon::fileReply(std::unique_ptr<TQuillonMessageStream> &msg) {
  // Replies nobody claims (stale stamps, or sent by a stranger) must not pile up for ever.
  if (PendingReplies.size() >= MaxPendingReplies)
    PendingReplies.erase(PendingReplies.begin());
  PendingReplies.push_back(std::move(msg));
}

// ---- receiving ----

void TkdbCustomDemon::ReceiveCopyData(THandle sender, std::int32_t code, QByteArrayView block) {
  std::unique_ptr<TQuillonMessageStream> msg = DecodeFrame(this, code, sender, block);
  if (!msg)
    return;
  // Only the quit message has a body this component reads before dispatch; a cut one is not
  // a quit message at all.
  if (code == mcQuit && !IsWellFormedRequest(code, *msg))
    return;
  if (m_destroying && code != mcReply)
    return;
  BusyScope busy(*this);
  try {
    HandleMessage(msg);
  } catch (...) {
    // A handler may have deleted the component before it raised: its hook went with it, and
    // the application's own error path takes the error.
    if (!busy.alive())
      reportHandlerError(std::current_exception());
    else if (OnHandlerError)
      OnHandlerError(std::current_exception());
  }
}

void TkdbCustomDemon::HandleMessage(std::unique_ptr<TQuillonMessageStream> &) {}

// ---- destruction ----

TkdbCustomDemon::BusyScope::BusyScope(TkdbCustomDemon &demon) : m_demon(&demon) { ++demon.m_busy; }

TkdbCustomDemon::BusyScope::~BusyScope() {
  TkdbCustomDemon *demon = m_demon.data();
  if (!demon)
    return; // an event handler deleted the component itself
  if (--demon->m_busy == 0 && demon->m_destroyPending && !demon->m_destroying)
    demon->deleteLater();
}

void TkdbCustomDemon::destroyWhenIdle() {
  if (m_destroyPending || m_destroying)
    return;
  m_destroyPending = true;
  // Never under a running dispatch or a send that still waits for its reply: the deletion
  // is posted once the outermost of them has returned, and runs from the event loop.
  if (m_busy == 0)
    deleteLater();
}

TkdbCustomDemon::~TkdbCustomDemon() {
  m_destroying = true;
  PendingReplies.clear();
  if (m_window != 0) {
    platform::destroyWindow(m_window);
    m_window = 0;
  }
  if (!m_registeredClass.isEmpty()) {
    platform::unregisterWindowClass(m_registeredClass);
    m_registeredClass.clear();
  }
  if (m_mutex != 0) {
    platform::closeMutex(m_mutex);
    m_mutex = 0;
    OwnEntity->MutexHandle = 0;
  }
  Translator.reset();
  if (!IsDesigning() && m_created && OnRequestAppQuit)
    OnRequestAppQuit();
  Params.clear();
  OwnEntity.reset();
  ServerEntity.reset();
}
