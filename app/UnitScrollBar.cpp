#include "UnitScrollBar.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

UnitScrollBar::UnitScrollBar(double unitPerPosition, const QString &unit, QWidget *parent)
    : QScrollBar(Qt::Horizontal, parent), m_unitPerPosition(unitPerPosition), m_unit(unit) {
  setFocusPolicy(Qt::StrongFocus);
  // Right and Up raise the value, Left and Down lower it, as on a slider.
  setInvertedControls(false);
  // The slider tells assistive tools of a new value itself; they read it through the value
  // interface, in the user's unit. A second event would have it read out twice.
}

void UnitScrollBar::setUserValue(double v) {
  if (!std::isfinite(v))
    return;
  const double pos = std::round(v / m_unitPerPosition);
  setValue(static_cast<int>(std::clamp(pos, double(minimum()), double(maximum()))));
}

QString UnitScrollBar::userText() const {
  return QStringLiteral("%1 %2").arg(userValue(), 0, 'f', 3).arg(m_unit);
}

void UnitScrollBar::paintEvent(QPaintEvent *event) {
  QScrollBar::paintEvent(event);
  if (!hasFocus())
    return;
  // The style draws no focus on scroll bars; a keyboard user must still see where keys go.
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect().adjusted(1, 1, -1, -1);
  option.backgroundColor = palette().color(QPalette::Window);
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
