// The polar chart at its heaviest use: the largest pattern (distance 5 wavelengths, 3963
// items) on a 465 x 441 chart configured as the application configures it.
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cmath>

#include "Nuvra_polchart.h"

namespace {

using C = TCustomPolChart;

void configure(TPolChart &c) {
  c.resize(465, 441);
  c.SetAutoRedraw(false);
  c.SetRangeLow(-1);
  c.SetRangeHigh(1);
  c.SetMagFactor(0.9);
  c.SetGridColor(clSilver);
  c.SetGridStyleRadial(C::gsRadBothMixed);
  c.SetScaleColor(clNavy);
  c.SetLabelModeRadial(C::rlmNone);
  c.OnBeforeDrawScaleLabel = [](QObject *, TCanvas *&, C::TpcScaleKind, QString &text, int, int) {
    text += QChar(0xB0);
  };
  c.CenterChart();
}

// R = cos(kd cos theta) for kd = 10 pi, one point per 1/11 degree, preceded by the reference
// circle and the move to the first point: 3963 items.
void appendPattern(TPolChart &c) {
  constexpr double kPi = 3.14159265358979323846;
  constexpr int b = 11;
  constexpr int n = 360 * b;
  const double kd = 10 * kPi;
  c.ClearGraf();
  c.TransparentFill = true;
  c.SetDataColor(clRed);
  c.SetPenStyle(Nuvra::psDot);
  c.Circle(std::sqrt(2.0) - 1);
  c.SetDataColor(clBlack);
  c.SetPenStyle(Nuvra::psSolid);
  c.MoveTo(std::cos(kd), 0);
  for (int i = 0; i <= n; ++i) {
    const double theta = i * kPi / (180 * b);
    c.DrawTo(std::cos(std::cos(theta) * kd), static_cast<double>(i) / b);
  }
}

void BM_ChartFullPaint(benchmark::State &state) {
  QWidget parent;
  auto *chart = new TPolChart(&parent);
  configure(*chart);
  chart->CreateWnd();
  appendPattern(*chart);
  if (chart->Count() != 3963)
    state.SkipWithError("unexpected item count");
  for (auto _ : state) {
    chart->Paint();
    benchmark::ClobberMemory();
  }
  state.counters["items"] = chart->Count();
}
BENCHMARK(BM_ChartFullPaint)->Unit(benchmark::kMillisecond);

void BM_ChartAppendAfterClear(benchmark::State &state) {
  QWidget parent;
  auto *chart = new TPolChart(&parent);
  configure(*chart);
  for (auto _ : state) {
    appendPattern(*chart);
    benchmark::DoNotOptimize(chart->Count());
  }
  state.counters["items"] = chart->Count();
}
BENCHMARK(BM_ChartAppendAfterClear)->Unit(benchmark::kMicrosecond);

} // namespace
