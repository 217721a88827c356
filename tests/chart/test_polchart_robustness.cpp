// Bad values never crash, hang or poison the chart: items and properties that are not finite
// or absurdly large, magnification at its bounds, controls without room, a list that grows
// one entry at a time, zoom-dragging at the magnification's bounds.
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "chart_test_util.h"

#if defined(__SANITIZE_ADDRESS__)
// The huge-control case relies on a refused allocation coming back as a null image.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool onCanvasRange(const CanvasCall &call) {
  if (call.penColor != clRed || call.tag != "chart")
    return true; // the grid's coordinates are bounded by the control's size instead
  // An ellipse's right and bottom edges are exclusive: one more than the last pixel.
  const int limit = call.op == CanvasOp::Ellipse ? 30001 : 30000;
  for (const QPoint &p : call.points)
    if (std::abs(p.x()) > limit || std::abs(p.y()) > limit)
      return false;
  return true;
}

// Every data coordinate handed to the painter stays within the renderer's limits.
void expectCoordinatesLimited(const CanvasRecorder &rec) {
  for (const CanvasCall &c : rec.calls)
    EXPECT_TRUE(onCanvasRange(c)) << "op " << static_cast<int>(c.op) << " on "
                                  << c.tag.toStdString();
}

// The application's kind of chart: 465 x 441, range 0..1, shadow, every label and ring.
struct BigChart : TestChart {
  BigChart() : TestChart(465, 441) {
    chart->SetShadowWidth(4);
    chart->SetAngleBtwRays(30);
    chart->SetGridStyleRadial(TCustomPolChart::gsRadBothMixed);
    chart->SetLabelModeRadial(TCustomPolChart::rlmVertLeft);
    chart->CenterChart();
  }
};

// The data runs (red), without the frame line the shadow adds in black.
std::vector<CanvasCall> dataRuns(const CanvasRecorder &rec) {
  std::vector<CanvasCall> runs;
  for (auto &call : rec.of(CanvasOp::Polyline, "chart"))
    if (call.penColor == clRed)
      runs.push_back(call);
  return runs;
}

void appendPattern(TPolChart &c, int points) {
  c.SetDataColor(clRed);
  c.MoveTo(0.5, 0);
  for (int i = 1; i <= points; ++i)
    c.DrawTo(0.5 + 0.4 * std::cos(i * 0.1), i * 360.0 / points);
}

void mouse(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), b, bs, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

} // namespace

// A position that cannot be computed is a gap in the line: the pen lifts there and the line
// goes on from the next good point. Infinite and huge radii end on the canvas's limit.
TEST(PolChartRobustness, ItemsWithoutAPositionAreGapsAndTheRestIsDrawn) {
  BigChart t;
  TPolChart &c = *t.chart;
  c.SetDataColor(clRed);
  const double bad[] = {kNaN, kInf, -kInf, 1e300, -1e300};
  for (double v : bad) {
    c.MoveTo(v, 0);
    c.DrawTo(0.5, v);
    c.DrawTo(v, v);
    c.MoveTo(0.3, v);
    c.DrawTo(v, 45);
    c.Circle(v);
  }
  c.Circle(0.5);
  appendPattern(c, 450);

  CanvasRecorder rec;
  c.Paint();
  expectCoordinatesLimited(rec);

  // The good pattern at the end still comes as runs of 200, 200 and 53 points.
  const auto runs = dataRuns(rec);
  ASSERT_GE(runs.size(), 3u);
  EXPECT_EQ(runs[runs.size() - 3].points.size(), 200u);
  EXPECT_EQ(runs[runs.size() - 2].points.size(), 200u);
  EXPECT_EQ(runs[runs.size() - 1].points.size(), 53u);
  int x = 0, y = 0;
  c.PolarToScreen(x, y, 0.5, 0);
  EXPECT_EQ(runs[runs.size() - 3].points.front(), QPoint(x, y));

  // No line runs into the corner, where a NaN coordinate rounded to zero would land.
  for (const auto &run : runs)
    for (const QPoint &p : run.points)
      EXPECT_NE(p, QPoint(0, 0));
  // The good circle is there with its own size; bad ones stay within the limits.
  const auto ellipses = rec.of(CanvasOp::Ellipse, "chart");
  bool found = false;
  const int r = x - c.CenterX();
  for (const auto &e : ellipses)
    found |= e.points.front() == QPoint(c.CenterX() - r, c.CenterY() - r);
  EXPECT_TRUE(found);
}

TEST(PolChartRobustness, MappingOfNonFiniteValuesIsDefined) {
  ChartMapping m;
  m.calc(200, 200, 0, 1, 100, 100);
  int x = 1, y = 1;
  m.PolarToScreen(x, y, kNaN, 0);
  EXPECT_EQ(QPoint(x, y), QPoint(100, 100)) << "no radius lies at the centre";
  m.PolarToScreen(x, y, 0.5, kInf);
  EXPECT_EQ(QPoint(x, y), QPoint(100, 100)) << "no direction lies at the centre";
  m.PolarToScreen(x, y, kInf, 0);
  EXPECT_EQ(QPoint(x, y), QPoint(std::numeric_limits<int>::max(), 100));
  m.PolarToScreen(x, y, -kInf, 0);
  EXPECT_EQ(QPoint(x, y), QPoint(100, 100));
  m.PolarToScreen(x, y, 1e300, 0);
  EXPECT_EQ(QPoint(x, y), QPoint(std::numeric_limits<int>::max(), 100));

  // A chart without room has no scale; mapping back never yields a false position silently.
  ChartMapping empty;
  empty.calc(0, 0, 32, 1, 0, 0);
  EXPECT_EQ(empty.scaleX, 0) << "a negative area is no area, not a mirrored chart";
  empty.PolarToScreen(x, y, 0.7, 30);
  EXPECT_EQ(QPoint(x, y), QPoint(0, 0));
}

TEST(PolChartRobustness, NonFinitePropertyValuesAreIgnored) {
  BigChart t;
  TPolChart &c = *t.chart;
  appendPattern(c, 100);
  c.SetRangeLow(-2);
  c.SetRangeHigh(3);
  c.SetAngleOffset(10);
  c.SetMagFactor(0.9);
  c.SetAngleBtwRays(45);
  const ChartMapping before = c.mapping();
  for (double v : {kNaN, kInf, -kInf}) {
    c.SetAngleOffset(v);
    c.SetRangeLow(v);
    c.SetRangeHigh(v);
    c.SetMagFactor(v);
    c.SetAngleBtwRays(v);
  }
  EXPECT_EQ(c.AngleOffset(), 10);
  EXPECT_EQ(c.RangeLow(), -2);
  EXPECT_EQ(c.RangeHigh(), 3);
  EXPECT_EQ(c.MagFactor(), 0.9);
  EXPECT_EQ(c.AngleBtwRays(), 45);
  EXPECT_EQ(c.mapping().scaleX, before.scaleX);

  // Huge finite values are clamped or kept, and the chart still draws within limits.
  CanvasRecorder rec;
  c.SetAngleOffset(1e300);
  EXPECT_EQ(c.AngleOffset(), 180);
  c.SetAngleBtwRays(1e300);
  EXPECT_EQ(c.AngleBtwRays(), 360);
  c.SetAngleBtwRays(-1e300);
  EXPECT_EQ(c.AngleBtwRays(), 6);
  c.SetRangeHigh(1e300);
  c.SetRangeLow(-1e300);
  c.SetRangeHigh(-1.7e308); // reversed, the width overflows to infinity
  EXPECT_TRUE(std::isfinite(c.mapping().scaleX));
  c.SetRangeLow(1.7e308);
  c.SetRangeHigh(-1.7e308);
  c.SetDecPlaceRad(12);
  c.Paint();
  c.SetDecPlaceRad(-1);
  c.Paint();
  expectCoordinatesLimited(rec);
  EXPECT_FALSE(dataRuns(rec).empty());
  EXPECT_EQ(rec.count(CanvasOp::Draw, "screen"), rec.count(CanvasOp::Draw, "frame"));
}

// Cross-hairs and text labels are placed through the same mapping; bad positions and line
// widths must neither overflow their arithmetic nor stop the hit tests.
TEST(PolChartRobustness, AnnotationsAtBadPositions) {
  BigChart t;
  TPolChart &c = *t.chart;
  const double bad[] = {kNaN, kInf, -kInf, 1e300, -1e300};
  for (double v : bad) {
    for (int i = 1; i <= 4; ++i) {
      TpcCrossHair *ch = c.crossHair(i);
      ch->SetMode(i % 2 ? TpcCrossHair::chOrtho : TpcCrossHair::chPolar);
      ch->SetLineWid(i < 3 ? std::numeric_limits<int>::max() : -5);
      ch->SetPosRad(i < 3 ? v : 0.5);
      ch->SetPosPhi(i < 3 ? 30 : v);
    }
    for (int i = 1; i <= 4; ++i) {
      TpcTextLabel *label = c.TextLabel(i);
      label->SetMode(static_cast<TpcTextLabel::TTxtLblMode>(i));
      label->SetCaption(QStringLiteral("a\nb"));
      label->SetAttachToData(i % 2);
      label->SetPosRad(v);
      label->SetPosPhi(i < 3 ? v : 10);
      label->SetShadowDx(std::numeric_limits<int>::min());
    }
    CanvasRecorder rec;
    c.Paint();
    EXPECT_EQ(rec.count(CanvasOp::Draw, "screen"), 1u) << v;
    EXPECT_GE(c.NearestCrossHair(10, 10), 1);
    EXPECT_GE(c.NearestTextLabel(std::numeric_limits<int>::min(), 0), 1);
  }
}

// Dotted rings of a thousandfold magnified chart are far larger than the canvas; painting
// them must still be quick (the run time of this program shows it) and stay within limits.
TEST(PolChartRobustness, MagFactorAtItsBoundsWithAFullPattern) {
  BigChart t;
  TPolChart &c = *t.chart;
  c.SetGridStyleRadial(TCustomPolChart::gsRadBothDots);
  c.SetRangeLow(0);
  c.SetRangeHigh(1);
  c.Circle(1);
  appendPattern(c, 3960);
  for (double mag : {0.01, 1000.0}) {
    CanvasRecorder rec;
    c.SetMagFactor(mag);
    EXPECT_EQ(c.MagFactor(), mag);
    expectCoordinatesLimited(rec);
    EXPECT_EQ(dataRuns(rec).size(), 20u) << mag; // 3960 lines in runs of 199
  }
  // At 0.01 the whole picture shrinks to a few pixels about the centre.
  CanvasRecorder rec;
  c.SetMagFactor(0.01);
  for (const auto &run : dataRuns(rec))
    for (const QPoint &p : run.points)
      EXPECT_LE((p - QPoint(c.CenterX(), c.CenterY())).manhattanLength(), 6);
}

// Qt gives a widget no negative size; a shadow wider than the control leaves the chart
// bitmap empty and the mapping without scale, and nothing divides by zero or mirrors.
TEST(PolChartRobustness, ControlsWithoutRoom) {
  TestChart t(465, 441);
  TPolChart &c = *t.chart;
  appendPattern(c, 100);
  c.Circle(0.5);
  c.SetAutoCenter(true);
  c.SetShadowWidth(32);
  for (const QSize s : {QSize(0, 0), QSize(1, 1), QSize(-5, -7), QSize(20, 0), QSize(0, 20)}) {
    CanvasRecorder rec;
    c.resize(s);
    c.CenterChart();
    c.Paint();
    EXPECT_TRUE(c.chartBitmap().isNull());
    EXPECT_EQ(c.frameBitmap().size(), c.width() > 0 && c.height() > 0 ? c.size() : QSize(0, 0));
    EXPECT_GE(c.mapping().scaleX, 0) << s.width() << "x" << s.height();
    EXPECT_TRUE(std::isfinite(c.mapping().scaleX));
    double R = 0, Phi = 0;
    c.ScreenToPolar(3, 4, R, Phi); // infinite or NaN without a scale, but defined
    int x = 0, y = 0;
    c.PolarToScreen(x, y, 0.5, 45);
    EXPECT_EQ(QPoint(x, y), QPoint(c.CenterX(), c.CenterY()));
    expectCoordinatesLimited(rec);
    c.grab(); // a real paint event on the empty image
  }
  c.resize(465, 441);
  c.CenterChart();
  EXPECT_GT(c.mapping().scaleX, 0) << "growing again restores the scale";
}

// A control far larger than any bitmap can be (the bitmaps stay empty) at full magnification:
// the grid radius would exceed the int range. Its bitmaps ask for about 100 TB, which fails
// at once unless the kernel promises any amount of memory.
TEST(PolChartRobustness, HugeControlAtFullMagnification) {
  QFile overcommit(QStringLiteral("/proc/sys/vm/overcommit_memory"));
  if (!overcommit.open(QIODevice::ReadOnly) || overcommit.readAll().trimmed() == "1")
    GTEST_SKIP() << "the bitmaps' allocation could succeed and be filled";
  TestChart t(200, 200);
  TPolChart &c = *t.chart;
  appendPattern(c, 10);
  c.SetLabelModeRadial(TCustomPolChart::rlmVertRight);
  c.SetMagFactor(1000);
  c.resize(5000000, 5000000);
  c.CenterChart();
  c.Paint();
  EXPECT_EQ(c.MagFactor(), 1000);
}

TEST(PolChartRobustness, ListGrowingOneEntryAtATime) {
  BigChart t;
  TPolChart &c = *t.chart;
  c.SetDataColor(clRed);
  c.SetAllocSize(1);
  c.MoveTo(0.5, 0);
  for (int i = 1; i < 2000; ++i) {
    c.DrawTo(0.5, i * 0.09);
    ASSERT_EQ(c.capacity(), c.Count());
  }
  c.SetAllocSize(700); // only later growth steps change
  for (int i = 2000; i < 4000; ++i)
    c.DrawTo(0.5, i * 0.09);
  EXPECT_EQ(c.Count(), 4000);
  EXPECT_EQ(c.capacity(), 2000 + 3 * 700);
  EXPECT_EQ(c.item(3999).R, 0.5);
  CanvasRecorder rec;
  c.ShowGraf();
  EXPECT_EQ(dataRuns(rec).size(), 21u); // 3999 lines in runs of 199
  c.ClearGraf();
  EXPECT_EQ(c.capacity(), 0);
  c.DrawTo(1, 1);
  EXPECT_EQ(c.capacity(), 700);
}

// Dragging far beyond the control's edges keeps the magnification within its bounds, and a
// drag on a control without height changes nothing.
TEST(PolChartRobustness, ZoomDragAtTheMagnificationBounds) {
  BigChart t;
  TPolChart &c = *t.chart;
  appendPattern(c, 360);
  c.SetMouseAction(Nuvra::maZoomDrag);
  // The first move fixes the start; moves outside the chart area change nothing.
  auto drag = [&](double mag, int fromY, int toY) {
    c.SetMagFactor(mag);
    mouse(&c, QEvent::MouseButtonPress, {200, fromY}, Qt::LeftButton, Qt::LeftButton);
    mouse(&c, QEvent::MouseMove, {200, fromY}, Qt::NoButton, Qt::LeftButton);
    mouse(&c, QEvent::MouseMove, {200, toY}, Qt::NoButton, Qt::LeftButton);
    const double reached = c.MagFactor();
    mouse(&c, QEvent::MouseMove, {-32768, 32767}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(c.MagFactor(), reached);
    mouse(&c, QEvent::MouseButtonRelease, {200, toY}, Qt::LeftButton, Qt::NoButton);
    return reached;
  };
  EXPECT_EQ(drag(0.01, 0, 437), 0.01);
  EXPECT_EQ(drag(1000, 437, 0), 1000);
  EXPECT_DOUBLE_EQ(drag(1000, 0, 437), 1000 - 437.0 / 441);
  EXPECT_DOUBLE_EQ(drag(0.01, 437, 0), 0.01 + 437.0 / 441);
  EXPECT_EQ(TCustomPolChart::zoomDragMagFactor(0.01, 1 << 30, 441), 0.01);
  EXPECT_EQ(TCustomPolChart::zoomDragMagFactor(1000, -(1 << 30), 441), 1000);
  EXPECT_EQ(TCustomPolChart::zoomDragMagFactor(kNaN, 5, 441), 1);
  EXPECT_EQ(TCustomPolChart::zoomDragMagFactor(3, 5, 0), 3);

  c.resize(0, 0);
  mouse(&c, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, Qt::LeftButton);
  mouse(&c, QEvent::MouseMove, {0, 500}, Qt::NoButton, Qt::LeftButton);
  mouse(&c, QEvent::MouseButtonRelease, {0, 500}, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(std::isfinite(c.MagFactor()));
  EXPECT_GE(c.MagFactor(), 0.01);
}

namespace {

// Values that break naive code: special and random-bit doubles, extreme integers.
struct BadValues {
  std::mt19937_64 rng{20261208};
  double real() {
    static const double special[] = {kNaN, kInf, -kInf, 1e300, -1e300, 0, -0.0, 1e-310, 1, -1, 0.5};
    if (rng() % 3 == 0) {
      const std::uint64_t bits = rng();
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    return special[rng() % std::size(special)];
  }
  int integer() {
    static const int pick[] = {0,
                               -1,
                               1,
                               7,
                               32,
                               -32768,
                               32767,
                               std::numeric_limits<int>::max(),
                               std::numeric_limits<int>::min()};
    return pick[rng() % std::size(pick)];
  }
};

// One random property write, mouse gesture in a random mode, or batch of items.
void randomStep(TPolChart &c, BadValues &bad) {
  std::mt19937_64 &rng = bad.rng;
  switch (rng() % 12) {
  case 0: c.SetAngleOffset(bad.real()); break;
  case 1: c.SetRangeLow(bad.real()); break;
  case 2: c.SetRangeHigh(bad.real()); break;
  case 3: c.SetMagFactor(bad.real()); break;
  case 4: c.SetAngleBtwRays(bad.real()); break;
  case 5: c.SetCenterX(bad.integer()); break;
  case 6: c.SetCenterY(bad.integer()); break;
  case 7: c.SetShadowWidth(bad.integer()); break;
  case 8:
    c.SetLabelModeAngular(static_cast<TCustomPolChart::TpcAngLabelMode>(rng() % 7));
    c.SetLabelModeRadial(static_cast<TCustomPolChart::TpcRadLabelMode>(rng() % 4));
    c.SetDecPlaceRad(bad.integer());
    c.SetUseDegrees(rng() % 2);
    break;
  case 9: c.resize(static_cast<int>(rng() % 300), static_cast<int>(rng() % 300)); break;
  case 10: {
    c.SetMouseAction(static_cast<Nuvra::TMouseActMode>(rng() % 13));
    const QPoint a(bad.integer() % 400, bad.integer() % 400);
    const QPoint b(bad.integer() % 400, bad.integer() % 400);
    mouse(&c, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    mouse(&c, QEvent::MouseMove, a, Qt::NoButton, Qt::LeftButton);
    mouse(&c, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    mouse(&c, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    break;
  }
  default:
    if (c.Count() > 100) // clipped circles of 60000 pixels cost a little each
      c.ClearGraf();
    for (int i = 0; i < 20; ++i)
      switch (rng() % 3) {
      case 0: c.MoveTo(bad.real(), bad.real()); break;
      case 1: c.DrawTo(bad.real(), bad.real()); break;
      default: c.Circle(bad.real()); break;
      }
  }
}

} // namespace

// Seeded random mixes of the cases above, property writes and mouse gestures in every mode,
// each followed by a repaint; run in the sanitizer build this is where overflow would show.
TEST(PolChartRobustness, RandomBadValuesNeverBreakThePaint) {
  TestChart t(120, 100);
  TPolChart &c = *t.chart;
  BadValues bad;
  for (int round = 0; round < 150; ++round) {
    randomStep(c, bad);
    c.Paint();
    ASSERT_TRUE(std::isfinite(c.MagFactor()) && c.MagFactor() >= 0.01 && c.MagFactor() <= 1000);
    ASSERT_TRUE(std::isfinite(c.RangeLow()) && std::isfinite(c.RangeHigh()));
    ASSERT_NE(c.RangeLow(), c.RangeHigh());
    ASSERT_TRUE(std::isfinite(c.AngleOffset()));
  }
}
