// The main window as a user meets it: layout, presets, read-outs and one repaint per change.
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "Nuvra_NumLab.h"
#include "Nuvra_canvas.h"
#include "TMemo.h"
#include "mainfrm.h"

namespace {

struct Window : ::testing::Test {
  TFrmRadPattern form{/*headless=*/true};
  void SetUp() override { form.show(); }
};

TEST_F(Window, LayoutMatchesTheDialog) {
  EXPECT_EQ(form.size(), QSize(752, 460));
  EXPECT_EQ(form.PCRicht->geometry(), QRect(8, 8, 465, 441));
  EXPECT_EQ(form.NLabdphi->geometry(), QRect(552, 16, 201, 20));
  EXPECT_EQ(form.NumLabL->geometry(), QRect(482, 112, 273, 20));
  EXPECT_EQ(form.SBarL->geometry(), QRect(488, 136, 257, 16));
  EXPECT_EQ(form.Label1->geometry(), QRect(488, 60, 75, 16));
  EXPECT_EQ(form.Label2->geometry(), QRect(664, 60, 83, 16));
  EXPECT_EQ(form.SB2Lamda->geometry(), QRect(696, 160, 49, 22));
  EXPECT_EQ(form.MMInfo->geometry(), QRect(488, 216, 257, 193));
  EXPECT_EQ(form.BButExit->geometry(), QRect(618, 420, 126, 29));
  EXPECT_EQ(form.SBarPhaseDiff->maximum(), 6283);
  EXPECT_EQ(form.SBarPhaseDiff->singleStep(), 31);
  EXPECT_EQ(form.SBarL->pageStep(), 500);
  EXPECT_EQ(form.SBLamda4->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form.SB3Lamda4->text(), QStringLiteral("3λ/4"));
  // The read-outs, held back while the layout sets them up, are shown and painted.
  for (TNumLab *lab : {form.NLabdphi, form.NumLabL}) {
    EXPECT_TRUE(lab->isVisible()) << lab->objectName().toStdString();
    EXPECT_EQ(lab->screenImage().size(), lab->size()) << lab->objectName().toStdString();
  }
  // Missing families are left out of the layout's font lists; what is shown is what the whole
  // list gives.
  const auto resolved = [](const QStringList &families) {
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(13);
    return QFontInfo(f).family();
  };
  EXPECT_EQ(QFontInfo(form.font()).family(), resolved({"MS Sans Serif", "Liberation Sans"}));
  EXPECT_EQ(QFontInfo(form.SBLamda4->font()).family(), resolved({"Symbol", "DejaVu Sans"}));
  QStringList installed;
  for (const QString &family : QFontDatabase::families())
    installed << family.section(QStringLiteral(" ["), 0, 0);
  for (const QFont &font : {form.font(), form.SBLamda4->font()}) {
    ASSERT_FALSE(font.families().isEmpty());
    for (const QString &family : font.families())
      EXPECT_TRUE(installed.contains(family, Qt::CaseInsensitive)) << family.toStdString();
  }
}

// The read-outs repaint on every property set unless hidden, also in a window not yet shown:
// the layout and the translation would paint them a dozen times for nothing.
TEST(WindowBuild, ReadoutsAreFirstPaintedWhenShown) {
  TFrmRadPattern form(/*headless=*/true);
  for (TNumLab *lab : {form.NLabdphi, form.NumLabL})
    EXPECT_TRUE(lab->screenImage().isNull()) << lab->objectName().toStdString();
}

TEST_F(Window, StartUpShowsTheFirstPattern) {
  EXPECT_EQ(form.NumLabL->property("Value").toDouble(), 0.5);
  EXPECT_EQ(form.NLabdphi->property("Value").toDouble(), 0.0);
  EXPECT_EQ(form.PCRicht->Count(), 360 * 2 + 3);
  // Centred in its area (no shadow): the chart stays centred even though the stored layout
  // gives other values.
  EXPECT_EQ(form.PCRicht->property("CenterX").toInt(), 465 / 2);
  EXPECT_EQ(form.PCRicht->property("CenterY").toInt(), 441 / 2);
}

TEST_F(Window, PresetsMoveOnlyTheDistanceBar) {
  const struct {
    QToolButton *button;
    int position;
    double value;
  } presets[] = {{form.SBLamda4, 500, 0.25},
                 {form.SBLamda2, 1000, 0.5},
                 {form.SB3Lamda4, 1500, 0.75},
                 {form.SBarLamda, 2000, 1.0},
                 {form.SB2Lamda, 4000, 2.0}};
  form.SBarPhaseDiff->setValue(1234);
  for (const auto &p : presets) {
    p.button->click();
    EXPECT_EQ(form.SBarL->value(), p.position);
    EXPECT_DOUBLE_EQ(form.NumLabL->property("Value").toDouble(), p.value);
    EXPECT_EQ(form.SBarPhaseDiff->value(), 1234);
  }
  // The same preset again changes nothing, so nothing is recomputed.
  QSignalSpy recomputed(&form, &TFrmRadPattern::patternRecomputed);
  form.SB2Lamda->click();
  EXPECT_EQ(recomputed.count(), 0);
}

// Shown, the window paints its chart once, with the first pattern, centred.
TEST(WindowStart, PaintsTheChartOnce) {
  CanvasRecorder rec;
  TFrmRadPattern form{/*headless=*/true};
  form.show();
  int chartFrames = 0;
  for (const CanvasCall &c : rec.of(CanvasOp::Draw, QStringLiteral("screen")))
    chartFrames += c.points.at(1) == QPoint(465, 441);
  EXPECT_EQ(chartFrames, 1);
  EXPECT_TRUE(form.PCRicht->isVisible());
}

TEST_F(Window, EachChangeRepaintsTheChartOnce) {
  CanvasRecorder rec;
  form.SBarL->setValue(7777);
  // One repaint of the chart is one finished frame copied to its screen canvas (the
  // read-outs copy their own, smaller frames).
  int chartFrames = 0;
  for (const CanvasCall &c : rec.of(CanvasOp::Draw, QStringLiteral("screen")))
    chartFrames += c.points.at(1) == QPoint(465, 441);
  EXPECT_EQ(chartFrames, 1);
  EXPECT_EQ(form.PCRicht->Count(), 360 * 8 + 3);
  rec.clear();
  form.SBarPhaseDiff->setValue(100); // the phase leaves the number of items alone
  EXPECT_EQ(form.PCRicht->Count(), 360 * 8 + 3);
}

TEST_F(Window, AngleLabelsCarryTheDegreeSign) {
  // The handler depends on its arguments only, so the program lets the chart cache its grid.
  EXPECT_TRUE(form.PCRicht->CacheStaticLayer());
  form.PCRicht->invalidateStaticLayer();
  CanvasRecorder rec;
  form.PCRicht->ShowGraf();
  QStringList labels;
  for (const CanvasCall &c : rec.of(CanvasOp::TextOut, QStringLiteral("chart")))
    labels << c.text;
  QStringList expected;
  for (int a = 0; a < 360; a += 30)
    expected << QString::number(a) + QChar(0x00B0);
  EXPECT_EQ(labels, expected); // and no radial labels
}

// Linear view: a degree sign on every label. Decibel view: radial labels become levels in dB
// (every ten, the others left blank), angle labels keep their degree sign.
TEST_F(Window, ScaleLabelHandlerByViewAndKind) {
  const auto radial = TCustomPolChart::skRadial;
  const auto angle = TCustomPolChart::skAngular;
  const struct {
    bool decibels;
    TCustomPolChart::TpcScaleKind kind;
    const char *label, *shown;
  } cases[] = {
      {false, radial, "1.00", "1.00°"}, {false, angle, "30", "30°"},
      {true, radial, "-20", "-20 dB"},  {true, radial, "-15", ""},
      {true, angle, "30", "30°"},       {true, angle, "40", "40°"},
  };
  for (const auto &c : cases) {
    form.setDecibelView(c.decibels);
    QString label = QString::fromUtf8(c.label);
    TCanvas *canvas = nullptr;
    form.PCRichtBeforeDrawScaleLabel(form.PCRicht, canvas, c.kind, label, 0, 0);
    EXPECT_EQ(label, QString::fromUtf8(c.shown)) << c.decibels << " " << c.label;
  }
}

TEST_F(Window, PhaseBarAtItsEndReadsOnePi) {
  form.SBarPhaseDiff->setValue(6283);
  EXPECT_NEAR(form.NLabdphi->property("Value").toDouble(), 0.99997, 1e-5);
  EXPECT_EQ(form.NLabdphi->property("RightText").toString(), QStringLiteral("Pi"));
}

// Not connected by the window itself; a program that connects it has the window come to the
// front with the focus when the server's parameters change.
TEST_F(Window, ParamsChangeHandlerBringsTheWindowToTheFront) {
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 2000));
  form.cliDemonParamsChange(nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }, 2000));
}

TEST_F(Window, ExitClosesTheWindow) {
  form.BButExit->click();
  EXPECT_FALSE(form.isVisible());
}

} // namespace
