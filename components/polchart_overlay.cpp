// The annotation layers of each repaint: the text-label pass on the chart bitmap and the
// cross-hair step that puts the composed frame onto the control's image; and the two hit
// tests that pick the annotation a drag moves.
#include "Nuvra_backbuffer.h"
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Rounding.h"

namespace {

// Coordinates handed to the painter stay within the range the renderer uses for data, so a
// label or cross-hair far outside the chart cannot overflow the arithmetic or the painter.
constexpr std::int64_t kLimit = 30000;

int limited(std::int64_t v) { return static_cast<int>(std::clamp(v, -kLimit, kLimit)); }

bool withinLimit(std::int64_t v) { return v >= -kLimit && v <= kLimit; }

// The end of a ray from `from` towards (ex, ey), pulled back along the ray into the limit.
QPoint rayEnd(QPoint from, std::int64_t ex, std::int64_t ey) {
  if (withinLimit(ex) && withinLimit(ey))
    return {static_cast<int>(ex), static_cast<int>(ey)};
  if (!withinLimit(from.x()) || !withinLimit(from.y()))
    return {limited(ex), limited(ey)};
  const double dx = static_cast<double>(ex - from.x());
  const double dy = static_cast<double>(ey - from.y());
  double t = 1;
  const double lim = static_cast<double>(kLimit);
  if (!withinLimit(ex))
    t = std::min(t, (std::copysign(lim, dx) - from.x()) / dx);
  if (!withinLimit(ey))
    t = std::min(t, (std::copysign(lim, dy) - from.y()) / dy);
  return {limited(roundTiesEven(from.x() + t * dx)), limited(roundTiesEven(from.y() + t * dy))};
}

} // namespace

// ---- text labels -------------------------------------------------------------------------------

QPoint PolChartPrivate::labelAnchor(const TpcTextLabel &label) const {
  int x = 0, y = 0;
  if (label.AttachToData()) {
    q->PolarToScreen(x, y, label.PosRad(), label.PosPhi());
  } else {
    x = roundToInt(label.PosRad());
    y = roundToInt(label.PosPhi());
  }
  return {x, y};
}

void TCustomPolChart::DrawTextLabels(TCanvas &canvas) {
  // Label 1 ends on top of all others, so the labels are visited from 20 down to 1.
  for (int i = kTextLabelCount; i >= 1; --i) {
    const TpcTextLabel *label = d->m_textLabels[static_cast<std::size_t>(i - 1)];
    if (label->Mode() != TpcTextLabel::tlOff)
      d->drawTextLabel(canvas, *label);
  }
}

namespace {

// A label's text block: left edge, top, bottom (the anchor's line) and widest line.
struct LabelBlock {
  std::int64_t x, top, bottom, width;
};

// The label's background, box, underline or shadow under its text block; false when the
// label is switched off.
bool drawLabelFrame(TCanvas &cv, const TpcTextLabel &label, const LabelBlock &b) {
  // The box around the block, right and bottom edge exclusive.
  auto box = [&](std::int64_t dx, std::int64_t dy) {
    cv.Rectangle(limited(b.x - 4 + dx), limited(b.top - 2 + dy), limited(b.x + 4 + b.width + dx),
                 limited(b.bottom + 2 + dy));
  };
  auto filledBox = [&](TColor c) {
    cv.SetPenColor(c);
    cv.SetBrushColor(c);
    box(0, 0);
  };

  const bool transparent = label.Transparent();
  switch (label.Mode()) {
  case TpcTextLabel::tlsimple:
    if (!transparent)
      filledBox(label.ColorBkg());
    break;
  case TpcTextLabel::tlBox:
    cv.SetPenColor(label.ColorBorder());
    cv.SetBrushColor(label.ColorBkg());
    if (transparent)
      cv.SetBrushStyle(Nuvra::bsClear);
    box(0, 0);
    break;
  case TpcTextLabel::tlUnderline:
    if (!transparent)
      filledBox(label.ColorBkg());
    cv.SetPenColor(label.ColorBorder());
    cv.MoveTo(limited(b.x), limited(b.bottom));
    cv.LineTo(limited(b.x + b.width), limited(b.bottom));
    break;
  case TpcTextLabel::tlShadow:
    cv.SetPenColor(label.ColorShadow());
    cv.SetBrushColor(label.ColorShadow());
    box(label.ShadowDx(), label.ShadowDy());
    cv.SetPenColor(label.ColorBorder());
    cv.SetBrushColor(label.ColorBkg());
    box(0, 0);
    break;
  case TpcTextLabel::tlOff: return false;
  }

  return true;
}

} // namespace

void PolChartPrivate::drawTextLabel(TCanvas &cv, const TpcTextLabel &label) {
  const QPoint anchor = labelAnchor(label);
  cv.SetFont(label.Font());
  cv.SetFontColor(label.fontColor());
  cv.SetPenStyle(Nuvra::psSolid);
  cv.SetBrushStyle(label.Transparent() ? Nuvra::bsClear : Nuvra::bsSolid);

  // The caption is a block of lines; the anchor lies on the block's bottom edge.
  const QString &caption = label.Caption();
  const QStringList lines = caption.split(QChar(10));
  const std::int64_t n = lines.size();
  std::vector<int> widths;
  widths.reserve(lines.size());
  int W = 0;
  for (const QString &line : lines) {
    widths.push_back(cv.TextWidth(line));
    W = std::max(W, widths.back());
  }
  if (W == 0)
    W = cv.TextWidth(caption);
  const std::int64_t h = cv.TextHeight(caption);

  std::int64_t x = anchor.x();
  const std::int64_t y = anchor.y();
  const Nuvra::TAlignment align = label.Alignment();
  if (align == Nuvra::taRightJustify)
    x -= W;
  else if (align == Nuvra::taCenter)
    x -= W / 2;
  const std::int64_t top = y - n * h;

  if (!drawLabelFrame(cv, label, LabelBlock{x, top, y, W}))
    return;

  // A shadowed label always has an opaque text background.
  const bool transparent = label.Transparent();
  if (!transparent || label.Mode() == TpcTextLabel::tlShadow)
    cv.SetBrushColor(label.ColorBkg());
  else
    cv.SetBrushStyle(Nuvra::bsClear);
  for (std::int64_t k = 0; k < n; ++k) {
    const int wk = widths[static_cast<std::size_t>(k)];
    std::int64_t dk = 0;
    if (align == Nuvra::taRightJustify)
      dk = W - wk;
    else if (align == Nuvra::taCenter)
      dk = (W - wk) / 2;
    const std::int64_t lx = x + dk, ly = top + k * h;
    if (withinLimit(lx) && withinLimit(ly)) // lines that far out cannot reach the bitmap
      cv.TextOut(static_cast<int>(lx), static_cast<int>(ly), lines[static_cast<int>(k)]);
  }
}

int TCustomPolChart::NearestTextLabel(int X, int Y) const {
  double best = 1.7e308;
  int result = 1;
  for (int i = 1; i <= kTextLabelCount; ++i) {
    const TpcTextLabel &label = *d->m_textLabels[static_cast<std::size_t>(i - 1)];
    if (label.Mode() == TpcTextLabel::tlOff)
      continue;
    const QPoint a = d->labelAnchor(label);
    const double dx = static_cast<double>(a.x()) - X;
    const double dy = static_cast<double>(a.y()) - Y;
    const double dist = dx * dx + dy * dy;
    if (dist < best) {
      best = dist;
      result = i;
    }
  }
  return result;
}

// ---- cross-hairs -------------------------------------------------------------------------------

void TCustomPolChart::DrawCrossHairs(QImage &frame) {
  const bool anyVisible =
      std::any_of(d->m_crossHairs.begin(), d->m_crossHairs.end(),
                  [](const TpcCrossHair *ch) { return ch->Mode() != TpcCrossHair::chOff; });
  // Whatever a zoom window left on the screen image is replaced now.
  d->m_mouse.rectShown = false;
  if (!anyVisible) {
    d->m_screenCanvas.Draw(0, 0, frame);
    return;
  }
  // The cross-hairs go on a copy, so the composed frame itself stays free of them.
  d->m_overlayCanvas.release();
  fitBackBuffer(d->m_overlay, frame.deviceIndependentSize().toSize(), frame.devicePixelRatio(),
                frame.format());
  d->m_overlayCanvas.setTarget(&d->m_overlay);
  d->m_overlayCanvas.Draw(0, 0, frame);
  for (const TpcCrossHair *ch : d->m_crossHairs)
    if (ch->Mode() != TpcCrossHair::chOff)
      d->drawCrossHair(d->m_overlayCanvas, *ch);
  d->m_overlayCanvas.release();
  d->m_screenCanvas.Draw(0, 0, d->m_overlay);
}

void PolChartPrivate::drawCrossHair(TCanvas &cv, const TpcCrossHair &ch) {
  cv.SetPenColor(ch.Color());
  cv.SetPenWidth(ch.LineWid());
  cv.SetPenStyle(ch.LineType());
  // A line closer to the area's edge than half its width is left out.
  const std::int64_t half = ch.LineWid() / 2;
  const std::int64_t wc = q->width() - m_shadowWidth;
  const std::int64_t hc = q->height() - m_shadowWidth;

  if (ch.Mode() == TpcCrossHair::chOrtho) {
    int sx = 0, sy = 0;
    q->PolarToScreen(sx, sy, ch.PosRad(), ch.PosPhi());
    if (half < sy && sy < hc - half) {
      cv.MoveTo(limited(half + 1), sy);
      cv.LineTo(limited(wc - half), sy);
    }
    if (half < sx && sx < wc - half) {
      cv.MoveTo(sx, limited(half + 1));
      cv.LineTo(sx, limited(hc - half));
    }
    return;
  }
  if (ch.Mode() != TpcCrossHair::chPolar)
    return;

  cv.SetBrushStyle(Nuvra::bsClear);
  // The circle's radius in pixels, from the point at PosRad on the zero-angle direction.
  int px = 0, py = 0;
  q->PolarToScreen(px, py, ch.PosRad(), -m_angleOffset);
  const std::int64_t cx = m_centerX, cy = m_centerY;
  const std::int64_t r = std::int64_t{px} - cx;
  // The ray reaches at least the rim.
  const double rr = std::max(ch.PosRad(), m_rangeHigh);
  int ex = 0, ey = 0;
  q->PolarToScreen(ex, ey, rr, ch.PosPhi());
  if (half < ey && ey < hc - half) {
    const QPoint from(limited(cx), limited(cy));
    const QPoint to = rayEnd(from, ex, ey);
    cv.MoveTo(from.x(), from.y());
    cv.LineTo(to.x(), to.y());
  }
  // The circle is tested with the ray's end, not with its own radius.
  if (half < ex && ex < wc - half)
    cv.Ellipse(limited(cx - r), limited(cy - r), limited(cx + r + 1), limited(cy + r + 1));
}

int TCustomPolChart::NearestCrossHair(int X, int Y) const {
  double best = 1.7e308;
  int result = 1;
  for (int i = 1; i <= kCrossHairCount; ++i) {
    const TpcCrossHair &ch = *d->m_crossHairs[static_cast<std::size_t>(i - 1)];
    if (ch.Mode() == TpcCrossHair::chOff)
      continue;
    int sx = 0, sy = 0;
    PolarToScreen(sx, sy, ch.PosRad(), ch.PosPhi());
    // The vertical line first, then the horizontal one; a tie keeps the earlier find.
    const double dx = static_cast<double>(sx) - X;
    if (dx * dx < best) {
      best = dx * dx;
      result = i;
    }
    const double dy = static_cast<double>(sy) - Y;
    if (dy * dy < best) {
      best = dy * dy;
      result = i;
    }
  }
  return result;
}
