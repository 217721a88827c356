#pragma once
// The files of the message windows in the runtime folder (internal).
//
// Window h owns two entries there:
//   w<8 hex digits>    its identity record (class name, window name); the owning process
//                      holds an exclusive open-file-description lock on it for the window's
//                      whole life, so the system drops the lock when the process ends
//   w<8 hex digits>.s  its listening socket
// A window is live exactly while its identity file is locked and holds a complete record
// (written last, after the socket listens). Entries of dead windows are harmless: they are
// never found, their handle can be taken again, and whoever meets them removes them.

#include "MessageWindow.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform::winfiles {

QByteArray identityPath(const QByteArray &dir, WindowHandle handle);
QByteArray socketPath(const QByteArray &dir, WindowHandle handle);

// Open-file-description locks over the whole file.
bool tryLockExclusive(int fd);
bool isLockedElsewhere(int fd);

QByteArray encodeIdentity(const QString &className, const QString &windowName);
bool decodeIdentity(const QByteArray &bytes, QString &className, QString &windowName);

// The handles of all window entries in the folder, live or not.
std::vector<WindowHandle> listHandles(const QByteArray &dir);

enum class Liveness { Live, Dead, Missing };

// Whether window `handle` is live, and its identity when it is. Dead entries are removed
// when `removeDead` is set.
Liveness probe(const QByteArray &dir, WindowHandle handle, QString *className, QString *windowName,
               bool removeDead);

} // namespace platform::winfiles
