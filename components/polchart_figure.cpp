// The chart alone on any paint device: the same drawing pass as the chart bitmap, without
// the shadow and the cross-hairs, which belong to the control on screen.
#include "Nuvra_backbuffer.h"
#include "Nuvra_polchart.h"

#include <QPainter>
#include <algorithm>

QSize TCustomPolChart::ChartSize() const {
  return {std::max(0, width() - m_shadowWidth + 1), std::max(0, height() - m_shadowWidth + 1)};
}

void TCustomPolChart::RenderChart(QPainter &painter) {
  // The background pass takes its size from the bitmap.
  if (m_chart.deviceIndependentSize().toSize() != ChartSize())
    fitBackBuffer(m_chart, ChartSize(), devicePixelRatioF());
  TCanvas canvas(QStringLiteral("figure"));
  painter.save();
  canvas.SetPainter(&painter);
  canvas.SetFont(font());
  int lastTextHeight = 0;
  renderStatic(canvas, lastTextHeight);
  renderChart(canvas);
  canvas.SetPainter(nullptr);
  painter.restore();
}
