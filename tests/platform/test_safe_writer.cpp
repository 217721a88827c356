// The one file writer against every kind of thing that can sit at the output path. Every
// case lives inside its own temporary folder.
#include "SafeWriter.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray readAll(const QByteArray &path) {
  QByteArray out;
  const int fd = ::open(path.constData(), O_RDONLY);
  if (fd < 0)
    return "<missing>";
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
    out.append(buf, n);
  ::close(fd);
  return out;
}

void put(const QByteArray &path, const QByteArray &bytes, mode_t mode) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
  ::close(fd);
  ::chmod(path.constData(), mode);
}

mode_t modeOf(const QByteArray &path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0 ? st.st_mode : 0;
}

int entries(const QByteArray &dir) {
  return int(QDir(QString::fromUtf8(dir))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System)
                 .size());
}

struct Case {
  const char *name;
  // Prepares the folder and returns the path to write.
  std::function<QByteArray(const QByteArray &dir)> setup;
  const char *error; // part of the expected message; nullptr when the write must succeed
  // Checks the folder afterwards.
  std::function<void(const QByteArray &dir)> verify;
  SafeWriter::Links links = SafeWriter::Links::Follow;
};

const QByteArray kNew = "new contents";

const Case kCases[] = {
    {"new file", [](auto &d) { return d + "/a.png"; }, nullptr,
     [](auto &d) {
       EXPECT_EQ(readAll(d + "/a.png"), kNew);
       EXPECT_EQ(entries(d), 1); // no temporary file left
       // As any new file: readable by others unless the user's mask says otherwise.
       const mode_t mask = ::umask(0);
       ::umask(mask);
       EXPECT_EQ(modeOf(d + "/a.png") & 07777, 0666u & ~mask);
     }},
    {"private regular file keeps its bits",
     [](auto &d) {
       put(d + "/a.csv", "old old old old", 0600);
       return d + "/a.csv";
     },
     nullptr,
     [](auto &d) {
       EXPECT_EQ(readAll(d + "/a.csv"), kNew);
       EXPECT_EQ(modeOf(d + "/a.csv") & 07777, 0600u);
     }},
    {"symlink: target replaced, link kept",
     [](auto &d) {
       ::mkdir((d + "/sub").constData(), 0700);
       put(d + "/sub/real", "old", 0640);
       EXPECT_EQ(::symlink("sub/real", (d + "/link").constData()), 0);
       return d + "/link";
     },
     nullptr,
     [](auto &d) {
       EXPECT_TRUE(S_ISLNK(modeOf(d + "/link")));
       EXPECT_EQ(readAll(d + "/sub/real"), kNew);
       EXPECT_EQ(modeOf(d + "/sub/real") & 07777, 0640u);
       EXPECT_EQ(entries(d + "/sub"), 1);
     }},
    {"dangling symlink: target created",
     [](auto &d) {
       EXPECT_EQ(::symlink((d + "/made").constData(), (d + "/link").constData()), 0);
       return d + "/link";
     },
     nullptr,
     [](auto &d) {
       EXPECT_TRUE(S_ISLNK(modeOf(d + "/link")));
       EXPECT_EQ(readAll(d + "/made"), kNew);
     }},
    {"folder refused",
     [](auto &d) {
       ::mkdir((d + "/out.png").constData(), 0700);
       return d + "/out.png";
     },
     "is a folder", [](auto &d) { EXPECT_EQ(entries(d + "/out.png"), 0); }},
    {"socket refused",
     [](auto &d) {
       EXPECT_EQ(::mknod((d + "/s").constData(), S_IFSOCK | 0600, 0), 0);
       return d + "/s";
     },
     "not a regular file", [](auto &d) { EXPECT_TRUE(S_ISSOCK(modeOf(d + "/s"))); }},
    {"FIFO without a reader: an error, no hang",
     [](auto &d) {
       EXPECT_EQ(::mkfifo((d + "/f").constData(), 0600), 0);
       return d + "/f";
     },
     "no process reads", [](auto &d) { EXPECT_TRUE(S_ISFIFO(modeOf(d + "/f"))); }},
    {"missing folder", [](auto &d) { return d + "/no/x.csv"; }, "folder",
     [](auto &d) { EXPECT_EQ(entries(d), 0); }},
    {"planted links at the old temporary names",
     [](auto &d) {
       put(d + "/victim", "precious", 0600);
       // The name the writer once used, and one a guess at a pattern would try.
       for (const QByteArray &name :
            {"fig.png." + QByteArray::number(::getpid()) + ".part", QByteArray(".fig.png.tmp")})
         EXPECT_EQ(::symlink((d + "/victim").constData(), (d + '/' + name).constData()), 0);
       return d + "/fig.png";
     },
     nullptr,
     [](auto &d) {
       EXPECT_EQ(readAll(d + "/victim"), "precious");
       EXPECT_EQ(readAll(d + "/fig.png"), kNew);
       EXPECT_EQ(entries(d), 4);
     }},
    {"250-byte name", [](auto &d) { return d + '/' + QByteArray(246, 'n') + ".png"; }, nullptr,
     [](auto &d) { EXPECT_EQ(readAll(d + '/' + QByteArray(246, 'n') + ".png"), kNew); }},
    {"255-byte name, the limit",
     [](auto &d) {
       put(d + '/' + QByteArray(255, 'm'), "old", 0644);
       return d + '/' + QByteArray(255, 'm');
     },
     nullptr,
     [](auto &d) {
       EXPECT_EQ(readAll(d + '/' + QByteArray(255, 'm')), kNew);
       EXPECT_EQ(entries(d), 1);
     }},
    {"links refused: a new file is still written", [](auto &d) { return d + "/made.itl"; }, nullptr,
     [](auto &d) { EXPECT_EQ(readAll(d + "/made.itl"), kNew); }, SafeWriter::Links::Refuse},
    {"links refused: the link and its target stay",
     [](auto &d) {
       put(d + "/victim", "precious", 0600);
       EXPECT_EQ(::symlink("victim", (d + "/x.itl").constData()), 0);
       return d + "/x.itl";
     },
     "symbolic link",
     [](auto &d) {
       EXPECT_EQ(readAll(d + "/victim"), "precious");
       EXPECT_TRUE(S_ISLNK(modeOf(d + "/x.itl")));
       EXPECT_EQ(entries(d), 2);
     },
     SafeWriter::Links::Refuse},
    {"name bytes that are not UTF-8", [](auto &d) { return d + "/\xff\xfe-\xe9.csv"; }, nullptr,
     [](auto &d) {
       EXPECT_EQ(readAll(d + "/\xff\xfe-\xe9.csv"), kNew);
       ::unlink((d + "/\xff\xfe-\xe9.csv").constData()); // QDir cannot name it to clean up
     }},
};

TEST(SafeWriter, EveryKindOfPath) {
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir tmp;
    const QByteArray dir = QFile::encodeName(tmp.path());
    const QByteArray path = c.setup(dir);
    const QString checked = SafeWriter::check(path, c.links);
    const QString written = SafeWriter::write(path, kNew, c.links);
    if (c.error) {
      EXPECT_TRUE(written.contains(QLatin1String(c.error))) << written.toStdString();
      if (!checked.isEmpty()) { // whether a FIFO has a reader shows only when writing
        EXPECT_EQ(checked, written);
      }
      EXPECT_FALSE(written.contains(u'\n'));
    } else {
      EXPECT_EQ(written, QString());
      EXPECT_EQ(checked, QString());
    }
    c.verify(dir);
  }
}

TEST(SafeWriter, FifoWithAReaderGetsTheBytesAndStaysAFifo) {
  QTemporaryDir tmp;
  const QByteArray fifo = QFile::encodeName(tmp.filePath("f"));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  QByteArray got;
  std::thread reader([&] { got = readAll(fifo); });
  QString written;
  // The reader may not have opened its end yet: retry until it has.
  for (int i = 0; i < 500; ++i) {
    written = SafeWriter::write(fifo, kNew);
    if (!written.contains(QLatin1String("no process reads")))
      break;
    ::usleep(10000);
  }
  if (!written.isEmpty()) { // let the reader go rather than hang
    const int fd = ::open(fifo.constData(), O_WRONLY);
    ::close(fd);
  }
  reader.join();
  EXPECT_EQ(written, QString());
  EXPECT_EQ(got, kNew);
  EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
}

TEST(SafeWriter, DashIsStandardOutput) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const int saved = ::dup(STDOUT_FILENO);
  ::dup2(pipeFds[1], STDOUT_FILENO);
  const QString written = SafeWriter::write("-", kNew);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  ::close(pipeFds[1]);
  EXPECT_EQ(written, QString());
  char buf[64] = {};
  EXPECT_EQ(::read(pipeFds[0], buf, sizeof buf), kNew.size());
  ::close(pipeFds[0]);
  EXPECT_EQ(QByteArray(buf), kNew);
}

// Where the writer stands when a write goes over the file size limit: the signal stops it in
// the middle of its temporary file, and the handler notes that file's name and mode.
int gFolder = -1;
char gTemporary[256];
mode_t gTemporaryMode = 0;

void noteTemporary(int) {
  gTemporary[0] = '\0';
  gTemporaryMode = 0;
  alignas(dirent64) char buf[4096];
  ::lseek(gFolder, 0, SEEK_SET);
  for (ssize_t n; (n = ::getdents64(gFolder, buf, sizeof buf)) > 0;)
    for (ssize_t at = 0; at < n;) {
      const auto *entry = reinterpret_cast<const dirent64 *>(buf + at);
      struct stat st {};
      if (std::strncmp(entry->d_name, ".a.csv.", 7) == 0 &&
          ::fstatat(gFolder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        std::memcpy(gTemporary, entry->d_name,
                    std::min(std::strlen(entry->d_name) + 1, sizeof gTemporary));
        gTemporaryMode = st.st_mode;
      }
      at += entry->d_reclen;
    }
}

// A write that fails part way, as on a full disk, keeps the old file and leaves nothing else.
// Until then the new contents went to a hidden file beside it, named with ten random letters
// (new ones each time) and private, though the old file is not.
TEST(SafeWriter, AFailedWriteKeepsTheOldFile) {
  QTemporaryDir tmp;
  const QByteArray dir = QFile::encodeName(tmp.path());
  const QByteArray path = dir + "/a.csv";
  put(path, "old", 0644);
  gFolder = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(gFolder, 0);
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, noteTemporary);
  struct rlimit small = old;
  small.rlim_cur = 4;
  const QRegularExpression pattern(QStringLiteral("^\\.a\\.csv\\.[A-Za-z0-9]{10}\\.tmp$"));
  std::set<QByteArray> names;
  for (int i = 0; i < 20; ++i) {
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString written = SafeWriter::write(path, kNew);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(written.startsWith(QLatin1String("cannot write"))) << written.toStdString();
    const QByteArray name(gTemporary);
    EXPECT_TRUE(pattern.match(QString::fromLatin1(name)).hasMatch()) << name.toStdString();
    EXPECT_EQ(gTemporaryMode & 07777, 0600u) << name.toStdString();
    names.insert(name);
  }
  ::signal(SIGXFSZ, SIG_DFL);
  ::close(gFolder);
  EXPECT_EQ(names.size(), 20u);
  EXPECT_EQ(readAll(path), "old");
  EXPECT_EQ(entries(dir), 1);
}

// Root's programs keep the owner of a file they replace; any other user's program replaces a
// file it may write (here a third user's, in a shared folder) as its own: it cannot give the
// file away, and must not fail trying.
TEST(SafeWriter, AnotherUsersWritableFileIsReplacedAsTheWritersOwn) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "needs root to run the writer as user nobody";
  QTemporaryDir tmp;
  const QByteArray dir = QFile::encodeName(tmp.path());
  ::chmod(dir.constData(), 0755);
  ASSERT_EQ(::mkdir((dir + "/shared").constData(), 0777), 0);
  ::chmod((dir + "/shared").constData(), 0777);
  const QByteArray path = dir + "/shared/x.csv";
  put(path, "old", 0666);
  ASSERT_EQ(::chown(path.constData(), 4242, 4242), 0);
  QProcess peer;
  peer.start(QStringLiteral("setpriv"),
             {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
              QStringLiteral("--clear-groups"), QStringLiteral("--"), QStringLiteral(PLATFORM_PEER),
              QStringLiteral("write"), QFile::decodeName(path), QStringLiteral("new")});
  ASSERT_TRUE(peer.waitForFinished(30000));
  if (peer.exitCode() != 0 && readAll(path) == "old" &&
      !peer.readAllStandardError().contains("cannot"))
    GTEST_SKIP() << "this machine does not allow switching to user nobody";
  EXPECT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();
  EXPECT_EQ(readAll(path), "new");
  struct stat st {};
  ASSERT_EQ(::stat(path.constData(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(entries(dir + "/shared"), 1);
}

// A program started with standard input closed gets descriptor 0 for the first file it opens.
TEST(SafeWriter, WritesWithStandardInputClosed) {
  QTemporaryDir tmp;
  const QByteArray path = QFile::encodeName(tmp.path()) + "/a.csv";
  const int saved = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  ASSERT_GE(saved, 0);
  ::close(STDIN_FILENO);
  const QString written = SafeWriter::write(path, kNew);
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  EXPECT_EQ(written, QString());
  EXPECT_EQ(readAll(path), kNew);
}

TEST(SafeWriter, ArgumentBytesSurviveTheTextRoundTrip) {
  // The lowest and highest bytes that are not ASCII, alone and among valid UTF-8.
  for (const QByteArray &arg :
       {QByteArray("plain.png"), QByteArray("gr\xc3\xbc\xc3\x9f.svg"), QByteArray("\xff\xfe.csv"),
        QByteArray("mix\xc3\xbc\xe9.pdf"), QByteArray("a\x80.png"), QByteArray("\xff")}) {
    EXPECT_EQ(SafeWriter::pathFromText(SafeWriter::textFromArgument(arg)), arg)
        << arg.toHex().constData();
  }
  EXPECT_EQ(SafeWriter::textFromArgument("gr\xc3\xbc\xc3\x9f"), QStringLiteral("grüß"));
  // A carried byte beside text from elsewhere (a name typed into a dialog): the text is UTF-8.
  EXPECT_EQ(SafeWriter::pathFromText(QStringLiteral("\u00e9/") + QChar(0xDCFF)), "\xc3\xa9/\xff");
}

} // namespace
