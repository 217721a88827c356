// The pattern facts against a dense numerical search of ρ(θ) = cos²((kd·cos θ + δ)/2) that
// knows nothing of where lobes and nulls ought to lie: samples around the circle, refined by
// golden-section search and bisection in extended precision.
#include <algorithm>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <vector>

#include "PatternAnalysis.h"

namespace {

using Real = long double;
constexpr Real kPi = std::numbers::pi_v<Real>;
constexpr int kSamples = 1'080'000; // 0°, 90°, 180° and 270° are samples
constexpr Real kStep = 360.0L / kSamples;

struct Rho {
  Real kd, delta;
  Rho(int p, int q) : kd(p * kPi / 1000.0L), delta(q / 2000.0L) {}
  Real operator()(Real deg) const {
    const Real a = std::cos((kd * std::cos(deg * kPi / 180.0L) + delta) / 2.0L);
    return a * a;
  }
};

// The extremum of f near x (one sample either side), by golden-section search.
template <class F> Real refine(const F &f, Real x, bool wantMax) {
  const Real g = (std::sqrt(5.0L) - 1.0L) / 2.0L;
  Real a = x - kStep, b = x + kStep;
  auto better = [&](Real u, Real v) { return wantMax ? f(u) > f(v) : f(u) < f(v); };
  for (int i = 0; i < 120; ++i) {
    const Real c = b - g * (b - a), d = a + g * (b - a);
    (better(c, d) ? b : a) = better(c, d) ? d : c;
  }
  return (a + b) / 2.0L;
}

Real wrap(Real deg) { return deg - 360.0L * std::floor(deg / 360.0L); }

// Neighbouring samples may refine to one and the same point.
void dedupe(std::vector<Real> &v, Real tol) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end(), [&](Real a, Real b) { return b - a < tol; }), v.end());
  if (v.size() > 1 && v.front() + 360.0L - v.back() < tol)
    v.pop_back();
}

struct Reference {
  Real maxRho = 0;
  std::vector<Real> lobes, nulls;
  std::vector<double> samples; // ρ at i·kStep, in double precision for speed
};

Reference search(const Rho &rho) {
  Reference r;
  std::vector<double> &v = r.samples;
  v.resize(kSamples);
  const double kd = static_cast<double>(rho.kd), delta = static_cast<double>(rho.delta);
  for (int i = 0; i < kSamples; ++i) {
    const double a = std::cos((kd * std::cos(i * (2 * std::numbers::pi / kSamples)) + delta) / 2);
    v[i] = a * a;
  }
  std::vector<std::pair<Real, Real>> peaks; // position, value
  for (int i = 0; i < kSamples; ++i) {
    const double prev = v[(i + kSamples - 1) % kSamples], next = v[(i + 1) % kSamples];
    if (v[i] >= prev && v[i] >= next) {
      const Real x = refine(rho, i * kStep, true);
      peaks.emplace_back(wrap(x), rho(x));
      r.maxRho = std::max(r.maxRho, rho(x));
    }
    if (v[i] <= prev && v[i] <= next && v[i] < 1e-6) {
      const Real x = refine(rho, i * kStep, false);
      if (rho(x) < 1e-24L)
        r.nulls.push_back(wrap(x));
    }
  }
  for (const auto &[x, value] : peaks)
    if (value > r.maxRho - 1e-13L)
      r.lobes.push_back(x);
  // A lobe on the axis has a flat (quartic) top that spreads over several samples.
  dedupe(r.lobes, 0.05L);
  dedupe(r.nulls, 1e-6L);
  return r;
}

// Walks from the lobe one sample at a time until ρ is down to half and bisects the last step.
std::optional<Real> halfPowerEdge(const Rho &rho, const Reference &ref, Real lobe, int dir) {
  const Real half = ref.maxRho / 2;
  const long start = std::lround(lobe / kStep);
  Real prev = lobe;
  for (long i = 1; i <= kSamples; ++i) {
    const long k = start + dir * i;
    const Real x = k * kStep;
    const auto index = static_cast<std::size_t>((k % kSamples + kSamples) % kSamples);
    if (ref.samples[index] - half > 1e-9 || rho(x) - half > 1e-15L) {
      prev = x;
      continue;
    }
    if (rho(x) >= half)
      return x; // touches half power here
    Real lo = prev, hi = x;
    for (int n = 0; n < 200; ++n) {
      const Real mid = (lo + hi) / 2.0L;
      (rho(mid) > half ? lo : hi) = mid;
    }
    return hi;
  }
  return std::nullopt;
}

Real circularGap(Real a, Real b) {
  const Real d = std::fabs(wrap(a) - wrap(b));
  return std::min(d, 360.0L - d);
}

// Every expected direction matches one given direction and the counts agree.
void expectSameDirections(const std::vector<double> &got, const std::vector<Real> &want, Real tol,
                          const char *what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  EXPECT_TRUE(std::adjacent_find(got.begin(), got.end(), std::greater_equal<>()) == got.end())
      << what << " not ascending";
  for (const double g : got) {
    EXPECT_TRUE(g >= 0.0 && g < 360.0) << what << ' ' << g;
    const bool found =
        std::any_of(want.begin(), want.end(), [&](Real w) { return circularGap(g, w) < tol; });
    EXPECT_TRUE(found) << what << ' ' << g;
  }
}

// ½∫ρ dc over cos θ in -1..1 by composite Simpson: the mean of ρ over the sphere.
Real sphereMean(const Rho &rho) {
  const int n = 20'000;
  const Real h = 2.0L / n;
  auto f = [&](Real c) {
    const Real a = std::cos((rho.kd * c + rho.delta) / 2.0L);
    return a * a;
  };
  Real sum = f(-1.0L) + f(1.0L);
  for (int i = 1; i < n; ++i)
    sum += f(-1.0L + i * h) * (i % 2 ? 4 : 2);
  return sum * h / 3.0L / 2.0L;
}

void checkAgainstSearch(int p, int q) {
  SCOPED_TRACE(testing::Message() << "p=" << p << " q=" << q);
  const Rho rho(p, q);
  const pattern::Analysis a = pattern::analyse(p, q);
  const Reference ref = search(rho);
  EXPECT_FALSE(a.omnidirectional);
  EXPECT_NEAR(a.maxRho, static_cast<double>(ref.maxRho), 1e-14);
  expectSameDirections(a.mainLobesDeg, ref.lobes, 0.05L, "lobes");
  for (const double lobe : a.mainLobesDeg)
    EXPECT_GT(rho(lobe), ref.maxRho - 1e-14L) << "not a maximum: " << lobe;
  expectSameDirections(a.nullsDeg, ref.nulls, 1e-6L, "nulls");
  for (const double n : a.nullsDeg)
    EXPECT_LT(rho(n), 1e-24L) << "not a null: " << n;

  std::vector<Real> widths;
  for (const double lobe : a.mainLobesDeg) {
    const auto hi = halfPowerEdge(rho, ref, lobe, +1);
    const auto lo = halfPowerEdge(rho, ref, lobe, -1);
    if (hi && lo)
      widths.push_back(*hi - *lo);
  }
  ASSERT_EQ(a.halfPowerBeamwidthDeg.has_value(), !widths.empty());
  if (!widths.empty()) {
    ASSERT_EQ(a.halfPowerBeamwidthDeg->size(), widths.size());
    for (std::size_t i = 0; i < widths.size(); ++i)
      EXPECT_NEAR((*a.halfPowerBeamwidthDeg)[i], static_cast<double>(widths[i]), 1e-6) << i;
  }

  ASSERT_TRUE(a.directivityDbi.has_value());
  EXPECT_NEAR(*a.directivityDbi, static_cast<double>(10 * std::log10(ref.maxRho / sphereMean(rho))),
              1e-9);
  ASSERT_TRUE(a.frontToBackDb.has_value());
  const Real front = a.mainLobesDeg.front();
  EXPECT_NEAR(*a.frontToBackDb,
              static_cast<double>(10 * std::log10(rho(front) / rho(front + 180.0L))), 1e-6);
}

// Corners: kd a whole multiple of π (p = 1000, 2000, 10000) and just past one (p = 3001),
// lobes exactly on the axis (p = 2000, 10000 in phase; p = 500 in quadrature towards 180°),
// half power touched exactly on the axis (p = 500 in phase), no half power at all (p = 1),
// both ends of the phase bar.
TEST(PatternAnalysis, AgreesWithDenseSearch) {
  for (int p : {1, 500, 1000, 2000, 2345, 3001, 7777, 10000})
    for (int q : {0, 1234, 3142, 6283})
      checkAgainstSearch(p, q);
}

TEST(PatternAnalysis, KnownTeachingCases) {
  // Half a wavelength in phase: broadside lobes 60° wide, nulls along the axis.
  const pattern::Analysis half = pattern::analyse(1000, 0);
  EXPECT_EQ(half.mainLobesDeg, (std::vector<double>{90, 270}));
  EXPECT_EQ(half.nullsDeg, (std::vector<double>{0, 180}));
  ASSERT_TRUE(half.halfPowerBeamwidthDeg);
  EXPECT_NEAR(half.halfPowerBeamwidthDeg->at(0), 60.0, 1e-12);
  EXPECT_NEAR(*half.frontToBackDb, 0.0, 1e-12);
  // One wavelength in phase: four lobes, two of them exactly on the axis.
  EXPECT_EQ(pattern::analyse(2000, 0).mainLobesDeg, (std::vector<double>{0, 90, 180, 270}));
  // A quarter wavelength, half a wavelength in phase: ρ ≥ ½ everywhere, touching ½ on the axis.
  const pattern::Analysis touch = pattern::analyse(500, 0);
  ASSERT_TRUE(touch.halfPowerBeamwidthDeg);
  EXPECT_EQ(*touch.halfPowerBeamwidthDeg, (std::vector<double>{180, 180}));
}

TEST(PatternAnalysis, NoDistanceIsACircle) {
  for (int q : {0, 3142, 6283}) {
    const pattern::Analysis a = pattern::analyse(0, q);
    EXPECT_TRUE(a.omnidirectional);
    EXPECT_TRUE(a.mainLobesDeg.empty() && a.nullsDeg.empty());
    EXPECT_FALSE(a.halfPowerBeamwidthDeg);
    const double rho = static_cast<double>(std::pow(std::cos(q / 4000.0L), 2));
    EXPECT_NEAR(a.maxRho, rho, 1e-13 * rho);
    EXPECT_EQ(a.directivityDbi, 0.0);
    EXPECT_EQ(a.frontToBackDb, 0.0);
  }
}

// Every position the scroll bars can hold gives finite facts; positions outside are clamped.
TEST(PatternAnalysis, FiniteEverywhereAndClamped) {
  auto finite = [](const std::optional<double> &v) { return !v || std::isfinite(*v); };
  for (int p = 0; p <= 10000; p += 37)
    for (int q = 0; q <= 6283; q += 41) {
      const pattern::Analysis a = pattern::analyse(p, q);
      ASSERT_TRUE(std::isfinite(a.maxRho) && a.maxRho > 0 && a.maxRho <= 1) << p << ' ' << q;
      ASSERT_TRUE(finite(a.directivityDbi) && finite(a.frontToBackDb)) << p << ' ' << q;
      ASSERT_EQ(a.omnidirectional, a.mainLobesDeg.empty()) << p << ' ' << q;
      for (const double w : a.halfPowerBeamwidthDeg.value_or(std::vector<double>{}))
        ASSERT_TRUE(w > 0 && w <= 360) << p << ' ' << q;
    }
  const pattern::Analysis low = pattern::analyse(INT_MIN, INT_MIN);
  EXPECT_TRUE(low.omnidirectional);
  EXPECT_EQ(low.maxRho, 1.0);
  const pattern::Analysis high = pattern::analyse(INT_MAX, INT_MAX);
  EXPECT_EQ(high.mainLobesDeg, pattern::analyse(10000, 6283).mainLobesDeg);
  EXPECT_EQ(pattern::rhoAt(INT_MAX, INT_MAX, 12.5), pattern::rhoAt(10000, 6283, 12.5));
  EXPECT_TRUE(std::isfinite(pattern::rhoAt(1000, 0, std::nan(""))));
}

} // namespace
