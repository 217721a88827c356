// Stand-in for the desktop shell while the platform's own is not built: only the test hook.
#include "Shell.h"

namespace {
shell::ExecuteFn &hook() {
  static shell::ExecuteFn fn;
  return fn;
}
} // namespace

namespace shell {
int execute(const QString &verb, const QString &file, const QString &params) {
  return hook() ? hook()(verb, file, params) : 2;
}
void setExecuteHook(ExecuteFn fn) { hook() = std::move(fn); }
} // namespace shell
