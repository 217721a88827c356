// The complete start-up: language file beside the program, translation of both windows,
// About box texts by language, icon loading, and the About box before the main window.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include "AboutBox.h"
#include "Cp1252.h"
#include "LazyIcon.h"
#include "MarloDemon.h"
#include "Nuvra_NumLab.h"
#include "Nuvra_urllab.h"
#include "Resources.h"
#include "TMemo.h"
#include "mainfrm.h"

namespace {

// The language file the server link reads: beside this test program, named after it. CTest
// runs a copy of the program from a temporary folder, so the files written there go with it.
QString languageFile() { return QCoreApplication::applicationFilePath() + QStringLiteral(".itl"); }

void writeLanguage(const QString &records) {
  QFile f(languageFile());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(cp1252::encode(records));
}

// Whether the window's server link allows more instances and records missing texts.
std::pair<bool, bool> linkRules(const TFrmRadPattern &w) {
  const TkdbDemonClient *demon = w.cliDemon;
  return demon ? std::pair(demon->MultiStart(), demon->AutoCreateItlFile()) : std::pair(true, true);
}

struct StartUp : ::testing::Test {
  std::unique_ptr<TFrmRadPattern> form;
  std::unique_ptr<TFrmAbout> about;
  void TearDown() override {
    form.reset();
    about.reset();
    QFile::remove(languageFile());
  }
  // Builds both windows as the program entry does and runs the start-up work, without the
  // modal About box.
  void start() {
    form = std::make_unique<TFrmRadPattern>(/*headless=*/true);
    about = std::make_unique<TFrmAbout>();
    form->FrmAbout = about.get();
    form->show();
    about->FormShow();
  }
  std::vector<int> visibleLinkTops() const {
    std::vector<int> tops;
    for (TUrlLab *l : {about->UrlLabNuvraSuite, about->UrlLabSimulations, about->UrlLabHomepage})
      if (!l->isHidden())
        tops.push_back(l->y());
    std::sort(tops.begin(), tops.end());
    return tops;
  }
};

// Each button shows its compiled-in picture; the Info button has its own disabled one.
TEST_F(StartUp, ButtonGlyphsAreTheCompiledInPictures) {
  start();
  const struct {
    QPushButton *button;
    QIcon::Mode mode;
    const char *file;
  } cases[] = {
      {form->BButInfo, QIcon::Normal, resources::kInfoGlyph},
      {form->BButInfo, QIcon::Disabled, resources::kInfoGlyphDisabled},
      {form->BButExit, QIcon::Normal, resources::kExitGlyph},
      {about->BButOK, QIcon::Normal, resources::kOkGlyph},
  };
  for (const auto &c : cases) {
    const QImage expected =
        QImage(QString::fromLatin1(c.file)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(expected.isNull()) << c.file;
    const QPixmap shown = c.button->icon().pixmap(expected.size(), c.mode);
    EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_ARGB32), expected) << c.file;
  }
}

TEST_F(StartUp, WithoutLanguageFileMarkersAreDroppedAndTwoLinksShow) {
  QFile::remove(languageFile());
  start();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Radiation Pattern of two Aerials"));
  EXPECT_EQ(form->BButExit->text(), QStringLiteral("Exit"));
  EXPECT_EQ(form->NumLabL->property("RightText").toString(), QStringLiteral("Lambda"));
  EXPECT_EQ(form->NLabdphi->property("RightText").toString(), QStringLiteral("Pi"));
  EXPECT_EQ(form->MMInfo->Lines(), QStringList{QStringLiteral("MMInfo")});
  EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about->BButOK->text(), QStringLiteral("OK"));
  EXPECT_EQ(about->LblName->text(), QStringLiteral("Dipolix"));
  EXPECT_EQ(about->LblVersion->text(), QStringLiteral("Version 1.0"));
  EXPECT_EQ(visibleLinkTops(), (std::vector<int>{16, 32}));
  EXPECT_EQ(about->UrlLabHomepage->URL(), QStringLiteral("HomePageURL"));
  EXPECT_EQ(about->LblWebSite->text(), TFrmAbout::webSiteTextEnglish());
  EXPECT_EQ(form->PCRicht->Count(), 723); // the first pattern is there
  EXPECT_EQ(linkRules(*form), std::pair(true, false)) << "a headless rendering runs beside it";
}

TEST_F(StartUp, TranslatedHomePageShowsThreeLinksAndGermanTexts) {
  writeLanguage(QStringLiteral("[HomePage]=Unsere Seite|$$\r\n"
                               "[HomePageURL]=http://www.dipolix.example/de/|$$\r\n"
                               "[$dlglanguage$]=LgGerMAN|$$\r\n"
                               "[Exit]=Beenden|$$\r\n"
                               "[MMInfo]=Zeile eins\\nZeile zwei|$$\r\n"
                               "[Power in dB]=Leistung in dB|$$\r\n"));
  start();
  EXPECT_EQ(visibleLinkTops(), (std::vector<int>{8, 24, 40}));
  EXPECT_EQ(about->UrlLabHomepage->text(), QStringLiteral("Unsere Seite"));
  EXPECT_EQ(about->UrlLabHomepage->URL(), QStringLiteral("http://www.dipolix.example/de/"));
  EXPECT_EQ(about->LblWebSite->text(), TFrmAbout::webSiteTextGerman());
  EXPECT_EQ(about->LblDescription->text(), TFrmAbout::descriptionGerman());
  EXPECT_EQ(form->BButExit->text(), QStringLiteral("Beenden"));
  EXPECT_EQ(form->MMInfo->Lines().size(), 2);
  EXPECT_EQ(form->decibelAction()->text(), QStringLiteral("Leistung in dB"));
}

TEST_F(StartUp, HomePageTranslatedToNothingIsHidden) {
  writeLanguage(QStringLiteral("[HomePage]=|$$\r\n[$dlglanguage$]=lgenglish|$$\r\n"));
  start();
  EXPECT_EQ(visibleLinkTops(), (std::vector<int>{16, 32}));
  EXPECT_EQ(about->LblDescription->text(), TFrmAbout::descriptionEnglish());
}

// A server that ends the program before its window is shown takes the link with it: the
// window still shows its chart centred, with the pattern of its scroll bars, and its icon.
TEST_F(StartUp, WithoutItsServerLinkTheWindowStillShowsItsPattern) {
  start();
  const QPoint centre(form->PCRicht->CenterX(), form->PCRicht->CenterY());
  const int count = form->PCRicht->Count();
  form.reset(); // one window of the program at a time
  form = std::make_unique<TFrmRadPattern>(/*headless=*/true);
  delete form->cliDemon.data();
  form->show();
  EXPECT_EQ(QPoint(form->PCRicht->CenterX(), form->PCRicht->CenterY()), centre);
  EXPECT_TRUE(form->PCRicht->isVisible());
  EXPECT_EQ(form->PCRicht->Count(), count);
  EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(StartUp, IconFromTheWorkAreaWhenTheTableNamesOne) {
  const QString dir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
  QImage red(32, 32, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(dir + QStringLiteral("startup-test-icon.png")));
  QFile(dir + QStringLiteral("not-an-image.png")).open(QIODevice::WriteOnly);

  writeLanguage(QStringLiteral("[AppIconName]=startup-test-icon.png|$$\r\n"));
  start();
  auto pixel = [](const QIcon &icon) { return icon.pixmap(32).toImage().pixel(16, 16); };
  EXPECT_EQ(pixel(form->windowIcon()), QColor(Qt::red).rgb());
  EXPECT_EQ(pixel(about->windowIcon()), QColor(Qt::red).rgb());
  EXPECT_EQ(pixel(QApplication::windowIcon()), QColor(Qt::red).rgb());
  TearDown();

  // A missing file, or one that holds no image, leaves the built-in icon; so does a table
  // that names none.
  const QImage builtIn = dipolixAppIcon().pixmap(32).toImage();
  for (const char *name : {"no-such-icon.png", "not-an-image.png", ""}) {
    writeLanguage(*name ? QStringLiteral("[AppIconName]=%1|$$\r\n").arg(QLatin1String(name))
                        : QStringLiteral("[HomePage]=|$$\r\n"));
    start();
    EXPECT_EQ(form->windowIcon().pixmap(32).toImage(), builtIn) << name;
    TearDown();
  }
  QFile::remove(dir + QStringLiteral("startup-test-icon.png"));
  QFile::remove(dir + QStringLiteral("not-an-image.png"));
}

// The named icon and the built-in one are decoded on first use, yet give what QIcon gives
// them decoded at once, for every size and mode; the named one keeps its picture when the file
// goes away.
TEST(StartUpIcon, DecodedLaterTheSameAsAtOnce) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("icon.png"));
  QImage image(48, 32, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgba(x * 5, y * 7, 200, 40 + x + y));
  ASSERT_TRUE(image.save(file));
  const QString misnamed = dir.filePath(QStringLiteral("icon.jpg")); // a PNG all the same
  ASSERT_TRUE(image.save(misnamed, "PNG"));
  // Pictures of other shapes, where Qt's choice of picture shows in the actual size.
  QList<QByteArray> shapes;
  QIcon shapesAtOnce;
  for (QSize size : {QSize(40, 20), QSize(20, 40), QSize(30, 30)}) {
    shapes << dir.filePath(QStringLiteral("shape%1.png").arg(shapes.size())).toLatin1();
    ASSERT_TRUE(image.scaled(size).save(QString::fromLatin1(shapes.last())));
    shapesAtOnce.addFile(QString::fromLatin1(shapes.last()));
  }
  initDipolixResources();
  QIcon builtInAtOnce;
  for (const char *name : {resources::kAppIcon16, resources::kAppIcon32, resources::kAppIcon48,
                           resources::kAppIcon64, resources::kAppIcon128, resources::kAppIcon256})
    builtInAtOnce.addFile(QString::fromLatin1(name));
  const struct {
    QIcon lazy, eager;
  } icons[] = {{lazyFileIcon(file), QIcon(file)},
               {lazyFileIcon(misnamed), QIcon(misnamed)},
               {dipolixAppIcon(), builtInAtOnce},
               {lazyPngIcon({shapes[0].constData(), shapes[1].constData(), shapes[2].constData()}),
                shapesAtOnce}};
  QFile::remove(file);
  QFile::remove(misnamed);
  for (const auto &[lazy, eager] : icons) {
    ASSERT_FALSE(lazy.isNull());
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active}) {
      EXPECT_EQ(lazy.availableSizes(mode), eager.availableSizes(mode)) << mode;
      for (int side : {8, 16, 20, 24, 33, 48, 50, 64, 100, 128, 129, 256, 300}) {
        for (QSize size : {QSize(side, side), QSize(side, side * 2 / 3)}) {
          EXPECT_EQ(lazy.actualSize(size, mode), eager.actualSize(size, mode)) << mode << side;
          EXPECT_EQ(lazy.pixmap(size, mode).toImage(), eager.pixmap(size, mode).toImage())
              << mode << side;
        }
      }
    }
  }
  EXPECT_TRUE(lazyFileIcon(dir.filePath(QStringLiteral("missing.png"))).isNull());
  EXPECT_TRUE(lazyPngIcon({":/no/such.png"}).isNull());
}

TEST(StartUpOrder, AboutBoxComesFirstWithThePatternAlreadyComputed) {
  QFile::remove(languageFile());
  TFrmRadPattern form; // a real start: the About box is shown modally from the start-up work
  QSignalSpy recomputed(&form, &TFrmRadPattern::patternRecomputed);
  TFrmAbout about;
  form.FrmAbout = &about;
  bool checked = false;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(about.isModal());
    // The main window is not on the screen yet, but its first pattern is ready.
    EXPECT_TRUE(!form.windowHandle() || !form.windowHandle()->isVisible());
    EXPECT_EQ(form.PCRicht->Count(), 723);
    EXPECT_EQ(recomputed.count(), 1);
    checked = true;
    about.BButOKClick();
  });
  form.show();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(form.windowHandle() && form.windowHandle()->isVisible());

  // Info shows the same box again.
  bool shownAgain = false;
  QTimer::singleShot(0, [&] {
    shownAgain = about.isVisible();
    about.close(); // the close box acts as OK
  });
  form.BButInfo->click();
  EXPECT_TRUE(shownAgain);
  EXPECT_EQ(recomputed.count(), 1);
  // The program keeps to one instance and writes no list of missing texts.
  EXPECT_EQ(linkRules(form), std::pair(false, false));
}

} // namespace
