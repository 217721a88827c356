// The paint cycle: layers and copies, item replay with polyline runs and cached pen state,
// circles, the render hook, and real pixels.
#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "chart_test_util.h"
#include "event_counter.h"
#include "polchart_p.h"

using C = TCustomPolChart;
using P = std::vector<QPoint>;

namespace {} // namespace

TEST(PolChartPaint, LayersAndCopies) {
  BareChart b;
  b->SetShadowWidth(0);
  CanvasRecorder rec;
  b->Paint();
  // Chart bitmap one pixel larger than the control, copied over the frame, which goes to the
  // control's image unchanged while every cross-hair is off.
  const auto draws = rec.of(CanvasOp::Draw);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].tag, "frame");
  EXPECT_EQ(draws[0].points, (P{{0, 0}, {201, 201}}));
  EXPECT_EQ(draws[1].tag, "screen");
  EXPECT_EQ(draws[1].points, (P{{0, 0}, {200, 200}}));
  EXPECT_EQ(rec.count(CanvasOp::Draw, "overlay"), 0u);
  EXPECT_TRUE(b->overlayBitmap().isNull());

  // Background rectangle first, in the chart colour, with a copy pen.
  const auto rects = rec.of(CanvasOp::Rectangle, "chart");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].points, (P{{0, 0}, {200, 200}}));
  EXPECT_EQ(rects[0].penColor, clWhite);
  EXPECT_EQ(rects[0].brushColor, clWhite);
  EXPECT_EQ(rects[0].penMode, Nuvra::pmCopy);
  EXPECT_EQ(rec.count(CanvasOp::Polyline), 0u) << "an empty list draws no data";
  b->SetChartColor(clCream);
  rec.clear();
  b->Paint();
  EXPECT_EQ(rec.of(CanvasOp::Rectangle, "chart").at(0).penColor, clCream);
  EXPECT_EQ(b->screenImage().pixelColor(0, 0), QColor(0xFF, 0xFB, 0xF0)) << "no border line";

  b->CrossHair3()->SetMode(TpcCrossHair::chOrtho);
  rec.clear();
  b->Paint();
  EXPECT_EQ(rec.count(CanvasOp::Draw, "screen"), 1u);
  EXPECT_EQ(b->overlayBitmap().size(), QSize(200, 200));

  // A control narrower or lower than its shadow has no chart area: only the shadow shows.
  for (const QSize size : {QSize(12, 100), QSize(100, 12)}) {
    TestChart thin(size.width(), size.height());
    thin->SetShadowWidth(20);
    thin->Paint();
    EXPECT_TRUE(thin->chartBitmap().isNull()) << thin->chartBitmap().width();
    EXPECT_NE(thin->screenImage().pixelColor(0, 0), QColor(Qt::white)) << size.width();
  }
}

TEST(PolChartPaint, PolylineRunsOfAtMost200Points) {
  BareChart b;
  b->MoveTo(0, 0); // (150, 100)
  for (int i = 1; i <= 450; ++i)
    b->DrawTo(1, i * 0.5); // on the rim, half a degree apart
  CanvasRecorder rec;
  b->Paint();
  const auto runs = rec.of(CanvasOp::Polyline, "chart");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].points.size(), 200u);
  EXPECT_EQ(runs[1].points.size(), 200u);
  EXPECT_EQ(runs[2].points.size(), 53u);
  EXPECT_EQ(runs[0].points.front(), QPoint(150, 100));
  EXPECT_EQ(runs[1].points.front(), runs[0].points.back()) << "no gap between runs";
  EXPECT_EQ(runs[2].points.front(), runs[1].points.back());
  int x = 0, y = 0;
  b->PolarToScreen(x, y, 1, 225);
  EXPECT_EQ(runs[2].points.back(), QPoint(x, y));
  // The pen follows each run's end.
  const auto moves = rec.of(CanvasOp::MoveTo, "chart");
  EXPECT_EQ(moves.back().points[0], QPoint(x, y));
}

TEST(PolChartPaint, ColourChangeAtAVertexAndCachedPen) {
  BareChart b;
  b->DrawTo(0, 0); // no MoveTo: starts at the bitmap's corner
  b->DrawTo(0, 90);
  b->SetDataColor(clRed);
  b->DrawTo(0, 180);
  b->DrawTo(0, 270);
  b->SetLineWidth(2);
  b->DrawTo(1, 0);
  CanvasRecorder rec;
  b->Paint();
  const auto runs = rec.of(CanvasOp::Polyline, "chart");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].points, (P{{0, 0}, {150, 100}, {100, 150}}));
  EXPECT_EQ(runs[0].penColor, clBlack);
  EXPECT_EQ(runs[1].points, (P{{100, 150}, {50, 100}, {100, 50}}));
  EXPECT_EQ(runs[1].penColor, clRed);
  EXPECT_EQ(runs[2].points, (P{{100, 50}, {200, 100}}));
  EXPECT_EQ(runs[2].penWidth, 2);

  // Black once for the grid pass and once when the replay leaves its white start colour; red
  // once: the cache keeps repeated colours away from the canvas.
  std::size_t black = 0, red = 0;
  for (const auto &c : rec.of(CanvasOp::SetPenColor, "chart")) {
    black += c.value == static_cast<int>(clBlack);
    red += c.value == static_cast<int>(clRed);
  }
  EXPECT_EQ(red, 1u);
  EXPECT_EQ(black, 2u);
}

TEST(PolChartPaint, Circles) {
  BareChart b;
  b->SetFillColor(clNavy);
  b->Circle(-1); // RangeLow: a one-pixel ellipse at the centre
  b->TransparentFill = true;
  b->SetDataColor(clRed);
  b->SetPenStyle(Nuvra::psDot);
  b->Circle(std::sqrt(2.0) - 1);
  b->Circle(1e12); // far outside: clamped, no overflow
  CanvasRecorder rec;
  b->Paint();
  const auto e = rec.of(CanvasOp::Ellipse, "chart");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].points, (P{{100, 100}, {101, 101}}));
  EXPECT_EQ(e[0].brushStyle, Nuvra::bsSolid);
  EXPECT_EQ(e[0].brushColor, clNavy);
  EXPECT_EQ(e[1].points, (P{{29, 29}, {172, 172}})); // d = 71
  EXPECT_EQ(e[1].brushStyle, Nuvra::bsClear);
  EXPECT_EQ(e[1].penColor, clRed);
  EXPECT_EQ(e[1].penStyle, Nuvra::psDot);
  EXPECT_EQ(e[2].points, (P{{-30000, -30000}, {30001, 30001}}));

  // Turned and counter-clockwise charts still draw the circle about the centre.
  b->SetAngleOffset(90);
  b->SetRotationDir(C::rdCounterCW);
  rec.clear();
  b->Paint();
  EXPECT_EQ(rec.of(CanvasOp::Ellipse, "chart")[1].points, (P{{29, 29}, {172, 172}}));
}

TEST(PolChartPaint, HugeRadiiAreClamped) {
  BareChart b;
  b->MoveTo(1e9, 180);
  b->DrawTo(1e9, 90);
  CanvasRecorder rec;
  b->Paint();
  const auto runs = rec.of(CanvasOp::Polyline, "chart");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].points, (P{{-30000, 100}, {100, 30000}}));
}

TEST(PolChartPaint, DataRenderedHookBeforeFrameLine) {
  BareChart b;
  b->SetShadowWidth(1);
  b->MoveTo(0, 0);
  b->DrawTo(1, 0);
  CanvasRecorder rec;
  int calls = 0;
  std::size_t callsBefore = 0;
  b->OnDataRendered = [&](QObject *sender, TCanvas *&canvas, int top, int left) {
    EXPECT_EQ(sender, b.t.chart);
    EXPECT_EQ(canvas->tag(), "chart");
    EXPECT_EQ(top, 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(canvas->PenWidth(), 1);
    callsBefore = rec.calls.size();
    ++calls;
  };
  b->Paint();
  EXPECT_EQ(calls, 1);
  const auto runs = rec.of(CanvasOp::Polyline, "chart");
  ASSERT_EQ(runs.size(), 2u);
  // The data run is recorded before the hook, the frame line after it.
  std::size_t frameIndex = 0;
  for (std::size_t i = 0; i < rec.calls.size(); ++i)
    if (rec.calls[i].op == CanvasOp::Polyline)
      frameIndex = i;
  EXPECT_GT(frameIndex, callsBefore);
}

// The replay starts from its own pen whatever was drawn before: at the origin and solid, so an
// empty list leaves a program's handler that, and a data line in the default style is solid.
TEST(PolChartPaint, ReplayStartsFromItsOwnPen) {
  TestChart t(200, 200);
  TPolChart &c = *t.chart;
  c.SetAutoRedraw(false);
  c.SetGridStyleRadial(C::gsRadBothDots);
  c.SetGridStyleAngular(C::gsAngDots);
  QPoint pos(-1, -1);
  Nuvra::TPenStyle style = Nuvra::psClear;
  c.OnDataRendered = [&](QObject *, TCanvas *&canvas, int, int) {
    pos = canvas->PenPos();
    style = canvas->PenStyle();
  };
  c.Paint();
  EXPECT_EQ(pos, QPoint(0, 0));
  EXPECT_EQ(style, Nuvra::psSolid);

  // With the grid layer cached no grid is drawn before the replay: the pen is whatever the
  // last replay ended with, here a dashed line.
  c.SetCacheStaticLayer(true);
  c.MoveTo(0.5, 0);
  c.DrawTo(0.5, 90);
  c.SetPenStyle(Nuvra::psDash);
  c.DrawTo(0.5, 180);
  c.Paint();
  CanvasRecorder rec;
  c.Paint();
  const auto runs = rec.of(CanvasOp::Polyline, "chart");
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].penStyle, Nuvra::psSolid);
  EXPECT_EQ(runs[1].penStyle, Nuvra::psDash);
}

// Real pixels: a red dotted reference circle below a black curve.
TEST(PolChartPixels, CircleBelowCurve) {
  BareChart b;
  b->TransparentFill = true;
  b->SetDataColor(clRed);
  b->SetPenStyle(Nuvra::psDot);
  b->Circle(std::sqrt(2.0) - 1);
  b->SetDataColor(clBlack);
  b->SetPenStyle(Nuvra::psSolid);
  b->MoveTo(0.5, 0);   // (175, 100)
  b->DrawTo(0.5, 180); // (25, 100): a horizontal line through the centre
  b->ShowGraf();
  const QImage img = b->screenImage();
  ASSERT_EQ(img.size(), QSize(200, 200));
  for (int x = 30; x <= 170; ++x)
    ASSERT_EQ(img.pixelColor(x, 100), QColor(Qt::black)) << x;
  EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(100, 60), QColor(Qt::white)) << "hollow circle";
  int red = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x)
      red += img.pixelColor(x, y) == QColor(Qt::red);
  EXPECT_GT(red, 100);
  EXPECT_LT(red, 446) << "dotted, not a full circle of about 446 pixels";
  // The widget shows exactly that image.
  EXPECT_EQ(b->grab().toImage().convertToFormat(QImage::Format_RGB32).pixelColor(100, 100),
            QColor(Qt::black));
}

TEST(PolChartPixels, FlyingShadow) {
  TestChart t(120, 100);
  t->SetAutoRedraw(false);
  t->SetShadowWidth(6);
  t->SetShadowColor(clGray);
  t->SetShadowBakColor(clSilver);
  t->ShowGraf();
  const QImage img = t->screenImage();
  EXPECT_EQ(img.pixelColor(117, 97), QColor(0x80, 0x80, 0x80)); // shadow corner
  EXPECT_EQ(img.pixelColor(117, 2), QColor(0xC0, 0xC0, 0xC0));  // background corner
  EXPECT_EQ(img.pixelColor(2, 97), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(img.pixelColor(0, 50), QColor(Qt::black)); // frame line
  EXPECT_EQ(img.pixelColor(114, 50), QColor(Qt::black));
}

// A MoveTo in the middle of the list lifts the pen, and so does an item without a position;
// a circle in between ends the run but keeps the pen where it was.
TEST(PolChartPaint, PenLiftsInMidList) {
  struct Item {
    char kind; // 'm' MoveTo, 'd' DrawTo, 'c' Circle
    double R, Phi;
  };
  const double nan = std::nan("");
  const struct {
    const char *name;
    std::vector<Item> items;
    std::vector<P> runs;
  } cases[] = {
      {"move in mid-list",
       {{'m', 0, 0}, {'d', 1, 0}, {'m', 0, 90}, {'d', 1, 90}},
       {{{150, 100}, {200, 100}}, {{100, 150}, {100, 200}}}},
      {"two moves in a row",
       {{'m', 0, 0}, {'d', 1, 0}, {'m', 0, 180}, {'m', 0, 270}, {'d', 1, 270}},
       {{{150, 100}, {200, 100}}, {{100, 50}, {100, 0}}}},
      {"a gap in a line",
       {{'m', 0, 0}, {'d', 1, 0}, {'d', nan, 45}, {'d', 1, 90}, {'d', 0, 90}},
       {{{150, 100}, {200, 100}}, {{100, 200}, {100, 150}}}},
      {"an infinite angle",
       {{'m', 0, 0}, {'d', 1, 0}, {'d', 1, INFINITY}, {'d', 1, 180}, {'d', 0, 180}},
       {{{150, 100}, {200, 100}}, {{0, 100}, {50, 100}}}},
      {"a circle between lines",
       {{'m', 0, 0}, {'d', 1, 0}, {'c', 0, 0}, {'d', 1, 90}},
       {{{150, 100}, {200, 100}}, {{200, 100}, {100, 200}}}},
  };
  for (const auto &k : cases) {
    BareChart b;
    for (const Item &it : k.items) {
      if (it.kind == 'm')
        b->MoveTo(it.R, it.Phi);
      else if (it.kind == 'd')
        b->DrawTo(it.R, it.Phi);
      else
        b->Circle(it.R);
    }
    CanvasRecorder rec;
    b->Paint();
    std::vector<P> runs;
    for (const auto &c : rec.of(CanvasOp::Polyline, "chart"))
      runs.push_back(c.points);
    EXPECT_EQ(runs, k.runs) << k.name;
  }

  // And in real pixels: nothing between the end of one line and the start of the next.
  BareChart b;
  b->MoveTo(0, 0);
  b->DrawTo(1, 0);
  b->MoveTo(0, 90);
  b->DrawTo(1, 90);
  b->ShowGraf();
  const QImage img = b->screenImage();
  EXPECT_EQ(img.pixelColor(180, 100), QColor(Qt::black));
  EXPECT_EQ(img.pixelColor(100, 180), QColor(Qt::black));
  for (int i = 5; i < 50; ++i)
    ASSERT_EQ(img.pixelColor(200 - i, 150 + i), QColor(Qt::white)) << "no joining line " << i;
}

// The cached grid layer is an optimisation only: random sequences of look changes and new data
// give the same pixels with and without it, and the label handler runs only on rebuilds.
TEST(PolChartPaint, CachedStaticLayerGivesTheSamePixels) {
  TestChart plain(220, 180), cached(220, 180);
  int plainLabels = 0, cachedLabels = 0;
  auto hook = [](int &count) {
    return [&count](QObject *, TCanvas *&, C::TpcScaleKind, QString &text, int, int) {
      ++count;
      text += QChar(0xB0);
    };
  };
  plain->OnBeforeDrawScaleLabel = hook(plainLabels);
  cached->OnBeforeDrawScaleLabel = hook(cachedLabels);
  cached->SetCacheStaticLayer(true);
  std::mt19937 rng(7);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int step = 0; step < 120; ++step) {
    const int what = pick(14), v = pick(1000);
    int dataSeed = pick(1 << 30);
    for (TPolChart *c : {plain.chart, cached.chart}) {
      switch (what) {
      case 0: c->SetGridColor(v % 2 ? clSilver : clNavy); break;
      case 1: c->SetMagFactor(0.5 + v / 1000.0); break;
      case 2: c->SetCenterX(60 + v % 100); break;
      case 3: c->SetAngleOffset(v % 90); break;
      case 4: c->SetRotationDir(v % 2 ? C::rdCounterCW : C::rdClockwise); break;
      case 5: c->SetLabelModeAngular(static_cast<C::TpcAngLabelMode>(v % 7)); break;
      case 6: c->SetLabelModeRadial(static_cast<C::TpcRadLabelMode>(v % 4)); break;
      case 7: c->SetShadowWidth(v % 6); break;
      case 8: c->SetRangeHigh(1 + v % 3); break;
      case 9: c->setFont(makeFont(QStringLiteral("Liberation Sans"), 9 + v % 6)); break;
      case 10: c->resize(200 + v % 40, 160 + v % 50); break;
      case 11: c->SetChartColor(v % 2 ? clWhite : clCream); break;
      default: { // a scroll-bar move: new data, same look
        std::mt19937 data(static_cast<unsigned>(dataSeed));
        c->ClearGraf();
        c->MoveTo(0.5, 0);
        for (int i = 1; i <= 360; ++i)
          c->DrawTo((data() % 1000) / 1000.0, i);
        c->ShowGraf();
      }
      }
      c->Paint();
    }
    ASSERT_EQ(cached->screenImage(), plain->screenImage()) << "step " << step << " kind " << what;
  }
  EXPECT_LT(cachedLabels, plainLabels / 2) << "labels are drawn only when the layer changes";
}

// The replay keeps the sines and cosines of the list's angles between repaints. After a change
// of the angle settings or of the angles themselves the chart must draw what a chart that
// never drew before draws with the same settings and list.
TEST(PolChartPaint, AngleTableFollowsAnglesAndSettings) {
  using Step = std::function<void(TPolChart &)>;
  auto plot = [](double shift) {
    return [shift](TPolChart &c) {
      c.ClearGraf();
      c.MoveTo(0.5, shift);
      for (int i = 1; i <= 360; ++i)
        c.DrawTo(0.3 + (i % 7) / 10.0, i + shift);
    };
  };
  const std::pair<const char *, Step> steps[] = {
      {"offset", [](TPolChart &c) { c.SetAngleOffset(30); }},
      {"direction", [](TPolChart &c) { c.SetRotationDir(C::rdCounterCW); }},
      {"radians", [](TPolChart &c) { c.SetUseDegrees(false); }},
      {"other angles", plot(0.5)},
      {"degrees again", [](TPolChart &c) { c.SetUseDegrees(true); }},
  };
  TestChart reused(220, 180);
  std::vector<Step> history{plot(0)};
  history.back()(*reused.chart);
  reused->Paint();
  for (const auto &[what, step] : steps) {
    step(*reused.chart);
    reused->Paint();
    history.push_back(step);
    TestChart fresh(220, 180, /*created=*/false); // draws nothing before CreateWnd
    for (const Step &s : history)
      s(*fresh.chart);
    fresh->CreateWnd();
    ASSERT_EQ(reused->screenImage(), fresh->screenImage()) << what;
  }
}

// A much shorter list (another resolution) lets go of the longer one's memory; a slightly
// shorter one keeps it for the next longer list.
TEST(PolChartPaint, AngleTableLetsGoOfAMuchLongerList) {
  AngleTable table;
  table.prepare(0, 1, 50000);
  table.prepare(0, 1, 40000);
  EXPECT_GE(table.held(), 50000u);
  table.prepare(0, 1, 720);
  EXPECT_GE(table.held(), 720u);
  EXPECT_LT(table.held(), 50000u);
}

// A picture the program asks for reaches the screen: one paint event follows, and that
// repaint schedules no other.
TEST(PolChartPaint, ProgramPaintIsShownOnce) {
  BareChart b;
  b.t.parent.show();
  QCoreApplication::processEvents();
  EventCounter counter(QEvent::Paint);
  b->installEventFilter(&counter);
  b->MoveTo(0.5, 0);
  b->DrawTo(0.5, 90);
  b->Paint();
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.count, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.count, 1);
}

// The chart on any paint device (figures, prints) draws what the control's chart bitmap holds:
// at the control's present size, even before a repaint, in the chart's font, and leaving the
// caller's painter as it was.
TEST(PolChartPixels, RenderedChartIsTheChartBitmap) {
  TestChart t(220, 180);
  t->setFont(makeFont(QStringLiteral("Liberation Sans"), 14));
  t->SetChartColor(clCream); // the background pass must cover the whole picture
  t->MoveTo(0.5, 0);
  for (int i = 1; i <= 360; ++i)
    t->DrawTo(0.5 + 0.4 * std::sin(i / 20.0), i);
  t->ShowGraf();
  t->Paint();
  t->SetAutoRedraw(false); // the bitmap keeps its size until the next repaint
  // The label handler sees the same labels at the same places in both.
  std::vector<std::tuple<int, QString, int, int>> labels;
  t->OnBeforeDrawScaleLabel = [&](QObject *, TCanvas *&, C::TpcScaleKind kind, QString &text, int x,
                                  int y) { labels.emplace_back(kind, text, x, y); };
  const QPen callersPen(Qt::green, 3);
  const QFont callersFont = makeFont(QStringLiteral("Liberation Mono"), 31);
  // The last step leaves the radial labels alone, without an angle label before them.
  const struct {
    QSize size;
    int shadow;
    C::TpcAngLabelMode angleLabels;
  } steps[] = {
      {{220, 180}, 0, C::almDegrees}, {{260, 150}, 4, C::almDegrees}, {{231, 197}, 2, C::almNone}};
  for (const auto &[size, shadow, angleLabels] : steps) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " " << shadow);
    t->resize(size);
    t->SetShadowWidth(shadow);
    t->SetLabelModeAngular(angleLabels);
    // The picture leaves out the shadow; the bottom-right corner pixel is the chart's.
    ASSERT_EQ(t->chartSize(), size - QSize(shadow - 1, shadow - 1));
    QImage rendered(t->chartSize(), QImage::Format_RGB32);
    rendered.fill(Qt::magenta);
    labels.clear();
    QPainter painter(&rendered);
    painter.setPen(callersPen);
    painter.setFont(callersFont);
    t->renderChart(painter);
    EXPECT_EQ(painter.pen(), callersPen);
    EXPECT_EQ(painter.font(), callersFont);
    painter.end();
    const auto figureLabels = labels;
    labels.clear();
    t->Paint();
    EXPECT_EQ(labels, figureLabels);
    ASSERT_EQ(t->chartBitmap().size(), rendered.size());
    int differ = 0;
    for (int y = 0; y < rendered.height(); ++y)
      for (int x = 0; x < rendered.width(); ++x)
        differ += rendered.pixel(x, y) != t->chartBitmap().pixel(x, y);
    EXPECT_EQ(differ, 0);
  }
}
