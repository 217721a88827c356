#include "Shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;

namespace shell {

namespace {

// What the desktop returns: above 32 for success, these numbers for failures.
constexpr int kSuccess = 42;
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kOutOfMemory = 8;
constexpr int kBadFormat = 11;
constexpr int kNoAssociation = 31; // a verb other than "open", or no browser for an address

ExecuteFn &hook() {
  static ExecuteFn fn;
  return fn;
}

int mapSpawnError(int error, const QString &file) {
  switch (error) {
  case ENOENT: {
    // A missing folder on the way is "path not found", a missing file "file not found".
    const QString folder = QFileInfo(file).path();
    if (file.contains(QLatin1Char('/')) && !QFileInfo(folder).isDir())
      return kPathNotFound;
    return kFileNotFound;
  }
  case ENOTDIR:
  case ENAMETOOLONG:
  case ELOOP: return kPathNotFound;
  case EACCES:
  case EPERM:
  case EISDIR:
  case ETXTBSY: return kAccessDenied;
  case ENOMEM:
  case EAGAIN:
  case E2BIG: return kOutOfMemory;
  case ENOEXEC:
  case ELIBBAD: return kBadFormat;
  default: return kFileNotFound;
  }
}

int startProgram(const QString &file, const QString &params) {
  const QByteArray program = QFile::encodeName(file);
  std::vector<QByteArray> args{program};
  for (const QString &a : QProcess::splitCommand(params))
    args.push_back(a.toLocal8Bit());
  std::vector<char *> argv;
  for (QByteArray &a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  // The program starts with default signal handling, whatever this process blocks.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  // A bare name is looked up on PATH, as the desktop does; a path is taken as it is.
  const int rc =
      file.contains(QLatin1Char('/'))
          ? posix_spawn(&pid, program.constData(), nullptr, &attr, argv.data(), environ)
          : posix_spawnp(&pid, program.constData(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0)
    return mapSpawnError(rc, file);
  // The started program lives on its own; someone must collect its end so it leaves no
  // zombie behind.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return kSuccess;
}

} // namespace

int execute(const QString &verb, const QString &file, const QString &params) {
  if (hook())
    return hook()(verb, file, params);
  const QString v = verb.trimmed().toLower();
  if (!v.isEmpty() && v != QLatin1String("open"))
    return kNoAssociation;
  const QString target = file.trimmed();
  const QString lower = target.toLower();
  if (lower.startsWith(QLatin1String("http://")) || lower.startsWith(QLatin1String("https://"))) {
    const QUrl url(target, QUrl::TolerantMode);
    return url.isValid() && QDesktopServices::openUrl(url) ? kSuccess : kNoAssociation;
  }
  if (target.isEmpty())
    return kFileNotFound;
  return startProgram(target, params);
}

void setExecuteHook(ExecuteFn fn) { hook() = std::move(fn); }

} // namespace shell
