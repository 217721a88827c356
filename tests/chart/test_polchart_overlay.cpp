// Text labels and cross-hairs: anchors, blocks and frames of the label pass, both cross-hair
// modes with their edge tests, and the two hit tests.
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

#include "chart_test_util.h"

using C = TCustomPolChart;
using L = TpcTextLabel;
using P = std::vector<QPoint>;

namespace {

// Text metrics as the chart's bitmap measures them.
struct Metrics {
  QImage img{8, 8, QImage::Format_RGB32};
  TCanvas cv;
  explicit Metrics(const QFont &f) {
    cv.setTarget(&img);
    cv.SetFont(f);
  }
  int w(const QString &s) const { return cv.TextWidth(s); }
  int h() const { return cv.TextHeight(QStringLiteral("X")); }
};

L *pixelLabel(TPolChart *c, int i, double x, double y, const QString &text, L::TTxtLblMode m,
              Nuvra::TAlignment a = Nuvra::taCenter) {
  L *l = c->TextLabel(i);
  l->SetAttachToData(false);
  l->SetPosRad(x);
  l->SetPosPhi(y);
  l->SetCaption(text);
  l->SetAlignment(a);
  l->SetMode(m);
  return l;
}

std::vector<CanvasCall> chartCalls(const CanvasRecorder &rec, CanvasOp op) {
  return rec.of(op, QStringLiteral("chart"));
}

// The calls of the label pass: everything on the chart canvas from the first label's font on.
std::vector<CanvasCall> labelPass(const CanvasRecorder &rec) {
  std::vector<CanvasCall> out;
  bool in = false;
  for (const auto &c : rec.calls) {
    if (c.tag != "chart")
      continue;
    if (c.op == CanvasOp::SetFontColor && c.value == static_cast<int>(clNavy))
      in = true;
    if (in)
      out.push_back(c);
  }
  return out;
}

// The calls of one kind within a pass.
std::vector<CanvasCall> ops(const std::vector<CanvasCall> &pass, CanvasOp op) {
  std::vector<CanvasCall> out;
  for (const auto &c : pass)
    if (c.op == op)
      out.push_back(c);
  return out;
}

} // namespace

TEST(PolChartLabels, SingleLineCentredBoxAtAPixelAnchor) {
  BareChart b;
  L *l = pixelLabel(b.t.chart, 1, 100, 50, QStringLiteral("Gain"), L::tlBox);
  l->SetColorBorder(clRed);
  l->SetColorBkg(clCream);
  l->setFontColor(clNavy);
  const Metrics m(l->Font());
  const int W = m.w(QStringLiteral("Gain")), h = m.h();
  CanvasRecorder rec;
  b->Paint();
  const auto texts = chartCalls(rec, CanvasOp::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].points[0], QPoint(100 - W / 2, 50 - h));
  EXPECT_EQ(texts[0].fontColor, clNavy);
  EXPECT_EQ(texts[0].brushStyle, Nuvra::bsSolid);
  EXPECT_EQ(texts[0].brushColor, clCream) << "opaque text background in ColorBkg";
  const auto pass = labelPass(rec);
  std::vector<CanvasCall> rects;
  for (const auto &c : pass)
    if (c.op == CanvasOp::Rectangle)
      rects.push_back(c);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].points, (P{{100 - W / 2 - 4, 48 - h}, {100 - W / 2 + W + 4, 52}}));
  EXPECT_EQ(rects[0].penColor, clRed);
  EXPECT_EQ(rects[0].brushColor, clCream);
  EXPECT_EQ(rects[0].penWidth, 1);
}

TEST(PolChartLabels, MultiLineBlockAlignsEachLine) {
  BareChart b;
  const QString a = QStringLiteral("ab"), c = QStringLiteral("a longer line");
  L *l = pixelLabel(b.t.chart, 1, 150, 120, a + QChar(10) + c, L::tlsimple, Nuvra::taRightJustify);
  l->setFontColor(clNavy);
  const Metrics m(l->Font());
  const int h = m.h(), W = std::max(m.w(a), m.w(c));
  CanvasRecorder rec;
  b->Paint();
  auto texts = chartCalls(rec, CanvasOp::TextOut);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].points[0], QPoint(150 - m.w(a), 120 - 2 * h)) << "both lines end at x";
  EXPECT_EQ(texts[1].points[0], QPoint(150 - m.w(c), 120 - h));
  const auto box = chartCalls(rec, CanvasOp::Rectangle).back();
  EXPECT_EQ(box.points, (P{{150 - W - 4, 120 - 2 * h - 2}, {154, 122}}));
  EXPECT_EQ(box.penColor, clWhite) << "a simple frame has no visible border";

  // Centred: the short line is centred within the block.
  l->SetAlignment(Nuvra::taCenter);
  rec.clear();
  b->Paint();
  EXPECT_EQ(chartCalls(rec, CanvasOp::TextOut).at(0).points[0],
            QPoint(150 - W / 2 + (W - m.w(a)) / 2, 120 - 2 * h));

  // A carriage return stays in its line; an empty line is still a line.
  l->SetCaption(QStringLiteral("x\r") + QChar(10) + QChar(10) + QStringLiteral("y"));
  l->SetAlignment(Nuvra::taLeftJustify);
  rec.clear();
  b->Paint();
  texts = chartCalls(rec, CanvasOp::TextOut);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "x\r");
  EXPECT_EQ(texts[0].points[0], QPoint(150, 120 - 3 * h));
}

TEST(PolChartLabels, AnchorsRoundTiesToEvenOrFollowTheData) {
  BareChart b;
  L *l =
      pixelLabel(b.t.chart, 1, 10.5, 20.5, QStringLiteral("t"), L::tlsimple, Nuvra::taLeftJustify);
  l->setFontColor(clNavy);
  const int h = Metrics(l->Font()).h();
  CanvasRecorder rec;
  b->Paint();
  EXPECT_EQ(chartCalls(rec, CanvasOp::TextOut).at(0).points[0], QPoint(10, 20 - h));
  l->SetPosRad(11.5);
  l->SetPosPhi(21.5);
  rec.clear();
  b->Paint();
  EXPECT_EQ(chartCalls(rec, CanvasOp::TextOut).at(0).points[0], QPoint(12, 22 - h));

  // Attached to data: radius 1 (the rim), 90 degrees clockwise is straight down.
  l->SetAttachToData(true);
  l->SetPosRad(1);
  l->SetPosPhi(90);
  rec.clear();
  b->Paint();
  EXPECT_EQ(chartCalls(rec, CanvasOp::TextOut).at(0).points[0], QPoint(100, 200 - h));
}

TEST(PolChartLabels, FramesByModeAndTransparency) {
  BareChart b;
  L *l =
      pixelLabel(b.t.chart, 1, 100, 100, QStringLiteral("Wq"), L::tlsimple, Nuvra::taLeftJustify);
  l->setFontColor(clNavy);
  l->SetColorBorder(clRed);
  l->SetColorShadow(clGray);
  l->SetShadowDx(5);
  l->SetShadowDy(-2);
  const Metrics m(l->Font());
  const int W = m.w(QStringLiteral("Wq")), h = m.h();
  const P box{{96, 100 - h - 2}, {104 + W, 102}};
  CanvasRecorder rec;
  auto run = [&](L::TTxtLblMode mode, bool transparent) {
    l->SetMode(mode);
    l->SetTransparent(transparent);
    rec.clear();
    b->Paint();
    return labelPass(rec);
  };
  auto pass = run(L::tlsimple, true);
  EXPECT_TRUE(ops(pass, CanvasOp::Rectangle).empty()) << "transparent simple: text only";
  ASSERT_EQ(ops(pass, CanvasOp::TextOut).size(), 1u);
  EXPECT_EQ(ops(pass, CanvasOp::TextOut)[0].brushStyle, Nuvra::bsClear);

  pass = run(L::tlBox, true);
  ASSERT_EQ(ops(pass, CanvasOp::Rectangle).size(), 1u);
  EXPECT_EQ(ops(pass, CanvasOp::Rectangle)[0].brushStyle, Nuvra::bsClear) << "hollow box";
  EXPECT_EQ(ops(pass, CanvasOp::Rectangle)[0].penColor, clRed);

  pass = run(L::tlUnderline, true);
  EXPECT_TRUE(ops(pass, CanvasOp::Rectangle).empty());
  ASSERT_EQ(ops(pass, CanvasOp::LineTo).size(), 1u);
  EXPECT_EQ(ops(pass, CanvasOp::LineTo)[0].points, (P{{100, 100}, {100 + W, 100}}));
  EXPECT_EQ(ops(pass, CanvasOp::LineTo)[0].penColor, clRed);

  // A shadow ignores Transparent: filled shadow, filled box, opaque text.
  pass = run(L::tlShadow, true);
  const auto rects = ops(pass, CanvasOp::Rectangle);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].points, (P{{101, 100 - h - 4}, {109 + W, 100}}));
  EXPECT_EQ(rects[0].brushColor, clGray);
  EXPECT_EQ(rects[0].penColor, clGray) << "the shadow has no border of its own";
  EXPECT_EQ(rects[0].brushStyle, Nuvra::bsSolid);
  EXPECT_EQ(rects[1].points, box);
  EXPECT_EQ(rects[1].penColor, clRed);
  EXPECT_EQ(rects[1].brushStyle, Nuvra::bsSolid);
  EXPECT_EQ(ops(pass, CanvasOp::TextOut).at(0).brushStyle, Nuvra::bsSolid);

  // An empty caption still draws its frame, with no width.
  l->SetCaption(QString());
  pass = run(L::tlBox, false);
  EXPECT_EQ(ops(pass, CanvasOp::Rectangle).at(0).points, (P{{96, 100 - h - 2}, {104, 102}}));
}

TEST(PolChartLabels, OrderAfterDataBeforeHookAndLabelOneOnTop) {
  BareChart b;
  b->MoveTo(0, 0);
  b->DrawTo(1, 0);
  pixelLabel(b.t.chart, 1, 100, 100, QStringLiteral("one"), L::tlBox)->SetColorBkg(clRed);
  pixelLabel(b.t.chart, 2, 100, 100, QStringLiteral("two"), L::tlBox)->SetColorBkg(clBlue);
  pixelLabel(b.t.chart, 3, 10, 10, QStringLiteral("off"), L::tlOff);
  CanvasRecorder rec;
  std::size_t hookAt = 0;
  b->OnDataRendered = [&](QObject *, TCanvas *&, int, int) { hookAt = rec.calls.size(); };
  b->Paint();
  std::vector<std::size_t> at;
  std::size_t polylineAt = 0;
  for (std::size_t i = 0; i < rec.calls.size(); ++i) {
    if (rec.calls[i].tag != "chart")
      continue;
    if (rec.calls[i].op == CanvasOp::TextOut)
      at.push_back(i);
    if (rec.calls[i].op == CanvasOp::Polyline)
      polylineAt = i;
  }
  ASSERT_EQ(at.size(), 2u) << "labels that are off are not drawn";
  EXPECT_EQ(rec.calls[at[0]].text, "two");
  EXPECT_EQ(rec.calls[at[1]].text, "one");
  EXPECT_LT(polylineAt, at[0]);
  EXPECT_GT(hookAt, at[1]);
  // Label 1 covers label 2 in the picture.
  const QImage &img = b->chartBitmap();
  EXPECT_EQ(img.pixelColor(100, 100), QColor(Qt::red));
}

TEST(PolChartLabels, FarAwayAnchorsStayHarmless) {
  BareChart b;
  pixelLabel(b.t.chart, 1, 1e300, -1e300, QStringLiteral("far"), L::tlShadow);
  L *l = pixelLabel(b.t.chart, 2, 50, 50, QStringLiteral("x"), L::tlShadow);
  l->SetShadowDx(2147483647);
  CanvasRecorder rec;
  b->Paint();
  for (const auto &c : chartCalls(rec, CanvasOp::Rectangle))
    for (const QPoint &p : c.points)
      EXPECT_TRUE(std::abs(p.x()) <= 30000 && std::abs(p.y()) <= 30000);
  EXPECT_EQ(b->NearestTextLabel(50, 50), 2) << "distances far out do not overflow";
}

TEST(PolChartCrossHairs, OrthoLinesAndEdgeTests) {
  BareChart b;
  TpcCrossHair *ch = b->CrossHair2();
  ch->SetColor(clRed);
  ch->SetPosRad(0.5); // 75 pixels from the centre
  ch->SetPosPhi(0);
  ch->SetMode(TpcCrossHair::chOrtho);
  CanvasRecorder rec;
  b->Paint();
  auto lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].points, (P{{1, 100}, {200, 100}}));
  EXPECT_EQ(lines[1].points, (P{{175, 1}, {175, 200}}));
  EXPECT_EQ(lines[0].penColor, clRed);
  EXPECT_EQ(b->frameBitmap().pixelColor(175, 50), QColor(Qt::white)) << "the frame stays clean";
  EXPECT_EQ(b->screenImage().pixelColor(175, 40), QColor(Qt::red));

  // A wide pen keeps half its width away from the edges.
  ch->SetLineWid(5);
  ch->SetLineType(Nuvra::psDash);
  rec.clear();
  b->Paint();
  lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].points, (P{{3, 100}, {198, 100}}));
  EXPECT_EQ(lines[0].penWidth, 5);
  EXPECT_EQ(lines[0].penStyle, Nuvra::psDash);

  // Left of the area: only the horizontal line; on the bottom edge less half: no horizontal.
  ch->SetLineWid(1);
  b->SetMagFactor(1.5); // 75 pixels per unit: radius 1 at 180 degrees is x = -50
  ch->SetPosRad(1);
  ch->SetPosPhi(180);
  rec.clear();
  b->Paint();
  lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points, (P{{1, 100}, {200, 100}}));
  b->SetMagFactor(1);
  ch->SetPosPhi(90); // (100, 200): y = Hc
  rec.clear();
  b->Paint();
  lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points, (P{{100, 1}, {100, 200}}));

  // After a resize the cross-hairs are drawn on a copy of the new size.
  b->resize(150, 120);
  b->Paint();
  EXPECT_EQ(b->overlayBitmap().size(), QSize(150, 120));
  EXPECT_EQ(b->screenImage().size(), QSize(150, 120));
  int red = 0; // the dashed vertical line at x = 100
  for (int y = 1; y < 120; ++y)
    red += b->screenImage().pixelColor(100, y) == QColor(Qt::red);
  EXPECT_GT(red, 40);
}

TEST(PolChartCrossHairs, PolarRayAndCircle) {
  BareChart b;
  TpcCrossHair *ch = b->CrossHair1();
  ch->SetPosRad(0.5);
  ch->SetPosPhi(45);
  ch->SetMode(TpcCrossHair::chPolar);
  CanvasRecorder rec;
  b->Paint();
  // Below RangeHigh the ray reaches the rim (100 pixels); the circle has the own radius.
  auto lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points, (P{{100, 100}, {171, 171}}));
  auto circles = rec.of(CanvasOp::Ellipse, "overlay");
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(circles[0].points, (P{{25, 25}, {176, 176}}));
  EXPECT_EQ(circles[0].brushStyle, Nuvra::bsClear);

  // Beyond RangeHigh the ray ends at the cross-hair's radius (125 pixels).
  ch->SetPosRad(1.5);
  rec.clear();
  b->Paint();
  lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points, (P{{100, 100}, {188, 188}}));
  EXPECT_EQ(rec.of(CanvasOp::Ellipse, "overlay").at(0).points, (P{{-25, -25}, {226, 226}}));

  // The circle is tested with the ray's end: at 0 degrees that is x = 225, outside.
  ch->SetPosPhi(0);
  rec.clear();
  b->Paint();
  EXPECT_EQ(rec.count(CanvasOp::Ellipse, "overlay"), 0u);
  EXPECT_EQ(rec.of(CanvasOp::LineTo, "overlay").at(0).points, (P{{100, 100}, {225, 100}}));

  // A ray a million pixels long is shortened along its own direction, into the painter's
  // range: its end at y = 190 must not simply be clipped to x = 30000.
  const double phi = std::asin(9e-5) / C::kDegToRad;
  ch->SetPosRad(19999);
  ch->SetPosPhi(phi);
  rec.clear();
  b->Paint();
  lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  const QPoint end = lines[0].points[1];
  EXPECT_EQ(end.x(), 30000);
  EXPECT_NEAR(end.y(), 100 + 29900 * std::tan(phi * C::kDegToRad), 1.0);

  // Pulled back to exactly half its length, the end's y falls on .5: ties round to even.
  for (const auto &[dy, y] : {std::pair{99, 150}, std::pair{97, 148}}) {
    ch->SetPosRad(-1 + std::hypot(59800.0, dy) / 50);
    ch->SetPosPhi(std::atan2(dy, 59800.0) / C::kDegToRad);
    rec.clear();
    b->Paint();
    lines = rec.of(CanvasOp::LineTo, "overlay");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[1], QPoint(30000, y)) << dy;
  }
}

// On a control taller than the painter's range a ray may end below it: pulled back along
// its own direction to y = 30000, not cut off there.
TEST(PolChartCrossHairs, RayBelowThePaintersRangeIsPulledBackAlongItself) {
  TestChart t(60, 40000); // centre (30, 20000), 15 pixels per unit
  TPolChart &c = *t.chart;
  c.SetRangeLow(-1);
  TpcCrossHair *ch = c.CrossHair1();
  ch->SetMode(TpcCrossHair::chPolar);
  ch->SetPosRad(-1 + 15000.0 / 15); // 15000 pixels from the centre
  ch->SetPosPhi(80);
  CanvasRecorder rec;
  c.Paint();
  const auto lines = rec.of(CanvasOp::LineTo, "overlay");
  ASSERT_EQ(lines.size(), 1u);
  const double dx = 15000 * std::cos(80 * C::kDegToRad), dy = 15000 * std::sin(80 * C::kDegToRad);
  EXPECT_EQ(lines[0].points[1], QPoint(static_cast<int>(std::lround(30 + 10000 / dy * dx)), 30000));
}

// With a shadow the chart area is the control less the shadow: 220 x 180 here, centre
// (110, 90), 45 pixels per unit. Lines and circles are tested against that area's edges.
TEST(PolChartCrossHairs, EdgesOfTheAreaLessTheShadow) {
  struct Case {
    TpcCrossHair::TpcCrossHMode mode;
    double R, Phi;
    int lineWid;
    P lines;     // LineTo calls, as from-to pairs
    int circles; // Ellipse calls
  };
  const double toX220 = 110.0 / 45 - 1; // the vertical line on the area's right edge
  const Case cases[] = {
      {TpcCrossHair::chOrtho, 0, 0, 1, {{1, 90}, {220, 90}, {155, 1}, {155, 180}}, 0},
      {TpcCrossHair::chOrtho, 0, 0, 5, {{3, 90}, {218, 90}, {155, 3}, {155, 178}}, 0},
      {TpcCrossHair::chOrtho, 1, 90, 1, {{110, 1}, {110, 180}}, 0}, // y on the bottom edge
      {TpcCrossHair::chOrtho, 0.98, 90, 1, {{1, 179}, {220, 179}, {110, 1}, {110, 180}}, 0},
      {TpcCrossHair::chOrtho, toX220, 0, 1, {{1, 90}, {220, 90}}, 0}, // x on the right edge
      {TpcCrossHair::chPolar, 0, 0, 1, {{110, 90}, {200, 90}}, 1},
      {TpcCrossHair::chPolar, 1.5, 0, 1, {{110, 90}, {222, 90}}, 0}, // ray end beyond the edge
      {TpcCrossHair::chPolar, 1, 90, 1, {}, 1},                      // ray end on the edge
      {TpcCrossHair::chPolar, 1, 90, 3, {}, 1}, // a wide ray is left out there too
  };
  for (const Case &k : cases) {
    TestChart t(240, 200);
    t->SetAutoRedraw(false);
    t->SetRangeLow(-1);
    t->SetGridStyleAngular(C::gsAngNone);
    t->SetGridStyleRadial(C::gsRadNone);
    t->SetLabelModeAngular(C::almNone);
    t->SetLabelModeRadial(C::rlmNone);
    t->SetShadowWidth(20);
    t->CenterChart();
    ASSERT_EQ(QPoint(t->CenterX(), t->CenterY()), QPoint(110, 90));
    TpcCrossHair *ch = t->CrossHair4();
    ch->SetPosRad(k.R);
    ch->SetPosPhi(k.Phi);
    ch->SetLineWid(k.lineWid);
    ch->SetMode(k.mode);
    CanvasRecorder rec;
    t->Paint();
    P got;
    for (const auto &c : rec.of(CanvasOp::LineTo, "overlay"))
      got.insert(got.end(), c.points.begin(), c.points.end());
    EXPECT_EQ(got, k.lines) << k.mode << " R " << k.R << " Phi " << k.Phi;
    const auto circles = rec.of(CanvasOp::Ellipse, "overlay");
    EXPECT_EQ(static_cast<int>(circles.size()), k.circles) << k.R << " " << k.Phi;
    if (k.circles == 1 && k.R == 0) {
      EXPECT_EQ(circles[0].points, (P{{65, 45}, {156, 136}}));
    }
  }
}

TEST(PolChartCrossHairs, NearestCrossHairTies) {
  BareChart b;
  b->CrossHair1()->SetPosRad(0.5);
  b->CrossHair1()->SetPosPhi(90); // (100, 175)
  b->CrossHair2()->SetPosRad(0.5);
  b->CrossHair2()->SetPosPhi(0); // (175, 100)
  b->CrossHair1()->SetMode(TpcCrossHair::chPolar);
  b->CrossHair2()->SetMode(TpcCrossHair::chOrtho);
  // Cross-hair 1's horizontal line and cross-hair 2's vertical line both pass the point.
  EXPECT_EQ(b->NearestCrossHair(175, 175), 1);
  EXPECT_EQ(b->NearestCrossHair(174, 170), 2);
  EXPECT_EQ(b->NearestCrossHair(130, 174), 1) << "the horizontal line counts too";
  EXPECT_EQ(b->NearestCrossHair(-30000, 100), 2);
  // Hidden ones are neither drawn nor hit; with none visible the answer is 1.
  b->CrossHair2()->SetMode(TpcCrossHair::chOff);
  CanvasRecorder rec;
  b->Paint();
  EXPECT_EQ(rec.count(CanvasOp::LineTo, "overlay"), 0u) << "1's ray ends on the edge: left out";
  EXPECT_EQ(rec.count(CanvasOp::Ellipse, "overlay"), 1u) << "only cross-hair 1's circle";
  EXPECT_EQ(b->NearestCrossHair(175, 100), 1);
  b->CrossHair1()->SetMode(TpcCrossHair::chOff);
  EXPECT_EQ(b->NearestCrossHair(175, 100), 1);
}

TEST(PolChartLabels, NearestTextLabelTies) {
  BareChart b;
  EXPECT_EQ(b->NearestTextLabel(10, 10), 1) << "nothing visible";
  pixelLabel(b.t.chart, 7, 50, 50, QStringLiteral("a"), L::tlsimple);
  pixelLabel(b.t.chart, 4, 70, 50, QStringLiteral("b"), L::tlsimple, Nuvra::taRightJustify);
  pixelLabel(b.t.chart, 2, 60, 50, QStringLiteral("c"), L::tlOff);
  EXPECT_EQ(b->NearestTextLabel(60, 50), 4) << "equal distances keep the lower number";
  EXPECT_EQ(b->NearestTextLabel(56, 90), 7) << "measured to the anchor, not the text";
  b->TextLabel(9)->SetPosRad(1); // attached to data: (200, 100)
  b->TextLabel(9)->SetMode(L::tlBox);
  EXPECT_EQ(b->NearestTextLabel(190, 100), 9);
}
