#include "Nuvra_canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

CanvasRecorder *g_recorder = nullptr;

Qt::PenStyle toQtPenStyle(Nuvra::TPenStyle s) {
  switch (s) {
  case Nuvra::psSolid: return Qt::SolidLine;
  case Nuvra::psDash: return Qt::DashLine;
  case Nuvra::psDot: return Qt::DotLine;
  case Nuvra::psDashDot: return Qt::DashDotLine;
  case Nuvra::psDashDotDot: return Qt::DashDotDotLine;
  case Nuvra::psClear: return Qt::NoPen;
  case Nuvra::psInsideFrame: return Qt::SolidLine;
  }
  return Qt::SolidLine;
}

// (left, top, right, bottom) with right and bottom excluded, as the rectangle QPainter strokes
// with a one-pixel pen (which covers width + 1 pixels).
QRect outlineRect(int l, int t, int r, int b) {
  if (r < l)
    std::swap(l, r);
  if (b < t)
    std::swap(t, b);
  return QRect(l, t, std::max(0, r - l - 1), std::max(0, b - t - 1));
}

} // namespace

// ---- recorder ------------------------------------------------------------------------------

CanvasRecorder::CanvasRecorder() { g_recorder = this; }
CanvasRecorder::~CanvasRecorder() {
  if (g_recorder == this)
    g_recorder = nullptr;
}
CanvasRecorder *CanvasRecorder::active() noexcept { return g_recorder; }

std::vector<CanvasCall> CanvasRecorder::of(CanvasOp op, const QString &tag) const {
  std::vector<CanvasCall> out;
  for (const auto &c : calls)
    if (c.op == op && (tag.isEmpty() || c.tag == tag))
      out.push_back(c);
  return out;
}

std::size_t CanvasRecorder::count(CanvasOp op, const QString &tag) const {
  return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const auto &c) {
    return c.op == op && (tag.isEmpty() || c.tag == tag);
  }));
}

// ---- canvas --------------------------------------------------------------------------------

TCanvas::TCanvas(QString tag) : m_tag(std::move(tag)) {}

TCanvas::~TCanvas() { release(); }

void TCanvas::setTarget(QImage *image) {
  if (image == m_target)
    return;
  release();
  m_external = nullptr;
  m_target = image;
}

void TCanvas::release() {
  if (m_painter) {
    m_painter->end();
    m_painter.reset();
  }
}

void TCanvas::setPainter(QPainter *painter) {
  release();
  m_external = painter;
  m_penDirty = m_brushDirty = true;
}

const QPaintDevice *TCanvas::device() const { return m_external ? m_external->device() : m_target; }

bool TCanvas::onPixels() const {
  const QPaintDevice *d = device();
  return d && d->devType() == QInternal::Image;
}

QPainter *TCanvas::painter() {
  if (m_external)
    return m_external;
  if (!m_target || m_target->isNull())
    return nullptr;
  if (!m_painter) {
    m_painter = std::make_unique<QPainter>(m_target);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_penDirty = m_brushDirty = true;
  }
  return m_painter.get();
}

void TCanvas::applyPen(QPainter &p) {
  if (!m_penDirty && !m_pointPen)
    return;
  m_pointPen = false;
  QPen pen(colorToQColor(m_penColor));
  pen.setStyle(toQtPenStyle(m_penStyle));
  // Width 0 is Qt's cosmetic one-pixel pen; with a flat cap it leaves out the end point.
  // A vector device has no pixels: there the thinnest line is one layout pixel wide.
  pen.setWidth(m_penWidth <= 1 ? (onPixels() ? 0 : 1) : m_penWidth);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  if (onPixels()) // raster operations exist on pixels only
    p.setCompositionMode(m_penMode == Nuvra::pmXor ? QPainter::RasterOp_SourceXorDestination
                                                   : QPainter::CompositionMode_SourceOver);
  m_penDirty = false;
}

// Qt leaves out the pixel at the far end of a thin line's major axis, not at its end point, so
// a line drawn upward or leftward would lose its start and keep its end. On an unscaled raster
// target thin lines are therefore walked here, start included and end excluded in every
// direction; scaled or wide pens keep Qt's own stroking.
bool TCanvas::thinLines(const QPainter &p) const {
  return m_penWidth <= 1 && m_penStyle != Nuvra::psClear && p.deviceTransform().isIdentity() &&
         p.device()->devType() == QInternal::Image;
}

void TCanvas::applyPointPen(QPainter &p) {
  if (!m_penDirty && m_pointPen)
    return;
  QPen pen(colorToQColor(m_penColor));
  pen.setWidth(0);
  p.setPen(pen);
  p.setCompositionMode(m_penMode == Nuvra::pmXor ? QPainter::RasterOp_SourceXorDestination
                                                 : QPainter::CompositionMode_SourceOver);
  m_penDirty = false;
  m_pointPen = true;
}

namespace {

// On/off runs in pixels of the dashed one-pixel pens, as Qt's cosmetic pens draw them.
std::span<const int> dashRuns(Nuvra::TPenStyle s) {
  static constexpr int dash[] = {4, 2}, dot[] = {1, 2}, dashDot[] = {4, 2, 1, 2},
                       dashDotDot[] = {4, 2, 1, 2, 1, 2};
  switch (s) {
  case Nuvra::psDash: return dash;
  case Nuvra::psDot: return dot;
  case Nuvra::psDashDot: return dashDot;
  case Nuvra::psDashDotDot: return dashDotDot;
  default: return {};
  }
}

bool dashOn(std::span<const int> runs, int pos) {
  if (runs.empty())
    return true;
  int period = 0;
  for (int r : runs)
    period += r;
  pos %= period;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (pos < runs[i])
      return i % 2 == 0;
    pos -= runs[i];
  }
  return false;
}

} // namespace

void TCanvas::rasterise(QPoint a, QPoint b, const QRect &bounds, std::vector<QPoint> &out,
                        int &dashPos) const {
  const std::span<const int> runs = dashRuns(m_penStyle);
  const bool solid = runs.empty(); // spares the per-pixel dash call of the common pen
  const int dx = std::abs(b.x() - a.x()), dy = std::abs(b.y() - a.y());
  const int sx = a.x() < b.x() ? 1 : -1, sy = a.y() < b.y() ? 1 : -1;
  const int steps = std::max(dx, dy);
  // Only pixels on the image are kept; a line wholly beside it is only counted for the dashes.
  // Plain comparisons rather than QRect's out-of-line calls: this runs for every segment.
  const bool beside =
      std::max(a.x(), b.x()) < bounds.left() || std::min(a.x(), b.x()) > bounds.right() ||
      std::max(a.y(), b.y()) < bounds.top() || std::min(a.y(), b.y()) > bounds.bottom();
  if (beside) {
    dashPos += steps;
    return;
  }
  if (dx == 0 || dy == 0) { // straight across: only the steps on the image are walked
    const int major = dx ? a.x() : a.y(), s = dx ? sx : sy;
    const int lo = dx ? bounds.left() : bounds.top(), hi = dx ? bounds.right() : bounds.bottom();
    const std::int64_t first =
        std::max<std::int64_t>(0, s > 0 ? std::int64_t{lo} - major : std::int64_t{major} - hi);
    const std::int64_t last = std::min<std::int64_t>(steps, s > 0 ? std::int64_t{hi} - major + 1
                                                                  : std::int64_t{major} - lo + 1);
    for (std::int64_t i = first; i < last; ++i) {
      const int m = static_cast<int>(major + s * i);
      if (solid || dashOn(runs, dashPos + static_cast<int>(i)))
        out.push_back(dx ? QPoint(m, a.y()) : QPoint(a.x(), m));
    }
    dashPos += steps;
    return;
  }
  // Integer Bresenham; the error term is in 64 bits so far-off clamped points cannot overflow.
  std::int64_t err = std::int64_t{dx} - dy;
  int x = a.x(), y = a.y();
  for (int i = 0; i < steps; ++i, ++dashPos) {
    if (x >= bounds.left() && x <= bounds.right() && y >= bounds.top() && y <= bounds.bottom() &&
        (solid || dashOn(runs, dashPos)))
      out.emplace_back(x, y);
    const std::int64_t e2 = 2 * err;
    if (e2 > -std::int64_t{dy}) {
      err -= dy;
      x += sx;
    }
    if (e2 < dx) {
      err += dx;
      y += sy;
    }
  }
}

// Sets the walked pixels straight in the image where that gives what the painter would: the
// canvas's own painter (a caller's may carry state of its own, such as opacity) on an unshared
// 32-bit image without clipping, painted with an opaque copy or exclusive-or pen.
bool TCanvas::setPixelsDirectly(const QPainter &p) const {
  if (m_external || p.hasClipping() || !m_target->isDetached())
    return false;
  const QImage::Format f = m_target->format();
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

void TCanvas::strokeThin(QPainter &p, std::span<const QPoint> pts) {
  m_pixels.clear();
  int dashPos = 0;
  // The painter's own image: a caller's painter (figures, prints) may paint on one too.
  const QRect bounds = static_cast<const QImage *>(p.device())->rect();
  for (std::size_t i = 1; i < pts.size(); ++i)
    if (pts[i] != pts[i - 1]) // a repeated point draws nothing
      rasterise(pts[i - 1], pts[i], bounds, m_pixels, dashPos);
  if (m_pixels.empty())
    return;
  if (!setPixelsDirectly(p)) {
    applyPointPen(p);
    p.drawPoints(m_pixels.data(), static_cast<int>(m_pixels.size()));
    return;
  }
  const QRgb rgb = colorToQColor(m_penColor).rgb() | 0xFF000000u; // opaque
  const QRgb xorBits = rgb & 0x00FFFFFFu; // exclusive-or leaves alpha as it is
  const bool xorPen = m_penMode == Nuvra::pmXor;
  const int w = m_target->width(), h = m_target->height();
  uchar *bits = m_target->bits();
  const qsizetype stride = m_target->bytesPerLine();
  for (const QPoint &px : m_pixels) {
    if (static_cast<unsigned>(px.x()) >= static_cast<unsigned>(w) ||
        static_cast<unsigned>(px.y()) >= static_cast<unsigned>(h))
      continue;
    auto *pixel = reinterpret_cast<QRgb *>(bits + px.y() * stride) + px.x();
    *pixel = xorPen ? *pixel ^ xorBits : rgb;
  }
}

void TCanvas::applyBrush(QPainter &p) {
  if (!m_brushDirty)
    return;
  if (m_brushStyle == Nuvra::bsClear)
    p.setBrush(Qt::NoBrush);
  else
    p.setBrush(colorToQColor(m_brushColor));
  m_brushDirty = false;
}

void TCanvas::record(CanvasOp op, std::vector<QPoint> pts, const QString &text, int value,
                     const QRect &clip) const {
  if (!g_recorder)
    return;
  CanvasCall c;
  c.op = op;
  c.canvas = this;
  c.tag = m_tag;
  c.points = std::move(pts);
  c.clip = clip;
  c.text = text;
  c.value = value;
  c.penColor = m_penColor;
  c.penStyle = m_penStyle;
  c.penWidth = m_penWidth;
  c.penMode = m_penMode;
  c.brushColor = m_brushColor;
  c.brushStyle = m_brushStyle;
  c.fontColor = m_fontColor;
  g_recorder->calls.push_back(std::move(c));
}

void TCanvas::SetPenColor(TColor c) {
  m_penColor = c;
  m_penDirty = true;
  record(CanvasOp::SetPenColor, {}, {}, static_cast<int>(c));
}

void TCanvas::SetPenStyle(Nuvra::TPenStyle s) {
  m_penStyle = s;
  m_penDirty = true;
  record(CanvasOp::SetPenStyle, {}, {}, s);
}

void TCanvas::SetPenWidth(int w) {
  m_penWidth = w;
  m_penDirty = true;
  record(CanvasOp::SetPenWidth, {}, {}, w);
}

void TCanvas::SetPenMode(Nuvra::TPenMode m) {
  m_penMode = m;
  m_penDirty = true;
  record(CanvasOp::SetPenMode, {}, {}, m);
}

void TCanvas::SetBrushColor(TColor c) {
  m_brushColor = c;
  m_brushStyle = Nuvra::bsSolid;
  m_brushDirty = true;
  record(CanvasOp::SetBrushColor, {}, {}, static_cast<int>(c));
}

void TCanvas::SetBrushStyle(Nuvra::TBrushStyle s) {
  m_brushStyle = s;
  m_brushDirty = true;
  record(CanvasOp::SetBrushStyle, {}, {}, s);
}

void TCanvas::SetFont(const QFont &f) {
  m_font = f;
  record(CanvasOp::SetFont, {}, f.family());
}

void TCanvas::SetFontColor(TColor c) {
  m_fontColor = c;
  record(CanvasOp::SetFontColor, {}, {}, static_cast<int>(c));
}

void TCanvas::MoveTo(int x, int y) {
  m_penPos = QPoint(x, y);
  record(CanvasOp::MoveTo, {m_penPos});
}

void TCanvas::LineTo(int x, int y) {
  const QPoint to(x, y);
  record(CanvasOp::LineTo, {m_penPos, to});
  if (QPainter *p = painter()) {
    if (thinLines(*p)) {
      const QPoint line[] = {m_penPos, to};
      strokeThin(*p, line);
    } else {
      applyPen(*p);
      p->drawLine(m_penPos, to);
    }
  }
  m_penPos = to;
}

void TCanvas::Polyline(std::span<const QPoint> pts) {
  record(CanvasOp::Polyline, {pts.begin(), pts.end()});
  if (pts.size() < 2)
    return;
  if (QPainter *p = painter()) {
    if (thinLines(*p)) {
      strokeThin(*p, pts);
    } else {
      applyPen(*p);
      p->drawPolyline(pts.data(), static_cast<int>(pts.size()));
    }
  }
}

void TCanvas::Polygon(std::span<const QPoint> pts) {
  record(CanvasOp::Polygon, {pts.begin(), pts.end()});
  if (pts.empty())
    return;
  if (QPainter *p = painter()) {
    applyPen(*p);
    applyBrush(*p);
    p->drawPolygon(pts.data(), static_cast<int>(pts.size()));
  }
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  record(CanvasOp::Rectangle, {QPoint(left, top), QPoint(right, bottom)});
  if (QPainter *p = painter()) {
    applyPen(*p);
    applyBrush(*p);
    p->drawRect(outlineRect(left, top, right, bottom));
  }
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  record(CanvasOp::Ellipse, {QPoint(left, top), QPoint(right, bottom)});
  if (QPainter *p = painter()) {
    applyPen(*p);
    applyBrush(*p);
    p->drawEllipse(outlineRect(left, top, right, bottom));
  }
}

void TCanvas::FillRect(const QRect &r) {
  record(CanvasOp::FillRect, {r.topLeft(), QPoint(r.x() + r.width(), r.y() + r.height())});
  if (m_brushStyle == Nuvra::bsClear)
    return;
  if (QPainter *p = painter()) {
    applyPen(*p);
    p->fillRect(r, colorToQColor(m_brushColor));
  }
}

void TCanvas::drawText(QPainter &p, int x, int y, const QString &text) {
  const QFontMetrics fm(m_font, device());
  if (m_brushStyle == Nuvra::bsSolid)
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), colorToQColor(m_brushColor));
  p.setFont(m_font);
  p.setPen(colorToQColor(m_fontColor));
  m_penDirty = true; // the text pen replaced the drawing pen
  p.drawText(QPoint(x, y + fm.ascent()), text);
}

void TCanvas::TextOut(int x, int y, const QString &text) {
  record(CanvasOp::TextOut, {QPoint(x, y)}, text);
  if (QPainter *p = painter()) {
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    drawText(*p, x, y, text);
  }
}

void TCanvas::TextRect(const QRect &clip, int x, int y, const QString &text) {
  record(CanvasOp::TextRect, {QPoint(x, y)}, text, 0, clip);
  if (QPainter *p = painter()) {
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setClipRect(clip);
    if (m_brushStyle == Nuvra::bsSolid)
      p->fillRect(clip, colorToQColor(m_brushColor));
    drawText(*p, x, y, text);
    p->restore();
    m_penDirty = m_brushDirty = true;
  }
}

int TCanvas::TextWidth(const QString &text) const {
  return QFontMetrics(m_font, device()).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString &) const { return QFontMetrics(m_font, device()).height(); }

void TCanvas::Draw(int x, int y, const QImage &image) {
  record(CanvasOp::Draw, {QPoint(x, y), QPoint(image.width(), image.height())});
  if (QPainter *p = painter()) {
    if (onPixels())
      p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(QPoint(x, y), image);
    m_penDirty = true;
  }
}

void TCanvas::drawAnd(int x, int y, const QImage &image) {
  record(CanvasOp::DrawAnd, {QPoint(x, y), QPoint(image.width(), image.height())});
  if (QPainter *p = painter()) {
    if (onPixels())
      p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p->drawImage(QPoint(x, y), image);
    m_penDirty = true;
  }
}

QFont makeFont(const QString &family, int pixelHeight, Nuvra::TFontStyles styles) {
  QFont f(family);
  f.setPixelSize(std::max(1, pixelHeight));
  f.setBold(styles.testFlag(Nuvra::fsBold));
  f.setItalic(styles.testFlag(Nuvra::fsItalic));
  f.setUnderline(styles.testFlag(Nuvra::fsUnderline));
  f.setStrikeOut(styles.testFlag(Nuvra::fsStrikeOut));
  return f;
}
