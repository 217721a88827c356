#pragma once
// The private folder where this user's message windows and named mutexes live.
//
// Every program of the family takes the first of these that fits, so they find each other:
// 1. $XDG_RUNTIME_DIR/dipolix, when XDG_RUNTIME_DIR names an existing folder of this user
//    that no one else may write to;
// 2. /run/user/<uid>/dipolix, when that folder exists on the same terms;
// 3. <cache>/dipolix-<host name>, where <cache> is $XDG_CACHE_HOME (absolute) or
//    $HOME/.cache: a folder of this user, or a missing one in a folder of this user; only
//    when the socket names fit below it. The host name keeps machines that share a home
//    folder apart;
// 4. /tmp/dipolix-<uid>, where another local user could occupy the name first (the folder is
//    then refused, not used).
// The folder is created with mode 0700 when missing; an existing one is only used when it is
// a real directory (no symbolic link), owned by the effective user, and has no group or other
// permissions. The environment is read on every call, so tests can point XDG_RUNTIME_DIR at
// a temporary folder.

#include "PlatformError.h"
#include <QString>
#include <sys/types.h>

namespace platform {

// Raised when the runtime folder cannot be used: it cannot be created, is not private, or
// its path is too long to name a socket in it. The message names the folder and the reason.
class ERuntimeDirError : public EBaseError {
public:
  using EBaseError::EBaseError;
};

// The places the choice above looks at.
struct RuntimePlaces {
  QString xdgRuntimeDir; // empty when unset
  QString runUserDir;    // /run/user/<uid>
  QString cacheDir;      // empty when there is no absolute one
  QString tmpDir;        // /tmp
  QString hostName;
  uid_t uid = 0;
};

// The places as the environment and the system name them for the effective user.
RuntimePlaces runtimePlaces();

// The folder's path, without creating it (its parent may be checked).
QString runtimeDirectoryPath();
QString runtimeDirectoryPath(const RuntimePlaces &places);

// The folder's path after creating it if needed and checking ownership and mode.
// Throws ERuntimeDirError when it is unusable.
QString runtimeDirectory();
QString runtimeDirectory(const RuntimePlaces &places);

// The longest folder path (in bytes) under which this layer can still name its sockets.
int maxRuntimeDirectoryLength() noexcept;

} // namespace platform
