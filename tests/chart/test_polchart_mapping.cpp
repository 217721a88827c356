// Polar <-> screen mapping, centring and the scale number format.
#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

#include "chart_test_util.h"

using C = TCustomPolChart;

namespace {

// RangeLow -1, RangeHigh 1, MagFactor 1, a 200 x 200 area without shadow, centre (100, 100).
ChartMapping unitMapping(double lo = -1, double hi = 1, double rotSign = 1) {
  ChartMapping m;
  m.rangeLow = lo;
  m.rangeHigh = hi;
  m.angleFactor = C::kDegToRad;
  m.rotSign = rotSign;
  m.calc(200, 200, 0, 1, 100, 100);
  return m;
}

QPoint toScreen(const ChartMapping &m, double R, double Phi) {
  int x = 0, y = 0;
  m.PolarToScreen(x, y, R, Phi);
  return {x, y};
}

} // namespace

TEST(PolChartMapping, ForwardMappingOfTheUnitExample) {
  const ChartMapping m = unitMapping();
  EXPECT_EQ(m.scaleX, 50);
  EXPECT_EQ(toScreen(m, -1, 0), QPoint(100, 100));                 // RangeLow: centre
  EXPECT_EQ(toScreen(m, 0, 0), QPoint(150, 100));                  // half way
  EXPECT_EQ(toScreen(m, 1, 0), QPoint(200, 100));                  // the rim
  EXPECT_EQ(toScreen(m, std::sqrt(2.0) - 1, 0), QPoint(171, 100)); // 70.7 px
  EXPECT_EQ(toScreen(m, -3, 45), QPoint(100, 100));                // below the range: centre
  EXPECT_EQ(toScreen(m, 2, 0), QPoint(250, 100));                  // beyond the rim: not clamped
  EXPECT_EQ(toScreen(m, 1, 90), QPoint(100, 200));                 // clockwise: below
  EXPECT_EQ(toScreen(unitMapping(-1, 1, -1), 1, 90), QPoint(100, 0));

  ChartMapping turned = m;
  turned.angleOffset = 90; // Phi 0 at six o'clock
  EXPECT_EQ(toScreen(turned, 1, 0), QPoint(100, 200));

  ChartMapping huge = m;
  huge.scaleX = huge.scaleY = 1e300;
  EXPECT_EQ(toScreen(huge, 1, 0).x(), 2147483647);
}

TEST(PolChartMapping, InverseMappingBranches) {
  const ChartMapping m = unitMapping();
  double R = 0, Phi = 0;
  m.ScreenToPolar(100, 100, R, Phi); // dx = dy = 0 takes the 3 pi / 2 branch
  EXPECT_EQ(R, -1);
  EXPECT_DOUBLE_EQ(Phi, 270);
  m.ScreenToPolar(100, 50, R, Phi); // straight above
  EXPECT_DOUBLE_EQ(R, 0);
  EXPECT_DOUBLE_EQ(Phi, 270);
  unitMapping(-1, 1, -1).ScreenToPolar(100, 50, R, Phi);
  EXPECT_DOUBLE_EQ(Phi, 90);
  m.ScreenToPolar(100, 150, R, Phi); // straight below
  EXPECT_DOUBLE_EQ(Phi, 90);
  m.ScreenToPolar(50, 100, R, Phi); // left: arctan + pi
  EXPECT_DOUBLE_EQ(Phi, 180);
  m.ScreenToPolar(150, 50, R, Phi); // upper right: arctan of a negative, wrapped
  EXPECT_DOUBLE_EQ(Phi, 315);
  EXPECT_DOUBLE_EQ(R, std::sqrt(2.0) - 1);

  ChartMapping rad = m;
  rad.angleFactor = 1;
  rad.ScreenToPolar(100, 150, R, Phi);
  EXPECT_DOUBLE_EQ(Phi, C::kPi / 2);
}

// The inverse must undo the forward mapping on turned, counter-clockwise and reversed charts:
// the angle under the mouse is read back through the same offset and direction.
TEST(PolChartMapping, InverseUndoesTurnedAndMirroredCharts) {
  struct Case {
    double lo, hi, rotSign, offset;
    QPoint screen;
    double R, Phi;
  };
  const Case cases[] = {
      {-1, 1, 1, 90, {100, 150}, 0, 0},    // turned: Phi 0 at six o'clock
      {-1, 1, 1, 90, {150, 100}, 0, 270},  // three o'clock is a quarter turn back
      {-1, 1, -1, 30, {100, 50}, 0, 60},   // counter-clockwise and turned
      {-1, 1, -1, -45, {150, 100}, 0, 45}, // a negative offset
      {-1, 1, 1, 400, {100, 150}, 0, 50},  // offsets beyond a full turn wrap
      {1, -1, 1, 90, {100, 50}, 0, 180},   // reversed range, turned: half a turn more
      {1, -1, -1, 0, {100, 150}, 0, 270},  // reversed and counter-clockwise
  };
  for (const Case &k : cases) {
    ChartMapping m = unitMapping(k.lo, k.hi, k.rotSign);
    m.angleOffset = k.offset;
    double R = 0, Phi = 0;
    m.ScreenToPolar(k.screen.x(), k.screen.y(), R, Phi);
    EXPECT_NEAR(R, k.R, 1e-12) << k.offset << " " << k.rotSign;
    EXPECT_NEAR(Phi, k.Phi, 1e-9) << k.offset << " " << k.rotSign << " " << k.lo;
    EXPECT_EQ(toScreen(m, k.R, k.Phi), k.screen) << k.offset << " " << k.rotSign;
    // Every angle read back lands on the same pixel again.
    for (double phi = 5; phi < 360; phi += 37) {
      const QPoint p = toScreen(m, 0.6, phi);
      m.ScreenToPolar(p.x(), p.y(), R, Phi);
      EXPECT_EQ(toScreen(m, R, Phi), p) << phi << " " << k.offset << " " << k.rotSign;
      EXPECT_GE(Phi, 0);
      EXPECT_LE(Phi, 360);
    }
  }
}

// Pixel coordinates round half to even, in both directions from the centre.
TEST(PolChartMapping, ForwardMappingRoundsTiesToEven) {
  ChartMapping m;
  m.rangeLow = 0;
  m.rangeHigh = 1;
  m.angleFactor = C::kDegToRad;
  m.calc(256, 256, 0, 1, 100, 100); // 128 pixels per unit: exact binary fractions
  const struct {
    double pixels, phi;
    QPoint expected;
  } cases[] = {
      {0.5, 0, {100, 100}},    {1.5, 0, {102, 100}},    {2.5, 0, {102, 100}},
      {0.5, 180, {100, 100}},  {1.5, 180, {98, 100}},   {0.5, 90, {100, 100}},
      {1.5, 90, {100, 102}},   {1.5, 270, {100, 98}},   {2.25, 0, {102, 100}},
      {101.5, 180, {-2, 100}}, {102.5, 180, {-2, 100}}, {100.5, 180, {0, 100}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(toScreen(m, c.pixels / 128, c.phi), c.expected) << c.pixels << " at " << c.phi;
}

// The area is the smaller of width and height, each less the shadow.
TEST(PolChartMapping, ScaleFromTheAreaLessTheShadow) {
  const struct {
    int w, h, shadow;
    double mag, scale;
  } cases[] = {
      {200, 300, 20, 1, 45}, {300, 200, 20, 1, 45}, {300, 200, 0, 2, 100},
      {10, 200, 20, 1, 0},   {200, 10, 20, 1, 0},
  };
  for (const auto &c : cases) {
    ChartMapping m;
    m.rangeLow = -1;
    m.rangeHigh = 1;
    m.calc(c.w, c.h, c.shadow, c.mag, 7, 9);
    EXPECT_EQ(m.scaleX, c.scale) << c.w << "x" << c.h << " shadow " << c.shadow;
    EXPECT_EQ(m.scaleY, c.scale);
    EXPECT_EQ(QPointF(m.offsetX, m.offsetY), QPointF(7, 9));
  }
}

TEST(PolChartMapping, ReversedRanges) {
  const ChartMapping m = unitMapping(1, -1);
  EXPECT_EQ(m.scaleX, -50);
  EXPECT_EQ(toScreen(m, -1, 0), QPoint(200, 100)); // still to the right, on the rim
  EXPECT_EQ(toScreen(m, 3, 0), QPoint(100, 100));  // beyond RangeLow: centre
  double R = 0, Phi = 0;
  m.ScreenToPolar(200, 100, R, Phi);
  EXPECT_DOUBLE_EQ(R, -1);
  EXPECT_TRUE(Phi == 0 || Phi == 360) << Phi;
  m.ScreenToPolar(100, 150, R, Phi);
  EXPECT_DOUBLE_EQ(R, 0);
  EXPECT_DOUBLE_EQ(Phi, 90);
}

TEST(PolChartMapping, ChartUsesScalingAndLiveDirection) {
  TestChart t(200, 200, false);
  TPolChart &c = *t.chart;
  c.SetRangeLow(-1);
  c.SetMagFactor(0.5);
  int x = 0, y = 0;
  c.PolarToScreen(x, y, 1, 90);
  EXPECT_EQ(QPoint(x, y), QPoint(100, 150));
  c.SetRotationDir(C::rdCounterCW);
  c.PolarToScreen(x, y, 1, 90);
  EXPECT_EQ(QPoint(x, y), QPoint(100, 50));
  c.SetShadowWidth(20); // the area shrinks to 180 x 180
  c.PolarToScreen(x, y, 1, 0);
  EXPECT_EQ(x, 100 + 45);
}

TEST(PolChartMapping, CenterChartLeavesRoomForASideScale) {
  TestChart t(300, 200, false);
  TPolChart &c = *t.chart;
  c.SetShadowWidth(10);
  for (auto mode : {C::rlmVertCenter, C::rlmNone}) {
    c.SetLabelModeRadial(mode);
    c.CenterChart();
    EXPECT_EQ(c.CenterX(), 145);
    EXPECT_EQ(c.CenterY(), 95);
    EXPECT_EQ(c.mapping().offsetX, 145);
  }
  // The shift is half of what a fifth of the area leaves beside the widest scale label,
  // measured in the default font: labels as wide as "-1.00", or one digit wide.
  const QFontMetrics fm{QFont()};
  int left = 0;
  for (const auto &[low, high, decimals, label] :
       {std::tuple(-1.0, 1.0, 2, "-1.00"), std::tuple(0.0, 5.0, 0, "5")}) {
    SCOPED_TRACE(label);
    c.SetRangeLow(low);
    c.SetRangeHigh(high);
    c.SetDecPlaceRad(decimals);
    c.SetLabelModeRadial(C::rlmVertLeft);
    c.CenterChart();
    left = c.CenterX() - 145;
    c.SetLabelModeRadial(C::rlmVertRight);
    c.CenterChart();
    const int right = c.CenterX() - 145;
    const int w = fm.horizontalAdvance(QString::fromLatin1(label));
    EXPECT_EQ(left, (290 / 5 - w) / 2) << "a left scale moves the circle right";
    EXPECT_EQ(right, -(290 / 5 - w) / 2) << "and a right scale as far left";
  }

  // Only the widget's default font measures; the chart's Font never does.
  QFont big = c.font();
  big.setPixelSize(60);
  c.setFont(big);
  c.SetLabelModeRadial(C::rlmVertLeft);
  c.CenterChart();
  EXPECT_EQ(c.CenterX() - 145, left);
}

TEST(PolChartMapping, ClampScreenPoint) {
  const struct {
    int x, y, clampedX, clampedY;
  } cases[] = {
      {-40000, 40000, -30000, 30000},
      {40000, -40000, 30000, -30000},
      {12, -29999, 12, -29999},
      {30000, -30000, 30000, -30000},
  };
  for (const auto &c : cases) {
    int x = c.x, y = c.y;
    C::ClampScreenPoint(x, y);
    EXPECT_EQ(x, c.clampedX) << c.x;
    EXPECT_EQ(y, c.clampedY) << c.y;
  }
}

TEST(PolChartMapping, FormatScaleValue) {
  EXPECT_EQ(C::FormatScaleValue(1, 2, -0.5), "-0.50");
  EXPECT_EQ(C::FormatScaleValue(1, 0, 30), "30");
  EXPECT_EQ(C::FormatScaleValue(1, 2, -1 + 0.4 * 2), "-0.20");
  EXPECT_EQ(C::FormatScaleValue(1, 2, 0.125), "0.12"); // binary 0.125: ties to even
  EXPECT_EQ(C::FormatScaleValue(6, 1, 2), "   2.0");
  EXPECT_EQ(C::FormatScaleValue(1, 2, -0.001), "0.00") << "no negative zero";
  EXPECT_EQ(C::FormatScaleValue(5, 1, -0.04), "  0.0") << "no negative zero";
  EXPECT_EQ(C::FormatScaleValue(1, 2, -HUGE_VAL), "-inf") << "but a negative infinity";
  EXPECT_EQ(C::FormatScaleValue(1, 12, 1.0 / 3), "0.333333333333");
  EXPECT_EQ(C::FormatScaleValue(1, 31, 0.5), "0." + QString(29, QLatin1Char('0')).prepend('5'))
      << "at most 30 decimals";

  // Scientific: trimmed exponent, "*" when the exponent needs three digits.
  EXPECT_EQ(C::FormatScaleValue(1, -1, 1.5), "1.5E+00");
  EXPECT_EQ(C::FormatScaleValue(1, -1, -0.05), "-5.0E-02");
  EXPECT_EQ(C::FormatScaleValue(1, -1, 2.5e42), "2.5E+42");
  const QString overflow = C::FormatScaleValue(1, -1, 1e150);
  EXPECT_EQ(overflow, QString(overflow.size(), QLatin1Char('*')));
  EXPECT_EQ(overflow.size(), QStringLiteral("1.0E+50").size());
  // -2: the plain scientific form, four exponent digits.
  EXPECT_EQ(C::FormatScaleValue(1, -2, 1.5), "1.5E+0000");
  EXPECT_EQ(C::FormatScaleValue(1, -2, 1e150), "1.0E+0150");
  // A wider field pads on the left.
  EXPECT_EQ(C::FormatScaleValue(10, -1, 1.5), "   1.5E+00");
  EXPECT_EQ(C::FormatScaleValue(12, -2, -1.5), "  -1.5E+0000");
}
