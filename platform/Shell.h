#pragma once
// The desktop shell: open a web address in the browser, or start a program with parameters.

#include <QString>
#include <functional>

namespace shell {

// Opens `file` with `verb` ("" = the default action, "open"). Web addresses go to the
// desktop's browser; anything else is started as a program with `params` as its command
// line (split like a shell would, without running one). Returns a value above 32 on success,
// else an error number: 2 file not found, 3 path not found, 5 access denied, 8 out of memory,
// 11 bad format.
int execute(const QString &verb, const QString &file, const QString &params);

// Tests replace the real shell; an empty function restores it.
using ExecuteFn =
    std::function<int(const QString &verb, const QString &file, const QString &params)>;
void setExecuteHook(ExecuteFn fn);

} // namespace shell
