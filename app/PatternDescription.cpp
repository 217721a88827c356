#include "PatternDescription.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "PatternAnalysis.h"

namespace pattern {
namespace {

// Whole degrees in [0, 360): 359.6° is spoken as 0°.
int wholeDegrees(double deg) {
  const int d = static_cast<int>(std::lround(deg)) % 360;
  return d < 0 ? d + 360 : d;
}

QString degrees(int d) { return QString::number(d) + QChar(0x00B0); }

// Directions in whole degrees, each once, in the given order: two lobes 0.9° apart are one
// direction to the listener.
std::vector<int> wholeDirections(const std::vector<double> &dirs) {
  std::vector<int> whole;
  for (double d : dirs) {
    const int w = wholeDegrees(d);
    if (std::find(whole.begin(), whole.end(), w) == whole.end())
      whole.push_back(w);
  }
  return whole;
}

// "0°, 90° and 180°".
QString directionList(const std::vector<int> &whole, const QString &conjunction) {
  QStringList parts;
  for (int w : whole)
    parts << degrees(w);
  if (parts.size() < 2)
    return parts.join(QString());
  const QString last = parts.takeLast();
  return parts.join(QStringLiteral(", ")) + QLatin1Char(' ') + conjunction + QLatin1Char(' ') +
         last;
}

QString directions(const std::vector<double> &dirs, const QString &one, const QString &listed,
                   const QString &counted, const QString &conjunction) {
  const std::vector<int> whole = wholeDirections(dirs);
  if (static_cast<int>(whole.size()) > kMaxSpokenDirections)
    return counted.arg(whole.size());
  return (whole.size() == 1 ? one : listed).arg(directionList(whole, conjunction));
}

QString beamwidthPart(const Analysis &a, const DescriptionTexts &t) {
  if (!a.halfPowerBeamwidthDeg || a.halfPowerBeamwidthDeg->empty())
    return {};
  const auto [lo, hi] =
      std::minmax_element(a.halfPowerBeamwidthDeg->begin(), a.halfPowerBeamwidthDeg->end());
  const long narrow = std::lround(*lo);
  const long wide = std::lround(*hi);
  if (narrow == wide)
    return t.beamwidth.arg(degrees(static_cast<int>(narrow)));
  return t.beamwidths.arg(degrees(static_cast<int>(narrow)), degrees(static_cast<int>(wide)));
}

} // namespace

DescriptionTexts
DescriptionTexts::translated(const std::function<QString(const QString &)> &translate) const {
  DescriptionTexts out;
  for (QString DescriptionTexts::*text :
       {&DescriptionTexts::lobe, &DescriptionTexts::lobes, &DescriptionTexts::manyLobes,
        &DescriptionTexts::nulls, &DescriptionTexts::manyNulls, &DescriptionTexts::noNulls,
        &DescriptionTexts::beamwidth, &DescriptionTexts::beamwidths, &DescriptionTexts::even,
        &DescriptionTexts::none, &DescriptionTexts::conjunction})
    out.*text = translate(this->*text);
  return out;
}

QString describe(const Analysis &a, const DescriptionTexts &t) {
  // Below this the chart shows no curve at all.
  constexpr double kSilent = 1e-6;
  if (a.maxRho < kSilent)
    return t.none;
  if (a.omnidirectional)
    return t.even;
  QStringList parts;
  parts << directions(a.mainLobesDeg, t.lobe, t.lobes, t.manyLobes, t.conjunction);
  parts << (a.nullsDeg.empty()
                ? t.noNulls
                : directions(a.nullsDeg, t.nulls, t.nulls, t.manyNulls, t.conjunction));
  const QString width = beamwidthPart(a, t);
  if (!width.isEmpty())
    parts << width;
  return parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

} // namespace pattern
