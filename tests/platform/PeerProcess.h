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
    m_process.setProgram(QStringLiteral(PLATFORM_PEER));
    m_process.setArguments(args);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    m_process.waitForStarted(5000);
  }
  PeerProcess(const PeerProcess &) = delete;
  PeerProcess &operator=(const PeerProcess &) = delete;
  ~PeerProcess() {
    if (m_process.state() != QProcess::NotRunning) {
      m_process.kill();
      m_process.waitForFinished(5000);
    }
  }

  // The next line the peer printed, without its line end; empty after 10 s or at its end.
  QString readLine() {
    while (!m_process.canReadLine()) {
      if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(10000))
        return m_process.canReadLine() ? readLine() : QString();
    }
    return QString::fromLocal8Bit(m_process.readLine()).trimmed();
  }

  std::uint32_t readHandle() { return readLine().toUInt(nullptr, 16); }

  void closeInput() { m_process.closeWriteChannel(); }
  void killHard() { ::kill(pid(), SIGKILL); }
  pid_t pid() const { return static_cast<pid_t>(m_process.processId()); }

  // The exit code, or -1 when it did not end normally within the time.
  int wait(int ms = 10000) {
    if (!m_process.waitForFinished(ms) && m_process.state() != QProcess::NotRunning)
      return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
  }
  QProcess &process() { return m_process; }

private:
  QProcess m_process;
};
