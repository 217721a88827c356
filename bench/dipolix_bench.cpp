// The program's update path, measured in the real main window under the offscreen platform,
// beside a bare QPainter loop that computes and draws the same picture with no chart
// machinery: the ratio of the two is the cost of the components.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cmath>
#include <numbers>
#include <vector>

#include "FactsWindow.h"
#include "Nuvra_NumLab.h"
#include "Nuvra_canvas.h"
#include "Pattern.h"
#include "PatternAnalysis.h"
#include "mainfrm.h"
#include "polchart_p.h" // the grid pass and the item replay, timed on their own
#include "program_chart.h"

namespace {

// The screen of the given device pixel ratio (bench/main.cpp sets up screens of ratio 1 and 2).
QScreen *screenOfRatio(qreal ratio) {
  for (QScreen *s : QGuiApplication::screens())
    if (s->devicePixelRatio() == ratio)
      return s;
  return nullptr;
}

void fullUpdate(benchmark::State &state, qreal ratio) {
  QScreen *screen = screenOfRatio(ratio);
  if (!screen) {
    state.SkipWithError("no screen of that device pixel ratio");
    return;
  }
  TFrmRadPattern form(/*headless=*/true);
  form.setScreen(screen);
  form.show();
  form.move(screen->geometry().topLeft()); // a window belongs to the screen it lies on
  QCoreApplication::processEvents();
  if (form.devicePixelRatioF() != ratio)
    state.SkipWithError("the window did not take the screen's ratio");
  form.SBarL->setValue(static_cast<int>(state.range(0)));
  for (auto _ : state)
    form.SbarChange(form.SBarL);
  state.counters["items"] = form.PCRicht->Count();
}

void BM_FullUpdate(benchmark::State &state) { fullUpdate(state, 1.0); }
void BM_FullUpdate_Ratio2(benchmark::State &state) { fullUpdate(state, 2.0); }
BENCHMARK(BM_FullUpdate_Ratio2)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullUpdate)->Arg(0)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A phase scroll-bar move at the largest distance, events processed, with the facts window
// closed (0) and open beside the window (1): the difference is what the live facts cost.
void BM_ScrollMove(benchmark::State &state) {
  TFrmRadPattern form(/*headless=*/true);
  form.show();
  form.SBarL->setValue(pattern::kDistanceMax);
  if (state.range(0))
    form.showFacts();
  QCoreApplication::processEvents();
  int q = 3000;
  for (auto _ : state) {
    form.SBarPhaseDiff->setValue(q ^= 1);
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_ScrollMove)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The facts window's own share of a move: new texts, layout and repaint.
void BM_FactsUpdate(benchmark::State &state) {
  TFrmRadPattern form(/*headless=*/true);
  form.show();
  form.showFacts();
  QCoreApplication::processEvents();
  int q = 3000;
  for (auto _ : state) {
    form.facts()->setPattern(pattern::kDistanceMax, q ^= 1);
    if (state.range(0))
      QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_FactsUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The closed-form facts of the largest pattern (p = 10000: 20 lobes, 20 nulls), over a spread
// of phases.
void BM_PatternAnalysis(benchmark::State &state) {
  int q = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pattern::analyse(pattern::kDistanceMax, q));
    q = (q + 997) % (pattern::kPhaseMax + 1);
  }
}
BENCHMARK(BM_PatternAnalysis)->Unit(benchmark::kMicrosecond);

struct ChartOnImage {
  TPolChart chart;
  QImage image{465, 441, QImage::Format_RGB32};
  TCanvas canvas{QStringLiteral("bench")};
  ChartOnImage() {
    configureProgramChart(chart);
    plotLargestPattern(chart);
    image.fill(Qt::white);
    canvas.setTarget(&image);
    canvas.SetFont(chart.font());
  }
};

void BM_GridPass(benchmark::State &state) {
  ChartOnImage c;
  PolChartPrivate *d = PolChartPrivate::get(&c.chart);
  for (auto _ : state) {
    int lastTextHeight = 0;
    d->drawGrid(c.canvas, lastTextHeight);
  }
}
BENCHMARK(BM_GridPass)->Unit(benchmark::kMicrosecond);

void BM_ItemReplay(benchmark::State &state) {
  ChartOnImage c;
  PolChartPrivate *d = PolChartPrivate::get(&c.chart);
  for (auto _ : state)
    d->replayItems(c.canvas);
  state.counters["items"] = c.chart.Count();
}
BENCHMARK(BM_ItemReplay)->Unit(benchmark::kMicrosecond);

void BM_ReadoutRepaint(benchmark::State &state) {
  TFrmRadPattern form(/*headless=*/true);
  form.show();
  for (auto _ : state)
    form.NumLabL->Paint();
}
BENCHMARK(BM_ReadoutRepaint)->Unit(benchmark::kMicrosecond);

// The same picture with nothing but QPainter: background, dotted rays with labels, rings,
// the red dotted circle and the curve as 200-point polylines, then one copy to the screen.
void bareFloor(benchmark::State &state, int ratio) {
  const int p = static_cast<int>(state.range(0));
  constexpr double pi = std::numbers::pi;
  const int b = p / 1000 + 1, n = 360 * b;
  const double kd = p * pi / 1000, cx = 232, cy = 220, radius = 441 * 0.9 / 2;
  QImage chart(466 * ratio, 442 * ratio, QImage::Format_RGB32);
  QImage screen(465 * ratio, 441 * ratio, QImage::Format_RGB32);
  chart.setDevicePixelRatio(ratio);
  screen.setDevicePixelRatio(ratio);
  QFont font;
  font.setPixelSize(13);
  std::vector<QPoint> pts;
  pts.reserve(200);
  for (auto _ : state) {
    QPainter g(&chart);
    g.fillRect(QRect(0, 0, 466, 442), Qt::white);
    g.setFont(font);
    QPen grid(QColor(192, 192, 192), 0, Qt::DotLine);
    for (int i = 0; i < 12; ++i) {
      const double a = 2 * i * pi / 12;
      g.setPen(grid);
      g.drawLine(QPointF(cx, cy), QPointF(cx + radius * std::cos(a), cy + radius * std::sin(a)));
      const QString label = QString::number(i * 30) + QChar(0xB0);
      const QPointF at(cx + (radius + 16) * std::cos(a) - 12, cy + (radius + 9) * std::sin(a) - 7);
      g.fillRect(QRectF(at, QSizeF(24, 15)), Qt::white);
      g.setPen(QColor(0, 0, 128));
      g.drawText(at + QPointF(0, 12), label);
    }
    g.setBrush(Qt::NoBrush);
    g.setPen(QPen(QColor(192, 192, 192), 0));
    g.drawEllipse(QPointF(cx, cy), radius, radius);
    g.setPen(grid);
    for (int j = 1; j < 5; ++j)
      g.drawEllipse(QPointF(cx, cy), radius * j / 5, radius * j / 5);
    g.setPen(QPen(Qt::red, 0, Qt::DotLine));
    g.drawEllipse(QPointF(cx, cy), radius / std::sqrt(2.0), radius / std::sqrt(2.0));
    g.setPen(QPen(Qt::black, 0));
    pts.clear();
    for (int i = 0; i <= n; ++i) {
      const double theta = i * pi / (180.0 * b);
      const double d = (std::cos(std::cos(theta) * kd) + 1) * radius / 2;
      pts.emplace_back(static_cast<int>(std::lround(cx + d * std::cos(theta))),
                       static_cast<int>(std::lround(cy + d * std::sin(theta))));
      if (pts.size() == 200) {
        g.drawPolyline(pts.data(), static_cast<int>(pts.size()));
        const QPoint last = pts.back();
        pts.assign(1, last);
      }
    }
    if (pts.size() > 1)
      g.drawPolyline(pts.data(), static_cast<int>(pts.size()));
    g.end();
    QPainter s(&screen);
    s.drawImage(0, 0, chart);
  }
}
void BM_BareQPainterFloor(benchmark::State &state) { bareFloor(state, 1); }
void BM_BareQPainterFloor_Ratio2(benchmark::State &state) { bareFloor(state, 2); }
BENCHMARK(BM_BareQPainterFloor_Ratio2)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareQPainterFloor)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
