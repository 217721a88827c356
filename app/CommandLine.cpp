#include "CommandLine.h"

#include <QCommandLineParser>
#include <cmath>
#include <numbers>
#include <optional>

#include "Figures.h"
#include "Pattern.h"
#include "Rounding.h"

namespace cmdline {
namespace {

enum class Kind { Flag, File, Value };

struct Row {
  const char *name;
  const char *valueName; // empty for a flag
  Kind kind;
  const char *help;
};

// One row per option; the help text lists them in this order.
const Row kRows[] = {
    {"screenshot", "FILE", Kind::File,
     "the main window as it shows after start-up (.png, .svg or .pdf)"},
    {"chart", "FILE", Kind::File, "the chart alone: grid, labels, pattern (.png, .svg or .pdf)"},
    {"screenshot-about", "FILE", Kind::File, "the About box (.png)"},
    {"export-csv", "FILE", Kind::File, "the plotted pattern as phi_deg,R,rho,rho_db rows"},
    {"report", "FILE", Kind::File, "the pattern facts (lobes, nulls, beamwidths, ...) as JSON"},
    {"distance", "D", Kind::Value, "distance between the aerials in wavelengths, 0 to 5"},
    {"phase", "F", Kind::Value, "phase difference in multiples of pi, 0 to 1"},
    {"size", "WxH", Kind::Value, "the --chart figure's size in pixels (default: as in the window)"},
    {"dpi", "N", Kind::Value, "print resolution of the figures, 30 to 2400 (default 96)"},
    {"scale", "F", Kind::Value, "draw PNG figures at this pixel ratio, 0.5 to 4 (default 1)"},
    {"help", "", Kind::Flag, "show this help and end"},
    {"version", "", Kind::Flag, "show the version and end"},
};

struct Parsed {
  QCommandLineParser parser;
  QString error;
  QString value(const char *name) const { return parser.value(QLatin1String(name)); }
  bool has(const char *name) const { return parser.isSet(QLatin1String(name)); }
  void fail(const QString &message) {
    if (error.isEmpty())
      error = message;
  }
};

QString dashed(const char *name) { return QStringLiteral("--") + QLatin1String(name); }

std::optional<double> number(const QString &text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v))
    return std::nullopt;
  return v;
}

int clampedPosition(double scaled, int max) {
  const std::int64_t r = roundTiesEven(scaled);
  return static_cast<int>(std::clamp<std::int64_t>(r, 0, max));
}

// Every option at most once, and none with an empty value.
void checkRows(Parsed &p) {
  for (const Row &row : kRows) {
    const QStringList values = p.parser.values(QLatin1String(row.name));
    if (values.size() > 1)
      p.fail(QStringLiteral("%1 given more than once").arg(dashed(row.name)));
    else if (row.kind != Kind::Flag && values.size() == 1 && values[0].isEmpty())
      p.fail(QStringLiteral("%1 needs a value").arg(dashed(row.name)));
  }
}

void readFigure(Parsed &p, const char *name, QString &target, bool pngOnly) {
  if (!p.has(name))
    return;
  target = p.value(name);
  const std::optional<figures::Format> f = figures::formatFor(target);
  if (!f || (pngOnly && *f != figures::Format::Png))
    p.fail(
        QStringLiteral("%1 \"%2\": the name must end in %3")
            .arg(dashed(name), target, pngOnly ? QStringLiteral(".png") : figures::formatNames()));
}

void readPattern(Parsed &p, headless::Options &o) {
  for (const char *name : {"distance", "phase"}) {
    if (!p.has(name))
      continue;
    const std::optional<double> v = number(p.value(name));
    if (!v) {
      p.fail(QStringLiteral("%1 needs a number, not \"%2\"").arg(dashed(name), p.value(name)));
      continue;
    }
    if (name[0] == 'd')
      o.distancePosition = clampedPosition(*v * 2000.0, pattern::kDistanceMax);
    else
      o.phasePosition = clampedPosition(*v * std::numbers::pi * 2000.0, pattern::kPhaseMax);
  }
}

void readFigureSettings(Parsed &p, headless::Options &o) {
  if (p.has("size")) {
    const QStringList wh = p.value("size").split(QLatin1Char('x'));
    bool okW = false, okH = false;
    const int w = wh.size() == 2 ? wh[0].toInt(&okW) : 0;
    const int h = wh.size() == 2 ? wh[1].toInt(&okH) : 0;
    if (!okW || !okH || w < 50 || h < 50 || w > 8000 || h > 8000)
      p.fail(QStringLiteral("--size \"%1\": give WxH, each 50 to 8000").arg(p.value("size")));
    else if (!p.has("chart"))
      p.fail(QStringLiteral("--size is for --chart"));
    o.chartSize = QSize(w, h);
  }
  if (p.has("scale")) {
    const std::optional<double> v = number(p.value("scale"));
    if (!v)
      p.fail(QStringLiteral("--scale needs a number, not \"%1\"").arg(p.value("scale")));
    else // like --distance and --phase, a value outside the range is clamped
      o.scale = std::clamp(*v, headless::kMinScale, headless::kMaxScale);
  }
  if (p.has("dpi")) {
    bool ok = false;
    o.dpi = p.value("dpi").toInt(&ok);
    if (!ok || o.dpi < 30 || o.dpi > 2400)
      p.fail(
          QStringLiteral("--dpi \"%1\": give a whole number from 30 to 2400").arg(p.value("dpi")));
  }
}

Result finish(Parsed &p, headless::Options &o) {
  Result r;
  r.options = o;
  const bool patternArgs =
      p.has("distance") || p.has("phase") || p.has("size") || p.has("dpi") || p.has("scale");
  if (o.any() && !p.parser.positionalArguments().isEmpty())
    p.fail(QStringLiteral("unexpected argument \"%1\"").arg(p.parser.positionalArguments()[0]));
  const QStringList files = {o.screenshot, o.chart, o.screenshotAbout, o.exportCsv, o.report};
  for (qsizetype i = 0; i < files.size(); ++i)
    if (!files[i].isEmpty() && files.indexOf(files[i], i + 1) > 0)
      p.fail(QStringLiteral("\"%1\" is named for two outputs").arg(files[i]));
  if (!o.any() && patternArgs)
    p.fail(QStringLiteral("--distance, --phase, --size, --dpi and --scale need --screenshot, "
                          "--chart, --screenshot-about "
                          "--export-csv or --report"));
  r.action = !p.error.isEmpty() ? Action::Error : o.any() ? Action::Headless : Action::Window;
  r.text = p.error;
  return r;
}

} // namespace

Result parse(const QStringList &args) {
  Parsed p;
  p.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const Row &row : kRows)
    p.parser.addOption(QCommandLineOption(QLatin1String(row.name), QLatin1String(row.help),
                                          QLatin1String(row.valueName)));
  Result r;
  if (!p.parser.parse(QStringList{QStringLiteral("dipolix")} + args)) {
    r.action = Action::Error;
    r.text = p.parser.errorText().simplified();
    return r;
  }
  if (p.has("help") || p.has("version")) {
    r.action = p.has("help") ? Action::Help : Action::Version;
    r.text = p.has("help") ? helpText() : QStringLiteral("dipolix 1.0\n");
    return r;
  }
  checkRows(p);
  headless::Options o;
  readFigure(p, "screenshot", o.screenshot, false);
  readFigure(p, "chart", o.chart, false);
  readFigure(p, "screenshot-about", o.screenshotAbout, true);
  if (p.has("export-csv"))
    o.exportCsv = p.value("export-csv");
  if (p.has("report"))
    o.report = p.value("report");
  readPattern(p, o);
  readFigureSettings(p, o);
  return finish(p, o);
}

QString helpText() {
  QString t = QStringLiteral(
      "Usage: dipolix [OPTION]...\n"
      "The radiation pattern of two vertical aerials. Without options the window opens;\n"
      "with a FILE option the figures are written without a window or display.\n"
      "FILE \"-\" is standard output.\n\n");
  for (const Row &row : kRows) {
    QString left = dashed(row.name);
    if (row.kind != Kind::Flag)
      left += QLatin1Char(' ') + QLatin1String(row.valueName);
    t += QStringLiteral("  %1  %2\n").arg(left, -23).arg(QLatin1String(row.help));
  }
  t += QStringLiteral(
      "\nThe language file: dipolix.itl beside the program; else in ../share/dipolix/ from\n"
      "the program's folder, german.itl when the first of LC_ALL, LC_MESSAGES, LANG that is\n"
      "set begins with \"de\", english.itl otherwise.\n"
      "Exit codes: 0 done, 1 a file could not be written, 2 bad arguments.\n");
  return t;
}

} // namespace cmdline
