// The main window's start-up work, run when it is shown: icon, About box texts, chart
// centring and the first pattern, then the About box, before the window itself appears.

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QLabel>

#include "AboutBox.h"
#include "Accessibility.h"
#include "AsciiCase.h"
#include "Glossan2000.h"
#include "LazyIcon.h"
#include "MarloDemon.h"
#include "Nuvra_urllab.h"
#include "Pattern.h"
#include "Resources.h"
#include "SafeWriter.h"
#include "mainfrm.h"

namespace {

// Keeps the file's old contents when the new ones cannot be written completely.
void saveStream(QBuffer &stream, const QString &path) {
  SafeWriter::write(QFile::encodeName(path), stream.data());
}

// The icon the language file names, fetched from the server when there is one, for the
// program and both windows. False, changing nothing, when it names none or the file holds no
// image.
bool applyNamedIcon(TFrmRadPattern &window, TkdbDemonClient &demon) {
  const QString iconName = demon.Translator->Translate(QStringLiteral("AppIconName"));
  if (iconName == QLatin1String("AppIconName"))
    return false;
  const QString iconFile = demon.GetServerParam(QStringLiteral("MarloWorkArea")) + iconName;
  if (demon.UseMarloServer()) {
    std::unique_ptr<QBuffer> stream = demon.GetFileStream(iconName);
    if (stream && stream->size() > 0)
      saveStream(*stream, iconFile);
  }
  const QIcon icon = lazyFileIcon(iconFile); // decoded when a window system asks for it
  if (icon.isNull())
    return false;
  QApplication::setWindowIcon(icon);
  window.setWindowIcon(icon);
  if (window.FrmAbout)
    window.FrmAbout->setWindowIcon(icon);
  return true;
}

} // namespace

void TFrmRadPattern::createServerLink() {
  auto *demon = new TkdbDemonClient(this);
  demon->setObjectName(QStringLiteral("cliDemon"));
  demon->BeginLoading();
  demon->SetAutoTranslate(true);
  demon->SetAutoCreateItlFile(false);
  // Headless renderings run beside the user's program: they take no part in the
  // single-instance rule.
  demon->SetMultiStart(m_headless);
  demon->SetUseMarloServer(false);
  // OnParamsChange stays unconnected, as in the layout: a parameter change from the server
  // does not bring the window to the front.
  cliDemon = demon;
  demon->Loaded();
}

void TFrmRadPattern::FormShow(QObject *Sender) {
  // An accepted quit message deletes the server link only from the event loop, so it lives
  // through this handler once it is there.
  TkdbDemonClient *demon = cliDemon;
  // The built-in icon only where the language file names no usable one: decoding its six
  // sizes to replace them at once cost start-up time.
  if (!demon || !applyNamedIcon(*this, *demon))
    setWindowIcon(dipolixAppIcon());
  if (!demon) { // the server ended the program before it was shown
    PCRicht->CenterChart();
    SbarChange(Sender);
    PCRicht->show();
    return;
  }
  TGlossan2000 &translator = *demon->Translator;

  if (FrmAbout) {
    FrmAbout->LblName->setText(QStringLiteral("Dipolix"));
    FrmAbout->LblVersion->setText(QStringLiteral("Version 1.0"));
    FrmAbout->UrlLabHomepage->SetURL(translator.Translate(QStringLiteral("HomePageURL")));
  }
  const QString language = asciiLower(translator.Translate(QStringLiteral("$dlglanguage$")));
  if (FrmAbout) {
    translator.TranslateComponent(FrmAbout);
    // Set after the translation, so these texts always show.
    const bool german = language == QLatin1String("lggerman");
    FrmAbout->LblWebSite->setText(german ? TFrmAbout::webSiteTextGerman()
                                         : TFrmAbout::webSiteTextEnglish());
    FrmAbout->LblDescription->setText(german ? TFrmAbout::descriptionGerman()
                                             : TFrmAbout::descriptionEnglish());
  }

  m_speaker->setTexts(pattern::DescriptionTexts{}.translated(
      [&translator](const QString &text) { return translator.Translate(text); }));
  PCRicht->CenterChart();
  SbarChange(Sender);
  PCRicht->show(); // its first paint

  if (FrmAbout && !m_headless)
    FrmAbout->exec();
}

void TFrmRadPattern::BButInfoClick(QObject *) {
  if (FrmAbout)
    FrmAbout->exec();
}
