#include "SafeWriter.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Kind { Stdout, Create, Replace, Stream, Refused };

struct Plan {
  Kind kind = Kind::Refused;
  QByteArray target;        // the path finally written (a link's target)
  struct stat old {};       // the file replaced (Replace only)
  bool viaProcLink = false; // reached through a /proc link (e.g. /dev/stdout): never replace
  bool noFollow = false;    // a link at the path is refused, never followed
  QString reason;
};

QString shown(const QByteArray &path) { return SafeWriter::textFromArgument(path); }

QString failure(const QByteArray &path, const QString &why) {
  return QStringLiteral("cannot write \"%1\": %2").arg(shown(path), why);
}

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray folderOf(const QByteArray &path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0)
    return QByteArrayLiteral(".");
  return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path) { return path.mid(path.lastIndexOf('/') + 1); }

// Follows a chain of symbolic links by hand, so that a dangling link still names the file
// to create. A hop into /proc (the /dev/stdout family) is not a real path: stop there.
bool followLinks(QByteArray &path, bool &viaProc, QString &reason) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
      return true;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.constData(), buf, sizeof buf);
    if (n < 0 || n >= static_cast<ssize_t>(sizeof buf)) {
      reason = errnoText(n < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    const QByteArray link(buf, n);
    path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    if (path.startsWith("/proc/")) {
      viaProc = true;
      return true;
    }
  }
  reason = errnoText(ELOOP);
  return false;
}

long nameMaxOf(const QByteArray &folder) {
  const long n = ::pathconf(folder.constData(), _PC_NAME_MAX);
  return n > 0 ? n : NAME_MAX;
}

void planNew(Plan &plan) {
  const QByteArray folder = folderOf(plan.target);
  struct stat st {};
  if (::stat(folder.constData(), &st) != 0)
    plan.reason = QStringLiteral("folder: ") + errnoText(errno);
  else if (!S_ISDIR(st.st_mode))
    plan.reason = QStringLiteral("folder: ") + errnoText(ENOTDIR);
  else if (::access(folder.constData(), W_OK | X_OK) != 0)
    plan.reason = QStringLiteral("folder: ") + errnoText(errno);
  else if (nameOf(plan.target).size() > nameMaxOf(folder))
    plan.reason = errnoText(ENAMETOOLONG);
  else
    plan.kind = Kind::Create;
}

// A link at the path is refused; the rename that replaces a file never follows one either,
// so a link planted after this check is replaced, not written through.
bool refuseLink(const QByteArray &path, QString &reason) {
  struct stat st {};
  if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
    reason = QStringLiteral("is a symbolic link; not written");
    return false;
  }
  return true;
}

Plan planFor(const QByteArray &path, SafeWriter::Links links) {
  Plan plan;
  if (path == "-") {
    plan.kind = Kind::Stdout;
    return plan;
  }
  if (path.isEmpty() || path.contains('\0')) {
    plan.reason = QStringLiteral("not a usable file name");
    return plan;
  }
  plan.target = path;
  plan.noFollow = links == SafeWriter::Links::Refuse;
  if (plan.noFollow ? !refuseLink(path, plan.reason)
                    : !followLinks(plan.target, plan.viaProcLink, plan.reason))
    return plan;
  const QByteArray &probe = plan.viaProcLink ? path : plan.target;
  struct stat st {};
  if (::stat(probe.constData(), &st) != 0) {
    if (errno == ENOENT && !plan.viaProcLink)
      planNew(plan);
    else
      plan.reason = errnoText(errno);
    return plan;
  }
  if (S_ISDIR(st.st_mode)) {
    plan.reason = QStringLiteral("is a folder");
  } else if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) ||
             (plan.viaProcLink && S_ISREG(st.st_mode))) {
    plan.kind = Kind::Stream;
    plan.target = probe;
  } else if (S_ISREG(st.st_mode)) {
    planNew(plan); // the folder must take the temporary file
    if (plan.kind == Kind::Create)
      plan.kind = Kind::Replace;
    plan.old = st;
  } else {
    plan.reason = QStringLiteral("not a regular file, FIFO or character device");
  }
  return plan;
}

int writeAll(int fd, QByteArrayView bytes) {
  const char *p = bytes.data();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    p += n;
    left -= n;
  }
  return 0;
}

// A reader that goes away must give an error, not end the program.
int writeAllNoSigpipe(int fd, QByteArrayView bytes) {
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  const int err = writeAll(fd, bytes);
  ::sigaction(SIGPIPE, &old, nullptr);
  return err;
}

QString writeStream(const Plan &plan, QByteArrayView bytes) {
  // Non-blocking open: a FIFO nobody reads would otherwise hang the program.
  int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;
  if (plan.viaProcLink)
    flags |= O_APPEND; // a redirected standard output: go on where the shell put it
  if (plan.noFollow)
    flags |= O_NOFOLLOW;
  const int fd = ::open(plan.target.constData(), flags);
  if (fd < 0)
    return errno == ENXIO ? QStringLiteral("no process reads from it") : errnoText(errno);
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0)
    err = errno;
  else if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode) && !plan.viaProcLink)
    err = EINVAL; // replaced under our feet: do not write into whatever it is now
  else if (::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    err = errno;
  if (err == 0)
    err = writeAllNoSigpipe(fd, bytes);
  if (::close(fd) != 0 && err == 0)
    err = errno;
  return err == 0 ? QString() : errnoText(err);
}

// ".<name>.<10 random letters>.tmp", the name shortened so the whole fits the folder.
QByteArray temporaryName(const QByteArray &target) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const QByteArray folder = folderOf(target);
  const long nameMax = nameMaxOf(folder);
  QByteArray suffix(".", 1);
  for (int i = 0; i < 10; ++i)
    suffix += kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)];
  suffix += ".tmp";
  const QByteArray name = nameOf(target).left(nameMax - 1 - suffix.size());
  return folder + "/." + name + suffix;
}

int createTemporary(const Plan &plan, QByteArray &temp) {
  // Replacing: private until complete, the old bits are set before the rename.
  const mode_t mode = plan.kind == Kind::Replace ? 0600 : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = temporaryName(plan.target);
    const int fd =
        ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST)
      return fd;
  }
  return -1;
}

int keepAttributes(int fd, const struct stat &old) {
  // Root writing over someone's file leaves it theirs; otherwise the owner is us anyway.
  if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
      return errno;
  // Not set-user/group-ID: a rewritten file is no longer what was trusted with those.
  return ::fchmod(fd, old.st_mode & 01777) == 0 ? 0 : errno;
}

QString replaceFile(const Plan &plan, QByteArrayView bytes) {
  QByteArray temp;
  const int fd = createTemporary(plan, temp);
  if (fd < 0)
    return errnoText(errno);
  int err = writeAll(fd, bytes);
  if (err == 0 && plan.kind == Kind::Replace)
    err = keepAttributes(fd, plan.old);
  if (::close(fd) != 0 && err == 0)
    err = errno; // a delayed write error (full disk, quota) shows here
  if (err == 0 && ::rename(temp.constData(), plan.target.constData()) != 0)
    err = errno;
  if (err != 0)
    ::unlink(temp.constData());
  return err == 0 ? QString() : errnoText(err);
}

} // namespace

QString SafeWriter::check(const QByteArray &path, Links links) {
  const Plan plan = planFor(path, links);
  return plan.kind == Kind::Refused ? failure(path, plan.reason) : QString();
}

QString SafeWriter::write(const QByteArray &path, QByteArrayView bytes, Links links) {
  const Plan plan = planFor(path, links);
  QString why;
  switch (plan.kind) {
  case Kind::Refused: why = plan.reason; break;
  case Kind::Stdout: {
    const int err = writeAllNoSigpipe(STDOUT_FILENO, bytes);
    why = err == 0 ? QString() : errnoText(err);
    break;
  }
  case Kind::Stream: why = writeStream(plan, bytes); break;
  case Kind::Create:
  case Kind::Replace: why = replaceFile(plan, bytes); break;
  }
  return why.isEmpty() ? QString() : failure(path, why);
}

QString SafeWriter::textFromArgument(const QByteArray &argument) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(argument);
  if (!utf8.hasError())
    return text;
  text.clear();
  for (const char c : argument) {
    const auto b = static_cast<unsigned char>(c);
    text += b < 0x80 ? QChar(b) : QChar(char16_t(0xDC00 + b));
  }
  return text;
}

QByteArray SafeWriter::pathFromText(const QString &text) {
  bool carried = false;
  for (const QChar c : text)
    carried = carried || (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF);
  if (!carried)
    return text.toUtf8();
  QByteArray bytes;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0xDC80 && u <= 0xDCFF)
      bytes += static_cast<char>(u - 0xDC00);
    else
      bytes += QString(c).toUtf8();
  }
  return bytes;
}
