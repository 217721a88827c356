// The read-out's picture: layout of the three parts, the frame styles and colour schemes,
// the disabled and transparent looks, and the transfer to the control's screen image.
//
// Every paint builds the complete picture in a temporary bitmap and transfers it in one
// operation, so the label never shows a half-drawn state.
//
// Transparent labels: the original surface of such a label is its parent's picture. Before
// each transfer the screen image is filled with what the parent paints behind the label
// (its background and its own painting, rendered without its other children), and the
// bitmap is ANDed onto that. Taking the parent's picture afresh on each paint also keeps
// texts of earlier paints from piling up under the new ones.

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>

#include "Nuvra_NumLab.h"
#include "Nuvra_backbuffer.h"
#include "Rounding.h"
#include "numlab_p.h"

namespace {

// The row height is measured on a sample with ascenders, descenders and accents.
const QString kSampleText = QStringLiteral("(8g]}\u00DC\u00C4\u00A7");

// Widths beyond this are clamped before they enter coordinate arithmetic, so that no
// absurd LabelWidth can overflow an int. Larger than any widget can be.
constexpr int kCoordLimit = 1 << 25;

int labelWidthForLayout(int lw) { return std::clamp(lw, -kCoordLimit, kCoordLimit); }

} // namespace

NumLabFormat NumLabPrivate::formatSettings() const {
  NumLabFormat f;
  f.value = m_value;
  f.displayType = m_displayType;
  f.precision = m_precision;
  f.comma = m_comma;
  f.forcePlusSign = m_forcePlusSign;
  f.dtFormat = m_dtFormat;
  f.stateText = m_stateText;
  f.overflowIndicator = m_overflowIndicator;
  return f;
}

QSize TNumLab::minimumSizeHint() const {
  // The left text has the LeftSpace it is given; the value box follows it, one text row high
  // within its frame (rows are centred, and the value is clipped two pixels inside the box).
  QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics fm(font(), &probe);
  const int box = d->m_leftSpace + std::max(0, labelWidthForLayout(d->m_labelWidth)) + 3;
  return {box, fm.height() + 6};
}

QSize TNumLab::sizeHint() const {
  // And room for the right text, which starts four pixels behind the box.
  QSize hint = minimumSizeHint();
  if (!d->m_rightText.isEmpty()) {
    QImage probe(1, 1, QImage::Format_RGB32);
    const QFontMetrics fm(font(), &probe);
    hint.rwidth() += 4 + fm.horizontalAdvance(d->m_rightText);
  }
  return hint;
}

QString TNumLab::displayText() const {
  if (d->m_empty)
    return {};
  // Measure on an image, as Paint does on its bitmap.
  QImage probe(1, 1, QImage::Format_RGB32);
  const QFontMetrics fm(font(), &probe);
  return FormatNumLabText(d->formatSettings(), const_cast<TNumLab *>(this), OnBeforeDisplay,
                          d->m_labelWidth,
                          [&fm](const QString &s) { return fm.horizontalAdvance(s); });
}

void NumLabPrivate::ensureScreen() {
  m_screenCanvas.release();
  if (!fitBackBuffer(m_screen, q->size(), q->devicePixelRatioF()))
    return;
  m_screen.fill(q->palette().color(QPalette::Window));
  m_screenCanvas.setTarget(&m_screen);
}

void TNumLab::Paint() {
  if (isHidden() && !IsDesigning())
    return;
  // Rendering the parent for a transparent label may send events that would paint again.
  if (d->m_painting)
    return;
  d->m_painting = true;
  d->ensureScreen();
  const int w = width();
  const int h = height();
  QImage bitmap;
  fitBackBuffer(bitmap, QSize(w, h), devicePixelRatioF());
  if (!bitmap.isNull()) {
    {
      TCanvas c(QStringLiteral("numlab"));
      c.setTarget(&bitmap);
      c.SetFont(font());
      const TColor fill = d->m_transparent ? clWhite : d->m_colorOutBakG;
      c.SetPenColor(fill);
      c.SetBrushColor(fill);
      c.Rectangle(0, 0, w, h);
      const int y = divTrunc(h - c.TextHeight(kSampleText), 2);
      d->drawLeftText(c, y);
      d->drawRightText(c, y);
      d->drawBox(c);
      if (!d->m_empty)
        d->drawValue(c, y);
    }
    d->transferToScreen(bitmap);
  }
  d->m_painting = false;
  d->announce();
  update();
}

void NumLabPrivate::drawLeftText(TCanvas &c, int y) {
  const int ls = m_leftSpace;
  const int tw = c.TextWidth(m_leftText);
  int x = 7;
  switch (m_leftTextAlignment) {
  case Nuvra::taLeftJustify: x = 7; break;
  case Nuvra::taRightJustify: x = ls - tw - 5; break;
  case Nuvra::taCenter: x = divTrunc(ls - tw, 2); break;
  }
  if (m_enabled) {
    c.SetFontColor(m_colorOutText);
    c.TextOut(x, y, m_leftText);
    return;
  }
  // Engraved: a white copy one pixel down and right under the gray text.
  c.SetBrushStyle(Nuvra::bsClear);
  c.SetFontColor(clWhite);
  c.TextOut(x + 1, y + 1, m_leftText);
  c.SetFontColor(clGray);
  c.TextOut(x, y, m_leftText);
}

void NumLabPrivate::drawRightText(TCanvas &c, int y) {
  const int ls = m_leftSpace;
  const int lw = labelWidthForLayout(m_labelWidth);
  const int w = q->width();
  const int tw = c.TextWidth(m_rightText);
  int x = ls + lw + 7;
  int whiteX = ls + lw + 8;
  switch (m_rightTextAlignment) {
  case Nuvra::taLeftJustify:
    x = ls + lw + 7;
    whiteX = x + 1;
    break;
  case Nuvra::taRightJustify:
    x = w - tw - 6;
    whiteX = x - 1; // the white copy lies left of the gray text here
    break;
  case Nuvra::taCenter:
    x = ls + lw + 1 + divTrunc(w - ls - lw - tw, 2);
    whiteX = x + 1;
    break;
  }
  if (m_enabled) {
    c.SetFontColor(m_colorOutText);
    c.TextOut(x, y, m_rightText);
    return;
  }
  c.SetBrushStyle(Nuvra::bsClear);
  c.SetFontColor(clWhite);
  c.TextOut(whiteX, y + 1, m_rightText);
  c.SetFontColor(clGray);
  c.TextOut(x, y, m_rightText);
}

void NumLabPrivate::drawBox(TCanvas &c) {
  const int ls = m_leftSpace;
  const int lw = labelWidthForLayout(m_labelWidth);
  const int h = q->height();
  TColor outline = m_shadow;
  if (m_frameStyle == Nuvra::fsNone)
    outline = m_colorLabBakG;
  else if (m_frameStyle == Nuvra::fsEmbossed)
    outline = m_highlight;
  c.SetPenColor(outline);
  c.SetBrushColor(m_colorLabBakG);
  if (m_frameStyle == Nuvra::fsNone || m_frameStyle == Nuvra::fsSimple) {
    c.Rectangle(ls, 0, ls + lw + 2, h);
    return;
  }
  c.Rectangle(ls, 0, ls + lw + 2, h - 1);
  TColor topLeft = m_dark;
  TColor bottomRight = m_highlight;
  switch (m_frameStyle) {
  case Nuvra::fsRaised:
    topLeft = m_highlight;
    bottomRight = m_dark;
    break;
  case Nuvra::fsEmbossed:
    topLeft = m_shadow;
    bottomRight = m_shadow;
    break;
  case Nuvra::fsEngraved:
    topLeft = m_highlight;
    bottomRight = m_highlight;
    break;
  default: // fsLowered
    topLeft = m_dark;
    bottomRight = m_highlight;
    break;
  }
  const std::array<QPoint, 3> first{QPoint(ls + 1, h - 3), QPoint(ls + 1, 1),
                                    QPoint(ls + lw + 1, 1)};
  const std::array<QPoint, 3> second{QPoint(ls + 1, h - 1), QPoint(ls + lw + 2, h - 1),
                                     QPoint(ls + lw + 2, 0)};
  c.SetPenColor(topLeft);
  c.Polyline(first);
  c.SetPenColor(bottomRight);
  c.Polyline(second);
}

void NumLabPrivate::drawValue(TCanvas &c, int y) {
  const int ls = m_leftSpace;
  const int lw = labelWidthForLayout(m_labelWidth);
  const int h = q->height();
  const QString text = FormatNumLabText(formatSettings(), q, q->OnBeforeDisplay, m_labelWidth,
                                        [&c](const QString &s) { return c.TextWidth(s); });
  c.SetFontColor(m_enabled ? m_colorLabText : clGray);
  const int tw = c.TextWidth(text);
  int x = ls + 4;
  switch (m_alignment) {
  case Nuvra::taLeftJustify: x = ls + 4; break;
  case Nuvra::taRightJustify: x = ls + lw - 2 - tw; break;
  case Nuvra::taCenter: x = ls + 2 + divTrunc(lw - tw, 2); break;
  }
  // The text's background is the box colour (the brush of the box).
  const QRect clip(ls + 3, 2, std::max(0, lw - 4), std::max(0, h - 5));
  c.TextRect(clip, x, y, text);
}

void NumLabPrivate::fillWithParentBackground() {
  m_screenCanvas.release();
  QWidget *parent = q->parentWidget();
  if (!parent) {
    m_screen.fill(q->palette().color(QPalette::Window));
    return;
  }
  m_screen.fill(parent->palette().color(parent->backgroundRole()));
  parent->render(&m_screen, QPoint(), QRegion(q->geometry()), QWidget::DrawWindowBackground);
}

void NumLabPrivate::transferToScreen(const QImage &bitmap) {
  if (!m_transparent) {
    m_screenCanvas.Draw(0, 0, bitmap);
    m_screenCanvas.release();
    return;
  }
  fillWithParentBackground();
  const int ls = m_leftSpace;
  const int lw = labelWidthForLayout(m_labelWidth);
  const int h = q->height();
  // Under the AND, black text keeps the box colour around it; coloured text needs white.
  const TColor boxFill = m_colorLabText == clBlack ? m_colorLabBakG : clWhite;
  m_screenCanvas.SetPenColor(boxFill);
  m_screenCanvas.SetBrushColor(boxFill);
  m_screenCanvas.Rectangle(ls + 2, 2, ls + lw, h - 2);
  m_screenCanvas.drawAnd(0, 0, bitmap);
  m_screenCanvas.release();
}

void TNumLab::paintEvent(QPaintEvent *) {
  if (d->m_screen.devicePixelRatio() != devicePixelRatioF())
    Paint(); // moved to a screen of another ratio
  QPainter p(this);
  p.drawImage(0, 0, d->m_screen);
}
