// The About box: its layout, the show handler's choice of two or three links, closing, focus
// and the headless rendering.
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "AboutBox.h"
#include "Nuvra_urllab.h"
#include "Resources.h"

namespace {

int linkTop(const TUrlLab *link) { return link->geometry().top(); }

} // namespace

TEST(AboutBox, ControlsSitAtTheirPlacesInTheirParents) {
  TFrmAbout box;
  EXPECT_EQ(box.objectName(), QStringLiteral("FrmAbout"));
  EXPECT_EQ(box.windowTitle(), QStringLiteral("GL_About"));
  EXPECT_EQ(box.size(), QSize(543, 332));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());

  struct Expect {
    QWidget *widget;
    QWidget *parent;
    const char *name;
    QRect geometry;
  };
  const Expect table[] = {
      {box.LblDescription, &box, "LblDescription", QRect(8, 152, 529, 65)},
      {box.Panel1, &box, "Panel1", QRect(8, 10, 529, 127)},
      {box.LblName, box.Panel1, "LblName", QRect(8, 12, 513, 34)},
      {box.LblVersion, box.Panel1, "LblVersion", QRect(8, 50, 513, 16)},
      {box.LblCopyright, box.Panel1, "LblCopyright", QRect(8, 100, 513, 16)},
      {box.LblAuthor, box.Panel1, "LblAuthor", QRect(8, 74, 513, 16)},
      {box.Panel2, &box, "Panel2", QRect(8, 224, 529, 65)},
      {box.LblWebSite, box.Panel2, "LblWebSite", QRect(8, 8, 135, 49)},
      {box.UrlLabNuvraSuite, box.Panel2, "UrlLabNuvraSuite", QRect(152, 8, 369, 16)},
      {box.UrlLabHomepage, box.Panel2, "UrlLabHomepage", QRect(152, 40, 369, 16)},
      {box.UrlLabSimulations, box.Panel2, "UrlLabSimulations", QRect(152, 24, 369, 16)},
      {box.BButOK, &box, "BButOK", QRect(424, 296, 113, 33)},
  };
  for (const Expect &e : table) {
    ASSERT_NE(e.widget, nullptr) << e.name;
    EXPECT_EQ(e.widget->objectName(), QString::fromLatin1(e.name));
    EXPECT_EQ(e.widget->parentWidget(), e.parent) << e.name;
    EXPECT_EQ(e.widget->geometry(), e.geometry) << e.name;
  }
  // Design captions that the main window and the translator replace.
  EXPECT_EQ(box.UrlLabHomepage->text(), QStringLiteral("GL_HomePage"));
  EXPECT_EQ(box.BButOK->text(), QStringLiteral("GL_OK"));
  EXPECT_TRUE(box.UrlLabHomepage->isHidden());
  EXPECT_TRUE(box.UrlLabNuvraSuite->URL().startsWith(QStringLiteral("http://")));
  EXPECT_TRUE(box.UrlLabSimulations->URL().startsWith(QStringLiteral("http://")));
  EXPECT_FALSE(box.BButOK->icon().isNull()) << "the OK glyph is compiled in";
  EXPECT_FALSE(box.windowIcon().isNull());
}

TEST(AboutBox, FontsAndColours) {
  TFrmAbout box;
  EXPECT_EQ(box.LblName->font().pixelSize(), 30);
  EXPECT_TRUE(box.LblName->font().bold());
  EXPECT_TRUE(box.LblName->font().italic());
  EXPECT_EQ(box.LblName->palette().color(QPalette::WindowText), QColor(0x80, 0, 0));
  EXPECT_EQ(box.LblDescription->palette().color(QPalette::WindowText), QColor(0x80, 0, 0));
  EXPECT_EQ(box.LblVersion->font().pixelSize(), 13);
  EXPECT_EQ(QFontInfo(box.LblVersion->font()).family(), QFontInfo(QFont("Arial")).family());
  for (TUrlLab *link : {box.UrlLabNuvraSuite, box.UrlLabHomepage, box.UrlLabSimulations}) {
    EXPECT_EQ(link->font().pixelSize(), 13);
    EXPECT_TRUE(link->font().bold());
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->fontColor(), QColor(Qt::blue));
    // The normal font was taken when the layout was loaded.
    EXPECT_EQ(link->normalFont(), link->font());
    EXPECT_EQ(link->normalFontColor(), QColor(Qt::blue));
    EXPECT_TRUE(link->FontActive().underline());
    EXPECT_TRUE(link->FontActive().bold());
    EXPECT_EQ(link->fontActiveColor(), QColor(Qt::red));
  }
}

TEST(AboutBox, HomePageLinkOnlyWhenItsCaptionWasTranslated) {
  TFrmAbout box;
  // Any caption but the untranslated key or nothing, "homepage" in other letters too, shows
  // three links; a showing without one hides the link again.
  const struct {
    const char *caption;
    bool shown;
  } cases[] = {{"Homepage", true}, {"HomePage", false}, {"Startseite", true}, {"", false}};
  for (const auto &c : cases) {
    box.UrlLabHomepage->setText(QString::fromUtf8(c.caption));
    box.FormShow();
    EXPECT_EQ(box.UrlLabHomepage->isHidden(), !c.shown) << c.caption;
    EXPECT_EQ(box.UrlLabNuvraSuite->pos(), QPoint(152, c.shown ? 8 : 16));
    EXPECT_EQ(box.UrlLabSimulations->pos(), QPoint(152, c.shown ? 24 : 32));
    if (c.shown) {
      EXPECT_EQ(box.UrlLabHomepage->pos(), QPoint(152, 40));
    }
  }
}

TEST(AboutBox, EveryShowingRunsTheShowHandlerAndOkOrCloseBoxHideIt) {
  TFrmAbout box;
  box.UrlLabHomepage->setText(QStringLiteral("HomePage"));
  QSignalSpy finished(&box, &QDialog::finished);

  box.open();
  EXPECT_EQ(linkTop(box.UrlLabNuvraSuite), 16);
  EXPECT_TRUE(box.isVisible());
  QTest::mouseClick(box.BButOK, Qt::LeftButton);
  EXPECT_TRUE(box.isHidden());
  ASSERT_EQ(finished.size(), 1);
  EXPECT_EQ(finished.at(0).at(0).toInt(), int(QDialog::Rejected));

  box.UrlLabHomepage->setText(QStringLiteral("Our home page"));
  box.open();
  EXPECT_FALSE(box.UrlLabHomepage->isHidden());
  EXPECT_EQ(linkTop(box.UrlLabHomepage), 40);
  // The caption bar's close box: the same result as OK.
  box.close();
  EXPECT_TRUE(box.isHidden());
  ASSERT_EQ(finished.size(), 2);
  EXPECT_EQ(finished.at(1).at(0).toInt(), int(QDialog::Rejected));
}

TEST(AboutBox, OnlyOkAndTheLinksTakeTheFocusAndEscapeDoesNotClose) {
  TFrmAbout box;
  for (QWidget *w : box.findChildren<QWidget *>()) {
    if (w == box.BButOK)
      EXPECT_NE(w->focusPolicy(), Qt::NoFocus);
    else if (qobject_cast<TUrlLab *>(w))
      EXPECT_EQ(w->focusPolicy(), Qt::TabFocus); // a click does not move the focus
    else
      EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->objectName().toStdString();
  }
  EXPECT_FALSE(box.BButOK->isDefault());
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_TRUE(box.isVisible());
  box.BButOK->setFocus();
  QTest::keyClick(&box, Qt::Key_Return); // other keys still reach the dialog
  EXPECT_TRUE(box.isHidden());
}

TEST(AboutBox, RendersTheClientAreaAsAtStartUp) {
  TFrmAbout box;
  box.UrlLabHomepage->setText(QStringLiteral("HomePage"));
  const QImage image = renderAboutBox(box);
  EXPECT_EQ(image.size(), QSize(543, 332));
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(linkTop(box.UrlLabSimulations), 32);
  // The links are drawn in blue, the name in maroon: both colours appear.
  int blue = 0, maroon = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      blue += c.blue() > 200 && c.red() < 60 && c.green() < 60;
      maroon += c.red() > 100 && c.red() < 160 && c.green() < 40 && c.blue() < 40;
    }
  EXPECT_GT(blue, 50);
  EXPECT_GT(maroon, 50);
}

TEST(AboutBox, LanguageTextsBeginWithTheFixedSentences) {
  EXPECT_TRUE(TFrmAbout::descriptionEnglish().startsWith(
      QStringLiteral("This program shows the horizontal polar diagram of two vertical aerials "
                     "spaced at variable distances and phase angles. ")));
  EXPECT_TRUE(TFrmAbout::descriptionGerman().startsWith(QStringLiteral(
      "Dieses Programm zeigt das horizontale Polardiagramm zweier Strahler mit "
      "unterschiedlichen Abst\u00e4nden und unterschiedlicher Phasenansteuerung. ")));
  // Each paragraph has its two further sentences.
  EXPECT_EQ(TFrmAbout::descriptionEnglish().count(QLatin1String(". ")), 2);
  EXPECT_EQ(TFrmAbout::descriptionGerman().count(QLatin1String(". ")), 2);
  // Either language fits its place, broken into lines.
  TFrmAbout box;
  QLabel *label = box.LblDescription;
  for (const QString &text : {TFrmAbout::descriptionEnglish(), TFrmAbout::descriptionGerman()}) {
    label->setText(text);
    EXPECT_LE(label->minimumSizeHint().width(), label->width());
    EXPECT_LE(label->heightForWidth(label->width()), label->height());
  }
}

TEST(Resources, ProgramIconAndGlyphsAreCompiledIn) {
  const QIcon icon = dipolixAppIcon();
  EXPECT_EQ(icon.availableSizes().size(), 6);
  EXPECT_EQ(QImage(QString::fromLatin1(resources::kInfoGlyph)).size(), QSize(20, 20));
  EXPECT_EQ(QImage(QString::fromLatin1(resources::kInfoGlyphDisabled)).size(), QSize(20, 20));
  EXPECT_EQ(QImage(QString::fromLatin1(resources::kExitGlyph)).size(), QSize(21, 21));
  EXPECT_EQ(QImage(QString::fromLatin1(resources::kOkGlyph)).size(), QSize(21, 21));
  EXPECT_EQ(QImage(QString::fromLatin1(resources::kAboutIcon)).size(), QSize(32, 32));
}
