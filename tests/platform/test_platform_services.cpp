// The smaller platform services: settings store, local time stamps, process waiting, shell,
// error text.
#include "LastError.h"
#include "LocalTime.h"
#include "ProcessWait.h"
#include "Registry.h"
#include "Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QUrl>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;

// Stands in for the desktop's browser.
class UrlCatcher : public QObject {
  Q_OBJECT
public:
  QList<QUrl> urls;
public slots:
  void open(const QUrl &u) { urls << u; }
};

TEST(Registry, ReadsAndWritesTheSystemScopeIniFile) {
  QTemporaryDir dir;
  const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
  const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_DIRS", saved); });
  qputenv("XDG_CONFIG_DIRS", (dir.path() + ":/etc/xdg").toLocal8Bit());
  const QString path = dir.path() + "/Korvat/marlo.ini";
  EXPECT_EQ(systemSettingsFilePath(), path);
  // Missing file, group or key: empty.
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), QString());

  ASSERT_TRUE(writeSystemString("demon", "ViewerHandle", "12AB"));
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), "12AB");
  EXPECT_EQ(readSystemString("demon", "Other"), QString());
  EXPECT_EQ(readSystemString("other", "ViewerHandle"), QString());
  // What the server writes, QSettings in system scope reads.
  EXPECT_EQ(QSettings(path, QSettings::IniFormat).value("demon/ViewerHandle").toString(), "12AB");

  ASSERT_TRUE(writeSystemString("demon", "ViewerHandle", QString()));
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), QString());

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("[demon]\nViewerHandle=00000000\nList=a, b\n");
  file.close();
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), "00000000");
  EXPECT_THROW(readSystemString("demon", "List"), ERegistryError);

  // A write that fails after the store was found writable says so too: here no byte may be
  // written, in a child process, whose file size limit this process does not share.
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit nothing{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &nothing);
    ::signal(SIGXFSZ, SIG_IGN);
    ::_exit(writeSystemString("demon", "ViewerHandle", "12AB") ? 1 : 0);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), "00000000");

  // A store that cannot be written (its folder would be below a file) says so.
  qputenv("XDG_CONFIG_DIRS", path.toLocal8Bit());
  EXPECT_FALSE(writeSystemString("demon", "ViewerHandle", "12AB"));
  EXPECT_EQ(readSystemString("demon", "ViewerHandle"), QString());
}

TEST(LocalTime, StampsCountMillisecondsAndDaysFromYearOne) {
  const LocalTimeStamp epoch = toLocalTimeStamp(QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
  EXPECT_EQ(epoch.date, 693594);
  EXPECT_EQ(epoch.time, 0);
  EXPECT_EQ(toLocalTimeStamp(QDateTime(QDate(1, 1, 1), QTime(0, 0))).date, 1);
  const QDateTime t(QDate(2026, 12, 8), QTime(23, 59, 59, 999));
  const LocalTimeStamp s = toLocalTimeStamp(t);
  EXPECT_EQ(s.time, 86399999);
  EXPECT_EQ(fromLocalTimeStamp(s), t);
  // Day 1 and both ends of a day are stamps; day 0, a negative time and a full day are not.
  EXPECT_EQ(fromLocalTimeStamp({0, 1}), QDateTime(QDate(1, 1, 1), QTime(0, 0)));
  EXPECT_EQ(fromLocalTimeStamp({86399999, 1}).time(), QTime(23, 59, 59, 999));
  EXPECT_FALSE(fromLocalTimeStamp({86400000, 5}).isValid());
  EXPECT_FALSE(fromLocalTimeStamp({-1, 5}).isValid());
  EXPECT_FALSE(fromLocalTimeStamp({0, 0}).isValid());
  const LocalTimeStamp now = localTimeStampNow();
  EXPECT_EQ(now.date, toLocalTimeStamp(localNow()).date);
}

TEST(ProcessWait, ChildExitCodesAndOtherProcessesEnd) {
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(7);
  const ProcessHandle h = openProcess(child);
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(waitForProcess(h, 5000));
  EXPECT_EQ(exitCode(h), 7);
  EXPECT_EQ(exitCode(h), 7); // kept after reaping
  EXPECT_TRUE(waitForProcess(h, 0)) << "a reaped child has ended";
  EXPECT_TRUE(closeProcess(h));
  EXPECT_EQ(exitCode(h), std::nullopt);
  setLastError(0);
  EXPECT_FALSE(closeProcess(h));
  EXPECT_EQ(lastError(), EBADF);

  const pid_t killed = ::fork();
  if (killed == 0) {
    ::pause();
    ::_exit(0);
  }
  const ProcessHandle k = openProcess(killed);
  EXPECT_FALSE(waitForProcess(k, 20));
  EXPECT_EQ(lastError(), ETIMEDOUT);
  errno = EINTR; // left over from an earlier call
  EXPECT_EQ(exitCode(k), kStillActive);
  ::kill(killed, SIGKILL);
  EXPECT_TRUE(waitForProcess(k));
  EXPECT_EQ(exitCode(k), 128 + SIGKILL);
  closeProcess(k);

  // A process that is not our child: its end is seen, its code is not knowable.
  QProcess shell;
  shell.start("/bin/sh", {"-c", "sleep 0.3 & echo $!"});
  ASSERT_TRUE(shell.waitForFinished(5000));
  const pid_t grandchild = QString::fromLatin1(shell.readAll()).trimmed().toInt();
  const ProcessHandle g = openProcess(grandchild);
  ASSERT_NE(g, 0u);
  EXPECT_EQ(exitCode(g), kStillActive);
  EXPECT_TRUE(waitForProcess(g, 5000));
  EXPECT_EQ(exitCode(g), kExitCodeUnknown);
  closeProcess(g);
  for (const pid_t none : {0, -1}) {
    setLastError(0);
    EXPECT_EQ(openProcess(none), 0u);
    EXPECT_EQ(lastError(), ESRCH);
  }
}

// A signal that interrupts the wait does not end it: the wait goes on to the process's end.
TEST(ProcessWait, SignalsDuringTheWaitAreSurvived) {
  struct sigaction quiet {
  }, old{};
  quiet.sa_handler = [](int) {};
  ::sigaction(SIGUSR1, &quiet, &old);
  const pid_t child = ::fork();
  if (child == 0) {
    ::usleep(300 * 1000);
    ::_exit(3);
  }
  const ProcessHandle h = openProcess(child);
  ASSERT_NE(h, 0u);
  const pthread_t waiter = ::pthread_self();
  std::thread nudge([waiter] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::pthread_kill(waiter, SIGUSR1);
  });
  EXPECT_TRUE(waitForProcess(h, 5000));
  nudge.join();
  EXPECT_EQ(exitCode(h), 3);
  closeProcess(h);
  ::sigaction(SIGUSR1, &old, nullptr);
}

// The text a started program wrote to `path`, once it is there and complete.
QByteArray writtenBy(const QString &path) {
  static_cast<void>(QTest::qWaitFor([&] { return QFile::exists(path); }, 5000)); // read below
  QTest::qWait(50);
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("(not written)");
}

TEST(Shell, StartsProgramsWithoutAShellAndMapsFailures) {
  QTemporaryDir dir;
  const QString out = dir.path() + "/out";
  // The parameters are split like a command line, quotes keep "a b" together, and no shell
  // interprets them ($# would be 3 with a shell splitting a b).
  const int ok = shell::execute("open", "/bin/sh",
                                QStringLiteral("-c \"echo $# $1 > '%1'\" zero \"a b\" c").arg(out));
  EXPECT_GT(ok, 32);
  EXPECT_EQ(writtenBy(out), "2 a b");
  // Found on PATH. Its end is collected by a thread of ours, which is gone once it ends.
  const auto threads = [] {
    return QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
  };
  // This process's children, ended ones (zombies) included.
  const auto children = [] {
    int n = 0;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
      if (!stat.open(QIODevice::ReadOnly))
        continue;
      const QByteArray line = stat.readAll(); // "pid (name) state ppid ..."
      const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
      n += rest.size() > 1 && rest[1].toLongLong() == ::getpid();
    }
    return n;
  };
  const qsizetype before = threads();
  EXPECT_GT(shell::execute("", "true", ""), 32);
  static_cast<void>(QTest::qWaitFor([&] { return threads() <= before; }, 5000));
  EXPECT_EQ(threads(), before);
  // And once it has ended nothing of it is left, not even a zombie.
  EXPECT_TRUE(QTest::qWaitFor([&] { return children() == 0; }, 5000));

  const QString text = dir.path() + "/text";
  QFile t(text);
  ASSERT_TRUE(t.open(QIODevice::WriteOnly));
  t.write("\x01\x02\x03garbage");
  t.close();
  t.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // The desktop's numbers: 2 file not found, 3 path not found, 5 access denied, 8 out of
  // memory, 11 bad format, 31 no association.
  const struct {
    const char *verb;
    QString file, params;
    int code;
  } failures[] = {
      {"", dir.path() + "/missing", "", 2},
      {"", "no-such-program-anywhere-xyz", "", 2},
      {"", dir.path() + "/no/such/folder/prog", "", 3},
      {"", text + "/prog", "", 3},                             // a file on the way
      {"", dir.path(), "", 5},                                 // a folder; refused to root as well
      {"", "/bin/true", QString(200000, QLatin1Char('x')), 8}, // one argument beyond the limit
      {"", text, "", 11},
      {"print", "/bin/true", "", 31},
      {"", "  ", "", 2},
  };
  for (const auto &f : failures)
    EXPECT_EQ(shell::execute(f.verb, f.file, f.params), f.code) << f.file.left(80).toStdString();
  if (::geteuid() != 0) { // root may execute files without an execute bit
    t.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(shell::execute("", text, ""), 5);
  }
}

// A started program begins with default signal handling, whatever this process ignores or
// blocks: a pipeline it runs must end when its reader goes.
TEST(Shell, StartedProgramsBlockAndIgnoreNothing) {
  QTemporaryDir dir;
  const QString out = dir.path() + "/status";
  struct sigaction ignore {
  }, oldPipe{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &oldPipe);
  sigset_t usr1, oldMask;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  ::pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);
  // cp reads its own status.
  const int rc = shell::execute("", "cp", QStringLiteral("/proc/self/status \"%1\"").arg(out));
  ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  ::sigaction(SIGPIPE, &oldPipe, nullptr);
  ASSERT_GT(rc, 32);
  const QByteArray status = writtenBy(out);
  const auto mask = [&](const char *name) {
    const QByteArray key = QByteArray(name) + ':';
    bool ok = false;
    qulonglong bits = 0;
    for (const QByteArray &line : status.split('\n'))
      if (line.startsWith(key))
        bits = line.mid(key.size()).trimmed().toULongLong(&ok, 16);
    EXPECT_TRUE(ok) << name;
    return bits;
  };
  EXPECT_EQ(mask("SigBlk"), 0u);
  EXPECT_EQ(mask("SigIgn") & (1ull << (SIGPIPE - 1)), 0u);
}

TEST(Shell, DesktopAddressesAndTheHook) {
  QTemporaryDir dir;
  // Web addresses go to the desktop, whatever their case.
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  QDesktopServices::setUrlHandler("http", &catcher, "open");
  EXPECT_GT(shell::execute("open", "HTTPS://example.org/x?a=1", ""), 32);
  EXPECT_GT(shell::execute("", "http://example.org/", "ignored"), 32);
  QDesktopServices::unsetUrlHandler("https");
  QDesktopServices::unsetUrlHandler("http");
  ASSERT_EQ(catcher.urls.size(), 2);
  EXPECT_EQ(catcher.urls[0].host(), "example.org");

  // The hook replaces everything, and an empty one restores the real shell.
  int calls = 0;
  shell::setExecuteHook([&](const QString &, const QString &file, const QString &) {
    ++calls;
    return file == "x" ? 42 : 2;
  });
  EXPECT_EQ(shell::execute("", "x", ""), 42);
  EXPECT_EQ(shell::execute("", "https://example.org", ""), 2);
  shell::setExecuteHook({});
  EXPECT_EQ(shell::execute("", dir.path() + "/missing", ""), 2);
  EXPECT_EQ(calls, 2);
}

TEST(LastError, SystemTextForErrorNumbers) {
  setLastError(ENOENT);
  EXPECT_EQ(lastError(), ENOENT);
  EXPECT_FALSE(lastErrorText().isEmpty());
  // The text belongs to the number asked for, not to whatever errno holds.
  const QString noFile = errorText(ENOENT);
  errno = EACCES;
  EXPECT_EQ(errorText(ENOENT), noFile);
  EXPECT_NE(noFile, errorText(EACCES));
  EXPECT_NE(noFile, errorText(EEXIST));
  EXPECT_FALSE(errorText(EEXIST).isEmpty());
  EXPECT_FALSE(errorText(EPERM).isEmpty()); // 1, the smallest number with a text
  EXPECT_TRUE(errorText(0).isEmpty());
  EXPECT_TRUE(errorText(99999).isEmpty());
  // Each thread has its own last error, and a new one starts without any.
  setLastError(EEXIST);
  int seenInThread = -1;
  std::thread([&] { seenInThread = lastError(); }).join();
  EXPECT_EQ(seenInThread, 0);
  EXPECT_EQ(lastError(), EEXIST);
  setLastError(0);
}

#include "test_platform_services.moc"
