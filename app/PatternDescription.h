#pragma once
// The radiation pattern in words, for listeners who cannot see the chart: where the main lobes
// and the nulls point and how wide the lobes are at half power, in whole degrees.

#include <QString>
#include <functional>

namespace pattern {

struct Analysis;

// The sentence parts, with %1 and %2 for the numbers. Defaults are English; each text is
// also its key in the language file.
struct DescriptionTexts {
  QString lobe = QStringLiteral("Main lobe toward %1");
  QString lobes = QStringLiteral("Main lobes toward %1");
  QString manyLobes = QStringLiteral("%1 main lobes");
  QString nulls = QStringLiteral("nulls toward %1");
  QString manyNulls = QStringLiteral("%1 nulls");
  QString noNulls = QStringLiteral("no nulls");
  QString beamwidth = QStringLiteral("half-power beamwidth %1");
  QString beamwidths = QStringLiteral("half-power beamwidths %1 to %2");
  QString even = QStringLiteral("Equal radiation in all directions.");
  QString none = QStringLiteral("No radiation in any direction.");
  QString conjunction = QStringLiteral("and");

  // Every text passed through `translate` (e.g. a language table's lookup).
  DescriptionTexts translated(const std::function<QString(const QString &)> &translate) const;
};

// Lists longer than this are spoken as a count.
inline constexpr int kMaxSpokenDirections = 8;

// E.g. "Main lobes toward 90° and 270°; nulls toward 0° and 180°; half-power beamwidth 60°."
QString describe(const Analysis &analysis, const DescriptionTexts &texts = {});

} // namespace pattern
