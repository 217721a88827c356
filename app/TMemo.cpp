#include "TMemo.h"

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent) {}

QStringList TMemo::Lines() const {
  const QString text = toPlainText();
  if (text.isEmpty())
    return {};
  return text.split(QLatin1Char('\n'));
}

void TMemo::SetLines(const QStringList &lines) {
  // CR LF and lone CR inside a line become line breaks of the text.
  QString text = lines.join(QLatin1Char('\n'));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  setPlainText(text);
}
