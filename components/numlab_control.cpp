// The read-out's properties: defaults, setter rules, copying between labels and the Qt
// events that make the picture follow size, font, palette and visibility.

#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>

#include "Nuvra_NumLab.h"
#include "Nuvra_accessible.h"
#include "Nuvra_mouse.h"
#include "numlab_p.h"

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

TNumLab::TNumLab(QWidget *parent) : QWidget(parent), d(std::make_unique<NumLabPrivate>(this)) {
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
  d->m_leftSpace = src->d->m_leftSpace;
  d->m_empty = src->d->m_empty;
  d->m_labelWidth = src->d->m_labelWidth;
  d->m_precision = src->d->m_precision;
  d->m_leftText = src->d->m_leftText;
  d->m_rightText = src->d->m_rightText;
  d->m_frameStyle = src->d->m_frameStyle;
  d->m_alignment = src->d->m_alignment;
  d->m_rightTextAlignment = src->d->m_rightTextAlignment;
  d->m_leftTextAlignment = src->d->m_leftTextAlignment;
  d->m_overflowIndicator = src->d->m_overflowIndicator;
  d->m_value = src->d->m_value;
  d->m_stateText = src->d->m_stateText;
  d->m_transparent = src->d->m_transparent;
  d->m_colorLabBakG = src->d->m_colorLabBakG;
  d->m_colorLabText = src->d->m_colorLabText;
  d->m_colorOutBakG = src->d->m_colorOutBakG;
  d->m_colorOutText = src->d->m_colorOutText;
  d->m_dark = src->d->m_dark;
  d->m_shadow = src->d->m_shadow;
  d->m_highlight = src->d->m_highlight;
  d->m_colorScheme = src->d->m_colorScheme;
  d->m_displayType = src->d->m_displayType;
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
  if (storeIfDifferent(d->m_leftText, v))
    Paint();
}

void TNumLab::SetRightText(const QString &v) {
  if (storeIfDifferent(d->m_rightText, v)) {
    updateGeometry();
    Paint();
  }
}

void TNumLab::SetLeftSpace(int v) {
  if (v == d->m_leftSpace || v < 0)
    return;
  d->m_leftSpace = std::min(v, width());
  updateGeometry();
  Paint();
}

void TNumLab::SetLabelWidth(int v) {
  if (storeIfDifferent(d->m_labelWidth, v)) {
    updateGeometry();
    Paint();
  }
}

void TNumLab::SetLeftTextAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(d->m_leftTextAlignment, v))
    Paint();
}

void TNumLab::SetRightTextAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(d->m_rightTextAlignment, v))
    Paint();
}

void TNumLab::SetAlignment(Nuvra::TAlignment v) {
  if (storeIfDifferent(d->m_alignment, v))
    Paint();
}

void TNumLab::SetFrameStyle(Nuvra::TFrameStyle v) {
  if (storeIfDifferent(d->m_frameStyle, v))
    Paint();
}

void TNumLab::SetColorScheme(Nuvra::TColorScheme v) {
  if (!storeIfDifferent(d->m_colorScheme, v))
    return;
  // The dark line is black in both schemes.
  if (v == Nuvra::csSystem) {
    d->m_shadow = clBtnShadow;
    d->m_highlight = clBtnHighlight;
  } else {
    d->m_shadow = clGray;
    d->m_highlight = clWhite;
  }
  Paint();
}

void TNumLab::SetColorLabBakG(TColor v) {
  if (storeIfDifferent(d->m_colorLabBakG, v))
    Paint();
}

void TNumLab::SetColorLabText(TColor v) {
  if (storeIfDifferent(d->m_colorLabText, v))
    Paint();
}

void TNumLab::SetColorOutBakG(TColor v) {
  if (storeIfDifferent(d->m_colorOutBakG, v))
    Paint();
}

void TNumLab::SetColorOutText(TColor v) {
  if (storeIfDifferent(d->m_colorOutText, v))
    Paint();
}

void TNumLab::SetTransparent(bool v) {
  if (!storeIfDifferent(d->m_transparent, v))
    return;
  // Paint takes the parent's picture afresh and schedules the widget's repaint, which is
  // what invalidating amounts to here.
  Paint();
  if (v)
    update();
}

void TNumLab::SetEnabled(bool v) {
  d->m_enabled = v;
  QWidget::setEnabled(v);
  Paint();
}

void TNumLab::SetValue(double v) {
  if (storeIfDifferent(d->m_value, v))
    Paint();
}

void TNumLab::SetDisplayType(TDisplay v) {
  if (storeIfDifferent(d->m_displayType, v))
    Paint();
}

void TNumLab::SetPrecision(int v) {
  if (v == d->m_precision || v < 0)
    return;
  d->m_precision = std::min(v, kMaxPrecision);
  Paint();
}

void TNumLab::SetComma(bool v) {
  if (storeIfDifferent(d->m_comma, v))
    Paint();
}

void TNumLab::SetForcePlusSign(bool v) {
  if (storeIfDifferent(d->m_forcePlusSign, v))
    Paint();
}

void TNumLab::SetDTFormat(const QString &v) {
  if (storeIfDifferent(d->m_dtFormat, v))
    Paint();
}

void TNumLab::SetStateText(const QString &v) {
  if (storeIfDifferent(d->m_stateText, v))
    Paint();
}

void TNumLab::SetOverflowIndicator(const QString &v) {
  if (storeIfDifferent(d->m_overflowIndicator, v))
    Paint();
}

void TNumLab::SetEmpty(bool v) {
  if (storeIfDifferent(d->m_empty, v))
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
    d->m_clickPending = event->type() == QEvent::MouseButtonPress;
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
  const bool click = button == mbLeft && d->m_clickPending && rect().contains(pointOf(event));
  if (button == mbLeft)
    d->m_clickPending = false;
  QPointer<TNumLab> self(this);
  if (OnMouseUp)
    OnMouseUp(this, button, shiftOf(event), pointOf(event).x(), pointOf(event).y());
  if (click && self && OnClick)
    OnClick(this);
}

void TNumLab::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  // A label about to be shown gets its size first and its show event right after, which
  // paints; so does one whose window is shown later.
  if (isVisible())
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
    if (own != d->m_enabled) {
      d->m_enabled = own;
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

// ---- getters ----

const QImage &TNumLab::screenImage() const noexcept { return d->m_screen; }
TColor TNumLab::frameDark() const noexcept { return d->m_dark; }
TColor TNumLab::frameShadow() const noexcept { return d->m_shadow; }
TColor TNumLab::frameHighlight() const noexcept { return d->m_highlight; }
QString TNumLab::LeftText() const { return d->m_leftText; }
QString TNumLab::RightText() const { return d->m_rightText; }
int TNumLab::LeftSpace() const noexcept { return d->m_leftSpace; }
int TNumLab::LabelWidth() const noexcept { return d->m_labelWidth; }
Nuvra::TAlignment TNumLab::LeftTextAlignment() const noexcept { return d->m_leftTextAlignment; }
Nuvra::TAlignment TNumLab::RightTextAlignment() const noexcept { return d->m_rightTextAlignment; }
Nuvra::TAlignment TNumLab::Alignment() const noexcept { return d->m_alignment; }
Nuvra::TFrameStyle TNumLab::FrameStyle() const noexcept { return d->m_frameStyle; }
Nuvra::TColorScheme TNumLab::ColorScheme() const noexcept { return d->m_colorScheme; }
TColor TNumLab::ColorLabBakG() const noexcept { return d->m_colorLabBakG; }
TColor TNumLab::ColorLabText() const noexcept { return d->m_colorLabText; }
TColor TNumLab::ColorOutBakG() const noexcept { return d->m_colorOutBakG; }
TColor TNumLab::ColorOutText() const noexcept { return d->m_colorOutText; }
bool TNumLab::Transparent() const noexcept { return d->m_transparent; }
bool TNumLab::Enabled() const noexcept { return d->m_enabled; }
double TNumLab::Value() const noexcept { return d->m_value; }
TNumLab::TDisplay TNumLab::DisplayType() const noexcept { return d->m_displayType; }
int TNumLab::Precision() const noexcept { return d->m_precision; }
bool TNumLab::Comma() const noexcept { return d->m_comma; }
bool TNumLab::ForcePlusSign() const noexcept { return d->m_forcePlusSign; }
QString TNumLab::DTFormat() const { return d->m_dtFormat; }
QString TNumLab::StateText() const { return d->m_stateText; }
QString TNumLab::OverflowIndicator() const { return d->m_overflowIndicator; }
bool TNumLab::Empty() const noexcept { return d->m_empty; }
