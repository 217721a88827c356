// The numeric read-out on its hot path: every scroll-bar move sets a new Value, which
// formats the text and repaints the label synchronously.
#include "Nuvra_NumLab.h"

#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

void BM_FormatFixP(benchmark::State &state) {
  NumLabFormat f;
  f.precision = 3;
  int i = 0;
  for (auto _ : state) {
    f.value = (i++ % 10000) / 2000.0;
    benchmark::DoNotOptimize(ConvertNumLabValue(f));
  }
}
BENCHMARK(BM_FormatFixP);

void BM_FormatEachDisplayType(benchmark::State &state) {
  NumLabFormat f;
  f.displayType = static_cast<TDisplay>(state.range(0));
  f.precision = 8;
  int i = 0;
  for (auto _ : state) {
    f.value = 38000.0 + (i++ % 1000) * 0.731;
    benchmark::DoNotOptimize(ConvertNumLabValue(f));
  }
}
BENCHMARK(BM_FormatEachDisplayType)->DenseRange(TNumLab::dtFloat, TNumLab::dtEEngNoDP);

// The distance read-out of the main window, set as the scroll bar moves.
void BM_SetValueRepaint(benchmark::State &state) {
  QWidget window;
  window.resize(780, 500);
  auto *lab = new TNumLab(&window);
  lab->setGeometry(482, 112, 273, 20);
  lab->SetLeftText(QStringLiteral("Distance between Aerials:"));
  lab->SetRightText(QStringLiteral("Lambda"));
  lab->SetLeftSpace(164);
  lab->SetLabelWidth(42);
  lab->SetPrecision(3);
  lab->SetTransparent(state.range(0) != 0);
  int i = 0;
  for (auto _ : state)
    lab->SetValue((i++ % 10000) / 2000.0 + 0.0001);
}
BENCHMARK(BM_SetValueRepaint)->Arg(0)->Arg(1)->ArgNames({"transparent"});

} // namespace
