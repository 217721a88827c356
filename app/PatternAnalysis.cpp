#include "PatternAnalysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Pattern.h"

namespace pattern {
namespace {

// Everything is worked out in turns of ψ (ψ/2π), where the pattern's special directions lie
// on whole and half numbers: t(c) = D·c + s with c = cos θ, D = p/2000 and s = q/(4000π).
// Maxima lie where t is whole, nulls where t is a half. Solving for c then gives
// c = (2000·t − q/2π)/p, which for q = 0 is a ratio of integers and so exact: the directions
// that fall exactly on the axis (c = ±1) are found as such and not lost to rounding. For
// q ≠ 0 no special direction comes closer to the axis than about 10⁻⁹ in c, far beyond the
// rounding of extended precision.
constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kDegPerRad = 180.0L / kPi;

struct Setup {
  int p = 0;
  int q = 0;
  long double d = 0; // D, the distance in wavelengths
  long double s = 0; // δ in turns
};

Setup setupFor(int p, int q) {
  Setup st;
  st.p = std::clamp(p, 0, kDistanceMax);
  st.q = std::clamp(q, 0, kPhaseMax);
  st.d = static_cast<long double>(st.p) / 2000.0L;
  st.s = static_cast<long double>(st.q) / (4000.0L * kPi);
  return st;
}

// cos²(π·t), with whole turns removed first so the cosine sees a small angle.
long double rhoOfTurns(long double t) {
  const long double frac = t - std::nearbyint(t);
  const long double c = std::cos(kPi * frac);
  return c * c;
}

// cos θ where t(c) = t; for p > 0 only.
long double cosForTurns(const Setup &st, long double t) {
  return (2000.0L * t - static_cast<long double>(st.q) / (2.0L * kPi)) /
         static_cast<long double>(st.p);
}

// The one or two directions with cos θ = c, for c in -1..1.
void addDirections(long double c, std::vector<double> &out) {
  if (c >= 1.0L) {
    out.push_back(0.0);
  } else if (c <= -1.0L) {
    out.push_back(180.0);
  } else {
    const long double theta = std::acos(c) * kDegPerRad;
    out.push_back(static_cast<double>(theta));
    out.push_back(static_cast<double>(360.0L - theta));
  }
}

void sortUnique(std::vector<double> &v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

// Directions where t(c) = m + offset for some whole m, with c in -1..1.
std::vector<double> directionsAtTurns(const Setup &st, long double offset) {
  std::vector<double> out;
  const long double lo = st.s - st.d - offset;
  const long double hi = st.s + st.d - offset;
  for (long double m = std::ceil(lo) - 1; m <= std::floor(hi) + 1; ++m) {
    const long double c = cosForTurns(st, m + offset);
    if (c >= -1.0L && c <= 1.0L)
      addDirections(c, out);
  }
  sortUnique(out);
  return out;
}

// The main lobes and ρ there; true when ρ reaches 1. Where no whole turn lies within reach the
// maximum is at one end of the axis, or at both if they tie.
bool findLobes(const Setup &st, Analysis &a) {
  a.mainLobesDeg = directionsAtTurns(st, 0.0L);
  if (!a.mainLobesDeg.empty()) {
    a.maxRho = 1.0;
    return true;
  }
  const long double front = rhoOfTurns(st.s + st.d); // θ = 0°
  const long double back = rhoOfTurns(st.s - st.d);  // θ = 180°
  a.maxRho = static_cast<double>(std::max(front, back));
  if (front >= back)
    a.mainLobesDeg.push_back(0.0);
  if (back >= front)
    a.mainLobesDeg.push_back(180.0);
  return false;
}

// For each lobe, the nearest half-power directions below and above it, around the circle.
std::optional<std::vector<double>> beamwidths(const Setup &st, const Analysis &a, bool full) {
  if (a.maxRho <= 0)
    return std::nullopt;
  // ρ = M/2 where t lies h turns from a whole number; h = ¼ exactly at full power.
  const long double h =
      full ? 0.25L : std::acos(std::sqrt(static_cast<long double>(a.maxRho) / 2.0L)) / kPi;
  std::vector<double> half = directionsAtTurns(st, h);
  const std::vector<double> other = directionsAtTurns(st, -h);
  half.insert(half.end(), other.begin(), other.end());
  sortUnique(half);
  if (half.empty())
    return std::nullopt;
  std::vector<double> widths;
  for (const double lobe : a.mainLobesDeg) {
    const auto above = std::upper_bound(half.begin(), half.end(), lobe);
    const auto below = std::lower_bound(half.begin(), half.end(), lobe);
    const double upper = above != half.end() ? *above : half.front() + 360.0;
    const double lower = below != half.begin() ? *(below - 1) : half.back() - 360.0;
    widths.push_back(upper - lower);
  }
  return widths;
}

// sin(kd)/kd with kd = p·π/1000 > 0, as 1 − sin(kd)/kd so that small distances keep their
// digits. A whole multiple of π has a sine of exactly 0.
long double oneMinusSinc(int p) {
  const long double kd = static_cast<long double>(p) * kPi / 1000.0L;
  const int r = p % 2000;
  const long double sine =
      r % 1000 == 0 ? 0.0L : std::sin(static_cast<long double>(r) * kPi / 1000.0L);
  return (kd - sine) / kd;
}

// 10·log10(M / mean ρ over the sphere), mean ρ = ½ + ½·cos δ·sin(kd)/kd, written as
// cos²(δ/2) − ½·cos δ·(1 − sin(kd)/kd) so that it keeps its digits where it is small.
std::optional<double> directivity(const Setup &st, double maxRho) {
  if (maxRho <= 0)
    return std::nullopt;
  if (st.p == 0)
    return 0.0;
  const long double delta = static_cast<long double>(st.q) / 2000.0L;
  const long double half = std::cos(delta / 2.0L);
  const long double mean = half * half - 0.5L * std::cos(delta) * oneMinusSinc(st.p);
  if (!(mean > 0))
    return std::nullopt;
  return static_cast<double>(10.0L * std::log10(static_cast<long double>(maxRho) / mean));
}

std::optional<double> frontToBack(const Setup &st, const Analysis &a, bool full) {
  long double back = 0;
  if (full) {
    // Opposite a whole turn t = m lies t = 2s − m, so ρ there is cos²(δ) for every lobe.
    const long double c = std::cos(static_cast<long double>(st.q) / 2000.0L);
    back = c * c;
  } else {
    back = rhoOfTurns(a.mainLobesDeg.front() == 0.0 ? st.s - st.d : st.s + st.d);
  }
  if (!(back > 0))
    return std::nullopt;
  return static_cast<double>(10.0L * std::log10(static_cast<long double>(a.maxRho) / back));
}

} // namespace

Analysis analyse(int p, int q) {
  const Setup st = setupFor(p, q);
  Analysis a;
  if (st.p == 0) {
    a.omnidirectional = true;
    a.maxRho = static_cast<double>(rhoOfTurns(st.s));
    a.directivityDbi = directivity(st, a.maxRho);
    a.frontToBackDb = 0.0;
    return a;
  }
  const bool full = findLobes(st, a);
  a.nullsDeg = directionsAtTurns(st, 0.5L);
  a.halfPowerBeamwidthDeg = beamwidths(st, a, full);
  a.directivityDbi = directivity(st, a.maxRho);
  a.frontToBackDb = frontToBack(st, a, full);
  return a;
}

double rhoAt(int p, int q, double thetaDeg) {
  const Setup st = setupFor(p, q);
  const long double theta = std::isfinite(thetaDeg) ? thetaDeg / kDegPerRad : 0.0L;
  return static_cast<double>(rhoOfTurns(st.d * std::cos(theta) + st.s));
}

} // namespace pattern
