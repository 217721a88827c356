// Program entry: the main window, then the About box, then the message loop. With a
// headless option the program renders to files instead and shows nothing.

#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "AboutBox.h"
#include "DipolixApplication.h"
#include "Headless.h"
#include "PlatformError.h"
#include "Resources.h"
#include "mainfrm.h"

int main(int argc, char **argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i)
    args << QString::fromLocal8Bit(argv[i]);

  const bool headlessRun = headless::requested(args);
  headless::ParseResult parsed;
  if (headlessRun) {
    parsed = headless::parse(args);
    if (!parsed.error.isEmpty()) {
      std::fprintf(stderr, "dipolix: %s\n", qPrintable(parsed.error));
      return 2;
    }
    headless::prepareEnvironment(parsed.options);
  }

  TDipolixApplication app(argc, argv);
  TDipolixApplication::setApplicationName(QStringLiteral("Dipolix"));
  TDipolixApplication::setApplicationVersion(QStringLiteral("1.0"));
  if (headlessRun)
    return headless::run(parsed.options);

  TDipolixApplication::setWindowIcon(dipolixAppIcon());
  try {
    // The main window first: it is the application's main window; closing it ends the
    // program.
    TFrmRadPattern frmRadPattern;
    // The About box exists, hidden, from now on; the main window's start-up work shows it.
    TFrmAbout frmAbout;
    frmRadPattern.FrmAbout = &frmAbout;
    frmRadPattern.show();
    return TDipolixApplication::exec();
  } catch (const EBaseError &e) {
    // The server link could not be set up (say, an unusable runtime folder): say why.
    std::fprintf(stderr, "dipolix: %s\n", qPrintable(e.message()));
    QMessageBox::critical(nullptr, TDipolixApplication::applicationName(), e.message());
    return 1;
  }
}
