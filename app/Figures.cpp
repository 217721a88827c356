#include "Figures.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "Nuvra_polchart.h"
#include "PngEncoder.h"
#include "mainfrm.h"

namespace figures {
namespace {

QByteArray pngBytes(const QImage &image, int dpi) {
  return encodePng(image, static_cast<int>(std::lround(dpi / 0.0254)));
}

QByteArray svg(QSize size, int dpi, const std::function<void(QPainter &)> &paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setResolution(dpi);
  generator.setTitle(QStringLiteral("Dipolix"));
  QPainter painter(&generator);
  paint(painter);
  painter.end();
  return bytes;
}

QByteArray pdf(QSize size, int dpi, const std::function<void(QPainter &)> &paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setCreator(QStringLiteral("Dipolix"));
  writer.setResolution(dpi);
  writer.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / dpi, size.height() * 72.0 / dpi),
                               QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter(&writer);
  paint(painter);
  painter.end();
  return bytes;
}

} // namespace

std::optional<Format> formatFor(const QString &fileName) {
  const QString name = fileName.toLower();
  if (name.endsWith(QLatin1String(".png")))
    return Format::Png;
  if (name.endsWith(QLatin1String(".svg")))
    return Format::Svg;
  if (name.endsWith(QLatin1String(".pdf")))
    return Format::Pdf;
  return std::nullopt;
}

QString formatNames() { return QStringLiteral(".png, .svg or .pdf"); }

QByteArray render(Format format, QSize size, int dpi,
                  const std::function<void(QPainter &)> &paint) {
  switch (format) {
  case Format::Svg: return svg(size, dpi, paint);
  case Format::Pdf: return pdf(size, dpi, paint);
  case Format::Png: break;
  }
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paint(painter);
  }
  return pngBytes(image, dpi);
}

QByteArray png(const QImage &image, int dpi) { return pngBytes(image, dpi); }

QByteArray chart(Format format, TPolChart &chart, int dpi) {
  if (format == Format::Png) {
    chart.Paint(); // the very pixels of the control's chart bitmap
    return pngBytes(chart.chartBitmap(), dpi);
  }
  return render(format, chart.chartSize(), dpi, [&](QPainter &p) { chart.renderChart(p); });
}

QByteArray window(Format format, TFrmRadPattern &window, int dpi) {
  if (format == Format::Png)
    return pngBytes(window.grab().toImage(), dpi);
  return render(format, window.size(), dpi, [&](QPainter &p) {
    p.fillRect(window.rect(), window.palette().window());
    for (QWidget *child : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
      if (child == window.PCRicht || child->isHidden())
        continue;
      child->render(&p, child->pos(), QRegion(),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    p.save();
    p.translate(window.PCRicht->pos());
    window.PCRicht->renderChart(p);
    p.restore();
  });
}

} // namespace figures
