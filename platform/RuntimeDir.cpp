#include "RuntimeDir.h"

#include "LastError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {
// The longest name a window socket gets inside the folder: "/w" + 8 hex digits + ".s".
constexpr int kSocketNameLength = 12;

bool fits(const QString &path) {
  return QFile::encodeName(path).size() <= maxRuntimeDirectoryLength();
}

// An existing folder of `uid` that nobody else may add to, rename in or remove from.
bool isOwnFolder(const QString &path, uid_t uid) {
  struct stat info {};
  return !path.isEmpty() && QDir::isAbsolutePath(path) &&
         ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == uid && (info.st_mode & 022) == 0;
}

QString cacheFolder(const RuntimePlaces &p) {
  QString host = p.hostName;
  host.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
  return p.cacheDir + QStringLiteral("/dipolix-") + host.left(64);
}

// Whether the cache folder is ours, or missing inside a folder of ours.
bool cacheUsable(const RuntimePlaces &p) {
  if (p.cacheDir.isEmpty() || !QDir::isAbsolutePath(p.cacheDir) || !fits(cacheFolder(p)))
    return false;
  if (QFileInfo::exists(p.cacheDir))
    return isOwnFolder(p.cacheDir, p.uid);
  return isOwnFolder(QFileInfo(p.cacheDir).absolutePath(), p.uid);
}

ERuntimeDirError failure(const QString &what, const QString &path, int error) {
  setLastError(error);
  return ERuntimeDirError(
      QStringLiteral("Cannot %1 the runtime folder \"%2\": %3").arg(what, path, errorText(error)));
}

void makeFolder(const QByteArray &native, const QString &path) {
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
    throw failure(QStringLiteral("create"), path, errno);
}

} // namespace

int maxRuntimeDirectoryLength() noexcept {
  // sun_path must hold the folder, the socket's own name and the terminating zero.
  return static_cast<int>(sizeof(sockaddr_un{}.sun_path)) - 1 - kSocketNameLength;
}

RuntimePlaces runtimePlaces() {
  RuntimePlaces p;
  p.uid = ::geteuid();
  p.xdgRuntimeDir = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
  p.runUserDir = QStringLiteral("/run/user/%1").arg(p.uid);
  p.cacheDir = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
  if (!QDir::isAbsolutePath(p.cacheDir)) {
    QString home = QFile::decodeName(qgetenv("HOME"));
    if (home.isEmpty())
      if (const passwd *pw = ::getpwuid(p.uid))
        home = QFile::decodeName(pw->pw_dir);
    p.cacheDir = QDir::isAbsolutePath(home) ? home + QStringLiteral("/.cache") : QString();
  }
  p.tmpDir = QStringLiteral("/tmp");
  p.hostName = QSysInfo::machineHostName();
  return p;
}

QString runtimeDirectoryPath(const RuntimePlaces &p) {
  // A folder of another user (kept in the environment across a change of user), a missing
  // or an open one is not ours to create things in.
  for (const QString &base : {p.xdgRuntimeDir, p.runUserDir}) {
    const QString path = base + QStringLiteral("/dipolix");
    if (isOwnFolder(base, p.uid) && fits(path))
      return path;
  }
  // Below a folder of ours no other user can take the name first; /tmp is open to everyone.
  if (cacheUsable(p))
    return cacheFolder(p);
  return p.tmpDir + QStringLiteral("/dipolix-%1").arg(p.uid);
}

QString runtimeDirectoryPath() { return runtimeDirectoryPath(runtimePlaces()); }

QString runtimeDirectory(const RuntimePlaces &places) {
  const QString path = runtimeDirectoryPath(places);
  const QByteArray native = QFile::encodeName(path);
  if (native.size() > maxRuntimeDirectoryLength())
    throw ERuntimeDirError(
        QStringLiteral("The runtime folder \"%1\" has a path of %2 bytes, too long to name a "
                       "socket in it (at most %3 bytes); set XDG_RUNTIME_DIR to a shorter path")
            .arg(path)
            .arg(native.size())
            .arg(maxRuntimeDirectoryLength()));
  if (cacheUsable(places) && path == cacheFolder(places))
    makeFolder(QFile::encodeName(places.cacheDir), places.cacheDir);
  makeFolder(native, path);
  struct stat info {};
  if (::lstat(native.constData(), &info) != 0)
    throw failure(QStringLiteral("examine"), path, errno);
  // Anyone who could write here could pose as our windows or read what is sent to them.
  if (!S_ISDIR(info.st_mode) || info.st_uid != places.uid || (info.st_mode & 077) != 0) {
    setLastError(EACCES);
    throw ERuntimeDirError(
        QStringLiteral("The runtime folder \"%1\" is not private: it must be a directory owned "
                       "by user %2 with mode 0700")
            .arg(path)
            .arg(places.uid));
  }
  return path;
}

QString runtimeDirectory() { return runtimeDirectory(runtimePlaces()); }

} // namespace platform
