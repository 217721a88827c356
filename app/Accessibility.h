#pragma once
// The main window for assistive tools: the scroll bars speak their value in the user's unit,
// and the chart's description says in words what the pattern looks like, renewed shortly
// after the pattern stops changing so that dragging does not flood the listener.

#include <QObject>
#include <QTimer>

#include "PatternDescription.h"

class QWidget;

namespace speech {

// Installs the factory for the program's own controls; safe to call more than once.
void installAccessibility();

class ChartSpeaker : public QObject {
  Q_OBJECT

public:
  // Quiet time after the last change before the description is renewed.
  static constexpr int kSettleMs = 300;

  explicit ChartSpeaker(QWidget *chart);

  void setTexts(const pattern::DescriptionTexts &texts);
  // The pattern now shows positions p and q. The first description is set at once, later ones
  // once the positions have settled.
  void patternChanged(int p, int q);
  // Sets the pending description now.
  void flush();

signals:
  // The chart's description changed and was announced.
  void described(const QString &text);

private:
  QWidget *m_chart;
  QTimer m_timer;
  pattern::DescriptionTexts m_texts;
  int m_p = -1;
  int m_q = -1;
  bool m_described = false;
};

} // namespace speech
