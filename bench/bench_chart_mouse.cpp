// Mouse interaction on the chart at its heaviest use: the largest pattern (3963 items) on a
// 465 x 441 chart with MouseAction maZoomDrag, as the application has it. Input goes in as
// the QMouseEvents the window system would deliver.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <benchmark/benchmark.h>

#include "program_chart.h"

namespace {

void send(QWidget *w, QEvent::Type type, int x, int y, Qt::MouseButton button,
          Qt::MouseButtons held) {
  const QPointF p(x, y);
  QMouseEvent e(type, p, w->mapToGlobal(p), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

struct Fixture {
  QWidget parent;
  TPolChart *chart = new TPolChart(&parent);
  Fixture() {
    configureProgramChart(*chart);
    chart->CreateWnd();
    plotLargestPattern(*chart);
  }
};

// One zoom-drag step: the move, the new magnification and the full repaint it causes.
void BM_ZoomDragStep(benchmark::State &state) {
  Fixture f;
  TPolChart *c = f.chart;
  int paints = 0;
  c->OnZoomPan = [&](QObject *) { ++paints; };
  send(c, QEvent::MouseButtonPress, 200, 220, Qt::LeftButton, Qt::LeftButton);
  send(c, QEvent::MouseMove, 200, 220, Qt::NoButton, Qt::LeftButton); // starts the drag
  int y = 220;
  for (auto _ : state) {
    y = y == 220 ? 120 : 220; // alternately larger and back
    send(c, QEvent::MouseMove, 200, y, Qt::NoButton, Qt::LeftButton);
    benchmark::ClobberMemory();
  }
  send(c, QEvent::MouseButtonRelease, 200, y, Qt::LeftButton, Qt::NoButton);
  if (paints != static_cast<int>(state.iterations()))
    state.SkipWithError("not one step per move");
  state.counters["items"] = c->Count();
}
BENCHMARK(BM_ZoomDragStep)->Unit(benchmark::kMillisecond);

// A whole drag: press, 100 moves (the first starts the drag, 99 steps), release.
void BM_ZoomDrag100Moves(benchmark::State &state) {
  Fixture f;
  TPolChart *c = f.chart;
  for (auto _ : state) {
    send(c, QEvent::MouseButtonPress, 200, 300, Qt::LeftButton, Qt::LeftButton);
    for (int i = 0; i < 100; ++i)
      send(c, QEvent::MouseMove, 200, 300 - 2 * i, Qt::NoButton, Qt::LeftButton);
    send(c, QEvent::MouseButtonRelease, 200, 102, Qt::LeftButton, Qt::NoButton);
    send(c, QEvent::MouseMove, 200, 102, Qt::NoButton, Qt::NoButton);
    c->SetMagFactor(0.9); // the next drag starts from the same view
  }
  state.counters["moves"] = 100;
}
BENCHMARK(BM_ZoomDrag100Moves)->Unit(benchmark::kMillisecond);

// Following the pointer with the zoom window's rubber rectangle: no repaint.
void BM_ZoomWindowRubberMove(benchmark::State &state) {
  Fixture f;
  TPolChart *c = f.chart;
  c->SetMouseAction(Nuvra::maZoomWind);
  send(c, QEvent::MouseButtonPress, 100, 100, Qt::LeftButton, Qt::LeftButton);
  int x = 200;
  for (auto _ : state) {
    x = x == 200 ? 300 : 200;
    send(c, QEvent::MouseMove, x, x, Qt::NoButton, Qt::LeftButton);
  }
  send(c, QEvent::MouseButtonRelease, x, x, Qt::RightButton, Qt::LeftButton);
}
BENCHMARK(BM_ZoomWindowRubberMove)->Unit(benchmark::kMicrosecond);

} // namespace
