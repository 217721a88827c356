#include "Rounding.h"

#include <cmath>
#include <limits>

std::int64_t roundTiesEven(double x) noexcept {
  if (std::isnan(x))
    return 0;
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (x >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  if (x < -kLimit)
    return std::numeric_limits<std::int64_t>::min();
  // rint follows the current rounding mode, which is round-to-nearest-even unless someone
  // changed it; do the tie-breaking by hand so the result never depends on that.
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

int roundToInt(double x) noexcept {
  const std::int64_t r = roundTiesEven(x);
  if (r > std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}
