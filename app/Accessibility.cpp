#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

#include "PatternAnalysis.h"
#include "UnitScrollBar.h"

namespace speech {
namespace {

// A scroll bar whose value is a quantity: read and set in the user's unit, spoken with it.
class ScrollBarAccess : public QAccessibleWidget, public QAccessibleValueInterface {
public:
  explicit ScrollBarAccess(UnitScrollBar *bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

  void *interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface)
      return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value)
      return bar()->userText();
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return bar()->userValue(); }
  void setCurrentValue(const QVariant &value) override {
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (ok)
      bar()->setUserValue(v);
  }
  QVariant maximumValue() const override { return bar()->userMaximum(); }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return bar()->userStep(); }

private:
  UnitScrollBar *bar() const { return static_cast<UnitScrollBar *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
  if (!object || !object->isWidgetType())
    return nullptr;
  if (className == QLatin1String("UnitScrollBar"))
    return new ScrollBarAccess(static_cast<UnitScrollBar *>(object));
  // The main window is a plain widget to Qt, which would call it a filler.
  if (className == QLatin1String("TFrmRadPattern"))
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
  return nullptr;
}

} // namespace

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

ChartSpeaker::ChartSpeaker(QWidget *chart) : QObject(chart), m_chart(chart) {
  m_timer.setSingleShot(true);
  m_timer.setInterval(kSettleMs);
  connect(&m_timer, &QTimer::timeout, this, &ChartSpeaker::flush);
}

void ChartSpeaker::setTexts(const pattern::DescriptionTexts &texts) {
  m_texts = texts;
  if (m_described)
    flush();
}

void ChartSpeaker::patternChanged(int p, int q) {
  m_p = p;
  m_q = q;
  if (m_described)
    m_timer.start();
  else
    flush();
}

void ChartSpeaker::flush() {
  m_timer.stop();
  if (m_p < 0)
    return;
  const QString text = pattern::describe(pattern::analyse(m_p, m_q), m_texts);
  m_described = true;
  if (text == m_chart->accessibleDescription())
    return;
  // The widget tells assistive tools itself; a second event would have it read out twice.
  m_chart->setAccessibleDescription(text);
  emit described(text);
}

} // namespace speech
