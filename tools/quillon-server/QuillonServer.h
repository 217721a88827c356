#pragma once
// The coordinating server: a window named after its handle text that answers the requests of
// the programs of the family during the request, keeps the logged-on participants, serves
// files from one folder, answers its parameters and starts programs.

#include "MarloDemon.h"
#include "MessageFrame.h"
#include "MessageWindow.h"

#include <QHash>
#include <QString>
#include <QTextStream>

#include <sys/types.h>
#include <vector>

struct QuillonServerOptions {
  QString handleText;
  QString filesFolder;            // absolute, without trailing "/"
  QHash<QString, QString> params; // answered by mcGetServerParam and mcQueryString
  bool verbose = false;
  // Testing aids: end the process with SIGKILL on receiving a request of this code, or send
  // the quit message to the requester before answering a request of this code.
  std::int32_t dieOnCode = 0;
  std::int32_t quitDuringCode = 0;
};

class QuillonServer {
public:
  explicit QuillonServer(QuillonServerOptions options, QTextStream &log);
  ~QuillonServer();
  QuillonServer(const QuillonServer &) = delete;
  QuillonServer &operator=(const QuillonServer &) = delete;

  // Registers the class and creates the window; false (and a message on the log) on failure.
  bool start();
  THandle window() const { return m_window; }
  // Sends the quit message with ServerDown true to every logged-on client, waiting for their
  // answers no longer than kShutDownBudgetMs in all.
  void shutDown();
  static constexpr int kShutDownBudgetMs = 3000;
  static constexpr int kReplyTimeoutMs = 10000;
  const std::vector<TEntity> &clients() const { return m_clients; }

  // "<folder>/<file-name part of name>": where this server keeps a program's files.
  QString mapFileName(const QString &name) const;
  // Appends the bytes of a file inside the served folder to `bytes`; false (and `bytes` as it
  // was) for anything outside it, unreadable, or larger than one message can carry.
  bool readServedFile(const QString &name, QByteArray &bytes) const;

  // The largest file served: a reply block holds the time stamp, the "found" flag and the file.
  static constexpr qint64 kMaxServedFileSize = qint64{platform::frame::kMaxBlock} - 8 - 1;

private:
  std::int64_t onMessage(const platform::CopyDataMessage &message);
  void dispatch(const platform::CopyDataMessage &message);
  void answer(const QuillonRequest &request, THandle requester, LocalTimeStamp stamp);
  void reply(THandle requester, LocalTimeStamp stamp, const TMemoryStream &body);
  void sendQuit(THandle client, int timeoutMs = kReplyTimeoutMs);
  void dropDeadClients();
  const TEntity *findByHandle(THandle handle) const;
  const TEntity *findByTitle(const QString &title, THandle requester) const;
  pid_t spawn(const QString &fileName, const QString &parameters);

public:
  // Reaps programs that ended long enough ago; called on every message and by a timer.
  void reapChildren();

private:
  struct Child {
    pid_t pid;
    qint64 endedSeenMs; // 0 while running
  };
  static constexpr qint64 kZombieKeepMs = 10000;

  QuillonServerOptions m_options;
  QTextStream &m_log;
  THandle m_window = 0;
  QString m_class;
  TEntity m_self{nullptr};
  std::vector<TEntity> m_clients;
  std::vector<Child> m_children;
};
