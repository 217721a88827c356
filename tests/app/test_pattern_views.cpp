// The window's views of the pattern beyond the layout: the decibel view through the chart's
// own range and label machinery, the tool tip under the pointer, the facts window and the
// memo text that announces them.
#include <QAccessible>
#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include "ChartView.h"
#include "FactsWindow.h"
#include "Glossan2000.h"
#include "Pattern.h"
#include "PatternAnalysis.h"
#include "TMemo.h"
#include "language_files.h"
#include "mainfrm.h"

namespace {

const chartview::Translate kSame = [](const QString &key) { return key; };

struct Window : ::testing::Test {
  TFrmRadPattern form{/*headless=*/true};
  void SetUp() override { form.show(); }

  // The scale labels one repaint draws, in order, with their kind.
  QStringList labels(TCustomPolChart::TpcScaleKind kind) {
    QStringList seen;
    auto own = form.PCRicht->OnBeforeDrawScaleLabel;
    form.PCRicht->OnBeforeDrawScaleLabel =
        [&](QObject *s, TCanvas *&c, TCustomPolChart::TpcScaleKind k, QString &text, int x, int y) {
          own(s, c, k, text, x, y);
          if (k == kind && !text.isEmpty())
            seen << text;
        };
    form.PCRicht->invalidateStaticLayer(); // the cached grid would not call the new handler
    form.PCRicht->Paint();
    form.PCRicht->OnBeforeDrawScaleLabel = own;
    return seen;
  }
  QList<double> circles() const {
    QList<double> radii;
    for (int i = 0; i < form.PCRicht->Count(); ++i)
      if (form.PCRicht->item(i).Kind == ikCircle)
        radii << form.PCRicht->item(i).R;
    return radii;
  }
};

TEST(DecibelScale, KeepsOnlyWholeTensWithTheUnit) {
  const struct {
    const char *in, *out;
  } cases[] = {{"-30", "-30 dB"},
               {"-24", ""},
               {"-6", ""},
               {"0", "0 dB"},
               {"-10", "-10 dB"},
               // a rounding error on either side of a whole ten still reads as that ten
               {"-29.9999999999", "-30 dB"},
               {"-30.0000000001", "-30 dB"}};
  for (const auto &c : cases) {
    QString label = QString::fromLatin1(c.in);
    EXPECT_TRUE(chartview::decibelScaleLabel(label));
    EXPECT_EQ(label, QString::fromLatin1(c.out)) << c.in;
  }
  QString text = QStringLiteral("30");
  text += QChar(0x00B0);
  EXPECT_FALSE(chartview::decibelScaleLabel(text));
}

TEST_F(Window, DecibelViewAndBack) {
  EXPECT_FALSE(form.decibelView()); // the layout's linear view by default
  EXPECT_TRUE(labels(TCustomPolChart::skRadial).isEmpty());
  for (int i = 1; i <= 3; ++i) { // a program may have used the labels otherwise
    form.PCRicht->TextLabel(i)->SetAttachToData(false);
    form.PCRicht->TextLabel(i)->SetTransparent(true);
  }
  form.decibelAction()->trigger();
  ASSERT_TRUE(form.decibelView());
  EXPECT_EQ(form.PCRicht->RangeLow(), -30.0);
  EXPECT_EQ(form.PCRicht->RangeHigh(), 0.0);
  // Centre, then the rim above and below; the rings between carry text labels.
  EXPECT_EQ(labels(TCustomPolChart::skRadial), (QStringList{"-30 dB", "0 dB", "0 dB"}));
  EXPECT_EQ(circles(), (QList<double>{-20.0, -10.0, -3.0}));
  QStringList captions;
  for (int i = 1; i <= 3; ++i)
    if (form.PCRicht->TextLabel(i)->Mode() != TpcTextLabel::tlOff)
      captions << form.PCRicht->TextLabel(i)->Caption();
  EXPECT_EQ(captions, (QStringList{"-10 dB", "-20 dB", "-3 dB"}));
  // On their rings, held there by the data: up the chart, and the -3 dB one to the upper right.
  const struct { double r, phi; } places[] = {{-10.0, 270.0}, {-20.0, 270.0}, {-3.0, 300.0}};
  for (int i = 1; i <= 3; ++i) {
    const TpcTextLabel *label = form.PCRicht->TextLabel(i);
    EXPECT_EQ(label->PosRad(), places[i - 1].r) << i;
    EXPECT_EQ(label->PosPhi(), places[i - 1].phi) << i;
    EXPECT_TRUE(label->AttachToData()) << i;
    EXPECT_FALSE(label->Transparent()) << i; // on the chart colour, over the grid
  }
  // At 90° for half a wavelength in phase: full power on the rim; at 0° a null at the centre.
  EXPECT_EQ(form.PCRicht->item(4 + 2 * 90).R, 0.0);
  EXPECT_EQ(form.PCRicht->item(4).R, -30.0);
  EXPECT_NEAR(pattern::decibels(0.0), -3.0103, 1e-4);

  form.decibelAction()->trigger();
  EXPECT_FALSE(form.decibelView());
  EXPECT_EQ(form.PCRicht->RangeLow(), -1.0);
  EXPECT_EQ(form.PCRicht->RangeHigh(), 1.0);
  EXPECT_TRUE(labels(TCustomPolChart::skRadial).isEmpty());
  EXPECT_EQ(labels(TCustomPolChart::skAngular).first(), QStringLiteral("0\u00b0"));
  EXPECT_EQ(circles(), QList<double>{static_cast<double>(std::sqrt(2.0L) - 1.0L)});
  EXPECT_EQ(form.PCRicht->TextLabel(1)->Mode(), TpcTextLabel::tlOff);
}

TEST_F(Window, ToolTipShowsDirectionAndPowerUnderThePointer) {
  EXPECT_EQ(chartview::pointerTip(1000, 0, 60.0, kSame),
            QStringLiteral("Direction: 60.0\u00b0\nPower: \u03c1 = 0.5000 = -3.01 dB"));
  EXPECT_TRUE(chartview::pointerTip(1000, 0, 0.0, kSame).endsWith(QStringLiteral("-\u221e dB")));
  // A quarter of the way up from the centre: 270° (angles grow clockwise from three o'clock).
  const ChartMapping map = form.PCRicht->mapping();
  const QPoint centre(qRound(map.offsetX), qRound(map.offsetY));
  const double rim = 2 * map.scaleY; // pixels from the centre to the rim
  const QPoint up = centre - QPoint(0, qRound(0.25 * rim));
  QHelpEvent inside(QEvent::ToolTip, up, form.PCRicht->mapToGlobal(up));
  QCoreApplication::sendEvent(form.PCRicht, &inside);
  EXPECT_TRUE(QToolTip::text().startsWith(QStringLiteral("Direction: 270.0\u00b0")))
      << QToolTip::text().toStdString();
  const QPoint corner(1, 1); // outside the rim
  QHelpEvent outside(QEvent::ToolTip, corner, form.PCRicht->mapToGlobal(corner));
  QCoreApplication::sendEvent(form.PCRicht, &outside);
  EXPECT_FALSE(outside.isAccepted());
  EXPECT_TRUE(inside.isAccepted());
  form.setDecibelView(true); // the rim is still the limit
  QHelpEvent within(QEvent::ToolTip, centre - QPoint(0, qRound(0.95 * rim)), QPoint());
  QCoreApplication::sendEvent(form.PCRicht, &within);
  EXPECT_TRUE(within.isAccepted());
  QHelpEvent beyond(QEvent::ToolTip, centre - QPoint(0, qRound(1.05 * rim)), QPoint());
  QCoreApplication::sendEvent(form.PCRicht, &beyond);
  EXPECT_FALSE(beyond.isAccepted());
}

TEST_F(Window, FactsWindowFollowsTheScrollBarsAndIsAccessible) {
  EXPECT_EQ(form.factsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(form.decibelAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
  form.factsAction()->trigger();
  FactsWindow *facts = form.facts();
  ASSERT_TRUE(facts && facts->isVisible());
  EXPECT_FALSE(facts->isModal());
  EXPECT_EQ(facts->ValueLabel(0)->text(), QStringLiteral("90.0\u00b0, 270.0\u00b0"));
  EXPECT_EQ(facts->ValueLabel(3)->text(), QStringLiteral("60.0\u00b0, 60.0\u00b0"));
  form.SBarL->setValue(2000);
  EXPECT_EQ(facts->ValueLabel(0)->text(),
            QStringLiteral("0.0\u00b0, 90.0\u00b0, 180.0\u00b0, 270.0\u00b0"));
  form.SBarL->setValue(0);
  EXPECT_EQ(facts->ValueLabel(0)->text(), QStringLiteral("all directions alike"));
  EXPECT_EQ(facts->ValueLabel(2)->text(), QStringLiteral("none"));
  // Each value is reached with Tab and read out under its caption.
  QLabel *value = facts->ValueLabel(4);
  EXPECT_EQ(value->focusPolicy(), Qt::StrongFocus);
  QAccessibleInterface *ia = QAccessible::queryAccessibleInterface(value);
  ASSERT_TRUE(ia);
  EXPECT_EQ(ia->text(QAccessible::Name), QStringLiteral("0.00 dBi"));
  const auto relations = ia->relations(QAccessible::Label);
  ASSERT_EQ(relations.size(), 1);
  EXPECT_EQ(relations.first().first->text(QAccessible::Name), QStringLiteral("Directivity:"));
  pattern::Analysis unbounded;
  EXPECT_EQ(factTexts(unbounded, kSame).at(5), QStringLiteral("\u221e dB"));

  // A tool window beside the main window, named for scripts, where the window's shortcuts work.
  EXPECT_TRUE(facts->windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(form.findChild<QAction *>(QStringLiteral("ActFacts")), form.factsAction());
  EXPECT_EQ(form.findChild<QAction *>(QStringLiteral("ActDecibels")), form.decibelAction());
  EXPECT_TRUE(facts->actions().contains(form.factsAction()));
  EXPECT_TRUE(facts->actions().contains(form.decibelAction()));
  // The decibel view set by the program shows as the menu entry's tick.
  form.setDecibelView(true);
  EXPECT_TRUE(form.decibelAction()->isChecked());
  form.setDecibelView(false);
  EXPECT_FALSE(form.decibelAction()->isChecked());
  // Asked for again from the main window, the open window comes to the front with the focus.
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }, 2000));
  form.factsAction()->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return facts->isActiveWindow(); }, 2000));
  // Its button closes it.
  auto *close = facts->findChild<QPushButton *>(QStringLiteral("BButClose"));
  ASSERT_TRUE(close);
  close->click();
  EXPECT_FALSE(facts->isVisible());
}

// The room a label's text takes, unwrapped.
QSize textSize(const QLabel *label) {
  return label->fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), 0, label->text()).size();
}

TEST(FactsWindow, ShowsTheFactsOfEveryPositionPairInRowsOfFixedSize) {
  const chartview::Translate bracketed = [](const QString &k) {
    return QStringLiteral("<%1>").arg(k);
  };
  FactsWindow facts(bracketed);
  facts.show();
  EXPECT_EQ(facts.windowTitle(), QStringLiteral("<Pattern facts>"));
  // Each position on its own changes what is shown, and going back shows the old facts again.
  const std::pair<int, int> positions[] = {
      {1000, 0}, {3000, 0}, {3000, 3141}, {1000, 3141}, {pattern::kDistanceMax, 0}, {1000, 0}};
  for (const auto &[p, q] : positions) {
    facts.setPattern(p, q);
    const QStringList expected = factTexts(pattern::analyse(p, q), bracketed);
    for (int row = 0; row < 6; ++row) {
      QLabel *value = facts.ValueLabel(row);
      EXPECT_EQ(value->text(), expected[row]) << p << ' ' << q << " row " << row;
      EXPECT_LE(textSize(value).width(), value->contentsRect().width())
          << "row " << row << " clipped";
    }
  }
  // Rows named for scripts and tools, laid out top to bottom. The lists
  // (lobes, nulls, beamwidths) get the room of the longest list, the others one line.
  for (int row = 0; row < 6; ++row) {
    QLabel *value = facts.ValueLabel(row);
    EXPECT_EQ(value->objectName(), QStringLiteral("Fact%1").arg(row));
    const int lines = row == 0 || row == 2 || row == 3 ? 4 : 1;
    const QFontMetrics fm = value->fontMetrics();
    EXPECT_GE(value->contentsRect().height(), lines * fm.height()) << row;
    EXPECT_LE(value->contentsRect().height(), lines * fm.lineSpacing()) << row;
    if (row > 0) {
      EXPECT_GT(value->y(), facts.ValueLabel(row - 1)->y()) << row;
    }
  }
  facts.setPattern(pattern::kDistanceMax, 0); // the most lobes there are
  QLabel *lobes = facts.ValueLabel(0);
  const int needed = textSize(lobes).height();
  EXPECT_LE(needed, lobes->contentsRect().height());
  EXPECT_LT(lobes->contentsRect().height(), needed + lobes->fontMetrics().lineSpacing());
}

TEST(FactsWindow, TextsShowTheirDigits) {
  pattern::Analysis a;
  a.mainLobesDeg = {0.04, 12.34, 20, 30, 40, 50, 60};
  a.maxRho = 0.123456;
  a.halfPowerBeamwidthDeg = std::vector<double>{};
  a.directivityDbi = 3.14159;
  a.frontToBackDb = 12.3456;
  EXPECT_EQ(
      factTexts(a, kSame),
      (QStringList{QStringLiteral("0.0°, 12.3°, 20.0°, 30.0°, 40.0°, 50.0°,\n60.0°"),
                   QStringLiteral("ρ = 0.1235"), QStringLiteral("none"), QStringLiteral("none"),
                   QStringLiteral("3.14 dBi"), QStringLiteral("12.35 dB")}));
}

TEST(Memo, LineBreaksOfAnyKindInsideALineBecomeLines) {
  TMemo memo(nullptr);
  memo.SetLines({QStringLiteral("a\r\nb"), QStringLiteral("c\rd"), QString()});
  EXPECT_EQ(memo.Lines(), (QStringList{"a", "b", "c", "d", ""}));
  memo.SetLines({});
  EXPECT_TRUE(memo.Lines().isEmpty());
}

TEST_F(Window, MemoTextFitsInBothLanguages) {
  for (const char *name : {"english.itl", "german.itl"}) {
    QByteArray bytes = sourceLanguageFile(name);
    QBuffer buffer(&bytes);
    TGlossan2000 g(QString{});
    g.LoadFromStream(buffer);
    const QString text = g.Translate(QStringLiteral("MMInfo"));
    EXPECT_TRUE(text.contains(QStringLiteral("+F")) && text.contains(QStringLiteral("dB")));
    form.MMInfo->SetLines(text.split(QStringLiteral("\r\n")));
    QCoreApplication::processEvents();
    const int lines = qRound(form.MMInfo->document()->documentLayout()->documentSize().height());
    const int room = form.MMInfo->viewport()->height() / form.MMInfo->fontMetrics().lineSpacing();
    EXPECT_LE(lines, room) << name;
  }
}

} // namespace
