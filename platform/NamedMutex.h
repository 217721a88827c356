#pragma once
// Named mutexes across the processes of one user: an exclusive advisory lock (an
// open-file-description lock) on the file "m-<name>" in the private runtime folder
// (RuntimeDir.h). The system releases the lock when the holding process ends, however it
// ends; programs the holder starts do not inherit it (the file is opened close-on-exec and
// the lock belongs to that one open file).
//
// Differences from the desktop's mutex, on purpose:
// - createMutex does not hand out a second handle to a mutex another process holds: it
//   fails with EEXIST, so two processes starting at the same moment cannot both believe
//   they own it.
// - openMutex only tells whether a live process holds the mutex; the handle it returns
//   does not own anything and keeps nothing alive.
// Names are compared exactly (case-sensitive). Failing calls return 0/false and set
// platform::lastError() (LastError.h).

#include <QString>
#include <cstdint>

namespace platform {

using MutexHandle = std::uint32_t;

// A handle (never 0) when a live process, this one included, holds the mutex `name`;
// else 0 with lastError ENOENT. Throws ERuntimeDirError when the runtime folder is unusable.
MutexHandle openMutex(const QString &name);

// Creates and takes the mutex `name`. Returns a handle (never 0) that holds it until
// closeMutex or the end of the process; 0 with lastError EEXIST when it is held already
// (by another process or by another handle of this one). Throws ERuntimeDirError when the
// runtime folder is unusable.
MutexHandle createMutex(const QString &name);

// Closes a handle of openMutex or createMutex, releasing the mutex if the handle holds it.
// False (EBADF) for an unknown handle.
bool closeMutex(MutexHandle handle);

} // namespace platform
