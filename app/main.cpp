// Program entry: the command line first (no display needed for --help, --version or a
// mistake), then either the headless figures on the offscreen platform or the main window,
// the About box and the message loop.

#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "AboutBox.h"
#include "CommandLine.h"
#include "DipolixApplication.h"
#include "Headless.h"
#include "PlatformError.h"
#include "Resources.h"
#include "SafeWriter.h"
#include "mainfrm.h"

namespace {

void nameApplication() {
  DipolixApplication::setApplicationName(QStringLiteral("Dipolix"));
  DipolixApplication::setApplicationVersion(QStringLiteral("1.0"));
}

int runWindow(int argc, char **argv) {
  DipolixApplication app(argc, argv);
  nameApplication();
  DipolixApplication::setWindowIcon(dipolixAppIcon());
  try {
    // The main window first: it is the application's main window; closing it ends the
    // program.
    TFrmRadPattern frmRadPattern;
    // The About box exists, hidden, from now on; the main window's start-up work shows it.
    TFrmAbout frmAbout;
    frmRadPattern.FrmAbout = &frmAbout;
    frmRadPattern.show();
    return DipolixApplication::exec();
  } catch (const EBaseError &e) {
    // The server link could not be set up (say, an unusable runtime folder): say why.
    std::fprintf(stderr, "dipolix: %s\n", qPrintable(e.message()));
    QMessageBox::critical(nullptr, DipolixApplication::applicationName(), e.message());
    return 1;
  }
}

} // namespace

int main(int argc, char **argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i)
    args << SafeWriter::textFromArgument(QByteArray(argv[i]));

  const cmdline::Result parsed = cmdline::parse(args);
  switch (parsed.action) {
  case cmdline::Action::Help:
  case cmdline::Action::Version: std::fputs(qPrintable(parsed.text), stdout); return 0;
  case cmdline::Action::Error:
    std::fprintf(stderr, "dipolix: %s\n", qPrintable(parsed.text));
    return 2;
  case cmdline::Action::Window: return runWindow(argc, argv);
  case cmdline::Action::Headless: break;
  }
  // Figures never show a window, whatever platform the environment names.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // And they are drawn at the ratio asked for, not at one the environment happens to set.
  qputenv("QT_SCALE_FACTOR", QByteArray::number(parsed.options.scale, 'g', 6));
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  DipolixApplication app(argc, argv);
  nameApplication();
  return headless::run(parsed.options);
}
