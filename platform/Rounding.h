#pragma once
// Every real that becomes an integer (pixel positions, label values, read-outs) is rounded
// to the nearest integer with ties to the even neighbour. This is the one helper for it.
// Inline, because the chart rounds two coordinates for every point it draws.

#include <cmath>
#include <cstdint>
#include <limits>

// Nearest integer, ties to even. NaN gives 0; values beyond the 64-bit range saturate.
inline std::int64_t roundTiesEven(double x) noexcept {
  if (std::isnan(x))
    return 0;
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (x >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  if (x < -kLimit)
    return std::numeric_limits<std::int64_t>::min();
  // Not rint: that follows the current rounding mode, which someone may have changed. No
  // branch on the fraction either: it changes at random from one point of a curve to the
  // next, and the chart rounds thousands of them per picture.
  const double fl = std::floor(x);
  const auto f = static_cast<std::int64_t>(fl); // fits: -2^63 <= fl < 2^63
  const double diff = x - fl;                   // exact: fl is x without its fraction
  const std::int64_t up =
      static_cast<std::int64_t>(diff > 0.5) | (static_cast<std::int64_t>(diff == 0.5) & (f & 1));
  return f + up; // no overflow: a double just below 2^63 is a whole number, so up is 0
}

// The same, saturated to the int range (for pixel coordinates).
inline int roundToInt(double x) noexcept {
  const std::int64_t r = roundTiesEven(x);
  if (r > std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

// Integer division truncating towards zero, spelled out where the algorithm says "div".
constexpr int divTrunc(int a, int b) noexcept { return a / b; }
