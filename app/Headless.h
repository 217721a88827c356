#pragma once
// Rendering without a screen, for textbook authors and tests:
//   dipolix --screenshot FILE.png   the main window's client area as it shows after start-up
//   dipolix --export-csv FILE       the plotted pattern: phi_deg,R,rho, one row per line point
//   dipolix --screenshot-about FILE.png   the About box as it appears at start-up
// each with optional --distance D (wavelengths, 0..5) and --phase F (multiples of π, 0..1),
// and --scale S (0.5..4): the screenshots are drawn at that device pixel ratio.

#include <QString>
#include <QStringList>
#include <optional>

class TPolChart;

namespace headless {

struct Options {
  QString screenshot;
  QString screenshotAbout;
  QString exportCsv;
  int distancePosition = 1000; // scroll-bar units: round(D·2000)
  int phasePosition = 0;       // scroll-bar units: round(F·π·2000)
  double scale = 1.0;          // device pixels per layout pixel of the screenshots
  bool any() const {
    return !screenshot.isEmpty() || !exportCsv.isEmpty() || !screenshotAbout.isEmpty();
  }
};

struct ParseResult {
  Options options;
  QString error; // one line; empty when the arguments are good
};

inline constexpr double kMinScale = 0.5;
inline constexpr double kMaxScale = 4.0;

// True when the arguments ask for a headless run (they are then parsed by parse()).
bool requested(const QStringList &args);

// Parses the arguments after the program name. Unknown options, missing or non-numeric
// values are errors; numeric values outside the ranges are clamped.
ParseResult parse(const QStringList &args);

// Sets up the environment for the run; call before the application object exists.
void prepareEnvironment(const Options &options);

// The CSV text of the chart's DrawTo items in list order, rho relative to the radial range.
QByteArray csv(const TPolChart &chart);

// Runs the headless modes; returns the process exit code (0 ok, 2 bad arguments, 1 a file
// could not be written).
int run(const Options &options);

} // namespace headless
