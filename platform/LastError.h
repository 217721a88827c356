#pragma once
// The "last error" of the calling thread and the system's text for an error number.
// Every platform call of this layer that fails returns 0/false and leaves an errno value
// here, so callers can report it the way the rest of the program reports system errors.

#include <QString>

namespace platform {

// The error number (an errno value) of the last failed platform call of this thread;
// 0 when none failed since the last setLastError(0).
int lastError() noexcept;
void setLastError(int code) noexcept;

// The system's message text for an errno value, e.g. "No such file or directory".
// Empty when the system has no text for that number.
QString errorText(int code);

// errorText(lastError()).
QString lastErrorText();

} // namespace platform
