#pragma once
// The "Pattern facts" window: main lobes, nulls, half-power beamwidths, directivity and
// front-to-back ratio of the pattern on the chart, kept up to date while the scroll bars move.
// Not modal; every value is a keyboard-reachable label named by its caption for screen readers.

#include <QDialog>
#include <QStringList>
#include <array>

#include "ChartView.h"

class QLabel;

namespace pattern {
struct Analysis;
}

// The value texts of the window's rows, in row order (see FactsWindow::kRowKeys).
QStringList factTexts(const pattern::Analysis &a, const chartview::Translate &tr);

class FactsWindow : public QDialog {
  Q_OBJECT

public:
  // The language-file keys of the row captions, in row order.
  static constexpr std::array<const char *, 6> kRowKeys = {"Main lobes",  "Maximum power",
                                                           "Nulls",       "Half-power beamwidth",
                                                           "Directivity", "Front-to-back ratio"};

  explicit FactsWindow(chartview::Translate tr, QWidget *parent = nullptr);

  // Shows the facts for the scroll-bar positions p and q; does nothing when they are shown.
  void setPattern(int p, int q);

  QLabel *ValueLabel(int row) const { return m_values[static_cast<std::size_t>(row)]; }

private:
  chartview::Translate m_tr;
  std::array<QLabel *, kRowKeys.size()> m_values{};
  int m_p = -1, m_q = -1;
};
