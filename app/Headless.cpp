#include "Headless.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "AboutBox.h"
#include "Nuvra_polchart.h"
#include "Pattern.h"
#include "PlatformError.h"
#include "Rounding.h"
#include "mainfrm.h"

namespace headless {
namespace {

const QStringList kFileOptions = {QStringLiteral("--screenshot"), QStringLiteral("--export-csv"),
                                  QStringLiteral("--screenshot-about")};
const QStringList kValueOptions = {QStringLiteral("--distance"), QStringLiteral("--phase"),
                                   QStringLiteral("--scale")};

// A finite number, or nothing.
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

// Writes beside the target and renames, so a failed write never leaves a half file under
// the target's name. (No flush to disk: these are renderings, not the program's own files,
// and a forced flush would cost more than the rendering.)
bool writeFile(const QString &path, const QByteArray &bytes) {
  const QString temp =
      QStringLiteral("%1.%2.part").arg(path).arg(QCoreApplication::applicationPid());
  QFile file(temp);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  file.close();
  if (!written ||
      std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
    QFile::remove(temp);
    return false;
  }
  return true;
}

QByteArray png(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

void fail(const QString &message) { std::fprintf(stderr, "dipolix: %s\n", qPrintable(message)); }

int render(const Options &options);

} // namespace

bool requested(const QStringList &args) {
  for (const QString &a : args)
    if (kFileOptions.contains(a) || kValueOptions.contains(a))
      return true;
  return false;
}

ParseResult parse(const QStringList &args) {
  ParseResult r;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString &opt = args[i];
    const bool isFile = kFileOptions.contains(opt);
    if (!isFile && !kValueOptions.contains(opt)) {
      r.error = QStringLiteral("unknown argument \"%1\"").arg(opt);
      return r;
    }
    if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
      r.error = QStringLiteral("%1 needs a value").arg(opt);
      return r;
    }
    const QString value = args[++i];
    if (opt == QLatin1String("--screenshot")) {
      r.options.screenshot = value;
    } else if (opt == QLatin1String("--export-csv")) {
      r.options.exportCsv = value;
    } else if (opt == QLatin1String("--screenshot-about")) {
      r.options.screenshotAbout = value;
    } else {
      const std::optional<double> v = number(value);
      if (!v) {
        r.error = QStringLiteral("%1 needs a number, not \"%2\"").arg(opt, value);
        return r;
      }
      if (opt == QLatin1String("--scale"))
        r.options.scale = std::clamp(*v, kMinScale, kMaxScale);
      else if (opt == QLatin1String("--distance"))
        r.options.distancePosition = clampedPosition(*v * 2000.0, pattern::kDistanceMax);
      else
        r.options.phasePosition =
            clampedPosition(*v * std::numbers::pi * 2000.0, pattern::kPhaseMax);
    }
  }
  if (!r.options.any())
    r.error = QStringLiteral(
        "--distance and --phase need --screenshot, --screenshot-about or --export-csv");
  return r;
}

void prepareEnvironment(const Options &options) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The whole program then draws at this device pixel ratio, as on such a screen.
  if (options.scale != 1.0)
    qputenv("QT_SCALE_FACTOR", QByteArray::number(options.scale, 'g', 6));
}

QByteArray csv(const TPolChart &chart) {
  QByteArray out("phi_deg,R,rho\n");
  const double low = chart.RangeLow();
  const double span = chart.RangeHigh() - low;
  for (int i = 0; i < chart.Count(); ++i) {
    const TpcDrawItem &item = chart.Item(i);
    if (item.Kind != ikDrawTo)
      continue;
    out += QByteArray::number(item.Phi, 'g', 17) + ',' + QByteArray::number(item.R, 'g', 17) + ',' +
           QByteArray::number((item.R - low) / span, 'g', 17) + '\n';
  }
  return out;
}

int run(const Options &options) {
  try {
    return render(options);
  } catch (const EBaseError &e) {
    fail(e.message());
    return 1;
  }
}

namespace {

int render(const Options &options) {
  TFrmRadPattern window(/*headless=*/true);
  // The About box only when it is to be rendered: it costs start-up time otherwise.
  std::unique_ptr<TFrmAbout> about;
  if (!options.screenshotAbout.isEmpty()) {
    about = std::make_unique<TFrmAbout>();
    window.FrmAbout = about.get();
  }
  window.SBarL->setValue(options.distancePosition);
  window.SBarPhaseDiff->setValue(options.phasePosition);
  window.show(); // runs the start-up work; nothing reaches a screen
  int rc = 0;
  if (!options.exportCsv.isEmpty() && !writeFile(options.exportCsv, csv(*window.PCRicht))) {
    fail(QStringLiteral("cannot write \"%1\"").arg(options.exportCsv));
    rc = 1;
  }
  if (!options.screenshot.isEmpty() &&
      !writeFile(options.screenshot, png(window.grab().toImage()))) {
    fail(QStringLiteral("cannot write \"%1\"").arg(options.screenshot));
    rc = 1;
  }
  if (!options.screenshotAbout.isEmpty() &&
      !writeFile(options.screenshotAbout, png(renderAboutBox(*about)))) {
    fail(QStringLiteral("cannot write \"%1\"").arg(options.screenshotAbout));
    rc = 1;
  }
  return rc;
}

} // namespace

} // namespace headless
