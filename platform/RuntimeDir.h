#pragma once
// The private folder where this user's message windows and named mutexes live.
//
// It is $XDG_RUNTIME_DIR/dipolix when XDG_RUNTIME_DIR is set (and is not a folder of
// another user), else /tmp/dipolix-<effective uid>.
// It is created with mode 0700 when missing; an existing folder is only used when it is a
// real directory (no symbolic link), owned by the effective user, and has no group or
// other permissions. The environment is read on every call, so tests can point
// XDG_RUNTIME_DIR at a temporary folder.

#include "PlatformError.h"
#include <QString>

namespace platform {

// Raised when the runtime folder cannot be used: it cannot be created, is not private, or
// its path is too long to name a socket in it. The message names the folder and the reason.
class ERuntimeDirError : public EBaseError {
public:
  using EBaseError::EBaseError;
};

// The folder's path, without creating or checking it.
QString runtimeDirectoryPath();

// The folder's path after creating it if needed and checking ownership and mode.
// Throws ERuntimeDirError when it is unusable.
QString runtimeDirectory();

// The longest folder path (in bytes) under which this layer can still name its sockets.
int maxRuntimeDirectoryLength() noexcept;

} // namespace platform
