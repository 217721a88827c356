// The chart alone on any paint device: the same drawing pass as the chart bitmap, without
// the shadow and the cross-hairs, which belong to the control on screen.
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <QPainter>
#include <algorithm>

QSize TCustomPolChart::chartSize() const {
  return {std::max(0, width() - d->m_shadowWidth + 1),
          std::max(0, height() - d->m_shadowWidth + 1)};
}

void TCustomPolChart::renderChart(QPainter &painter) {
  TCanvas canvas(QStringLiteral("figure"));
  painter.save();
  // As the bitmap is filled before it: the background pass's rectangle leaves out the last
  // row and column, which would otherwise show the page through.
  painter.fillRect(QRect(QPoint(0, 0), chartSize()), colorToQColor(d->m_chartColor));
  canvas.setPainter(&painter);
  canvas.SetFont(font());
  int lastTextHeight = 0;
  d->renderStatic(canvas, lastTextHeight);
  d->renderChart(canvas);
  canvas.setPainter(nullptr);
  painter.restore();
}
