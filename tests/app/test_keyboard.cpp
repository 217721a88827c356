// The program without a mouse: tab order, scroll-bar keys, the memo's Tab, the About box's
// links, and where the main window opens.
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "AboutBox.h"
#include "ChartMenu.h"
#include "Nuvra_urllab.h"
#include "TMemo.h"
#include "mainfrm.h"

namespace {

void activate(QWidget &w) {
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// The focus chain as Tab walks it, starting from the focused widget, once around.
std::vector<QWidget *> tabCycle(int steps) {
  std::vector<QWidget *> seen{QApplication::focusWidget()};
  for (int i = 0; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen.push_back(QApplication::focusWidget());
  }
  return seen;
}

struct Keyboard : ::testing::Test {
  TFrmRadPattern form{/*headless=*/true};
  void SetUp() override { activate(form); }
};

TEST_F(Keyboard, TabWalksTheControlsInLayoutOrderAndLeavesTheMemoAlone) {
  const QString memo = form.MMInfo->toPlainText();
  const std::vector<QWidget *> expected{form.SBarPhaseDiff, form.SBarL,    form.MMInfo,
                                        form.BButInfo,      form.BButExit, form.SBarPhaseDiff};
  EXPECT_EQ(tabCycle(5), expected);
  EXPECT_EQ(form.MMInfo->toPlainText(), memo);
  EXPECT_FALSE(form.MMInfo->isReadOnly());
}

TEST_F(Keyboard, ScrollBarKeysMoveByTheirStepsAndRecomputeOnce) {
  const struct {
    QScrollBar *bar;
    Qt::Key key;
    int from;
    int to;
  } cases[] = {
      {form.SBarL, Qt::Key_Right, 1000, 1050},       {form.SBarL, Qt::Key_Up, 1000, 1050},
      {form.SBarL, Qt::Key_Left, 1000, 950},         {form.SBarL, Qt::Key_Down, 1000, 950},
      {form.SBarL, Qt::Key_PageUp, 1000, 1500},      {form.SBarL, Qt::Key_PageDown, 1000, 500},
      {form.SBarL, Qt::Key_Home, 1000, 0},           {form.SBarL, Qt::Key_End, 1000, 10000},
      {form.SBarPhaseDiff, Qt::Key_Right, 100, 131}, {form.SBarPhaseDiff, Qt::Key_Down, 100, 69},
      {form.SBarPhaseDiff, Qt::Key_PageUp, 0, 314},  {form.SBarPhaseDiff, Qt::Key_End, 0, 6283},
  };
  for (const auto &c : cases) {
    c.bar->setValue(c.from);
    c.bar->setFocus();
    QSignalSpy recomputed(&form, &TFrmRadPattern::patternRecomputed);
    QTest::keyClick(c.bar, c.key);
    EXPECT_EQ(c.bar->value(), c.to) << c.bar->objectName().toStdString() << " key " << c.key;
    EXPECT_EQ(recomputed.count(), 1);
  }
}

// The style draws no focus on scroll bars: the program's own frame, one pixel inside the edge,
// is the only difference focus makes, and only focus.
TEST_F(Keyboard, FocusedScrollBarShowsAFrameInsideItsEdge) {
  for (QScrollBar *bar : {form.SBarL, form.SBarPhaseDiff}) {
    // Styles frame only focus that keys moved, so Tab walks there; one more Tab leaves.
    for (int i = 0; i < 30 && !bar->hasFocus(); ++i)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(bar->hasFocus());
    const QImage focused = bar->grab().toImage();
    QTest::keyClick(bar, Qt::Key_Tab);
    ASSERT_FALSE(bar->hasFocus());
    const QImage plain = bar->grab().toImage();
    ASSERT_EQ(plain.size(), focused.size());
    QRect changed;
    for (int y = 0; y < plain.height(); ++y)
      for (int x = 0; x < plain.width(); ++x)
        if (plain.pixel(x, y) != focused.pixel(x, y))
          changed |= QRect(x, y, 1, 1);
    EXPECT_EQ(changed, bar->rect().adjusted(1, 1, -1, -1)) << bar->objectName().toStdString();
    // Without focus it is drawn as any scroll bar is.
    QScrollBar stock(Qt::Horizontal, &form);
    stock.setRange(bar->minimum(), bar->maximum());
    stock.setPageStep(bar->pageStep());
    stock.setValue(bar->value());
    stock.setGeometry(bar->geometry());
    EXPECT_EQ(stock.grab().toImage(), plain) << bar->objectName().toStdString();
  }
}

// Shift+F10 opens the chart's menu only from the chart, leaving other controls' keys alone.
TEST_F(Keyboard, ShiftF10OpensTheChartMenuFromTheChartOnly) {
  QMenu *menu = chartmenu::install(form);
  for (QWidget *focus :
       {static_cast<QWidget *>(form.PCRicht), static_cast<QWidget *>(form.SBarL)}) {
    activate(form);
    focus->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus->hasFocus(); }, 2000));
    QTest::keyClick(focus, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(menu->isVisible(), focus == form.PCRicht) << focus->objectName().toStdString();
    menu->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 2000));
  }
}

TEST_F(Keyboard, PresetShortcutsMoveTheDistance) {
  // A shortcut "presses" the button for a moment, as a click would.
  QTest::keySequence(&form, QKeySequence(QStringLiteral("Alt+3")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.SBarL->value() == 1500; }, 2000));
  QTest::keySequence(&form, QKeySequence(QStringLiteral("Alt+5")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.SBarL->value() == 4000; }, 2000));
}

TEST_F(Keyboard, WindowOpensCentredOnItsScreen) {
  const QRect area = form.screen()->availableGeometry();
  EXPECT_LE((form.frameGeometry().center() - area.center()).manhattanLength(), 1);
}

TEST(AnyPalette, MemoStaysBlackOnCreamUnderADarkDesktopPalette) {
  const QPalette before = QApplication::palette();
  QPalette dark(QColor(30, 30, 30), QColor(20, 20, 20));
  dark.setColor(QPalette::Text, Qt::white);
  QApplication::setPalette(dark);
  {
    TFrmRadPattern form{/*headless=*/true};
    const QPalette memo = form.MMInfo->palette();
    EXPECT_EQ(memo.color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(memo.color(QPalette::Base), QColor(255, 251, 240)); // cream
  }
  QApplication::setPalette(before);
}

TEST(AboutKeyboard, TabReachesEachLinkAndEnterOrSpaceOpensIt) {
  TFrmAbout box;
  activate(box);
  const std::vector<QWidget *> expected{box.BButOK, box.UrlLabNuvraSuite, box.UrlLabSimulations,
                                        box.UrlLabHomepage, box.BButOK};
  EXPECT_EQ(tabCycle(4), expected);

  int opened = 0;
  box.UrlLabSimulations->SetURL(QString()); // nothing is launched
  box.UrlLabSimulations->OnClick = [&](QObject *) { ++opened; };
  box.UrlLabSimulations->setFocus();
  QTest::keyClick(box.UrlLabSimulations, Qt::Key_Return);
  QTest::keyClick(box.UrlLabSimulations, Qt::Key_Space);
  QTest::keyClick(box.UrlLabSimulations, Qt::Key_A);
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(box.isVisible());

  box.BButOK->setFocus();
  QTest::keyClick(box.BButOK, Qt::Key_Return);
  EXPECT_FALSE(box.isVisible());
}

} // namespace
