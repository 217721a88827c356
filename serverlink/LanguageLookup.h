#pragma once
// Where a program's language file is looked for when it does not come from the server:
// beside the program first, so a portable copy keeps working; then in the installed tree's
// share/dipolix folder (found from the program's folder, so a moved tree still works),
// German when the user's locale is German, English otherwise.

#include <QString>
#include <QStringList>
#include <functional>

namespace language {

// The locale that decides the messages: the first of LC_ALL, LC_MESSAGES and LANG that is
// set and not empty, as the C library decides it. `env` reads one variable.
QString messagesLocale(const std::function<QString(const char *)> &env);

// The files to try, in order: `besideProgram` (the file named after the program), then
// <program folder>/../share/dipolix/german.itl for a locale beginning with "de", else
// .../english.itl.
QStringList candidates(const QString &programPath, const QString &besideProgram,
                       const QString &locale);

} // namespace language
