// The hyperlink label: trimming of its targets, the font switch under the pointer and the
// launch on click.
#include "Nuvra_accessible.h"
#include "Nuvra_urllab.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>

#include "AsciiCase.h"
#include "Shell.h"

namespace {

QString ComponentPrefix(const QString &componentName) {
  return QStringLiteral("Component ") + QLatin1Char('"') + componentName + QLatin1Char('"');
}

} // namespace

namespace urllab {

QString TrimBlanks(const QString &text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text.at(first) == QLatin1Char(' '))
    ++first;
  while (last > first && text.at(last - 1) == QLatin1Char(' '))
    --last;
  return text.mid(first, last - first);
}

bool IsWebAddress(const QString &url) {
  return asciiLower(url.left(7)) == QLatin1String("http://");
}

QString ExtensionOf(const QString &path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype separator = path.lastIndexOf(QLatin1Char('/'));
  if (dot < 0 || dot < separator)
    return {};
  return asciiLower(path.mid(dot));
}

bool IsProgramFile(const QString &path) { return ExtensionOf(path) == QLatin1String(".exe"); }

QString InvalidTargetMessage(const QString &componentName) {
  return ComponentPrefix(componentName) + QStringLiteral(": URL of URLLab is invalid");
}

QString FailedStartMessage(const QString &componentName, int result) {
  return ComponentPrefix(componentName) + QStringLiteral(": Cannot start executable (errnum=") +
         QString::number(result) + QLatin1Char(')');
}

} // namespace urllab

TUrlLab::TUrlLab(QWidget *parent)
    : QLabel(parent), m_fontActive(font()),
      m_fontActiveColor(palette().color(QPalette::WindowText)),
      m_fontNormalColor(QGuiApplication::palette().color(QPalette::WindowText)) {
  nuvra::installAccessibility();
  // An ampersand in the caption is shown as it is: plain text, no mnemonic, no rich text.
  setTextFormat(Qt::PlainText);
  setTextInteractionFlags(Qt::NoTextInteraction);
}

TUrlLab::~TUrlLab() = default;

void TUrlLab::Loaded() {
  NuvraLoadable::Loaded();
  m_fontNormal = font();
  m_fontNormalColor = fontColor();
  updateGeometry();
}

void TUrlLab::SetURL(const QString &url) {
  m_url = urllab::TrimBlanks(url);
  repaintIfVisible();
}

void TUrlLab::SetTaskParams(const QString &params) {
  m_taskParams = urllab::TrimBlanks(params);
  repaintIfVisible();
}

void TUrlLab::SetFontActive(const QFont &font) {
  m_fontActive = font;
  updateGeometry();
  repaintIfVisible();
}

QSize TUrlLab::sizeHint() const { return QLabel::sizeHint() + roomForOtherFonts(); }

QSize TUrlLab::minimumSizeHint() const { return QLabel::minimumSizeHint() + roomForOtherFonts(); }

QSize TUrlLab::roomForOtherFonts() const {
  // The label switches fonts under the pointer; a hint for the current font alone would make
  // a layout jump at every hover, or clip the text in the larger font.
  const QSize shown = QFontMetrics(font()).size(0, text());
  QSize widest = shown;
  for (const QFont &f : {m_fontActive, m_fontNormal})
    widest = widest.expandedTo(QFontMetrics(f).size(0, text()));
  return widest - shown;
}

void TUrlLab::setFontActiveColor(const QColor &color) {
  m_fontActiveColor = color;
  repaintIfVisible();
}

QColor TUrlLab::fontColor() const { return palette().color(QPalette::WindowText); }

void TUrlLab::setFontColor(const QColor &color) {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, color);
  setPalette(pal);
}

void TUrlLab::showFont(const QFont &font, const QColor &color) {
  setFont(font);
  setFontColor(color);
}

void TUrlLab::repaintIfVisible() {
  if (isVisible())
    repaint();
}

void TUrlLab::enterEvent(QEnterEvent *event) {
  QLabel::enterEvent(event);
  if (OnMouseEnter)
    OnMouseEnter(this);
  if (isEnabled())
    showFont(m_fontActive, m_fontActiveColor);
}

void TUrlLab::leaveEvent(QEvent *event) {
  QLabel::leaveEvent(event);
  if (OnMouseLeave)
    OnMouseLeave(this);
  // A focused link keeps the active look: it shows the keyboard user where Enter goes.
  if (isEnabled() && !hasFocus())
    showFont(m_fontNormal, m_fontNormalColor);
}

void TUrlLab::focusInEvent(QFocusEvent *event) {
  QLabel::focusInEvent(event);
  if (isEnabled())
    showFont(m_fontActive, m_fontActiveColor);
}

void TUrlLab::focusOutEvent(QFocusEvent *event) {
  QLabel::focusOutEvent(event);
  if (isEnabled() && !underMouse())
    showFont(m_fontNormal, m_fontNormalColor);
}

void TUrlLab::keyPressEvent(QKeyEvent *event) {
  const int key = event->key();
  const bool activates = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
  if (!activates || !isEnabled() || (event->modifiers() & ~Qt::KeypadModifier)) {
    QLabel::keyPressEvent(event);
    return;
  }
  event->accept();
  Click(); // as a click of the mouse, failures included
}

void TUrlLab::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  m_pressed = true;
  event->accept();
}

void TUrlLab::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton || !m_pressed) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  m_pressed = false;
  event->accept();
  // A click is a press and a release inside the label. A failure leaves this handler as an
  // ENuvraURLLabError; the application's one error handler shows it.
  if (rect().contains(event->position().toPoint()))
    Click();
}

void TUrlLab::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseDoubleClickEvent(event);
    return;
  }
  event->accept();
  if (OnDblClick)
    OnDblClick(this);
}

void TUrlLab::Click() {
  // Opening a web address runs pending events, and one of them may delete this label.
  QPointer<TUrlLab> self(this);
  launch();
  if (!self)
    return;
  if (OnClick)
    OnClick(this);
}

void TUrlLab::launch() {
  if (m_url.isEmpty())
    return;
  if (urllab::IsWebAddress(m_url)) {
    openWebAddress(m_url);
    return;
  }
  if (!urllab::IsProgramFile(m_url))
    throw ENuvraURLLabError(urllab::InvalidTargetMessage(objectName()));
  const int result = shell::execute(QStringLiteral("open"), m_url, m_taskParams);
  if (result <= 32 && result != -1)
    throw ENuvraURLLabError(urllab::FailedStartMessage(objectName(), result));
}

void TUrlLab::openWebAddress(const QString &url) {
  // The busy pointer shows while the browser is asked; pending events run first so that the
  // change is seen at once. Those events may run any handler of the application, even one
  // that deletes this label, so the address is a copy and the label is guarded.
  const QString target = url;
  const bool hadOwnCursor = testAttribute(Qt::WA_SetCursor);
  const QCursor previous = cursor();
  setCursor(Qt::BusyCursor);
  QPointer<TUrlLab> self(this);
  QCoreApplication::processEvents();
  // Whether the browser could be asked is not reported.
  shell::execute(QString(), target, QString());
  if (!self)
    return;
  if (hadOwnCursor)
    setCursor(previous);
  else
    unsetCursor();
}
