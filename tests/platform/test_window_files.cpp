// The message windows' files in the runtime folder: which entries count as windows, and what
// a probe makes of the identity records it meets. Everything lives in a temporary folder.
#include "WindowFiles.h"

#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace platform::winfiles;
using platform::WindowHandle;

void put(const QByteArray &path, const QByteArray &bytes) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
  ::close(fd);
}

// Only "w" and eight lower-case hex digits name a window; its socket, strays and handle 0
// do not.
TEST(WindowFiles, OnlyIdentityRecordsAreListed) {
  QTemporaryDir tmp;
  const QByteArray dir = QFile::encodeName(tmp.path());
  for (const char *name : {"w0000abcd", "w0000abcd.s", "w0000ABCD", "w1234567z", "x00001234",
                           "w000abcd", "w00000000", "w00001234.tmp", "w12345678"})
    put(dir + '/' + name, "");
  std::vector<WindowHandle> handles = listHandles(dir);
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(handles, (std::vector<WindowHandle>{0xabcd, 0x12345678}));
}

// A record counts only while another open file holds its lock, and only when it is whole.
TEST(WindowFiles, ProbeReadsWholeRecordsOnly) {
  const QString longName(5000, QLatin1Char('n')); // more than one read's worth
  const QByteArray good = encodeIdentity(QStringLiteral("Cls"), longName);
  const struct {
    const char *name;
    QByteArray record;
    Liveness expected;
  } cases[] = {
      {"whole, long name", good, Liveness::Live},
      {"trailing byte", good + 'x', Liveness::Dead},
      {"end marker missing", good.chopped(4), Liveness::Dead},
      {"wrong magic", "XPXI" + good.mid(4), Liveness::Dead},
      {"empty", QByteArray(), Liveness::Dead},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir tmp;
    const QByteArray dir = QFile::encodeName(tmp.path());
    put(identityPath(dir, 7), c.record);
    const int holder = ::open(identityPath(dir, 7).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_TRUE(tryLockExclusive(holder));
    QString className = QStringLiteral("before"), windowName = QStringLiteral("before");
    EXPECT_EQ(probe(dir, 7, &className, &windowName, true), c.expected);
    const bool live = c.expected == Liveness::Live;
    EXPECT_EQ(className, live ? QStringLiteral("Cls") : QStringLiteral("before"));
    EXPECT_EQ(windowName, live ? longName : QStringLiteral("before"));
    EXPECT_EQ(::access(identityPath(dir, 7).constData(), F_OK), 0); // a locked file stays
    ::close(holder);
  }
  // A FIFO in a record's place, locked as a record would be: it cannot be read, and the probe
  // says so at once instead of trying again for ever.
  QTemporaryDir tmp;
  const QByteArray fifo = identityPath(QFile::encodeName(tmp.path()), 7);
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  const int holder = ::open(fifo.constData(), O_RDWR | O_CLOEXEC);
  ASSERT_TRUE(tryLockExclusive(holder));
  EXPECT_EQ(probe(QFile::encodeName(tmp.path()), 7, nullptr, nullptr, true), Liveness::Dead);
  ::close(holder);
}

TEST(WindowFiles, ProbeRemovesOnlyUnlockedEntriesWhenAsked) {
  QTemporaryDir tmp;
  const QByteArray dir = QFile::encodeName(tmp.path());
  put(identityPath(dir, 9), encodeIdentity(QStringLiteral("C"), QStringLiteral("W")));
  put(socketPath(dir, 9), "");
  EXPECT_EQ(probe(dir, 9, nullptr, nullptr, false), Liveness::Dead);
  EXPECT_EQ(::access(identityPath(dir, 9).constData(), F_OK), 0);
  EXPECT_EQ(probe(dir, 9, nullptr, nullptr, true), Liveness::Dead);
  EXPECT_NE(::access(identityPath(dir, 9).constData(), F_OK), 0);
  EXPECT_NE(::access(socketPath(dir, 9).constData(), F_OK), 0);
  EXPECT_EQ(probe(dir, 9, nullptr, nullptr, true), Liveness::Missing);
}

} // namespace
