#include "Nuvra_accessible.h"

#include <QAccessibleWidget>
#include <QFontMetrics>

#include "Nuvra_NumLab.h"
#include "Nuvra_polchart.h"
#include "Nuvra_urllab.h"
#include "numlab_p.h"

namespace {

// The read-out: static text whose value and text are what it shows. Its name is the
// left-hand caption unless the owner gave it one.
class ReadoutAccess : public QAccessibleWidget, public QAccessibleTextInterface {
public:
  explicit ReadoutAccess(TNumLab *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  void *interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface)
      return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    const auto *label = static_cast<const TNumLab *>(widget());
    if (t == QAccessible::Value)
      return nuvra::spokenReadout(*label);
    if (t == QAccessible::Name && label->accessibleName().isEmpty()) {
      QString name = label->LeftText().trimmed();
      if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
      return name;
    }
    return QAccessibleWidget::text(t);
  }

  // The text interface, read-only and without a caret: the shown value.
  QString text(int start, int end) const override { return shown().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  void selection(int, int *start, int *end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint &) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int *start, int *end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

private:
  QString shown() const { return text(QAccessible::Value); }
};

// The chart: a picture; its name and description are the widget's accessible ones.
class ChartAccess : public QAccessibleWidget {
public:
  explicit ChartAccess(QWidget *chart) : QAccessibleWidget(chart, QAccessible::Graphic) {}
};

// The hyperlink label: a link named by its caption, pressed as a click would.
class LinkAccess : public QAccessibleWidget {
public:
  explicit LinkAccess(TUrlLab *link) : QAccessibleWidget(link, QAccessible::Link) {}

  QString text(QAccessible::Text t) const override {
    const auto *link = static_cast<const TUrlLab *>(widget());
    if (t == QAccessible::Name && link->accessibleName().isEmpty())
      return link->text();
    if (t == QAccessible::Value)
      return link->URL();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString &action) override {
    if (action == pressAction())
      static_cast<TUrlLab *>(widget())->Click();
    else
      QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
  if (!object || !object->isWidgetType())
    return nullptr;
  if (className == QLatin1String("TNumLab"))
    return new ReadoutAccess(static_cast<TNumLab *>(object));
  if (className == QLatin1String("TPolChart") || className == QLatin1String("TCustomPolChart"))
    return new ChartAccess(static_cast<QWidget *>(object));
  if (className == QLatin1String("TUrlLab"))
    return new LinkAccess(static_cast<TUrlLab *>(object));
  return nullptr;
}

} // namespace

namespace nuvra {

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

QString spokenReadout(const TNumLab &label) {
  const QString value = label.displayText();
  const QString right = label.RightText().trimmed();
  if (right.isEmpty() || value.isEmpty())
    return value;
  return value + QLatin1Char(' ') + right;
}

} // namespace nuvra

void NumLabPrivate::announce() {
  if (!QAccessible::isActive())
    return;
  const QString now = nuvra::spokenReadout(*q);
  if (now == m_spoken)
    return;
  QAccessibleTextUpdateEvent text(q, 0, m_spoken, now);
  QAccessible::updateAccessibility(&text);
  QAccessibleValueChangeEvent value(q, now);
  QAccessible::updateAccessibility(&value);
  m_spoken = now;
}
