#pragma once
// The system settings store that stands in for the machine-wide registry: an INI file in
// system scope for organisation "Korvat", application "marlo", that is
//   <first folder of $XDG_CONFIG_DIRS, default /etc/xdg>/Korvat/marlo.ini
// (the file QSettings(IniFormat, SystemScope, "Korvat", "marlo") uses). A registry key path
// maps onto an INI group, a value name onto a key in it. The environment is read on every
// call, so tests can point XDG_CONFIG_DIRS at a temporary folder.

#include "PlatformError.h"
#include <QString>

namespace platform {

// Raised when a value exists but is not a single string (for example an INI list "a,b").
class ERegistryError : public EBaseError {
public:
  using EBaseError::EBaseError;
};

// The organisation, application, group and key the server link reads its server's handle
// text from.
inline constexpr const char *kRegistryOrganisation = "Korvat";
inline constexpr const char *kRegistryApplication = "marlo";
inline constexpr const char *kRegistryDemonGroup = "demon";
inline constexpr const char *kRegistryViewerHandleKey = "ViewerHandle";

// The full path of the settings file.
QString systemSettingsFilePath();

// Reads a string value, read-only. The empty string when the file, the group or the key is
// missing or unreadable. Throws ERegistryError when the value is present but not a string.
QString readSystemString(const QString &group, const QString &key);

// Writes a string value into the same file (used by the coordinating server to publish its
// handle text; usually needs the rights to write below /etc/xdg, or XDG_CONFIG_DIRS pointing
// at a writable folder). An empty value removes the key. False when the file could not be
// written.
bool writeSystemString(const QString &group, const QString &key, const QString &value);

} // namespace platform
