#include "Pattern.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "Nuvra_polchart.h"

namespace pattern {
namespace {

// The phase of each point is computed in extended precision; only the results are handed on
// as doubles.
constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2.0L * kPi;
constexpr double kInvTwoPi = 0.5 * std::numbers::inv_pi;

long double phaseLength(int p) { return static_cast<long double>(p) * kPi / 1000.0L; }
long double phaseDifference(int q) { return static_cast<long double>(q) / 2000.0L; }

// cos θ depends only on the resolution, so each table is computed once, in extended
// precision, and kept for the whole run (at most 11 tables of up to 3961 values).
const std::vector<long double> &cosTheta(int b) {
  static std::array<std::vector<long double>, 12> tables;
  // Checked: a resolution beyond the tables must fail loudly, not write past them.
  std::vector<long double> &t = tables.at(static_cast<std::size_t>(b));
  if (t.empty()) {
    const int n = 360 * b;
    t.resize(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i)
      t[static_cast<std::size_t>(i)] = std::cos(static_cast<long double>(i) * kPi / (180.0L * b));
  }
  return t;
}

// cos ψ for ψ = kd·cos θ + δ. ψ is formed and brought into -π..π in extended precision, so
// the double cosine of the reduced angle is as exact as the double result can be.
//
// Built twice, for AVX2 machines and for any x86-64: code that runs after the toolkit's
// raster painting must not be plain SSE code, which the vector state the painting leaves
// behind slows down many times over.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void cosPsi(const long double *cosTh, int count, long double kd, long double delta, double *out) {
  for (int i = 0; i < count; ++i) {
    long double psi = cosTh[i] * kd + delta;
    // The number of whole turns needs no extended precision; removing them does.
    const double turns = std::nearbyint(static_cast<double>(psi) * kInvTwoPi);
    psi -= kTwoPi * turns;
    out[i] = std::cos(static_cast<double>(psi));
  }
}

} // namespace

double distanceInWavelengths(int p) { return static_cast<double>(p / 2000.0L); }

double phaseInPi(int q) { return static_cast<double>(static_cast<long double>(q) / 2000.0L / kPi); }

int resolution(int p) { return p / 1000 + 1; }

double valueAt(int p, int q, int i) {
  const std::vector<long double> &t = cosTheta(resolution(p));
  double r = 0;
  if (i >= 0 && static_cast<std::size_t>(i) < t.size())
    cosPsi(&t[static_cast<std::size_t>(i)], 1, phaseLength(p), phaseDifference(q), &r);
  return r;
}

namespace {

// R for the points 0° to 360° in steps of 1/b degree (360·b + 1 values).
const std::vector<double> &patternValues(int p, int q) {
  const std::vector<long double> &t = cosTheta(resolution(p));
  thread_local std::vector<double> values;
  values.resize(t.size());
  cosPsi(t.data(), static_cast<int>(t.size()), phaseLength(p), phaseDifference(q), values.data());
  return values;
}

void circle(TPolChart &chart, TColor color, double r) {
  chart.SetDataColor(color);
  chart.SetPenStyle(Nuvra::psDot);
  chart.Circle(r);
}

// The black curve once around the circle, 1/b degree per segment.
void curve(TPolChart &chart, const std::vector<double> &values, int b) {
  chart.SetDataColor(clBlack);
  chart.SetPenStyle(Nuvra::psSolid);
  chart.MoveTo(values[0], 0.0); // θ = 0: cos(kd + δ)
  for (std::size_t i = 0; i < values.size(); ++i)
    chart.DrawTo(values[i], static_cast<double>(static_cast<long double>(i) / b));
}

} // namespace

void plot(TPolChart &chart, int p, int q) {
  const std::vector<double> &values = patternValues(p, q);
  chart.ClearGraf();
  chart.TransparentFill = true; // the reference circle is drawn hollow
  // In extended precision: sqrt(2.0) - 1.0 cancels the leading digits and lands 2 ulp off.
  circle(chart, clRed, static_cast<double>(std::sqrt(2.0L) - 1.0L));
  curve(chart, values, resolution(p));
  chart.ShowGraf();
}

double decibels(double r) {
  const double rho = 0.5 * (1.0 + r);
  return rho > kDecibelRho ? 10.0 * std::log10(rho) : kDecibelFloor;
}

void plotDecibels(TPolChart &chart, int p, int q) {
  thread_local std::vector<double> db;
  const std::vector<double> &values = patternValues(p, q);
  db.resize(values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    db[i] = decibels(values[i]);
  chart.ClearGraf();
  chart.TransparentFill = true;
  circle(chart, clGray, -20.0);
  circle(chart, clGray, -10.0);
  circle(chart, clRed, kHalfPowerDb);
  curve(chart, db, resolution(p));
  chart.ShowGraf();
}

} // namespace pattern
