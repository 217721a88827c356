// Named mutexes across real processes: exclusive, freed by the system when the holder dies,
// not passed on to programs the holder starts, one winner when two take it at once.
#include "LastError.h"
#include "NamedMutex.h"
#include "PeerProcess.h"
#include "RuntimeEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <utility>

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
  EXPECT_EQ(lastError(), EBADF);
  EXPECT_EQ(openMutex(name), 0u); // its file stays, but nobody holds it
  EXPECT_EQ(lastError(), ENOENT);

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

// Different names are different mutexes, however their odd characters are written in a file
// name; and what stands for a mutex is private to its user.
TEST(NamedMutex, DifferentNamesNeverShareALock) {
  const std::pair<const char *, const char *> pairs[] = {
      {"QL_x*", "QL_x:"},     // escaped bytes differing only in their high half's top bit
      {"QL_x Z", "QL_x%20Z"}, // an escape and the text it would be written as
      {"QL_x Z", "QL_x20Z"},  // an escape and its digits without the escape mark
      {"QL_a\xc3\xa9", "QL_a\xc3\xa8"},
  };
  for (const auto &[a, b] : pairs) {
    SCOPED_TRACE(a);
    const MutexHandle first = createMutex(QString::fromUtf8(a));
    ASSERT_NE(first, 0u);
    const MutexHandle second = createMutex(QString::fromUtf8(b));
    EXPECT_NE(second, 0u);
    closeMutex(second);
    closeMutex(first);
  }
  const MutexHandle m = createMutex(QStringLiteral("QL_mode"));
  ASSERT_NE(m, 0u);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(RuntimeEnvironment::runtimePath() + "/m-QL_mode").constData(),
                   &info),
            0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  closeMutex(m);
  // A program started with standard input closed gets descriptor 0 for the mutex's file.
  const int saved = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  ASSERT_GE(saved, 0);
  ::close(STDIN_FILENO);
  const MutexHandle onZero = createMutex(QStringLiteral("QL_stdin"));
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  EXPECT_NE(onZero, 0u);
  closeMutex(onZero);
  // A name that cannot be a file there (a folder stands in its place) fails with the reason.
  ASSERT_TRUE(QDir(RuntimeEnvironment::runtimePath()).mkpath(QStringLiteral("m-QL_folder")));
  EXPECT_EQ(createMutex(QStringLiteral("QL_folder")), 0u);
  EXPECT_EQ(lastError(), EISDIR);
}
