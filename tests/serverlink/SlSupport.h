#pragma once
// Shared pieces of the server-link tests: a private runtime and settings folder for the whole
// test program, a component factory that never ends the test program, and a scripted server
// window inside the test process.

#include "MarloDemon.h"
#include "MessageWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace sltest {

// Points the message windows, mutexes and the settings store at fresh folders, once per
// test program (before any test touches them).
class IsolatedEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_RUNTIME_DIR", m_dir->filePath(QStringLiteral("run")).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("etc")).toLocal8Bit());
    QDir(m_dir->path()).mkpath(QStringLiteral("run"));
    QDir(m_dir->path()).mkpath(QStringLiteral("etc"));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  void TearDown() override { m_dir.reset(); }
  static QString Path() { return QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")); }

private:
  std::unique_ptr<QTemporaryDir> m_dir;
};

// What a component under test did instead of ending the program.
struct Endings {
  int Terminations = 0;
  int LastExitCode = -1;
  int AppQuitRequests = 0;
};

inline DemonEnvironment Env(const QStringList &args = {},
                            const QString &path = QStringLiteral("/opt/lab/labprog"),
                            const QString &title = QStringLiteral("Lab Program")) {
  DemonEnvironment env;
  env.programPath = path;
  env.arguments = args;
  env.applicationTitle = title;
  return env;
}

template <class T = TkdbDemonClient>
std::unique_ptr<T> MakeClient(Endings &endings, DemonEnvironment env, QObject *owner = nullptr) {
  auto c = std::make_unique<T>(owner, std::move(env));
  c->OnTerminate = [&endings](int code) {
    ++endings.Terminations;
    endings.LastExitCode = code;
  };
  c->OnRequestAppQuit = [&endings] { ++endings.AppQuitRequests; };
  c->OnHandlerError = [](std::exception_ptr) { ADD_FAILURE() << "a handler raised"; };
  return c;
}

// Runs deferred deletions posted by components (the event loop's job in the program).
inline void RunDeferredDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Pumps this process's windows and Qt's events until the predicate holds or time runs out.
inline bool PumpUntil(const std::function<bool()> &done, int timeoutMs = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs)
      return false;
    platform::pumpMessages(20);
    QCoreApplication::processEvents();
  }
  return true;
}

// A server window inside the test process, answering with a script.
class ScriptedServer {
public:
  // Called for each well-framed message; returns the reply body or nothing (no reply).
  using TScript = std::function<std::optional<QByteArray>(TQuillonMessageStream &msg)>;

  explicit ScriptedServer(const QString &handleText, TScript script = {})
      : m_class(ServerWindowClassName(handleText)), Script(std::move(script)) {
    platform::registerWindowClass(m_class);
    Window = platform::createWindow(
        m_class, ServerWindowName(handleText),
        [this](const platform::CopyDataMessage &m) -> std::int64_t {
          auto msg = DecodeFrame(nullptr, static_cast<std::int32_t>(m.code), m.sender, m.data);
          if (!msg)
            return 0;
          Received.push_back(msg->MsgCode);
          if (!Script)
            return 0;
          const std::optional<QByteArray> body = Script(*msg);
          if (body)
            ReplyTo(m.sender, msg->TimeStamp, *body);
          return 0;
        });
  }
  ~ScriptedServer() {
    if (Window)
      platform::destroyWindow(Window);
    platform::unregisterWindowClass(m_class);
  }
  void ReplyTo(THandle client, LocalTimeStamp stamp, const QByteArray &body) const {
    platform::sendCopyData(client, Window, mcReply, EncodeFrameBlock(stamp, body));
  }
  void Send(THandle client, std::int32_t code, const QByteArray &body,
            LocalTimeStamp stamp = {}) const {
    platform::sendCopyData(client, Window, static_cast<std::uint32_t>(code),
                           EncodeFrameBlock(stamp, body));
  }

  QString m_class;
  TScript Script;
  THandle Window = 0;
  std::vector<std::int32_t> Received;
};

inline QByteArray StringBytes(const QString &s) {
  TMemoryStream m;
  m.WriteString(s);
  return m.Memory();
}

} // namespace sltest
