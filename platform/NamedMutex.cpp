#include "NamedMutex.h"

#include "LastError.h"
#include "RuntimeDir.h"

#include <QCryptographicHash>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace platform {

namespace {

struct Entry {
  int fd = -1; // the locked file, -1 for a handle that only saw the mutex
};

std::map<MutexHandle, Entry> &handles() {
  static auto *map = new std::map<MutexHandle, Entry>;
  return *map;
}

MutexHandle g_nextHandle = 0x100;

MutexHandle remember(int fd) {
  MutexHandle handle = g_nextHandle++;
  if (g_nextHandle == 0)
    g_nextHandle = 0x100;
  handles()[handle] = Entry{fd};
  return handle;
}

// "m-" and the name with every byte outside [A-Za-z0-9._-] written as %XX; very long names
// are shortened and made unique by a hash, so any name gives a valid file name.
QByteArray fileName(const QString &name) {
  const QByteArray utf8 = name.toUtf8();
  QByteArray out = "m-";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' ||
        u == '_' || u == '-') {
      out.append(c);
    } else {
      static const char hex[] = "0123456789ABCDEF";
      out.append('%');
      out.append(hex[u >> 4]);
      out.append(hex[u & 15]);
    }
  }
  if (out.size() > 200)
    out = out.left(120) + '~' + QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex();
  return out;
}

QByteArray mutexPath(const QString &name) {
  return QFile::encodeName(runtimeDirectory()) + '/' + fileName(name);
}

flock64 wholeFile(short type) {
  flock64 lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

} // namespace

MutexHandle openMutex(const QString &name) {
  const QByteArray path = mutexPath(name);
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  if (fd < 0) {
    setLastError(errno == ENOENT ? ENOENT : errno);
    return 0;
  }
  // Looking does not take the lock, so it never disturbs someone taking it at this moment.
  flock64 lock = wholeFile(F_WRLCK);
  const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  if (!held) {
    setLastError(ENOENT);
    return 0;
  }
  return remember(-1);
}

MutexHandle createMutex(const QString &name) {
  const QByteArray path = mutexPath(name);
  // The file stays when the mutex is released: removing it would race with a process that
  // has just opened it and is about to lock it.
  const int fd =
      ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (fd < 0) {
    setLastError(errno);
    return 0;
  }
  flock64 lock = wholeFile(F_WRLCK);
  while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno == EINTR)
      continue;
    const int error = errno;
    ::close(fd);
    setLastError(error == EAGAIN || error == EACCES ? EEXIST : error);
    return 0;
  }
  return remember(fd);
}

bool closeMutex(MutexHandle handle) {
  const auto it = handles().find(handle);
  if (it == handles().end()) {
    setLastError(EBADF);
    return false;
  }
  if (it->second.fd >= 0)
    ::close(it->second.fd); // the lock goes with the last descriptor of its open file
  handles().erase(it);
  return true;
}

} // namespace platform
