// Mouse interaction through Qt's mouse events: the drag modes, the zoom window with its
// rubber rectangle, annotation drags and the pointer report.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "click_gestures.h"
#include <cmath>
#include <gtest/gtest.h>

#include "chart_test_util.h"

using C = TCustomPolChart;
using P = std::vector<QPoint>;

namespace {

// A pointer move with the given buttons held (QTest's own move carries no buttons).
void move(QWidget *w, int x, int y, Qt::MouseButtons held = Qt::LeftButton,
          Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QPointF p(x, y);
  QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, held, mods);
  QApplication::sendEvent(w, &e);
}
void press(QWidget *w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
  QTest::mousePress(w, b, Qt::NoModifier, QPoint(x, y));
}
void release(QWidget *w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
  QTest::mouseRelease(w, b, Qt::NoModifier, QPoint(x, y));
}

struct Counts {
  int zoomPan = 0;
  int crossHairMoves = 0;
  int labelMoves = 0;
  QObject *lastMoved = nullptr;
  void attach(TPolChart *c) {
    c->OnZoomPan = [this](QObject *) { ++zoomPan; };
    c->OnCrossHairMove = [this](QObject *, TpcCrossHair *ch) {
      ++crossHairMoves;
      lastMoved = ch;
    };
    c->OnTextLabelMove = [this](QObject *, TpcTextLabel *l) {
      ++labelMoves;
      lastMoved = l;
    };
  }
};

// Repaints counted by the copies to the control's image.
std::size_t repaints(const CanvasRecorder &rec) { return rec.count(CanvasOp::Draw, "screen"); }

// The rubber rectangles drawn on the screen image.
std::vector<CanvasCall> rubber(const CanvasRecorder &rec) {
  return rec.of(CanvasOp::Rectangle, QStringLiteral("screen"));
}

} // namespace

TEST(PolChartMouse, ZoomDragFollowsTheTotalDisplacement) {
  TestChart t(465, 441);
  TPolChart *c = t.chart;
  c->SetMagFactor(0.9);
  c->SetMouseAction(Nuvra::maZoomDrag);
  Counts n;
  n.attach(c);
  CanvasRecorder rec;
  press(c, 200, 300);
  move(c, 200, 300); // starts the drag, changes nothing
  EXPECT_EQ(c->MagFactor(), 0.9);
  EXPECT_EQ(repaints(rec), 0u);
  move(c, 200, 80);
  EXPECT_NEAR(c->MagFactor(), 1.3989, 1e-4); // 0.9 + 220 / 441
  EXPECT_EQ(repaints(rec), 1u) << "one repaint per step";
  EXPECT_EQ(n.zoomPan, 1);
  // Outside the area nothing changes, but the drag goes on.
  move(c, 200, 442);
  move(c, -1, 100);
  EXPECT_NEAR(c->MagFactor(), 0.9 + 220.0 / 441, 1e-12);
  EXPECT_EQ(n.zoomPan, 1);
  move(c, 200, 300);
  EXPECT_DOUBLE_EQ(c->MagFactor(), 0.9);
  EXPECT_EQ(repaints(rec), 2u);
  EXPECT_EQ(n.zoomPan, 2);
  EXPECT_DOUBLE_EQ(c->mapping().scaleX, 441 * 0.9 / 2) << "rescaled";
}

TEST(PolChartMouse, ZoomDragNeverTurnsTheChartInsideOut) {
  TestChart t(465, 441);
  TPolChart *c = t.chart;
  c->SetMagFactor(0.9);
  c->SetMouseAction(Nuvra::maZoomDrag);
  double lastR = 0, lastPhi = 0;
  c->OnMouseMoveInChart = [&](QObject *, bool, C::TShiftState, double r, double phi) {
    lastR = r;
    lastPhi = phi;
  };
  press(c, 100, 0);
  move(c, 100, 0);
  move(c, 100, 441); // 0.9 - 1 would mirror the diagram
  EXPECT_EQ(c->MagFactor(), 0.01);
  EXPECT_GT(c->mapping().scaleX, 0);
  EXPECT_TRUE(std::isfinite(lastR) && std::isfinite(lastPhi));
  move(c, 100, 100); // back up: again from the start point
  EXPECT_NEAR(c->MagFactor(), 0.9 - 100.0 / 441, 1e-12);
  move(c, 100, 0, Qt::NoButton);

  // A control without height has nothing to drag on.
  c->resize(465, 0);
  press(c, 0, 0);
  move(c, 0, 0);
  move(c, 0, 0);
  EXPECT_TRUE(std::isfinite(c->MagFactor()));
  EXPECT_GE(c->MagFactor(), 0.01);
  EXPECT_EQ(C::zoomDragMagFactor(0.5, 10, 0), 0.5);
  EXPECT_EQ(C::zoomDragMagFactor(2, 1, 1), 1) << "a one-pixel control still zooms";
  EXPECT_EQ(C::zoomDragMagFactor(999.5, -1000, 10), 1000);
}

TEST(PolChartMouse, PanStartsOnTheFirstMoveAndStepsInside) {
  TestChart t(200, 200);
  TPolChart *c = t.chart;
  c->SetMouseAction(Nuvra::maPan);
  Counts n;
  n.attach(c);
  ASSERT_EQ(c->CenterX(), 100);
  press(c, 50, 50);
  move(c, 60, 60); // only records the start
  EXPECT_EQ(c->CenterX(), 100);
  EXPECT_EQ(n.zoomPan, 0);
  move(c, 70, 65);
  EXPECT_EQ(c->CenterX(), 110);
  EXPECT_EQ(c->CenterY(), 105);
  EXPECT_EQ(c->mapping().offsetX, 110) << "rescaled";
  move(c, 250, 65); // outside: skipped
  EXPECT_EQ(c->CenterX(), 110);
  move(c, 20, 160);
  EXPECT_EQ(c->CenterX(), 60);
  EXPECT_EQ(c->CenterY(), 200);
  EXPECT_EQ(n.zoomPan, 2);

  // A move without the left button ends the drag; the next one starts afresh, no jump.
  release(c, 20, 160);
  move(c, 30, 30, Qt::NoButton);
  press(c, 30, 30);
  move(c, 180, 180);
  EXPECT_EQ(c->CenterX(), 60);
  move(c, 170, 180);
  EXPECT_EQ(c->CenterX(), 50);

  release(c, 170, 180);

  c->SetMouseAction(Nuvra::maPanHoriz);
  move(c, 100, 100);
  move(c, 90, 150);
  EXPECT_EQ(c->CenterX(), 40);
  EXPECT_EQ(c->CenterY(), 200) << "horizontal only";
}

TEST(PolChartMouse, ZoomWindowAppliesTheSquareRule) {
  TestChart t(400, 300);
  TPolChart *c = t.chart;
  c->SetCenterX(200);
  c->SetCenterY(150);
  const double mag = c->MagFactor();
  c->SetMouseAction(Nuvra::maZoomWind);
  Counts n;
  n.attach(c);
  double midR = 0, midPhi = 0;
  c->ScreenToPolar(130, 130, midR, midPhi);
  CanvasRecorder rec;
  press(c, 100, 100);
  EXPECT_TRUE(rubber(rec).empty()) << "nothing drawn on the press";
  move(c, 150, 170);
  auto rects = rubber(rec);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].points, (P{{100, 100}, {150, 150}})) << "kept square";
  EXPECT_EQ(rects[0].penMode, Nuvra::pmXor);
  EXPECT_EQ(rects[0].penColor, clWhite);
  EXPECT_EQ(rects[0].brushStyle, Nuvra::bsClear);
  EXPECT_EQ(rec.calls.back().brushStyle, Nuvra::bsSolid);
  EXPECT_EQ(rec.calls.back().penMode, Nuvra::pmCopy) << "the canvas returns to copying";
  rec.clear();
  move(c, 160, 160);
  rects = rubber(rec);
  ASSERT_EQ(rects.size(), 2u) << "erase the old, draw the new";
  EXPECT_EQ(rects[0].points, (P{{100, 100}, {150, 150}}));
  EXPECT_EQ(rects[1].points, (P{{100, 100}, {160, 160}}));
  EXPECT_EQ(repaints(rec), 0u) << "following the pointer repaints nothing";
  rec.clear();
  release(c, 160, 160);
  EXPECT_EQ(repaints(rec), 1u);
  EXPECT_EQ(c->CenterY(), 250);
  EXPECT_EQ(c->CenterX(), 552);
  EXPECT_DOUBLE_EQ(c->MagFactor(), mag * 301 / 60);
  EXPECT_EQ(n.zoomPan, 1);
  // The window's middle lands in the middle of the control's centred square (200.5, 149.5).
  int x = 0, y = 0;
  c->PolarToScreen(x, y, midR, midPhi);
  EXPECT_NEAR(x, 200.5, 1);
  EXPECT_NEAR(y, 149.5, 1);

  // A release at a point no move reported still ends the window there.
  press(c, 100, 100);
  release(c, 130, 130);
  EXPECT_EQ(n.zoomPan, 2);
}

TEST(PolChartMouse, ZoomWindowUpAndRightClampedCancelledAndDiscarded) {
  TestChart t(400, 300);
  TPolChart *c = t.chart;
  c->SetMouseAction(Nuvra::maZoomWindPos);
  Counts n;
  n.attach(c);
  const int cx = c->CenterX(), cy = c->CenterY();
  const double mag = c->MagFactor();
  CanvasRecorder rec;

  // Up and to the right: y goes up as far as x goes right.
  press(c, 100, 200);
  move(c, 160, 150);
  EXPECT_EQ(rubber(rec).back().points, (P{{100, 200}, {160, 140}}));
  // The band is on the control's image, not on the composed frame.
  const auto bandShown = [&](int x, int y) {
    return c->screenImage().pixel(x, y) != c->frameBitmap().pixel(x, y);
  };
  EXPECT_TRUE(bandShown(100, 170));
  // Right button: erased, view unchanged, window closed.
  rec.clear();
  release(c, 160, 150, Qt::RightButton);
  EXPECT_EQ(rubber(rec).size(), 1u);
  EXPECT_EQ(rubber(rec)[0].points, (P{{100, 200}, {160, 140}}));
  EXPECT_FALSE(bandShown(100, 170));
  release(c, 160, 150);
  EXPECT_EQ(n.zoomPan, 0);
  EXPECT_EQ(c->CenterX(), cx);
  EXPECT_EQ(c->MagFactor(), mag);

  // Limited to the area, which may make it non-square; the middle button changes nothing.
  press(c, 300, 250);
  move(c, 420, 400);
  EXPECT_EQ(rubber(rec).back().points, (P{{300, 250}, {400, 300}}));
  release(c, 420, 400, Qt::MiddleButton);
  move(c, 350, 260);
  EXPECT_EQ(rubber(rec).back().points, (P{{300, 250}, {350, 300}})) << "still active";
  release(c, 350, 260, Qt::RightButton);

  // Left of the area: the corner stops at its edge, the height follows the width.
  press(c, 100, 200);
  move(c, -50, 260);
  EXPECT_EQ(rubber(rec).back().points, (P{{100, 200}, {0, 300}}));
  EXPECT_TRUE(bandShown(50, 200));
  // The program switches to another action meanwhile: the next move discards the window.
  c->SetMouseAction(Nuvra::maPan);
  move(c, 50, 260);
  EXPECT_FALSE(bandShown(50, 200));
  release(c, 50, 260);
  c->SetMouseAction(Nuvra::maZoomWindPos);
  EXPECT_EQ(n.zoomPan, 0);
  EXPECT_EQ(c->MagFactor(), mag);

  // A press outside the area starts nothing; a window without size is discarded.
  rec.clear();
  press(c, -3, 100);
  move(c, 50, 150);
  release(c, 50, 150);
  EXPECT_TRUE(rubber(rec).empty());
  press(c, 100, 100);
  move(c, 100, 180); // no width: stays at the anchor
  release(c, 100, 180);
  EXPECT_TRUE(rubber(rec).empty());
  EXPECT_EQ(n.zoomPan, 0);
  EXPECT_EQ(c->CenterY(), cy);
  EXPECT_EQ(c->MagFactor(), mag);
}

// An area without width (a control no wider than its shadow) keeps the corner at x = 0.
TEST(PolChartMouse, ZoomWindowCornerInAnAreaWithoutWidth) {
  EXPECT_EQ(C::zoomWindowCorner({0, 5}, 8, 9, 0, 20).x(), 0);
  EXPECT_EQ(C::zoomWindowCorner({0, 5}, 8, 9, -4, 20).x(), 0);
}

TEST(PolChartMouse, ZoomWindowBoundsAndPainting) {
  TestChart t(300, 400); // higher than wide
  TPolChart *c = t.chart;
  c->SetCenterX(150);
  c->SetCenterY(200);
  c->SetMouseAction(Nuvra::maZoomWind);
  press(c, 50, 100);
  move(c, 110, 160);
  release(c, 110, 160);
  const double f = 301.0 / 60;
  EXPECT_EQ(c->CenterX(), std::lround(f * 100));
  EXPECT_EQ(c->CenterY(), std::lround(f * (200 - 160) + (300 - 400) / 2.0) + 400);

  // The magnification keeps its upper bound, and the window lands smaller in the square: the
  // centre moves by the bounded factor.
  c->SetMagFactor(900);
  const int cx = c->CenterX(), cy = c->CenterY();
  press(c, 50, 100);
  move(c, 110, 160);
  release(c, 110, 160);
  EXPECT_EQ(c->MagFactor(), 1000);
  const double bounded = 1000.0 / 900;
  EXPECT_EQ(c->CenterX(), std::lround(bounded * (cx - 50)));
  EXPECT_EQ(c->CenterY(), std::lround(bounded * (cy - 160) + (300 - 400) / 2.0) + 400);

  // With painting suppressed the view changes without a repaint.
  c->SetMagFactor(1);
  c->SetSuppressPaint(true);
  CanvasRecorder rec;
  press(c, 50, 100);
  move(c, 110, 160);
  release(c, 110, 160);
  EXPECT_EQ(repaints(rec), 0u);
  EXPECT_TRUE(c->SuppressPaint());
  EXPECT_DOUBLE_EQ(c->MagFactor(), f);

  C::ZoomView v{0, 0, 1};
  EXPECT_FALSE(C::zoomWindowView(v, {5, 5}, {9, 9}, 100, 0, 32)) << "no room";
}

TEST(PolChartMouse, CrossHairDrag) {
  TestChart t(200, 200); // 50 pixels per unit, centre (100, 100)
  TPolChart *c = t.chart;
  c->SetRangeLow(-1);
  c->SetAutoRedraw(false);
  c->SetMouseAction(Nuvra::maDragCrossH);
  Counts n;
  n.attach(c);
  int notified = 0;
  for (int i = 1; i <= 4; ++i)
    c->crossHair(i)->OnChange = [&](QObject *) { ++notified; };

  // All off: cross-hair 1 is picked and moved, invisible.
  press(c, 10, 10);
  move(c, 10, 10);
  move(c, 150, 100);
  EXPECT_EQ(n.crossHairMoves, 1);
  EXPECT_EQ(n.lastMoved, c->CrossHair1());
  EXPECT_NEAR(c->CrossHair1()->PosRad(), 0, 1e-12);
  EXPECT_NEAR(c->CrossHair1()->PosPhi(), 0, 1e-12);
  release(c, 150, 100);
  move(c, 150, 100, Qt::NoButton);

  c->CrossHair1()->OnChange = nullptr;
  c->CrossHair1()->SetMode(TpcCrossHair::chOrtho); // (150, 100)
  c->CrossHair3()->SetPosRad(0.5);
  c->CrossHair3()->SetPosPhi(90); // (100, 175)
  c->CrossHair3()->SetMode(TpcCrossHair::chPolar);
  notified = 0;
  CanvasRecorder rec;
  press(c, 30, 170);
  move(c, 30, 170); // nearest: cross-hair 3's horizontal line
  move(c, 100, 50);
  EXPECT_EQ(n.lastMoved, c->CrossHair3());
  EXPECT_NEAR(c->CrossHair3()->PosRad(), 0, 1e-12);
  EXPECT_NEAR(c->CrossHair3()->PosPhi(), 270, 1e-12);
  // It stays selected however far the pointer goes, outside the area too.
  move(c, -50, 100);
  EXPECT_NEAR(c->CrossHair3()->PosRad(), 2, 1e-12);
  EXPECT_NEAR(c->CrossHair3()->PosPhi(), 180, 1e-12);
  EXPECT_EQ(n.crossHairMoves, 3);
  EXPECT_EQ(repaints(rec), 2u);
  EXPECT_EQ(notified, 0) << "written directly, without the change notification";
  EXPECT_EQ(c->CrossHair1()->PosRad(), 0);
}

TEST(PolChartMouse, LabelDragAndModeChangeDuringADrag) {
  TestChart t(200, 200);
  TPolChart *c = t.chart;
  c->SetRangeLow(-1);
  c->SetMouseAction(Nuvra::maDragLabel);
  Counts n;
  n.attach(c);
  // The first and the last label: both ends of the numbering can be dragged.
  TpcTextLabel *pix = c->TextLabel(1);
  pix->SetAttachToData(false);
  pix->SetPosRad(40);
  pix->SetPosPhi(40);
  pix->SetMode(TpcTextLabel::tlBox);
  TpcTextLabel *data = c->TextLabel(C::kTextLabelCount);
  data->SetPosRad(0.5); // (175, 100)
  data->SetMode(TpcTextLabel::tlsimple);

  press(c, 45, 30);
  move(c, 45, 30);
  move(c, -20, 230);
  EXPECT_EQ(n.lastMoved, pix);
  EXPECT_EQ(pix->PosRad(), -20) << "pixel labels take the pixel position";
  EXPECT_EQ(pix->PosPhi(), 230);
  release(c, -20, 230);
  move(c, 170, 100, Qt::NoButton);
  press(c, 170, 100);
  move(c, 170, 100);
  move(c, 100, 150);
  EXPECT_EQ(n.lastMoved, data);
  EXPECT_NEAR(data->PosRad(), 0, 1e-12);
  EXPECT_NEAR(data->PosPhi(), 90, 1e-12);
  EXPECT_EQ(n.labelMoves, 2);

  // A new mode in the middle of a drag starts over with its own start values and selection.
  c->SetMouseAction(Nuvra::maDragCrossH);
  c->CrossHair2()->SetPosRad(0.5);
  c->CrossHair2()->SetMode(TpcCrossHair::chOrtho);
  move(c, 160, 160); // selects, moves nothing
  EXPECT_EQ(n.crossHairMoves, 0);
  EXPECT_EQ(c->CrossHair2()->PosRad(), 0.5);
  move(c, 100, 50);
  EXPECT_EQ(n.lastMoved, c->CrossHair2());
  c->SetMouseAction(Nuvra::maPan);
  const int cx = c->CenterX();
  move(c, 120, 50);
  EXPECT_EQ(c->CenterX(), cx) << "no jump from the old drag's start";
  move(c, 130, 50);
  EXPECT_EQ(c->CenterX(), cx + 10);
}

TEST(PolChartMouse, MoveInChartAtTheAreaEdges) {
  TestChart t(200, 160);
  TPolChart *c = t.chart;
  c->SetShadowWidth(5); // area 195 x 155
  struct Report {
    bool in;
    C::TShiftState shift;
    double r, phi;
  };
  std::vector<Report> got;
  std::vector<QPoint> moves;
  c->OnMouseMoveInChart = [&](QObject *s, bool in, C::TShiftState sh, double r, double phi) {
    EXPECT_EQ(s, c);
    got.push_back({in, sh, r, phi});
  };
  c->OnMouseMove = [&](QObject *, C::TShiftState, int x, int y) { moves.push_back({x, y}); };
  Counts n;
  n.attach(c);
  const int cx = c->CenterX();
  for (QPoint p : {QPoint(-1, 10), QPoint(0, 0), QPoint(195, 155), QPoint(196, 10), QPoint(10, 156),
                   QPoint(-40000, 10)})
    move(c, p.x(), p.y(), Qt::NoButton);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_FALSE(got[0].in);
  EXPECT_TRUE(got[1].in);
  EXPECT_TRUE(got[2].in);
  EXPECT_FALSE(got[3].in);
  EXPECT_FALSE(got[4].in);
  EXPECT_FALSE(got[5].in);
  double r = 0, phi = 0;
  c->ScreenToPolar(-1, 10, r, phi);
  EXPECT_EQ(got[0].r, r) << "outside positions are converted too";
  EXPECT_EQ(got[0].phi, phi);
  EXPECT_EQ(moves[5], QPoint(-32768, 10)) << "positions are signed 16-bit values";
  EXPECT_EQ(n.zoomPan, 0);
  EXPECT_EQ(c->CenterX(), cx);

  move(c, 5, 5, Qt::LeftButton | Qt::RightButton, Qt::ShiftModifier);
  EXPECT_EQ(got.back().shift, C::TShiftState(C::ssLeft | C::ssRight | C::ssShift));

  // Without room there is no scale; the report stays finite.
  c->resize(5, 5);
  c->CalcScaling();
  move(c, 1, 1, Qt::NoButton);
  EXPECT_EQ(got.back().r, c->RangeLow());
  EXPECT_EQ(got.back().phi, 0);
}

TEST(PolChartMouse, DownAndUpEventsComeFirst) {
  TestChart t(200, 200);
  TPolChart *c = t.chart;
  c->SetMouseAction(Nuvra::maZoomWind);
  std::vector<std::pair<C::TMouseButton, QPoint>> downs, ups;
  c->OnMouseDown = [&](QObject *, C::TMouseButton b, C::TShiftState, int x, int y) {
    downs.push_back({b, {x, y}});
  };
  c->OnMouseUp = [&](QObject *, C::TMouseButton b, C::TShiftState, int x, int y) {
    ups.push_back({b, {x, y}});
  };
  press(c, 20, 30, Qt::RightButton);
  release(c, 20, 30, Qt::RightButton);
  press(c, 40, 50);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].first, C::mbRight);
  EXPECT_EQ(downs[1].second, QPoint(40, 50));
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].first, C::mbRight);
  // Switching away from the zoom window closes it at the next mouse event.
  move(c, 80, 90);
  c->SetMouseAction(Nuvra::maNone);
  CanvasRecorder rec;
  move(c, 100, 100);
  EXPECT_EQ(rubber(rec).size(), 1u) << "the rectangle is erased";
  rec.clear();
  c->SetMouseAction(Nuvra::maZoomWind);
  release(c, 100, 100);
  EXPECT_EQ(rec.count(CanvasOp::Draw, "screen"), 0u) << "nothing left to apply";
}

// Pointer positions reach the handlers as the window system reports them: whole pixels,
// rounded half to even, within the signed 16-bit range.
TEST(PolChartMouse, PointerPositionsAreRoundedAndLimited) {
  TestChart t(200, 200);
  TPolChart *c = t.chart;
  std::vector<QPoint> got;
  c->OnMouseMove = [&](QObject *, C::TShiftState, int x, int y) { got.push_back({x, y}); };
  const struct {
    QPointF sent;
    QPoint seen;
  } cases[] = {
      {{10.5, 11.5}, {10, 12}},
      {{-0.5, -1.5}, {0, -2}},
      {{2.6, -2.6}, {3, -3}},
      {{40000, -40000}, {32767, -32768}},
      {{-40000, 40000}, {-32768, 32767}},
      {{32767.4, -32768.4}, {32767, -32768}},
  };
  for (const auto &k : cases) {
    QMouseEvent e(QEvent::MouseMove, k.sent, c->mapToGlobal(k.sent), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(c, &e);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), k.seen) << k.sent.x() << ", " << k.sent.y();
  }
}

TEST(PolChartMouse, ClickDoubleClickAndCanResize) {
  TestChart t(200, 200);
  TPolChart *c = t.chart;
  c->SetMouseAction(Nuvra::maPan);
  expectClickRules(c);

  // The handler may shrink the new size or refuse it; the chart then keeps a size it agreed to.
  c->OnCanResize = [](QObject *, int &w, int &h, bool &resize) {
    resize = w <= 400;
    h = std::min(h, 150);
    if (w == 7) // a handler's negative size becomes an empty one
      w = h = -5;
  };
  int resizes = 0;
  c->OnResize = [&](QObject *) { ++resizes; };
  const auto resizeTo = [&](QSize s) {
    const QSize old = c->size();
    c->resize(s);
    QResizeEvent ev(s, old);
    QApplication::sendEvent(c, &ev);
  };
  resizeTo({300, 300});
  EXPECT_EQ(c->size(), QSize(300, 150));
  resizeTo({500, 100});
  EXPECT_EQ(c->size(), QSize(300, 150)) << "refused";
  EXPECT_EQ(resizes, 2) << "OnResize sees only the agreed sizes";
  EXPECT_EQ(c->mapping().scaleX, 150 / 2.0);
  resizeTo({7, 7});
  EXPECT_EQ(c->size(), QSize(0, 0));
}
