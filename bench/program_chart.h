#pragma once
// The chart as the program uses it at its heaviest: 465 × 441, configured as the main window
// configures it, holding the largest pattern (distance 5 wavelengths: 3963 items).

#include <QChar>
#include <QString>

#include "Nuvra_polchart.h"
#include "Pattern.h"

inline void configureProgramChart(TPolChart &c) {
  using C = TCustomPolChart;
  c.resize(465, 441);
  c.SetAutoRedraw(false);
  c.SetRangeLow(-1);
  c.SetRangeHigh(1);
  c.SetMagFactor(0.9);
  c.SetGridColor(clSilver);
  c.SetGridStyleRadial(C::gsRadBothMixed);
  c.SetScaleColor(clNavy);
  c.SetLabelModeRadial(C::rlmNone);
  c.SetMouseAction(Nuvra::maZoomDrag);
  c.OnBeforeDrawScaleLabel = [](QObject *, TCanvas *&, C::TpcScaleKind, QString &text, int, int) {
    text += QChar(0xB0);
  };
  c.CenterChart();
}

// The largest pattern; plotting also repaints once, as the program does.
inline void plotLargestPattern(TPolChart &c) { pattern::plot(c, pattern::kDistanceMax, 0); }
