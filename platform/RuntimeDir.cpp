#include "RuntimeDir.h"

#include "LastError.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {
// The longest name a window socket gets inside the folder: "/w" + 8 hex digits + ".s".
constexpr int kSocketNameLength = 12;
} // namespace

int maxRuntimeDirectoryLength() noexcept {
  // sun_path must hold the folder, the socket's own name and the terminating zero.
  return static_cast<int>(sizeof(sockaddr_un{}.sun_path)) - 1 - kSocketNameLength;
}

QString runtimeDirectoryPath() {
  const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
  // A folder of another user (kept in the environment across a change of user) is not ours
  // to create things in; the fallback keeps that user's own runs working.
  struct stat info {};
  if (!xdg.isEmpty() && (::stat(xdg.constData(), &info) != 0 || info.st_uid == ::geteuid()))
    return QFile::decodeName(xdg) + QStringLiteral("/dipolix");
  return QStringLiteral("/tmp/dipolix-%1").arg(geteuid());
}

QString runtimeDirectory() {
  const QString path = runtimeDirectoryPath();
  const QByteArray native = QFile::encodeName(path);
  if (native.size() > maxRuntimeDirectoryLength())
    throw ERuntimeDirError(
        QStringLiteral("The runtime folder \"%1\" has a path of %2 bytes, too long to name a "
                       "socket in it (at most %3 bytes); set XDG_RUNTIME_DIR to a shorter path")
            .arg(path)
            .arg(native.size())
            .arg(maxRuntimeDirectoryLength()));
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
    const int error = errno;
    setLastError(error);
    throw ERuntimeDirError(
        QStringLiteral("Cannot create the runtime folder \"%1\": %2").arg(path, errorText(error)));
  }
  struct stat info {};
  if (::lstat(native.constData(), &info) != 0) {
    const int error = errno;
    setLastError(error);
    throw ERuntimeDirError(
        QStringLiteral("Cannot examine the runtime folder \"%1\": %2").arg(path, errorText(error)));
  }
  // Anyone who could write here could pose as our windows or read what is sent to them.
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
    setLastError(EACCES);
    throw ERuntimeDirError(
        QStringLiteral("The runtime folder \"%1\" is not private: it must be a directory owned "
                       "by user %2 with mode 0700")
            .arg(path)
            .arg(geteuid()));
  }
  return path;
}

} // namespace platform
