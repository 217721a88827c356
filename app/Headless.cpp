#include "Headless.h"

#include <QScrollBar>
#include <cstdio>
#include <memory>
#include <vector>

#include "AboutBox.h"
#include "Figures.h"
#include "Nuvra_polchart.h"
#include "Pattern.h"
#include "PatternReport.h"
#include "PlatformError.h"
#include "SafeWriter.h"
#include "mainfrm.h"

namespace headless {
namespace {

void fail(const QString &message) { std::fprintf(stderr, "dipolix: %s\n", qPrintable(message)); }

// The outputs asked for, in the order they are written.
std::vector<QString> outputs(const Options &o) {
  std::vector<QString> out;
  for (const QString *p : {&o.report, &o.exportCsv, &o.screenshot, &o.screenshotAbout, &o.chart})
    if (!p->isEmpty())
      out.push_back(*p);
  return out;
}

figures::Format formatOf(const QString &path) {
  return figures::formatFor(path).value_or(figures::Format::Png);
}

bool write(const QString &path, const QByteArray &bytes) {
  const QString error = SafeWriter::write(SafeWriter::pathFromText(path), bytes);
  if (!error.isEmpty())
    fail(error);
  return error.isEmpty();
}

QByteArray chartFigure(TFrmRadPattern &window, const Options &options) {
  TPolChart &chart = *window.PCRicht;
  if (options.chartSize.isValid() && options.chartSize != chart.chartSize()) {
    // The bitmap is larger than the control by a fixed margin; the figure has the size asked.
    chart.resize(options.chartSize - (chart.chartSize() - chart.size()));
    chart.CenterChart();
  }
  return figures::chart(formatOf(options.chart), chart, options.dpi);
}

int render(const Options &options) {
  bool ok = true;
  if (!options.report.isEmpty())
    ok =
        write(options.report, pattern::reportJson(options.distancePosition, options.phasePosition));
  // The report needs no window.
  if (options.screenshot.isEmpty() && options.chart.isEmpty() && options.exportCsv.isEmpty() &&
      options.screenshotAbout.isEmpty())
    return ok ? 0 : 1;
  TFrmRadPattern window(/*headless=*/true);
  // The About box only when it is to be rendered: it costs start-up time otherwise.
  std::unique_ptr<TFrmAbout> about;
  if (!options.screenshotAbout.isEmpty()) {
    about = std::make_unique<TFrmAbout>();
    window.FrmAbout = about.get();
  }
  // One picture per output: a cached grid layer would only be copied, never reused.
  window.PCRicht->SetCacheStaticLayer(false);
  window.SBarL->setValue(options.distancePosition);
  window.SBarPhaseDiff->setValue(options.phasePosition);
  window.show(); // runs the start-up work; nothing reaches a screen
  if (!options.exportCsv.isEmpty())
    ok = write(options.exportCsv, csv(*window.PCRicht)) && ok;
  if (!options.screenshot.isEmpty())
    ok = write(options.screenshot,
               figures::window(formatOf(options.screenshot), window, options.dpi)) &&
         ok;
  if (!options.screenshotAbout.isEmpty()) {
    ok = write(options.screenshotAbout, figures::png(renderAboutBox(*about), options.dpi)) && ok;
  }
  if (!options.chart.isEmpty()) // last: it may resize the chart
    ok = write(options.chart, chartFigure(window, options)) && ok;
  return ok ? 0 : 1;
}

} // namespace

QByteArray csv(const TPolChart &chart) {
  QByteArray out("phi_deg,R,rho,rho_db\n");
  const double low = chart.RangeLow();
  const double span = chart.RangeHigh() - low;
  for (int i = 0; i < chart.Count(); ++i) {
    const TpcDrawItem &item = chart.item(i);
    if (item.Kind != ikDrawTo)
      continue;
    const double rho = (item.R - low) / span;
    out += QByteArray::number(item.Phi, 'g', 17) + ',' + QByteArray::number(item.R, 'g', 17) + ',' +
           QByteArray::number(rho, 'g', 17) + ',' + pattern::decibelText(rho) + '\n';
  }
  return out;
}

int run(const Options &options) {
  // A path that cannot take a file (a folder, a missing folder) fails the run before any
  // output is written, so a mistake in one name leaves every file as it was.
  for (const QString &path : outputs(options)) {
    const QString error = SafeWriter::check(SafeWriter::pathFromText(path));
    if (!error.isEmpty()) {
      fail(error);
      return 1;
    }
  }
  try {
    return render(options);
  } catch (const EBaseError &e) {
    fail(e.message());
    return 1;
  }
}

} // namespace headless
