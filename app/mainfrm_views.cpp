// The main window's views of the pattern beyond the layout: the facts window, the decibel
// view, the tool tip over the chart and the chart's context menu.

#include <QAction>
#include <QMenu>
#include <QScrollBar>

#include "ChartView.h"
#include "FactsWindow.h"
#include "Glossan2000.h"
#include "MarloDemon.h"
#include "Pattern.h"
#include "mainfrm.h"

QString TFrmRadPattern::translated(const QString &key) const {
  const TkdbDemonClient *demon = cliDemon;
  return demon && demon->Translator ? demon->Translator->Translate(key) : key;
}

void TFrmRadPattern::createPatternViews() {
  const chartview::Translate tr = [this](const QString &key) { return translated(key); };
  m_factsAction = new QAction(tr(QStringLiteral("Pattern facts")) + QStringLiteral("\u2026"), this);
  m_factsAction->setObjectName(QStringLiteral("ActFacts"));
  m_factsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(m_factsAction, &QAction::triggered, this, [this] { showFacts(); });
  m_decibelAction = new QAction(tr(QStringLiteral("Power in dB")), this);
  m_decibelAction->setObjectName(QStringLiteral("ActDecibels"));
  m_decibelAction->setCheckable(true);
  m_decibelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  connect(m_decibelAction, &QAction::toggled, this, [this](bool on) { setDecibelView(on); });
  addAction(m_factsAction); // the shortcuts work anywhere in the window
  addAction(m_decibelAction);

  chartview::installPointerTip(
      *PCRicht, [this] { return std::make_pair(SBarL->value(), SBarPhaseDiff->value()); }, tr);
}

void TFrmRadPattern::replot(int p, int q) {
  if (m_decibelView)
    pattern::plotDecibels(*PCRicht, p, q);
  else
    pattern::plot(*PCRicht, p, q);
  FactsWindow *facts = m_facts;
  if (facts && facts->isVisible())
    facts->setPattern(p, q);
}

FactsWindow *TFrmRadPattern::facts() const { return m_facts; }

void TFrmRadPattern::showFacts() {
  FactsWindow *facts = m_facts;
  if (!facts) {
    facts = new FactsWindow([this](const QString &key) { return translated(key); }, this);
    facts->setWindowFlag(Qt::Tool);                      // beside the main window, never modal
    facts->addActions({m_factsAction, m_decibelAction}); // the shortcuts work there too
    m_facts = facts;
  }
  facts->setPattern(SBarL->value(), SBarPhaseDiff->value());
  facts->show();
  facts->raise();
  facts->activateWindow();
}

void TFrmRadPattern::setDecibelView(bool on) {
  if (on == m_decibelView)
    return;
  m_decibelView = on;
  m_decibelAction->setChecked(on);
  chartview::applyView(*PCRicht, on);
  // The label handler reads the view: the cached grid and its labels are drawn anew.
  PCRicht->invalidateStaticLayer();
  replot(SBarL->value(), SBarPhaseDiff->value());
}
