// Mapping between polar data coordinates and chart pixels, the centring computation and the
// number-to-text routine the scales use.
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "Rounding.h"

// ---- pure mapping ------------------------------------------------------------------------------

void ChartMapping::calc(int width, int height, int shadow, double magFactor, int centerX,
                        int centerY) {
  // A shadow wider than the control leaves no area, not a negative one (a mirrored chart).
  const int m = std::max(0, std::min(width - shadow, height - shadow));
  scaleX = m * magFactor / (rangeHigh - rangeLow) / 2;
  scaleY = scaleX;
  offsetX = centerX;
  offsetY = centerY;
}

void ChartMapping::PolarToScreen(int &X, int &Y, double R, double Phi) const {
  const double theta = (Phi + angleOffset) * angleFactor;
  placePolar(*this, X, Y, R, std::cos(theta), std::sin(theta));
}

// Also built for AVX2 machines: the replay maps thousands of points between raster painting
// calls, and plain SSE code runs many times slower in the vector state painting leaves.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void placePolar(const ChartMapping &m, int &X, int &Y, double R, double cosTheta,
                double sinTheta) {
  if (m.rangeHigh > m.rangeLow ? R < m.rangeLow : R > m.rangeLow)
    R = m.rangeLow; // the centre value is the innermost radius
  const double d = R - m.rangeLow;
  constexpr double kLimit = 2147483647.0;
  const double x = m.offsetX + m.scaleX * d * cosTheta;
  const double y = m.offsetY + m.scaleY * d * m.rotSign * sinTheta;
  // A coordinate that cannot be computed (no radius, no direction, or an infinite radius
  // times a zero scale) is the centre's rather than the corner's, where NaN would round to.
  X = std::isnan(x) ? roundToInt(m.offsetX) : roundToInt(std::clamp(x, -kLimit, kLimit));
  Y = std::isnan(y) ? roundToInt(m.offsetY) : roundToInt(std::clamp(y, -kLimit, kLimit));
}

// ---- the angle table -----------------------------------------------------------------------

namespace {

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

void AngleTable::prepare(double angleOffset, double angleFactor, std::size_t count) {
  if (!sameBits(angleOffset, m_angleOffset) || !sameBits(angleFactor, m_angleFactor)) {
    m_angleOffset = angleOffset;
    m_angleFactor = angleFactor;
    m_entries.clear();
  }
  // A much shorter list than the one before has other angles anyway (another resolution):
  // the memory of the longer one goes.
  if (m_entries.size() > 4 * count + 1024) {
    m_entries.resize(count);
    m_entries.shrink_to_fit();
  }
  // New entries hold an angle no item has (items without a finite angle are never looked up).
  if (m_entries.size() < count)
    m_entries.resize(count, Entry{std::numeric_limits<double>::quiet_NaN(), 0, 0});
}

const AngleTable::Entry &AngleTable::entry(std::size_t index, double phi) {
  Entry &e = m_entries[index];
  if (!sameBits(e.phi, phi)) {
    // The same expression as ChartMapping::PolarToScreen, so the same doubles come out.
    const double theta = (phi + m_angleOffset) * m_angleFactor;
    e = Entry{phi, std::cos(theta), std::sin(theta)};
  }
  return e;
}

void ChartMapping::ScreenToPolar(int X, int Y, double &R, double &Phi) const {
  constexpr double kPi = TCustomPolChart::kPi;
  const double dx = (X - offsetX) / scaleX;
  const double dy = (Y - offsetY) / scaleY;
  const double dist = std::sqrt(dx * dx + dy * dy);
  R = rangeHigh > rangeLow ? rangeLow + dist : rangeLow - dist;
  double a;
  if (dx == 0)
    a = dy > 0 ? kPi / 2 : 3 * kPi / 2;
  else if (dx < 0)
    a = std::atan(dy / dx) + kPi;
  else
    a = std::atan(dy / dx);
  Phi = rotSign * a / angleFactor - angleOffset;
  if (rangeHigh < rangeLow)
    Phi += kPi / angleFactor;
  const double full = 2 * kPi / angleFactor;
  if (Phi < 0) {
    Phi += full;
    if (Phi < 0)
      Phi += full;
  }
  if (Phi > full)
    Phi -= full;
}

// ---- the chart's mapping -----------------------------------------------------------------------

void TCustomPolChart::CalcScaling() {
  if (IsLoading())
    return;
  d->m_map.rangeLow = d->m_rangeLow;
  d->m_map.rangeHigh = d->m_rangeHigh;
  d->m_map.angleOffset = d->m_angleOffset;
  d->m_map.angleFactor = d->m_angleFactor;
  d->m_map.rotSign = d->m_rotSign;
  d->m_map.calc(width(), height(), d->m_shadowWidth, d->m_magFactor, d->m_centerX, d->m_centerY);
}

ChartMapping PolChartPrivate::currentMapping() const {
  // The direction settings take effect at once; only scale and centre wait for CalcScaling.
  ChartMapping m = m_map;
  m.rangeLow = m_rangeLow;
  m.rangeHigh = m_rangeHigh;
  m.angleOffset = m_angleOffset;
  m.angleFactor = m_angleFactor;
  m.rotSign = m_rotSign;
  return m;
}

void TCustomPolChart::PolarToScreen(int &X, int &Y, double R, double Phi) const {
  d->currentMapping().PolarToScreen(X, Y, R, Phi);
}

void TCustomPolChart::ScreenToPolar(int X, int Y, double &R, double &Phi) const {
  d->currentMapping().ScreenToPolar(X, Y, R, Phi);
}

void TCustomPolChart::CenterChart() {
  // Measured with the control's own canvas and its default font, as the chart always did.
  const int w =
      std::max(d->m_ownCanvas.TextWidth(FormatScaleValue(1, d->m_decPlaceRad, d->m_rangeLow)),
               d->m_ownCanvas.TextWidth(FormatScaleValue(1, d->m_decPlaceRad, d->m_rangeHigh)));
  const int area = width() - d->m_shadowWidth;
  const int c = area / 5 - w;
  int shift = 0;
  if (d->m_labelModeRad == rlmVertLeft)
    shift = c / 2;
  else if (d->m_labelModeRad == rlmVertRight)
    shift = -c / 2;
  d->m_centerX = shift + area / 2;
  d->m_centerY = (height() - d->m_shadowWidth) / 2;
  CalcScaling();
  if (Visible())
    Paint();
}

void TCustomPolChart::ClampScreenPoint(int &X, int &Y) {
  X = std::clamp(X, -30000, 30000);
  Y = std::clamp(Y, -30000, 30000);
}

// ---- numbers to text ---------------------------------------------------------------------------

namespace {

std::string printfString(const char *format, int width, int precision, double value) {
  const int n = std::snprintf(nullptr, 0, format, width, precision, value);
  if (n <= 0)
    return {};
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), format, width, precision, value);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// d.dE+dddd: one digit before the point, a four-digit exponent, padded to `width`.
std::string scientific(int width, double value) {
  if (!std::isfinite(value))
    return printfString("%*.*f", width, 0, value);
  std::string s = printfString("%*.*E", 0, 1, value);
  const std::size_t e = s.find('E');
  if (e != std::string::npos && e + 2 <= s.size()) {
    const int exponent = std::atoi(s.c_str() + e + 1);
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
    s = s.substr(0, e) + buf;
  }
  if (static_cast<int>(s.size()) < width)
    s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

} // namespace

QString TCustomPolChart::FormatScaleValue(int Width, int Decimals, double Value) {
  Width = std::clamp(Width, 0, 64);
  if (Decimals == -1) {
    std::string s = scientific(Width + 2, Value);
    const std::size_t e = s.find('E');
    if (e != std::string::npos && s.size() == e + 6 && (s[e + 1] == '+' || s[e + 1] == '-')) {
      const bool leadingZeros = s[e + 2] == '0' && s[e + 3] == '0';
      s.erase(e + 2, 2);
      if (!leadingZeros)
        s.assign(s.size(), '*'); // an exponent of 100 or more does not fit a scale label
    }
    return QString::fromStdString(s);
  }
  if (Decimals < 0)
    return QString::fromStdString(scientific(Width, Value));
  std::string s = printfString("%*.*f", Width, std::min(Decimals, 30), Value);
  // A value that rounds to zero is shown without a sign: "-0.00" is no scale value ("-inf" is).
  if (std::isfinite(Value) && s.find('-') != std::string::npos &&
      s.find_first_of("123456789") == std::string::npos) {
    s.erase(s.find('-'), 1);
    if (static_cast<int>(s.size()) < Width) // the field keeps the width asked for
      s.insert(0, 1, ' ');
  }
  return QString::fromStdString(s);
}

double TCustomPolChart::snapRaySpacing(double v) {
  // Beyond the table's ends the distances to neighbouring entries become equal in double
  // precision (1e300 - 360 == 1e300 - 6), so the nearest end is taken directly.
  v = std::clamp(v, kRaySpacings.front(), kRaySpacings.back());
  double best = kRaySpacings[0];
  double bestDist = std::fabs(v - best);
  for (double s : kRaySpacings) {
    const double d = std::fabs(v - s);
    if (d < bestDist) {
      best = s;
      bestDist = d;
    }
  }
  return best;
}
