#pragma once
// The program's command line, read before any window or display is needed: --help and
// --version work without a display, a mistake ends with one line and exit code 2, and the
// headless options become headless::Options. Each option is one row of the option table.

#include <QString>
#include <QStringList>

#include "Headless.h"

namespace cmdline {

enum class Action { Window, Headless, Help, Version, Error };

struct Result {
  Action action = Action::Window;
  headless::Options options;
  QString text; // Help/Version: what to print; Error: the one-line message
};

// `args` without the program name, each decoded with SafeWriter::textFromArgument so that
// file names keep their bytes. Arguments that are not options (the coordinating server's
// "/serverhandle=…") are left to the window's server link.
Result parse(const QStringList &args);

// The usage text: every option, the figure formats, where the language file is looked for.
QString helpText();

} // namespace cmdline
