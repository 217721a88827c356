#include "PatternReport.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "Pattern.h"
#include "PatternAnalysis.h"

namespace pattern {
namespace {

// The shortest text that reads back as the same double; null for what JSON cannot hold.
QByteArray number(double v) {
  if (!std::isfinite(v))
    return "null";
  return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

QByteArray number(const std::optional<double> &v) { return v ? number(*v) : "null"; }

QByteArray list(const std::vector<double> &values) {
  QByteArray out("[");
  for (std::size_t i = 0; i < values.size(); ++i)
    out += (i ? ", " : "") + number(values[i]);
  return out + ']';
}

QByteArray list(const std::optional<std::vector<double>> &values) {
  return values ? list(*values) : "null";
}

} // namespace

QByteArray reportJson(int p, int q) {
  const Analysis a = analyse(p, q);
  const QList<std::pair<const char *, QByteArray>> fields = {
      {"distance_wavelengths", number(distanceInWavelengths(std::clamp(p, 0, kDistanceMax)))},
      {"phase_pi", number(phaseInPi(std::clamp(q, 0, kPhaseMax)))},
      {"main_lobes_deg", list(a.mainLobesDeg)},
      {"max_rho", number(a.maxRho)},
      {"nulls_deg", list(a.nullsDeg)},
      {"half_power_beamwidth_deg", list(a.halfPowerBeamwidthDeg)},
      {"directivity_dbi", number(a.directivityDbi)},
      {"front_to_back_db", number(a.frontToBackDb)},
      {"omnidirectional", a.omnidirectional ? "true" : "false"},
  };
  QByteArray out("{\n");
  for (qsizetype i = 0; i < fields.size(); ++i)
    out += "  \"" + QByteArray(fields[i].first) + "\": " + fields[i].second +
           (i + 1 < fields.size() ? ",\n" : "\n");
  return out + "}\n";
}

QByteArray decibelText(double rho) {
  if (!(rho > 0) || !std::isfinite(rho))
    return {};
  return number(10.0 * std::log10(rho));
}

} // namespace pattern
