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
  // Not rint: that follows the current rounding mode, which someone may have changed.
  const double fl = std::floor(x);
  const double diff = x - fl;
  double r;
  if (diff < 0.5)
    r = fl;
  else if (diff > 0.5)
    r = fl + 1.0;
  else
    r = (std::fmod(fl, 2.0) == 0.0) ? fl : fl + 1.0;
  if (r >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(r);
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
