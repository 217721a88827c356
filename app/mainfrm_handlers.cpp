// The main window's start-up work and event handlers.

#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QToolButton>

#include "Accessibility.h"
#include "ChartMenu.h"
#include "ChartView.h"
#include "Nuvra_NumLab.h"
#include "Pattern.h"
#include "TMemo.h"
#include "mainfrm.h"

TFrmRadPattern::TFrmRadPattern(bool headless, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_headless(headless) {
  createControls();
  connectHandlers();
  createPatternViews();
  if (!headless)
    chartmenu::install(*this);
}

TFrmRadPattern::~TFrmRadPattern() = default;

void TFrmRadPattern::connectHandlers() {
  // A scroll bar reports a change only when its position really changes.
  connect(SBarPhaseDiff, &QScrollBar::valueChanged, this, [this] { SbarChange(SBarPhaseDiff); });
  connect(SBarL, &QScrollBar::valueChanged, this, [this] { SbarChange(SBarL); });
  connect(SBLamda4, &QToolButton::clicked, this, [this] { SBLamda4Click(SBLamda4); });
  connect(SBLamda2, &QToolButton::clicked, this, [this] { SBLamda2Click(SBLamda2); });
  connect(SB3Lamda4, &QToolButton::clicked, this, [this] { SB3Lamda4Click(SB3Lamda4); });
  connect(SBarLamda, &QToolButton::clicked, this, [this] { SBarLamdaClick(SBarLamda); });
  connect(SB2Lamda, &QToolButton::clicked, this, [this] { SB2LamdaClick(SB2Lamda); });
  connect(BButInfo, &QPushButton::clicked, this, [this] { BButInfoClick(BButInfo); });
  connect(BButExit, &QPushButton::clicked, this, [this] { BButExitClick(BButExit); });
  PCRicht->OnBeforeDrawScaleLabel =
      [this](QObject *sender, TCanvas *&canvas, TCustomPolChart::TpcScaleKind kind, QString &label,
             int x, int y) { PCRichtBeforeDrawScaleLabel(sender, canvas, kind, label, x, y); };
  // The label handler depends only on its arguments and the view (which invalidates the
  // layer when it changes): the grid may be drawn once and reused.
  PCRicht->SetCacheStaticLayer(true);
}

void TFrmRadPattern::showEvent(QShowEvent *event) {
  // Spontaneous show events come from the window system (e.g. de-iconifying); the start-up
  // work belongs to the program showing the window.
  if (!event->spontaneous())
    centreOnScreen();
  QWidget::showEvent(event);
  if (!event->spontaneous())
    FormShow(this);
}

void TFrmRadPattern::centreOnScreen() {
  const QScreen *holder = screen();
  if (!holder)
    return;
  // The frame as far as the window system has told it (the client area before that).
  QRect placed(QPoint(), frameGeometry().size());
  placed.moveCenter(holder->availableGeometry().center());
  move(placed.topLeft());
}

void TFrmRadPattern::SbarChange(QObject *) {
  const int p = SBarL->value();
  const int q = SBarPhaseDiff->value();
  NumLabL->SetValue(pattern::distanceInWavelengths(p));
  NLabdphi->SetValue(pattern::phaseInPi(q));
  replot(p, q);
  m_speaker->patternChanged(p, q);
  emit patternRecomputed(p, q);
}

// A preset only moves the distance scroll bar; its change notification recomputes.
void TFrmRadPattern::SBLamda4Click(QObject *) { SBarL->setValue(500); }
void TFrmRadPattern::SBLamda2Click(QObject *) { SBarL->setValue(1000); }
void TFrmRadPattern::SB3Lamda4Click(QObject *) { SBarL->setValue(1500); }
void TFrmRadPattern::SBarLamdaClick(QObject *) { SBarL->setValue(2000); }
void TFrmRadPattern::SB2LamdaClick(QObject *) { SBarL->setValue(4000); }

void TFrmRadPattern::BButExitClick(QObject *) { close(); }

void TFrmRadPattern::PCRichtBeforeDrawScaleLabel(QObject *, TCanvas *&,
                                                 TCustomPolChart::TpcScaleKind ScaleType,
                                                 QString &CurrentTickLabel, int, int) {
  // The linear view shows no radial labels; the decibel view's are levels in dB.
  if (ScaleType == TCustomPolChart::skRadial && m_decibelView &&
      chartview::decibelScaleLabel(CurrentTickLabel))
    return;
  CurrentTickLabel += QChar(0x00B0); // the degree sign, character 176 of code page 1252
}

void TFrmRadPattern::cliDemonParamsChange(QObject *) {
  raise();
  activateWindow();
}
