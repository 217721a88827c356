// Mouse interaction: the pointer position reported in polar coordinates, and the MouseAction
// modes that pan, zoom by dragging, zoom into a square window, or drag a cross-hair or a text
// label. Each applied step repaints the whole chart once; the zoom window's rubber rectangle
// is drawn in exclusive-or mode straight onto the screen image and repaints nothing.
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Nuvra_mouse.h"
#include "Rounding.h"

namespace {

using Shift = TCustomPolChart::TShiftState;

constexpr double kMinMag = 0.01;
constexpr double kMaxMag = 1000.0;

bool isDragMode(Nuvra::TMouseActMode m) {
  switch (m) {
  case Nuvra::maPan:
  case Nuvra::maPanHoriz:
  case Nuvra::maPanVert:
  case Nuvra::maZoomDrag:
  case Nuvra::maDragCrossH:
  case Nuvra::maDragLabel: return true;
  default: return false;
  }
}

bool isWindowMode(Nuvra::TMouseActMode m) {
  return m == Nuvra::maZoomWind || m == Nuvra::maZoomWindPos;
}

int saturate(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The window system reports pointer positions as signed 16-bit values.
QPoint messagePoint(const QMouseEvent *e) {
  const QPointF p = e->position();
  return {std::clamp(roundToInt(p.x()), -32768, 32767),
          std::clamp(roundToInt(p.y()), -32768, 32767)};
}

Shift shiftOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  return nuvra::shiftStateOf<TCustomPolChart>(buttons, mods);
}

bool buttonOf(Qt::MouseButton b, TCustomPolChart::TMouseButton &out) {
  return nuvra::mouseButtonOf<TCustomPolChart>(b, out);
}

} // namespace

// ---- pure helpers ------------------------------------------------------------------------------

double TCustomPolChart::zoomDragMagFactor(double startMag, int dy, int height) {
  if (height <= 0 || !std::isfinite(startMag))
    return std::clamp(std::isfinite(startMag) ? startMag : 1.0, kMinMag, kMaxMag);
  // Unbounded, a long drag downwards would reach zero (no scale) or below (a mirrored chart).
  return std::clamp(startMag - static_cast<double>(dy) / height, kMinMag, kMaxMag);
}

QPoint TCustomPolChart::zoomWindowCorner(QPoint anchor, int X, int Y, int wc, int hc) {
  const std::int64_t x = std::clamp<std::int64_t>(X, 0, std::max(0, wc));
  const std::int64_t ax = anchor.x(), ay = anchor.y();
  // The window stays square: its height follows its width, on the pointer's side.
  std::int64_t y;
  if ((std::int64_t{Y} - ay) * (x - ax) > 0)
    y = ay + (x - ax);
  else
    y = ay - (x - ax);
  y = std::clamp<std::int64_t>(y, 0, std::max(0, hc));
  return {static_cast<int>(x), static_cast<int>(y)};
}

bool TCustomPolChart::zoomWindowView(ZoomView &view, QPoint a, QPoint b, int width, int height,
                                     int shadowWidth) {
  if (a.x() == b.x() || a.y() == b.y())
    return false;
  const double left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x());
  const double top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y());
  const double W = width, H = height;
  const bool wide = height < width;
  double f = wide ? (H - shadowWidth + 1) / (bottom - top) : (W - shadowWidth + 1) / (right - left);
  if (!(f > 0) || !std::isfinite(f) || !(view.magFactor > 0))
    return false; // a control without room: there is no square to zoom into
  // The magnification keeps its upper bound; the window then lands smaller in the square.
  f = std::min(f, kMaxMag / view.magFactor);
  const double cx = view.centerX, cy = view.centerY;
  if (wide) {
    view.centerY = saturate(roundTiesEven(f * (cy - bottom)) + height);
    view.centerX = saturate(roundTiesEven(f * (cx - left) + (W - H) / 2));
  } else {
    view.centerY = saturate(roundTiesEven(f * (cy - bottom) + (W - H) / 2) + height);
    view.centerX = saturate(roundTiesEven(f * (cx - left)));
  }
  view.magFactor = std::clamp(view.magFactor * f, kMinMag, kMaxMag);
  return true;
}

// ---- properties --------------------------------------------------------------------------------

void TCustomPolChart::SetMouseAction(Nuvra::TMouseActMode v) {
  d->m_mouseAction = v;
  // The pointer tells what a drag will do.
  switch (v) {
  case Nuvra::maPan: setCursor(Qt::OpenHandCursor); break;
  case Nuvra::maPanHoriz: setCursor(Qt::SizeHorCursor); break;
  case Nuvra::maPanVert:
  case Nuvra::maZoomDrag: setCursor(Qt::SizeVerCursor); break;
  case Nuvra::maZoomWind:
  case Nuvra::maZoomWindPos:
  case Nuvra::maDragCrossH: setCursor(Qt::CrossCursor); break;
  case Nuvra::maDragLabel: setCursor(Qt::SizeAllCursor); break;
  default: unsetCursor(); break;
  }
}

// ---- Qt's mouse events -------------------------------------------------------------------------

void TCustomPolChart::mousePressEvent(QMouseEvent *event) {
  event->accept();
  TMouseButton button{};
  if (!buttonOf(event->button(), button))
    return;
  if (button == mbLeft)
    d->m_mouse.clickPending = event->type() == QEvent::MouseButtonPress;
  const QPoint p = messagePoint(event);
  MouseDown(button, shiftOf(event->buttons(), event->modifiers()), p.x(), p.y());
}

void TCustomPolChart::mouseDoubleClickEvent(QMouseEvent *event) {
  mousePressEvent(event); // the second press is a press as well, but starts no click
  if (event->button() == Qt::LeftButton && OnDblClick)
    OnDblClick(this);
}

void TCustomPolChart::mouseMoveEvent(QMouseEvent *event) {
  event->accept();
  const QPoint p = messagePoint(event);
  const Shift shift = shiftOf(event->buttons(), event->modifiers());
  MouseMove(shift, p.x(), p.y());
  mouseMoveInChart(shift, p.x(), p.y());
}

void TCustomPolChart::mouseReleaseEvent(QMouseEvent *event) {
  event->accept();
  TMouseButton button{};
  if (!buttonOf(event->button(), button))
    return;
  const QPoint p = messagePoint(event);
  const bool click =
      button == mbLeft && d->m_mouse.clickPending && rect().contains(event->position().toPoint());
  if (button == mbLeft)
    d->m_mouse.clickPending = false;
  QPointer<TCustomPolChart> self(this);
  MouseUp(button, shiftOf(event->buttons(), event->modifiers()), p.x(), p.y());
  if (click && self && OnClick)
    OnClick(this);
}

// ---- the chart's handlers ----------------------------------------------------------------------

bool PolChartPrivate::inChartArea(int X, int Y) const {
  return X >= 0 && X <= q->width() - m_shadowWidth && Y >= 0 && Y <= q->height() - m_shadowWidth;
}

bool PolChartPrivate::pointerToPolar(int X, int Y, double &R, double &Phi) const {
  // A chart without room has no scale: every pixel would divide by zero.
  if (m_map.scaleX == 0 || m_map.scaleY == 0 || !std::isfinite(m_map.scaleX) ||
      !std::isfinite(m_map.scaleY)) {
    R = m_rangeLow;
    Phi = 0;
    return false;
  }
  q->ScreenToPolar(X, Y, R, Phi);
  return std::isfinite(R) && std::isfinite(Phi);
}

void TCustomPolChart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown)
    OnMouseDown(this, Button, Shift, X, Y);
  if (d->m_mouse.window && !isWindowMode(d->m_mouseAction))
    d->zoomWindowEnd(false); // the mode changed while the window was open
  if (isWindowMode(d->m_mouseAction) && !d->m_mouse.window && Button == mbLeft &&
      d->inChartArea(X, Y)) {
    d->m_mouse.window = true;
    d->m_mouse.anchor = d->m_mouse.corner = QPoint(X, Y);
    d->m_mouse.rectShown = false; // nothing drawn yet
  }
}

void TCustomPolChart::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove)
    OnMouseMove(this, Shift, X, Y);
  if (d->m_mouse.window) {
    if (isWindowMode(d->m_mouseAction))
      d->zoomWindowMove(X, Y);
    else
      d->zoomWindowEnd(false);
  }
  if (isDragMode(d->m_mouseAction))
    d->dragMove(Shift, X, Y);
}

void TCustomPolChart::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp)
    OnMouseUp(this, Button, Shift, X, Y);
  if (Button == mbLeft)
    d->m_mouse.dragging = false; // the next press starts a new drag, even without a move between
  if (!d->m_mouse.window)
    return;
  if (!isWindowMode(d->m_mouseAction)) {
    d->zoomWindowEnd(false);
    return;
  }
  if (Button == mbRight) {
    d->zoomWindowEnd(false);
  } else if (Button == mbLeft) {
    // The window ends where the button is released, even when no move reported that point.
    if (zoomWindowCorner(d->m_mouse.anchor, X, Y, width() - d->m_shadowWidth,
                         height() - d->m_shadowWidth) != d->m_mouse.corner)
      d->zoomWindowMove(X, Y);
    d->zoomWindowEnd(true);
  }
  // The middle button leaves the window open.
}

void TCustomPolChart::mouseMoveInChart(TShiftState Shift, int X, int Y) {
  if (!OnMouseMoveInChart)
    return;
  double R = 0, Phi = 0;
  d->pointerToPolar(X, Y, R, Phi);
  OnMouseMoveInChart(this, d->inChartArea(X, Y), Shift, R, Phi);
}

// ---- dragging ----------------------------------------------------------------------------------

// Where a drag starts, and the cross-hair or label it moves.
void PolChartPrivate::startDrag(int X, int Y) {
  m_mouse.dragging = true;
  m_mouse.dragMode = m_mouseAction;
  m_mouse.dragStart = QPoint(X, Y);
  m_mouse.startCenterX = m_centerX;
  m_mouse.startCenterY = m_centerY;
  m_mouse.startMag = m_magFactor;
  if (m_mouseAction == Nuvra::maDragCrossH)
    m_mouse.crossHair = q->NearestCrossHair(X, Y);
  else if (m_mouseAction == Nuvra::maDragLabel)
    m_mouse.label = q->NearestTextLabel(X, Y);
}

void PolChartPrivate::dragLabel(int X, int Y) {
  if (m_mouse.label < 1 || m_mouse.label > TCustomPolChart::kTextLabelCount)
    return;
  TpcTextLabel *label = m_textLabels[static_cast<std::size_t>(m_mouse.label - 1)];
  if (label->AttachToData()) {
    double R = 0, Phi = 0;
    if (!pointerToPolar(X, Y, R, Phi))
      return;
    label->posRadRef() = R;
    label->posPhiRef() = Phi;
  } else {
    label->posRadRef() = X;
    label->posPhiRef() = Y;
  }
  q->Paint();
  if (q->OnTextLabelMove)
    q->OnTextLabelMove(q, label);
}

void PolChartPrivate::dragMove(TCustomPolChart::TShiftState Shift, int X, int Y) {
  if (!Shift.testFlag(TCustomPolChart::ssLeft)) {
    m_mouse.dragging = false;
    return;
  }
  // The first move of a drag (or the first after a change of mode) records where it starts.
  if (!m_mouse.dragging || m_mouse.dragMode != m_mouseAction) {
    startDrag(X, Y);
    return;
  }

  const std::int64_t dx = std::int64_t{X} - m_mouse.dragStart.x();
  const std::int64_t dy = std::int64_t{Y} - m_mouse.dragStart.y();
  switch (m_mouseAction) {
  case Nuvra::maPan:
  case Nuvra::maPanHoriz:
  case Nuvra::maPanVert:
    if (!inChartArea(X, Y))
      return;
    if (m_mouseAction != Nuvra::maPanVert)
      m_centerX = saturate(m_mouse.startCenterX + dx);
    if (m_mouseAction != Nuvra::maPanHoriz)
      m_centerY = saturate(m_mouse.startCenterY + dy);
    q->CalcScaling();
    q->Paint();
    if (q->OnZoomPan)
      q->OnZoomPan(q);
    return;
  case Nuvra::maZoomDrag:
    if (!inChartArea(X, Y))
      return;
    m_magFactor = TCustomPolChart::zoomDragMagFactor(m_mouse.startMag, saturate(dy), q->height());
    q->CalcScaling();
    q->Paint();
    if (q->OnZoomPan)
      q->OnZoomPan(q);
    return;
  case Nuvra::maDragCrossH: {
    if (m_mouse.crossHair < 1 || m_mouse.crossHair > TCustomPolChart::kCrossHairCount)
      return;
    double R = 0, Phi = 0;
    if (!pointerToPolar(X, Y, R, Phi))
      return; // no position to move to on a chart without scale
    TpcCrossHair *ch = m_crossHairs[static_cast<std::size_t>(m_mouse.crossHair - 1)];
    ch->posRadRef() = R;
    ch->posPhiRef() = Phi;
    q->Paint();
    if (q->OnCrossHairMove)
      q->OnCrossHairMove(q, ch);
    return;
  }
  case Nuvra::maDragLabel: dragLabel(X, Y); return;
  default: return;
  }
}

// ---- zoom window -------------------------------------------------------------------------------

void PolChartPrivate::xorZoomRect(QPoint a, QPoint b) {
  // A rectangle without width or height is never drawn, so it never needs erasing either.
  if (a.x() == b.x() || a.y() == b.y() || m_screen.isNull())
    return;
  TCanvas &cv = m_screenCanvas;
  cv.setTarget(&m_screen);
  cv.SetPenMode(Nuvra::pmXor);
  cv.SetPenColor(clWhite);
  cv.SetPenStyle(Nuvra::psSolid);
  cv.SetPenWidth(1);
  cv.SetBrushStyle(Nuvra::bsClear);
  cv.Rectangle(a.x(), a.y(), b.x(), b.y());
  cv.SetPenMode(Nuvra::pmCopy);
  cv.SetBrushStyle(Nuvra::bsSolid);
  cv.release();
  q->update();
}

void PolChartPrivate::zoomWindowMove(int X, int Y) {
  const QPoint corner = TCustomPolChart::zoomWindowCorner(
      m_mouse.anchor, X, Y, q->width() - m_shadowWidth, q->height() - m_shadowWidth);
  if (m_mouse.rectShown)
    xorZoomRect(m_mouse.anchor, m_mouse.corner);
  xorZoomRect(m_mouse.anchor, corner);
  m_mouse.rectShown = true;
  m_mouse.corner = corner;
}

void PolChartPrivate::zoomWindowEnd(bool apply) {
  if (m_mouse.rectShown)
    xorZoomRect(m_mouse.anchor, m_mouse.corner);
  m_mouse.rectShown = false;
  m_mouse.window = false;
  if (!apply)
    return;
  TCustomPolChart::ZoomView view{m_centerX, m_centerY, m_magFactor};
  if (!TCustomPolChart::zoomWindowView(view, m_mouse.anchor, m_mouse.corner, q->width(),
                                       q->height(), m_shadowWidth))
    return; // no width or no height: discarded, the view stays
  // One repaint for the whole change, and only when painting was allowed before.
  const bool suppressed = m_suppressPaint;
  m_suppressPaint = true;
  m_centerX = view.centerX;
  m_centerY = view.centerY;
  m_magFactor = view.magFactor;
  q->CalcScaling();
  q->SetSuppressPaint(suppressed);
  if (q->OnZoomPan)
    q->OnZoomPan(q);
}
