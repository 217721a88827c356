#pragma once
// The main window: the polar chart on the left; on the right the phase and distance scroll
// bars with their read-outs, the five distance presets, the information memo, Info and Exit.
// The two scroll-bar positions are the whole model; every change recomputes the pattern.

#include <QPointer>
#include <QWidget>

#include "Nuvra_canvas.h"
#include "Nuvra_polchart.h"

class QAction;
class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;
class TMemo;
class TNumLab;
class TFrmAbout;
class FactsWindow;
class TkdbDemonClient;
namespace speech {
class ChartSpeaker;
}

class TFrmRadPattern : public QWidget {
  Q_OBJECT

public:
  // `headless`: built for rendering without a screen; takes no part in the single-instance
  // rule and shows no About box.
  explicit TFrmRadPattern(bool headless = false, QWidget *parent = nullptr);
  ~TFrmRadPattern() override;

  // The About box the start-up and Info show; created by the program entry after this window.
  TFrmAbout *FrmAbout = nullptr;

  // Controls, named as in the layout.
  TPolChart *PCRicht = nullptr;
  TNumLab *NLabdphi = nullptr;
  QScrollBar *SBarPhaseDiff = nullptr;
  QLabel *Label1 = nullptr;
  QLabel *Label2 = nullptr;
  TNumLab *NumLabL = nullptr;
  QScrollBar *SBarL = nullptr;
  QToolButton *SBLamda4 = nullptr;
  QToolButton *SBLamda2 = nullptr;
  QToolButton *SB3Lamda4 = nullptr;
  QToolButton *SBarLamda = nullptr;
  QToolButton *SB2Lamda = nullptr;
  TMemo *MMInfo = nullptr;
  QPushButton *BButInfo = nullptr;
  QPushButton *BButExit = nullptr;
  // The server link; an accepted quit message from the server deletes it.
  QPointer<TkdbDemonClient> cliDemon;

  // Handlers, named after the control and the event.
  void FormShow(QObject *Sender);
  void SbarChange(QObject *Sender);
  void SBLamda4Click(QObject *Sender);
  void SBLamda2Click(QObject *Sender);
  void SB3Lamda4Click(QObject *Sender);
  void SBarLamdaClick(QObject *Sender);
  void SB2LamdaClick(QObject *Sender);
  void BButInfoClick(QObject *Sender);
  void BButExitClick(QObject *Sender);
  void PCRichtBeforeDrawScaleLabel(QObject *Sender, TCanvas *&Canvas,
                                   TCustomPolChart::TpcScaleKind ScaleType,
                                   QString &CurrentTickLabel, int ChartX, int ChartY);
  void cliDemonParamsChange(QObject *Sender);

  // The pattern facts window (created on first use) and the decibel view of the chart, both
  // offered by the chart's context menu and by keyboard shortcuts.
  void showFacts();
  FactsWindow *facts() const;
  void setDecibelView(bool on);
  bool decibelView() const noexcept { return m_decibelView; }
  QAction *factsAction() const noexcept { return m_factsAction; }
  QAction *decibelAction() const noexcept { return m_decibelAction; }
  // The language file's text for key, or the key itself.
  QString translated(const QString &key) const;

signals:
  // After each recomputation of the pattern from the two scroll-bar positions (distance and
  // phase, in scroll-bar units), once the chart and the read-outs show it.
  void patternRecomputed(int distance, int phase);

protected:
  void showEvent(QShowEvent *event) override;

private:
  void createControls();
  void createServerLink();
  void connectHandlers();
  void createPatternViews();
  void replot(int p, int q);
  void centreOnScreen();

  bool m_headless;
  bool m_decibelView = false;
  QAction *m_factsAction = nullptr;
  QAction *m_decibelAction = nullptr;
  QPointer<FactsWindow> m_facts;
  speech::ChartSpeaker *m_speaker = nullptr; // the chart's spoken description
};
