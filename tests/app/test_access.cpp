// What assistive tools learn through Qt's accessibility API: roles, names and values of the
// controls in the user's language, and the chart's description in words.
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QBuffer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <utility>

#include "Accessibility.h"
#include "Glossan2000.h"
#include "Nuvra_NumLab.h"
#include "Nuvra_urllab.h"
#include "PatternAnalysis.h"
#include "PatternDescription.h"
#include "TMemo.h"
#include "mainfrm.h"

namespace {

// The window as the program shows it: the build puts the English language file beside
// this test program, so the window translates itself.
struct Access : ::testing::Test {
  TFrmRadPattern form{/*headless=*/true};
  void SetUp() override { form.show(); }
  static QAccessibleInterface *of(QWidget *w) { return QAccessible::queryAccessibleInterface(w); }
};

TEST_F(Access, EveryControlHasRoleNameAndValue) {
  const struct {
    QWidget *widget;
    QAccessible::Role role;
    const char *name;
    const char *value;
  } cases[] = {
      {form.SBarPhaseDiff, QAccessible::ScrollBar, "Phase Difference", "0.000 \u03c0"},
      {form.SBarL, QAccessible::ScrollBar, "Distance between Aerials:", "0.500 wavelengths"},
      {form.NLabdphi, QAccessible::StaticText, "Phase Difference", "0.000 Pi"},
      {form.NumLabL, QAccessible::StaticText, "Distance between Aerials", "0.500 Lambda"},
      {form.PCRicht, QAccessible::Graphic, "Radiation pattern", ""},
      {form.MMInfo, QAccessible::EditableText, "Information", nullptr},
      {form.SBLamda4, QAccessible::Button, "\u03bb/4", nullptr},
      {form.BButInfo, QAccessible::Button, "Info", nullptr},
      {form.BButExit, QAccessible::Button, "Exit", nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.widget->objectName().toStdString());
    QAccessibleInterface *iface = of(c.widget);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), c.role);
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(c.name));
    if (c.value) {
      EXPECT_EQ(iface->text(QAccessible::Value), QString::fromUtf8(c.value));
    }
  }
  EXPECT_EQ(of(form.SB3Lamda4)->text(QAccessible::Description),
            QStringLiteral("Distance three quarters of a wavelength (Alt+3)"));
  EXPECT_EQ(of(form.PCRicht)->text(QAccessible::Description),
            pattern::describe(pattern::analyse(1000, 0)));
}

TEST_F(Access, ScrollBarValueIsReadAndSetInTheUsersUnit) {
  QAccessibleValueInterface *value = of(form.SBarL)->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.5);
  EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 5.0);
  value->setCurrentValue(1.25);
  EXPECT_EQ(form.SBarL->value(), 2500);
  EXPECT_EQ(of(form.NumLabL)->text(QAccessible::Value), QStringLiteral("1.250 Lambda"));
  EXPECT_EQ(of(form.NumLabL)->textInterface()->text(0, 5), QStringLiteral("1.250"));
  value->setCurrentValue(99.0); // clamped, as a drag to the end
  EXPECT_EQ(form.SBarL->value(), 10000);
  of(form.SBarPhaseDiff)->valueInterface()->setCurrentValue(0.5);
  EXPECT_EQ(form.SBarPhaseDiff->value(), 3142);
}

// The component interfaces: the owner's name wins over the caption, the spoken value has a
// unit only when there is one, the text interface has no selection or caret, and the link's
// press action clicks it.
TEST_F(Access, ComponentInterfacesSayWhatTheyShow) {
  TNumLab *label = form.NumLabL;
  QAccessibleInterface *readout = of(label);
  label->setAccessibleDescription(QStringLiteral("How far apart"));
  EXPECT_EQ(readout->text(QAccessible::Description), QStringLiteral("How far apart"));
  label->setAccessibleName(QStringLiteral("Spacing"));
  EXPECT_EQ(readout->text(QAccessible::Name), QStringLiteral("Spacing"));
  QAccessibleTextInterface *text = readout->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->selectionCount(), 0);
  EXPECT_EQ(text->offsetAtPoint(QPoint(2, 2)), -1);
  int start = -1, end = -1;
  text->attributes(3, &start, &end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, text->characterCount());
  text->selection(0, &start, &end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  label->SetRightText(QString());
  EXPECT_EQ(readout->text(QAccessible::Value), label->displayText());
  label->SetRightText(QStringLiteral("Lambda"));
  label->SetEmpty(true);
  EXPECT_EQ(readout->text(QAccessible::Value), QString());

  TUrlLab link;
  link.setText(QStringLiteral("Home page"));
  int clicks = 0;
  link.OnClick = [&](QObject *) { ++clicks; }; // no address: a click opens nothing
  QAccessibleActionInterface *actions = of(&link)->actionInterface();
  ASSERT_NE(actions, nullptr);
  actions->doAction(QAccessibleActionInterface::setFocusAction());
  EXPECT_EQ(clicks, 0);
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(clicks, 1);
  // Named by its caption, its value the address; nothing else takes the caption.
  link.SetURL(QStringLiteral("https://example.org/"));
  EXPECT_EQ(of(&link)->text(QAccessible::Name), QStringLiteral("Home page"));
  EXPECT_EQ(of(&link)->text(QAccessible::Value), QStringLiteral("https://example.org/"));
  EXPECT_EQ(of(&link)->text(QAccessible::Description), QString());
  link.setAccessibleName(QStringLiteral("Our home page"));
  EXPECT_EQ(of(&link)->text(QAccessible::Name), QStringLiteral("Our home page"));
}

TEST_F(Access, DescriptionFollowsTheDistanceOnceItSettles) {
  auto *speaker = form.PCRicht->findChild<speech::ChartSpeaker *>();
  ASSERT_NE(speaker, nullptr);
  QSignalSpy announced(speaker, &speech::ChartSpeaker::described);
  const QString before = form.PCRicht->accessibleDescription();
  for (int p = 1100; p <= 2000; p += 100) // a drag
    form.SBarL->setValue(p);
  EXPECT_EQ(form.PCRicht->accessibleDescription(), before);
  const QString expected = pattern::describe(pattern::analyse(2000, 0));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return form.PCRicht->accessibleDescription() == expected; }, 3000));
  EXPECT_EQ(announced.size(), 1);
}

// The first description comes at once, from any position (0 is the circle); a new language
// renews the one shown at once; changes while the pattern moves wait until it settles.
TEST(ChartSpeaker, DescribesAtOnceFirstAndAgainInANewLanguage) {
  QWidget chart;
  speech::ChartSpeaker speaker(&chart);
  QSignalSpy announced(&speaker, &speech::ChartSpeaker::described);
  speaker.setTexts({}); // nothing to describe yet
  EXPECT_TRUE(chart.accessibleDescription().isEmpty());
  speaker.patternChanged(0, 0);
  EXPECT_EQ(chart.accessibleDescription(), QStringLiteral("Equal radiation in all directions."));
  pattern::DescriptionTexts texts;
  texts.even = QStringLiteral("Rundum gleich.");
  speaker.setTexts(texts);
  EXPECT_EQ(chart.accessibleDescription(), texts.even);
  speaker.patternChanged(1000, 0);
  EXPECT_EQ(chart.accessibleDescription(), texts.even) << "not while it may still move";
  QTest::qWait(speech::ChartSpeaker::kSettleMs / 2);
  EXPECT_EQ(chart.accessibleDescription(), texts.even) << "nor before it has settled";
  EXPECT_TRUE(QTest::qWaitFor([&] { return announced.size() == 3; }, 3000));
  EXPECT_TRUE(chart.accessibleDescription().startsWith(QStringLiteral("Main lobes toward 90")));
}

// Expected texts worked out by hand from ρ = cos²((kd·cos θ + δ)/2) and checked by a dense
// numerical search of the pattern.
TEST(PatternDescription, SaysWhereTheLobesAndNullsPoint) {
  const struct {
    int p, q;
    const char *text;
  } cases[] = {
      {1000, 0,
       "Main lobes toward 90\u00b0 and 270\u00b0; nulls toward 0\u00b0 and 180\u00b0; "
       "half-power beamwidth 60\u00b0."},
      {2000, 0,
       "Main lobes toward 0\u00b0, 90\u00b0, 180\u00b0 and 270\u00b0; nulls toward 60\u00b0, "
       "120\u00b0, 240\u00b0 and 300\u00b0; half-power beamwidths 29\u00b0 to 83\u00b0."},
      {500, 3142,
       "Main lobe toward 180\u00b0; nulls toward 1\u00b0 and 359\u00b0; half-power "
       "beamwidth 180\u00b0."},
      {1000, 6283,
       "Main lobe toward 180\u00b0; nulls toward 90\u00b0 and 270\u00b0; half-power "
       "beamwidth 120\u00b0."},
      {10000, 0, "20 main lobes; 20 nulls; half-power beamwidths 6\u00b0 to 36\u00b0."},
      {0, 0, "Equal radiation in all directions."},
      {0, 6283, "No radiation in any direction."},
  };
  for (const auto &c : cases)
    EXPECT_EQ(pattern::describe(pattern::analyse(c.p, c.q)), QString::fromUtf8(c.text))
        << c.p << "," << c.q;
}

// Analyses handed in by other callers: the edge of silence, directions measured the other way
// round, a beamwidth list that is present but empty.
TEST(PatternDescription, DescribesAnyAnalysisItIsHanded) {
  pattern::Analysis justAudible;
  justAudible.maxRho = 1e-6;
  justAudible.omnidirectional = true;
  pattern::Analysis silent = justAudible;
  silent.maxRho = 0.99e-6;
  pattern::Analysis clockwise;
  clockwise.maxRho = 1;
  clockwise.mainLobesDeg = {-90, 359.6};
  clockwise.halfPowerBeamwidthDeg.emplace();
  const std::pair<pattern::Analysis, const char *> cases[] = {
      {justAudible, "Equal radiation in all directions."},
      {silent, "No radiation in any direction."},
      {clockwise, "Main lobes toward 270\u00b0 and 0\u00b0; no nulls."},
  };
  for (const auto &[analysis, text] : cases)
    EXPECT_EQ(pattern::describe(analysis), QString::fromUtf8(text));
}

TEST(PatternDescription, SpeaksTheLanguageOfTheTable) {
  const QByteArray table = "[Main lobes toward %1]=Hauptkeulen in Richtung %1|$$\r\n"
                           "[nulls toward %1]=Nullstellen in Richtung %1|$$\r\n"
                           "[half-power beamwidth %1]=Halbwertsbreite %1|$$\r\n[and]=und|$$\r\n";
  QByteArray bytes = table;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  TGlossan2000 german{QString{}};
  german.LoadFromStream(buffer);
  const auto texts =
      pattern::DescriptionTexts{}.translated([&](const QString &s) { return german.Translate(s); });
  EXPECT_EQ(pattern::describe(pattern::analyse(1000, 0), texts),
            QStringLiteral("Hauptkeulen in Richtung 90\u00b0 und 270\u00b0; Nullstellen in "
                           "Richtung 0\u00b0 und 180\u00b0; Halbwertsbreite 60\u00b0."));
}

} // namespace
