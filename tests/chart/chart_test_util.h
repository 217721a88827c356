#pragma once
// A chart as the tests use it: a child of an unshown window (so it counts as visible), with
// its window "created" so that Paint draws.
#include <QWidget>
#include <memory>

#include "Nuvra_polchart.h"

struct TestChart {
  QWidget parent;
  TPolChart *chart;

  explicit TestChart(int w = 200, int h = 200, bool created = true)
      : chart(new TPolChart(&parent)) {
    chart->resize(w, h);
    chart->SetAutoCenter(false);
    chart->CenterChart();
    if (created)
      chart->CreateWnd();
  }
  TPolChart *operator->() const { return chart; }
};

// A bare 200 x 200 chart (no grid, no labels), RangeLow -1 .. RangeHigh 1: centre (100, 100),
// 50 pixels per unit.
struct BareChart {
  TestChart t;
  BareChart() {
    TPolChart &c = *t.chart;
    c.SetAutoRedraw(false);
    c.SetGridStyleAngular(TCustomPolChart::gsAngNone);
    c.SetGridStyleRadial(TCustomPolChart::gsRadNone);
    c.SetLabelModeAngular(TCustomPolChart::almNone);
    c.SetLabelModeRadial(TCustomPolChart::rlmNone);
    c.SetRangeLow(-1);
  }
  TPolChart &operator*() const { return *t.chart; }
  TPolChart *operator->() const { return t.chart; }
};
