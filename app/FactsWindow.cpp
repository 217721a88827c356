#include "FactsWindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "PatternAnalysis.h"

namespace {

QString degrees(double v) { return QString::number(v, 'f', 1) + QChar(0x00B0); }

// Six directions to a line. The lines are broken here rather than by word wrapping, which
// would lay the text out again and again on every scroll-bar move.
constexpr int kPerLine = 6;
// The longest list, 21 lobes at five wavelengths, needs four lines.
constexpr int kListLines = 4;

QString degreeList(const std::vector<double> &values, const QString &none) {
  if (values.empty())
    return none;
  QString text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0)
      text += i % kPerLine ? QStringLiteral(", ") : QStringLiteral(",\n");
    text += degrees(values[i]);
  }
  return text;
}

// A focusable label lays its text out as a document; with a fixed size a new text does not make
// the window lay itself out again on every scroll-bar move. The size is that of the longest
// text the label can get.
void fixRoom(QLabel *label, int lines) {
  const QString line = QStringList(kPerLine, QStringLiteral("000.0\u00b0")).join(", ") + ',';
  label->setText(QStringList(lines, line).join('\n'));
  label->setFixedSize(label->sizeHint());
  label->clear();
}

} // namespace

QStringList factTexts(const pattern::Analysis &a, const chartview::Translate &tr) {
  const QString none = tr(QStringLiteral("none"));
  const QString lobes = a.omnidirectional ? tr(QStringLiteral("all directions alike"))
                                          : degreeList(a.mainLobesDeg, none);
  const QString widths =
      a.halfPowerBeamwidthDeg ? degreeList(*a.halfPowerBeamwidthDeg, none) : none;
  const QString directivity =
      a.directivityDbi ? QString::number(*a.directivityDbi, 'f', 2) + " dBi" : none;
  // Without a value the opposite direction is a null: the ratio has no bound.
  const QString frontToBack = a.frontToBackDb ? QString::number(*a.frontToBackDb, 'f', 2) + " dB"
                                              : QStringLiteral("\u221e dB");
  return {lobes,
          QString::fromUtf8("\u03c1 = ") + QString::number(a.maxRho, 'f', 4),
          degreeList(a.nullsDeg, none),
          widths,
          directivity,
          frontToBack};
}

FactsWindow::FactsWindow(chartview::Translate tr, QWidget *parent)
    : QDialog(parent), m_tr(std::move(tr)) {
  setObjectName(QStringLiteral("FrmFacts"));
  setModal(false);
  setWindowTitle(m_tr(QStringLiteral("Pattern facts")));
  setAccessibleName(windowTitle());
  auto *form = new QFormLayout;
  for (std::size_t i = 0; i < kRowKeys.size(); ++i) {
    auto *caption = new QLabel(m_tr(QString::fromLatin1(kRowKeys[i])) + QLatin1Char(':'), this);
    auto *value = new QLabel(this);
    value->setObjectName(QStringLiteral("Fact%1").arg(i));
    value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    value->setTextFormat(Qt::PlainText);
    // Reached with Tab and read out, labelled by its caption.
    value->setFocusPolicy(Qt::StrongFocus);
    fixRoom(value, i == 0 || i == 2 || i == 3 ? kListLines : 1);
    caption->setBuddy(value);
    form->addRow(caption, value);
    m_values[i] = value;
  }
  auto *buttons = new QDialogButtonBox(this);
  QPushButton *close =
      buttons->addButton(m_tr(QStringLiteral("Close")), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("BButClose"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void FactsWindow::setPattern(int p, int q) {
  if (p == m_p && q == m_q)
    return;
  m_p = p;
  m_q = q;
  const QStringList texts = factTexts(pattern::analyse(p, q), m_tr);
  for (std::size_t i = 0; i < m_values.size(); ++i)
    if (m_values[i]->text() != texts[static_cast<qsizetype>(i)])
      m_values[i]->setText(texts[static_cast<qsizetype>(i)]);
}
