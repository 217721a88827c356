// The read-out's properties: defaults, setter rules, copying between labels and the Qt
// events that make the picture follow size, font, palette and visibility.

#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>

#include "Nuvra_NumLab.h"
#include "Nuvra_accessible.h"
#include "Nuvra_mouse.h"

namespace {

constexpr int kMaxPrecision = 15;

template <class T> bool storeIfDifferent(T &field, const T &value) {
  if (field == value)
    return false;
  field = value;
  return true;
}

QString className(const QObject *o) {
  return o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("nil");
}

} // namespace

TNumLab::TNumLab(QWidget *parent) : QWidget(parent) {
  nuvra::installAccessibility();
  // The whole area is always painted from the screen image.
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(160, 28);
}

TNumLab::~TNumLab() = default;

// ---- copying ---------------------------------------------------------------------------

void TNumLab::Assign(const QObject *Source) {
  const auto *src = qobject_cast<const TNumLab *>(Source);
  if (!src)
    throw ENuvraError(QStringLiteral("Component \"%1\": cannot assign a %2 to a %3")
                          .arg(objectName(), className(Source), className(this)));
  m_leftSpace = src->m_leftSpace;
  m_empty = src->m_empty;
  m_labelWidth = src->m_labelWidth;
  m_precision = src->m_precision;
  m_leftText = src->m_leftText;
  m_rightText = src->m_rightText;
  m_frameStyle = src->m_frameStyle;
  m_alignment = src->m_alignment;
  m_rightTextAlignment = src->m_rightTextAlignment;
  m_leftTextAlignment = src->m_leftTextAlignment;
  m_overflowIndicator = src->m_overflowIndicator;
  m_value = src->m_value;
  m_stateText = src->m_stateText;
  m_transparent = src->m_transparent;
  m_colorLabBakG = src->m_colorLabBakG;
  m_colorLabText = src->m_colorLabText;
  m_colorOutBakG = src->m_colorOutBakG;
  m_colorOutText = src->m_colorOutText;
  m_dark = src->m_dark;
  m_shadow = src->m_shadow;
  m_highlight = src->m_highlight;
  m_colorScheme = src->m_colorScheme;
  m_displayType = src->m_displayType;
  Paint();
}

void TNumLab::AssignTo(QObject *Dest) const {
  // Only a label can take a label's settings. Handing any other destination back to its
  // own assignment would only come back here, so it is refused at once.
  auto *dest = qobject_cast<TNumLab *>(Dest);
  if (dest && metaObject()->inherits(Dest->metaObject())) {
    dest->Assign(this);
    return;
  }
  throw ENuvraError(QStringLiteral("Component \"%1\": cannot assign a %2 to a %3")
                        .arg(objectName(), className(this), className(Dest)));
}

// ---- setters ---------------------------------------------------------------------------

void TNumLab::SetLeftText(const QString &v) {
  if (storeIfDifferent(m_leftText, v))
    Paint();
}

void TNumLab::SetRightText(const QString &v) {
  if (storeIfDifferent(m_rightText, v)) {
    updateGeometry();
    Paint();
  }
}

void TNumLab::SetLeftSpace(int v) {
  if (v == m_leftSpace || v < 0)
    return;
  m_leftSpace = std::min(v, width());
  updateGeometry();
  Paint();
}

void TNumLab::SetLabelWidth(int v) {
  if (storeIfDifferent(m_labelWidth, v)) {
    updateGeometry();
    Paint();
  }
}

void TNumLab::SetLeftTextAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(m_leftTextAlignment, v))
    Paint();
}

void TNumLab::SetRightTextAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(m_rightTextAlignment, v))
    Paint();
}

void TNumLab::SetAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(m_alignment, v))
    Paint();
}

void TNumLab::SetFrameStyle(Nuvra::TFrameStyle v) {
  if (storeIfDifferent(m_frameStyle, v))
    Paint();
}

void TNumLab::SetColorScheme(Nuvra::TColorScheme v) {
  if (!storeIfDifferent(m_colorScheme, v))
    return;
  // The dark line is black in both schemes.
  if (v == Nuvra::csSystem) {
    m_shadow = clBtnShadow;
    m_highlight = clBtnHighlight;
  } else {
    m_shadow = clGray;
    m_highlight = clWhite;
  }
  Paint();
}

void TNumLab::SetColorLabBakG(TColor v) {
  if (storeIfDifferent(m_colorLabBakG, v))
    Paint();
}

void TNumLab::SetColorLabText(TColor v) {
  if (storeIfDifferent(m_colorLabText, v))
    Paint();
}

void TNumLab::SetColorOutBakG(TColor v) {
  if (storeIfDifferent(m_colorOutBakG, v))
    Paint();
}

void TNumLab::SetColorOutText(TColor v) {
  if (storeIfDifferent(m_colorOutText, v))
    Paint();
}

void TNumLab::SetTransparent(bool v) {
  if (!storeIfDifferent(m_transparent, v))
    return;
  // Paint takes the parent's picture afresh and schedules the widget's repaint, which is
  // what invalidating amounts to here.
  Paint();
  if (v)
    update();
}

void TNumLab::SetEnabled(bool v) {
  m_enabled = v;
  QWidget::setEnabled(v);
  Paint();
}

void TNumLab::SetValue(double v) {
  if (storeIfDifferent(m_value, v))
    Paint();
}

void TNumLab::SetDisplayType(TDisplay v) {
  if (storeIfDifferent(m_displayType, v))
    Paint();
}

void TNumLab::SetPrecision(int v) {
  if (v == m_precision || v < 0)
    return;
  m_precision = std::min(v, kMaxPrecision);
  Paint();
}

void TNumLab::SetComma(bool v) {
  if (storeIfDifferent(m_comma, v))
    Paint();
}

void TNumLab::SetForcePlusSign(bool v) {
  if (storeIfDifferent(m_forcePlusSign, v))
    Paint();
}

void TNumLab::SetDTFormat(const QString &v) {
  if (storeIfDifferent(m_dtFormat, v))
    Paint();
}

void TNumLab::SetStateText(const QString &v) {
  if (storeIfDifferent(m_stateText, v))
    Paint();
}

void TNumLab::SetOverflowIndicator(const QString &v) {
  if (storeIfDifferent(m_overflowIndicator, v))
    Paint();
}

void TNumLab::SetEmpty(bool v) {
  if (storeIfDifferent(m_empty, v))
    Paint();
}

// ---- events ----------------------------------------------------------------------------

namespace {

TNumLab::TShiftState shiftOf(const QMouseEvent *e) {
  return nuvra::shiftStateOf<TNumLab>(e->buttons(), e->modifiers());
}

bool buttonOf(Qt::MouseButton b, TNumLab::TMouseButton &out) {
  return nuvra::mouseButtonOf<TNumLab>(b, out);
}

QPoint pointOf(const QMouseEvent *e) { return e->position().toPoint(); }

} // namespace

void TNumLab::mousePressEvent(QMouseEvent *event) {
  event->accept();
  TMouseButton button{};
  if (!buttonOf(event->button(), button))
    return;
  if (button == mbLeft)
    m_clickPending = event->type() == QEvent::MouseButtonPress;
  if (OnMouseDown)
    OnMouseDown(this, button, shiftOf(event), pointOf(event).x(), pointOf(event).y());
}

void TNumLab::mouseDoubleClickEvent(QMouseEvent *event) {
  QPointer<TNumLab> self(this);
  mousePressEvent(event); // the second press is a press as well, but starts no click
  if (self && event->button() == Qt::LeftButton && OnDblClick)
    OnDblClick(this);
}

void TNumLab::mouseMoveEvent(QMouseEvent *event) {
  event->accept();
  if (OnMouseMove)
    OnMouseMove(this, shiftOf(event), pointOf(event).x(), pointOf(event).y());
}

void TNumLab::mouseReleaseEvent(QMouseEvent *event) {
  event->accept();
  TMouseButton button{};
  if (!buttonOf(event->button(), button))
    return;
  const bool click = button == mbLeft && m_clickPending && rect().contains(pointOf(event));
  if (button == mbLeft)
    m_clickPending = false;
  QPointer<TNumLab> self(this);
  if (OnMouseUp)
    OnMouseUp(this, button, shiftOf(event), pointOf(event).x(), pointOf(event).y());
  if (click && self && OnClick)
    OnClick(this);
}

void TNumLab::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  Paint();
}

void TNumLab::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  // Setters change nothing visible while the label is hidden.
  Paint();
}

void TNumLab::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
  case QEvent::EnabledChange: {
    // Someone called QWidget::setEnabled directly: follow the label's own state (a disabled
    // parent does not make the label look disabled).
    const bool own = !testAttribute(Qt::WA_ForceDisabled);
    if (own != m_enabled) {
      m_enabled = own;
      Paint();
    }
    break;
  }
  case QEvent::FontChange:
    updateGeometry();
    Paint();
    break;
  case QEvent::PaletteChange: Paint(); break;
  default: break;
  }
}
