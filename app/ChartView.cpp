#include "ChartView.h"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <cmath>
#include <utility>

#include "Nuvra_polchart.h"
#include "Pattern.h"
#include "PatternAnalysis.h"

namespace chartview {
namespace {

// The text labels of the decibel view: the -10 and -20 dB rings on the upward radius and the
// -3 dB circle to the upper right.
struct ViewLabel {
  int index;
  double r, phi;
  TColor color;
  const char *caption;
};
constexpr ViewLabel kLabels[] = {
    {1, -10.0, 270.0, clNavy, "-10 dB"},
    {2, -20.0, 270.0, clNavy, "-20 dB"},
    {3, pattern::kHalfPowerDb, 300.0, clRed, "-3 dB"},
};

void showLabels(TPolChart &chart, bool on) {
  for (const ViewLabel &l : kLabels) {
    TpcTextLabel *label = chart.TextLabel(l.index);
    label->SetCaption(QString::fromLatin1(l.caption));
    label->SetAttachToData(true);
    label->SetPosRad(l.r);
    label->SetPosPhi(l.phi);
    label->setFontColor(l.color);
    label->SetTransparent(false); // on the chart colour, like the scale labels
    label->SetMode(on ? TpcTextLabel::tlsimple : TpcTextLabel::tlOff);
  }
}

QString number(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Shows the value under the pointer on the chart's tool-tip events.
class PointerTip : public QObject {
public:
  PointerTip(TPolChart &chart, std::function<std::pair<int, int>()> positions, Translate tr)
      : QObject(&chart), m_chart(chart), m_positions(std::move(positions)), m_tr(std::move(tr)) {}

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched != &m_chart || event->type() != QEvent::ToolTip)
      return false;
    auto *help = static_cast<QHelpEvent *>(event);
    const ChartMapping &map = m_chart.mapping();
    double r = 0, phi = 0;
    if (map.scaleX != 0 && map.scaleY != 0 && std::isfinite(map.scaleX)) {
      m_chart.ScreenToPolar(help->pos().x(), help->pos().y(), r, phi);
      const double low = m_chart.RangeLow(), high = m_chart.RangeHigh();
      const bool inside = std::isfinite(r) && std::isfinite(phi) && (r - low) / (high - low) <= 1.0;
      if (inside) {
        const auto [p, q] = m_positions();
        QToolTip::showText(help->globalPos(), pointerTip(p, q, phi, m_tr), &m_chart);
        return true;
      }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
  }

private:
  TPolChart &m_chart;
  std::function<std::pair<int, int>()> m_positions;
  Translate m_tr;
};

} // namespace

void applyView(TPolChart &chart, bool decibels) {
  const bool redraw = chart.AutoRedraw();
  chart.SetAutoRedraw(false); // one repaint for the whole switch
  if (decibels) {
    chart.SetRangeLow(pattern::kDecibelFloor);
    chart.SetRangeHigh(0.0);
  } else {
    chart.SetRangeHigh(1.0);
    chart.SetRangeLow(-1.0);
  }
  chart.SetDecPlaceRad(decibels ? 0 : 2);
  chart.SetGridStyleRadial(decibels ? TPolChart::gsRadOuterSolid : TPolChart::gsRadBothMixed);
  chart.SetLabelModeRadial(decibels ? TPolChart::rlmVertCenter : TPolChart::rlmNone);
  showLabels(chart, decibels);
  chart.SetAutoRedraw(redraw);
}

bool decibelScaleLabel(QString &label) {
  bool ok = false;
  const double value = label.toDouble(&ok);
  if (!ok || !std::isfinite(value))
    return false;
  const double tens = value / 10.0;
  if (std::fabs(tens - std::round(tens)) < 1e-9)
    label = number(std::round(tens) * 10.0, 0) + QStringLiteral(" dB");
  else
    label.clear();
  return true;
}

QString pointerTip(int p, int q, double phiDeg, const Translate &tr) {
  const double rho = pattern::rhoAt(p, q, phiDeg);
  const QString dbText =
      rho > 0 ? number(10.0 * std::log10(rho), 2) : QStringLiteral("-\u221e"); // a null
  return QStringLiteral("%1: %2\u00b0\n%3: \u03c1 = %4 = %5 dB")
      .arg(tr(QStringLiteral("Direction")), number(phiDeg, 1), tr(QStringLiteral("Power")),
           number(rho, 4), dbText);
}

void installPointerTip(TPolChart &chart, std::function<std::pair<int, int>()> positions,
                       Translate tr) {
  chart.installEventFilter(new PointerTip(chart, std::move(positions), std::move(tr)));
}

void addPatternActions(QMenu &menu, QAction *facts, QAction *decibels) {
  menu.addAction(facts);
  menu.addAction(decibels);
}

} // namespace chartview
