#pragma once
// Starting the helper process of the platform tests and talking to it over its stdin/stdout.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <sys/types.h>

class PeerProcess {
public:
  explicit PeerProcess(const QStringList &args) {
    process_.setProgram(QStringLiteral(PLATFORM_PEER));
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    process_.waitForStarted(5000);
  }
  PeerProcess(const PeerProcess &) = delete;
  PeerProcess &operator=(const PeerProcess &) = delete;
  ~PeerProcess() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  // The next line the peer printed, without its line end; empty after 10 s or at its end.
  QString readLine() {
    while (!process_.canReadLine()) {
      if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(10000))
        return process_.canReadLine() ? readLine() : QString();
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
  }

  std::uint32_t readHandle() { return readLine().toUInt(nullptr, 16); }

  void closeInput() { process_.closeWriteChannel(); }
  void killHard() { ::kill(pid(), SIGKILL); }
  pid_t pid() const { return static_cast<pid_t>(process_.processId()); }

  // The exit code, or -1 when it did not end normally within the time.
  int wait(int ms = 10000) {
    if (!process_.waitForFinished(ms) && process_.state() != QProcess::NotRunning)
      return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  QProcess &process() { return process_; }

private:
  QProcess process_;
};
