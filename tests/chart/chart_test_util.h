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
