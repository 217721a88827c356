// The polar chart at its heaviest use: the largest pattern (distance 5 wavelengths, 3963
// items) on a 465 x 441 chart configured as the application configures it.
#include <QWidget>
#include <benchmark/benchmark.h>

#include "program_chart.h"

namespace {

void BM_ChartFullPaint(benchmark::State &state) {
  QWidget parent;
  auto *chart = new TPolChart(&parent);
  configureProgramChart(*chart);
  chart->CreateWnd();
  plotLargestPattern(*chart);
  if (chart->Count() != 3963)
    state.SkipWithError("unexpected item count");
  for (auto _ : state) {
    chart->Paint();
    benchmark::ClobberMemory();
  }
  state.counters["items"] = chart->Count();
}
BENCHMARK(BM_ChartFullPaint)->Unit(benchmark::kMillisecond);

// The whole recomputation of a scroll-bar change without its repaint: 3961 pattern values in
// extended precision and the rebuilt drawing list.
void BM_PlotLargestPattern(benchmark::State &state) {
  QWidget parent;
  auto *chart = new TPolChart(&parent);
  configureProgramChart(*chart);
  for (auto _ : state) {
    plotLargestPattern(*chart);
    benchmark::DoNotOptimize(chart->Count());
  }
  state.counters["items"] = chart->Count();
}
BENCHMARK(BM_PlotLargestPattern)->Unit(benchmark::kMicrosecond);

} // namespace
