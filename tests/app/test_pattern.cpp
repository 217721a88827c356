// The simulation's numbers: read-out values, resolution steps and the drawing list the
// pattern leaves on the chart.
#include <QPointer>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "Nuvra_polchart.h"
#include "Pattern.h"

namespace {

int countKind(const TPolChart &chart, int kind) {
  int n = 0;
  for (int i = 0; i < chart.Count(); ++i)
    n += chart.item(i).Kind == kind;
  return n;
}

TEST(Pattern, ReadoutValues) {
  EXPECT_DOUBLE_EQ(pattern::distanceInWavelengths(1000), 0.5);
  EXPECT_DOUBLE_EQ(pattern::distanceInWavelengths(10000), 5.0);
  EXPECT_DOUBLE_EQ(pattern::phaseInPi(0), 0.0);
  // The right end of the phase bar is just short of π.
  EXPECT_NEAR(pattern::phaseInPi(6283), 0.99997, 1e-5);
  EXPECT_LT(pattern::phaseInPi(6283), 1.0);
}

TEST(Pattern, ResolutionStepsAtEveryThousand) {
  EXPECT_EQ(pattern::resolution(0), 1);
  EXPECT_EQ(pattern::resolution(999), 1);
  EXPECT_EQ(pattern::resolution(1000), 2);
  EXPECT_EQ(pattern::resolution(10000), 11);
}

TEST(Pattern, ListHoldsCircleMoveAndOneTurnOfSegments) {
  TPolChart chart;
  for (int p : {0, 999, 1000, 5500, 10000}) {
    pattern::plot(chart, p, 0);
    const int b = pattern::resolution(p);
    ASSERT_EQ(chart.Count(), 360 * b + 3) << p;
    EXPECT_EQ(countKind(chart, ikCircle), 1);
    EXPECT_EQ(countKind(chart, ikMoveTo), 1);
    EXPECT_EQ(countKind(chart, ikDrawTo), 360 * b + 1);
  }
  // The largest pattern grows the list in blocks of AllocSize.
  EXPECT_EQ(chart.capacity(), 4000);
}

// ρ = ½(1 + r) in decibels: full power 0 dB, half power −3 dB, below the floor the floor.
TEST(Pattern, DecibelsOfThePower) {
  EXPECT_EQ(pattern::decibels(1.0), 0.0);
  EXPECT_NEAR(pattern::decibels(0.0), -3.0103, 1e-4);
  EXPECT_NEAR(pattern::decibels(0.5), 10 * std::log10(0.75), 1e-12);
  EXPECT_EQ(pattern::decibels(-1.0), pattern::decibels(-0.9999999999));
  // A new decibel plot replaces the last one.
  TPolChart chart;
  pattern::plotDecibels(chart, 1000, 0);
  const int once = chart.Count();
  pattern::plotDecibels(chart, 1000, 0);
  EXPECT_EQ(chart.Count(), once);
}

TEST(Pattern, ReferenceCircleIsRedDottedHollow) {
  TPolChart chart;
  pattern::plot(chart, 1000, 0);
  const TpcDrawItem &circle = chart.item(0);
  EXPECT_EQ(circle.Kind, ikCircle);
  EXPECT_EQ(circle.R, 0.41421356237309503); // the double nearest to sqrt(2) - 1
  EXPECT_EQ(circle.Color, clRed);
  EXPECT_EQ(circle.PenStyle, Nuvra::psDot);
  EXPECT_TRUE(circle.Transparent);
  const TpcDrawItem &line = chart.item(5);
  EXPECT_EQ(line.Color, clBlack);
  EXPECT_EQ(line.PenStyle, Nuvra::psSolid);
}

TEST(Pattern, CurveClosesOnItsStartingPoint) {
  TPolChart chart;
  pattern::plot(chart, 2345, 1234);
  const TpcDrawItem &move = chart.item(1);
  const TpcDrawItem &first = chart.item(2);
  const TpcDrawItem &last = chart.item(chart.Count() - 1);
  EXPECT_DOUBLE_EQ(move.Phi, 0.0);
  EXPECT_DOUBLE_EQ(first.R, move.R);
  EXPECT_DOUBLE_EQ(last.Phi, 360.0);
  EXPECT_NEAR(last.R, move.R, 1e-15);
}

TEST(Pattern, HalfWaveInPhaseHasLobesAcrossTheAxis) {
  TPolChart chart;
  pattern::plot(chart, 1000, 0); // b = 2: item 2 + 2·angle
  auto at = [&](int deg) { return chart.item(2 + 2 * deg).R; };
  EXPECT_NEAR(at(90), 1.0, 1e-15);
  EXPECT_NEAR(at(270), 1.0, 1e-15);
  EXPECT_NEAR(at(0), -1.0, 1e-15);
  EXPECT_NEAR(at(180), -1.0, 1e-15);
  EXPECT_DOUBLE_EQ(chart.item(2 + 2 * 45).Phi, 45.0);
}

TEST(Pattern, ValuesMatchAnExtendedPrecisionReference) {
  TPolChart chart;
  for (int p : {0, 999, 1000, 5000, 7777, 10000})
    for (int q : {0, 1234, 3142, 6283}) {
      pattern::plot(chart, p, q);
      const int b = pattern::resolution(p);
      const long double pi = std::numbers::pi_v<long double>;
      for (int i = 0; i <= 360 * b; ++i) {
        const long double theta = static_cast<long double>(i) * pi / (180.0L * b);
        const long double ref =
            std::cos(std::cos(theta) * (p * pi / 1000.0L) + static_cast<long double>(q) / 2000.0L);
        ASSERT_NEAR(chart.item(2 + i).R, static_cast<double>(ref), 4e-16)
            << p << ' ' << q << ' ' << i;
        ASSERT_EQ(chart.item(2 + i).Phi, static_cast<double>(static_cast<long double>(i) / b));
      }
    }
}

TEST(Pattern, QuarterWaveInQuadratureHasOneLobe) {
  EXPECT_NEAR(pattern::valueAt(500, 3142, 0), -1.0, 1e-6);
  EXPECT_NEAR(pattern::valueAt(500, 3142, 180), 1.0, 1e-6);
}

TEST(Pattern, ZeroDistanceIsACircle) {
  TPolChart chart;
  pattern::plot(chart, 0, 6283);
  for (int i = 2; i < chart.Count(); ++i)
    ASSERT_DOUBLE_EQ(chart.item(i).R, std::cos(6283 / 2000.0));
  EXPECT_NEAR(chart.item(2).R, -1.0, 1e-6); // practically on the centre
}

} // namespace
