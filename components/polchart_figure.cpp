// The chart alone on any paint device: the same drawing pass as the chart bitmap, without
// the shadow and the cross-hairs, which belong to the control on screen.
#include "Nuvra_polchart.h"

#include <QPainter>
#include <algorithm>

QSize TCustomPolChart::ChartSize() const {
  return {std::max(0, width() - m_shadowWidth + 1), std::max(0, height() - m_shadowWidth + 1)};
}

void TCustomPolChart::RenderChart(QPainter &painter) {
  if (m_chart.size() != ChartSize()) // the background pass takes its size from the bitmap
    m_chart = QImage(ChartSize(), QImage::Format_RGB32);
  TCanvas canvas(QStringLiteral("figure"));
  painter.save();
  canvas.SetPainter(&painter);
  canvas.SetFont(font());
  renderChart(canvas);
  canvas.SetPainter(nullptr);
  painter.restore();
}
