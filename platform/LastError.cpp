#include "LastError.h"

#include <cstring>

namespace platform {

namespace {
thread_local int t_lastError = 0;
} // namespace

int lastError() noexcept { return t_lastError; }

void setLastError(int code) noexcept { t_lastError = code; }

QString errorText(int code) {
  // strerror() invents "Unknown error N" for numbers it does not know; the name lookup tells
  // the known ones apart, so such numbers get no text.
  if (code <= 0 || strerrorname_np(code) == nullptr)
    return {};
  char buffer[256];
  const char *text = strerror_r(code, buffer, sizeof buffer);
  return text ? QString::fromLocal8Bit(text) : QString();
}

QString lastErrorText() { return errorText(lastError()); }

} // namespace platform
