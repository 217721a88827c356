#include "Pattern.h"

#include <cmath>
#include <numbers>

#include "Nuvra_polchart.h"

namespace pattern {
namespace {

// Computed in extended precision; only the results are handed on as doubles.
constexpr long double kPi = std::numbers::pi_v<long double>;

long double phaseLength(int p) { return static_cast<long double>(p) * kPi / 1000.0L; }
long double phaseDifference(int q) { return static_cast<long double>(q) / 2000.0L; }

} // namespace

double distanceInWavelengths(int p) { return static_cast<double>(p / 2000.0L); }

double phaseInPi(int q) { return static_cast<double>(static_cast<long double>(q) / 2000.0L / kPi); }

int resolution(int p) { return p / 1000 + 1; }

double valueAt(int p, int q, int i) {
  const int b = resolution(p);
  const long double theta = static_cast<long double>(i) * kPi / (180.0L * b);
  return static_cast<double>(std::cos(std::cos(theta) * phaseLength(p) + phaseDifference(q)));
}

void plot(TPolChart &chart, int p, int q) {
  const long double kd = phaseLength(p);
  const long double delta = phaseDifference(q);
  const int b = resolution(p);
  const int n = 360 * b;

  chart.ClearGraf();
  chart.TransparentFill = true; // the reference circle is drawn hollow
  chart.SetDataColor(clRed);
  chart.SetPenStyle(Nuvra::psDot);
  chart.Circle(std::sqrt(2.0) - 1.0);
  chart.SetDataColor(clBlack);
  chart.SetPenStyle(Nuvra::psSolid);
  chart.MoveTo(static_cast<double>(std::cos(kd + delta)), 0.0);
  for (int i = 0; i <= n; ++i) {
    const long double theta = static_cast<long double>(i) * kPi / (180.0L * b);
    chart.DrawTo(static_cast<double>(std::cos(std::cos(theta) * kd + delta)),
                 static_cast<double>(static_cast<long double>(i) / b));
  }
  chart.ShowGraf();
}

} // namespace pattern
