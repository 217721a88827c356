// The single-instance rule with the real program: a second start ends at once with exit
// code 0, two starts at the same moment leave exactly one running, and a killed first
// instance leaves nothing behind that blocks the next start.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <signal.h>

namespace {

struct SingleInstance : ::testing::Test {
  QTemporaryDir runtime; // private to this test: the lock and windows live here

  std::unique_ptr<QProcess> start() {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(DIPOLIX_EXE), QStringList{});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
  }
  // True when the program is still running after the given time (it waits in its About box).
  static bool keepsRunning(QProcess &p, int ms) { return !p.waitForFinished(ms); }
  static void stop(QProcess &p) {
    p.kill();
    p.waitForFinished(10000);
  }
};

TEST_F(SingleInstance, SecondStartEndsAtOnceWithZero) {
  auto first = start();
  ASSERT_TRUE(keepsRunning(*first, 1500));
  auto second = start();
  ASSERT_TRUE(second->waitForFinished(10000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_TRUE(keepsRunning(*first, 100));
  stop(*first);
}

TEST_F(SingleInstance, HeadlessRunsBesideARunningInstance) {
  auto first = start();
  ASSERT_TRUE(keepsRunning(*first, 1500));
  QProcess headless;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  headless.setProcessEnvironment(env);
  const QString csv = runtime.filePath(QStringLiteral("p.csv"));
  headless.start(QStringLiteral(DIPOLIX_EXE), {QStringLiteral("--export-csv"), csv});
  ASSERT_TRUE(headless.waitForFinished(10000));
  EXPECT_EQ(headless.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(csv));
  EXPECT_TRUE(keepsRunning(*first, 100));
  stop(*first);
}

TEST_F(SingleInstance, TwoStartsAtOnceLeaveExactlyOne) {
  constexpr int kTrials = 50;
  int exactlyOne = 0;
  for (int trial = 0; trial < kTrials; ++trial) {
    auto a = start();
    auto b = start();
    // Whichever lost the race ends with 0; the winner stays in its About box.
    QDeadlineTimer deadline(15000);
    while (a->state() != QProcess::NotRunning && b->state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
      a->waitForFinished(20);
      b->waitForFinished(20);
    }
    QProcess &ended = a->state() == QProcess::NotRunning ? *a : *b;
    QProcess &other = &ended == a.get() ? *b : *a;
    const bool ok = ended.state() == QProcess::NotRunning && ended.exitCode() == 0 &&
                    ended.exitStatus() == QProcess::NormalExit && keepsRunning(other, 300);
    exactlyOne += ok;
    stop(*a);
    stop(*b);
  }
  EXPECT_EQ(exactlyOne, kTrials);
}

TEST_F(SingleInstance, KilledFirstInstanceDoesNotBlockTheNext) {
  auto first = start();
  ASSERT_TRUE(keepsRunning(*first, 1500));
  ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
  first->waitForFinished(10000);
  auto next = start();
  EXPECT_TRUE(keepsRunning(*next, 1500));
  // And that one is now the instance a further start defers to.
  auto third = start();
  ASSERT_TRUE(third->waitForFinished(10000));
  EXPECT_EQ(third->exitCode(), 0);
  stop(*next);
}

} // namespace
