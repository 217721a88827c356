#pragma once
// Rendering without a screen, for textbook authors and tests:
//   dipolix --screenshot FILE         the main window's client area after start-up
//   dipolix --chart FILE              the chart alone (--size WxH)
//   dipolix --export-csv FILE         the plotted pattern: phi_deg,R,rho,rho_db, one row per
//                                     line point (rho_db empty where rho is 0)
//   dipolix --report FILE             the pattern facts as one JSON object
//   dipolix --screenshot-about FILE   the About box as it appears at start-up (PNG)
// each with optional --distance D (wavelengths, 0..5) and --phase F (multiples of π, 0..1);
// figures are PNG, SVG or PDF by their name (--dpi sets their print resolution, --scale F
// draws them at that device pixel ratio, 0.5 to 4). The
// command line is read by cmdline::parse.

#include <QSize>
#include <QString>

class TPolChart;

namespace headless {

struct Options {
  // File names as decoded by SafeWriter::textFromArgument; empty when not asked for.
  QString screenshot;
  QString chart;
  QString screenshotAbout;
  QString exportCsv;
  QString report;
  int distancePosition = 1000; // scroll-bar units: round(D·2000)
  int phasePosition = 0;       // scroll-bar units: round(F·π·2000)
  QSize chartSize;             // empty: the chart's size in the window
  int dpi = 96;
  double scale = 1.0; // device pixels per layout pixel of the PNG figures
  bool any() const {
    return !screenshot.isEmpty() || !chart.isEmpty() || !exportCsv.isEmpty() ||
           !screenshotAbout.isEmpty() || !report.isEmpty();
  }
};

inline constexpr double kMinScale = 0.5;
inline constexpr double kMaxScale = 4.0;

// The CSV text of the chart's DrawTo items in list order, rho relative to the radial range.
QByteArray csv(const TPolChart &chart);

// Runs the headless modes; returns the process exit code (0 ok, 1 a file could not be
// written). Every output path is checked before anything is written.
int run(const Options &options);

} // namespace headless
