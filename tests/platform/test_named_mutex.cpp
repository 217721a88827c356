// Named mutexes across real processes: exclusive, freed by the system when the holder dies,
// not passed on to programs the holder starts, one winner when two take it at once.
#include "LastError.h"
#include "NamedMutex.h"
#include "PeerProcess.h"
#include "RuntimeEnvironment.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <thread>

using namespace platform;

namespace {

const auto *g_env = ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

// Polls until the mutex can be taken; returns the handle (0 when it never could) and the
// time it took.
MutexHandle takeWithin(const QString &name, int ms, qint64 *took) {
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    if (const MutexHandle m = createMutex(name)) {
      *took = timer.elapsed();
      return m;
    }
    if (timer.elapsed() > ms)
      return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

} // namespace

TEST(NamedMutex, ExclusiveWithinAndAcrossProcesses) {
  const QString name = QStringLiteral("QL_program.exe");
  EXPECT_EQ(openMutex(name), 0u);
  EXPECT_EQ(lastError(), ENOENT);
  const MutexHandle mine = createMutex(name);
  ASSERT_NE(mine, 0u);
  EXPECT_EQ(createMutex(name), 0u); // not a second handle to the same mutex
  EXPECT_EQ(lastError(), EEXIST);
  const MutexHandle seen = openMutex(name);
  EXPECT_NE(seen, 0u);
  EXPECT_TRUE(closeMutex(seen));
  {
    PeerProcess other({"mutex", name});
    EXPECT_EQ(other.readLine(), "BUSY");
    EXPECT_EQ(other.wait(), 1);
  }
  EXPECT_TRUE(closeMutex(mine));
  EXPECT_FALSE(closeMutex(mine));
  EXPECT_EQ(openMutex(name), 0u);

  PeerProcess holder({"mutex", name});
  ASSERT_EQ(holder.readLine(), "LOCKED");
  EXPECT_EQ(createMutex(name), 0u);
  const MutexHandle h = openMutex(name);
  EXPECT_NE(h, 0u);
  closeMutex(h);
  // Names are exact: another case is another mutex, odd characters are fine.
  const MutexHandle other = createMutex(QStringLiteral("ql_PROGRAM.exe"));
  EXPECT_NE(other, 0u);
  closeMutex(other);
  const MutexHandle odd = createMutex(QStringLiteral("QL_a/b\\c:d é ") + QString(300, 'x'));
  EXPECT_NE(odd, 0u);
  closeMutex(odd);
  holder.closeInput();
  EXPECT_EQ(holder.wait(), 0);
}

TEST(NamedMutex, FreedSoonAfterTheHolderIsKilled) {
  const QString name = QStringLiteral("QL_killed.exe");
  PeerProcess holder({"mutex", name});
  ASSERT_EQ(holder.readLine(), "LOCKED");
  EXPECT_EQ(createMutex(name), 0u);
  holder.killHard();
  holder.wait();
  qint64 took = -1;
  const MutexHandle m = takeWithin(name, 100, &took);
  EXPECT_NE(m, 0u) << "still held 100 ms after the holder's end";
  std::printf("mutex free %lld ms after the holder was reaped\n", static_cast<long long>(took));
  closeMutex(m);
}

TEST(NamedMutex, NotInheritedByProgramsTheHolderStarts) {
  const QString name = QStringLiteral("QL_parent.exe");
  PeerProcess holder({"mutex-spawn", name});
  const pid_t child = holder.readLine().toInt();
  ASSERT_GT(child, 0);
  EXPECT_EQ(createMutex(name), 0u);
  holder.killHard();
  holder.wait();
  qint64 took = -1;
  const MutexHandle m = takeWithin(name, 100, &took);
  EXPECT_EQ(::kill(child, 0), 0) << "the started program should still run";
  EXPECT_NE(m, 0u) << "the started program kept the mutex";
  closeMutex(m);
  ::kill(child, SIGKILL);
}

TEST(NamedMutex, TwoTakersAtTheSameMomentGiveOneWinner) {
  int oneWinner = 0;
  const int trials = 50;
  for (int i = 0; i < trials; ++i) {
    const QString name = QStringLiteral("QL_race%1.exe").arg(i);
    PeerProcess a({"mutex", name});
    PeerProcess b({"mutex", name});
    const QString ra = a.readLine();
    const QString rb = b.readLine();
    oneWinner += (ra == "LOCKED") + (rb == "LOCKED") == 1 ? 1 : 0;
    a.closeInput();
    b.closeInput();
    a.wait();
    b.wait();
  }
  EXPECT_EQ(oneWinner, trials);
  std::printf("mutex race: exactly one winner in %d of %d trials\n", oneWinner, trials);
}
