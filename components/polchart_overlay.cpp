// The annotation layers of each repaint: the text-label pass on the chart bitmap and the
// cross-hair step that puts the composed frame onto the control's image.
#include "Nuvra_polchart.h"

#include <algorithm>

void TCustomPolChart::DrawTextLabels(TCanvas &canvas) {
  (void)canvas;
  // Label 1 ends on top of all others, so the labels are visited from 20 down to 1.
  for (int i = kTextLabelCount; i >= 1; --i) {
    const TpcTextLabel *label = m_textLabels[static_cast<std::size_t>(i - 1)];
    if (label->Mode() == TpcTextLabel::tlOff)
      continue;
    // Drawing of visible labels is not implemented yet.
  }
}

void TCustomPolChart::DrawCrossHairs(QImage &frame) {
  const bool anyVisible =
      std::any_of(m_crossHairs.begin(), m_crossHairs.end(),
                  [](const TpcCrossHair *ch) { return ch->Mode() != TpcCrossHair::chOff; });
  if (!anyVisible) {
    m_screenCanvas.Draw(0, 0, frame);
    return;
  }
  // The cross-hairs go on a copy, so the composed frame itself stays free of them.
  m_overlayCanvas.Release();
  m_overlay = frame.copy();
  m_overlayCanvas.SetTarget(&m_overlay);
  // Drawing of visible cross-hairs is not implemented yet.
  m_overlayCanvas.Release();
  m_screenCanvas.Draw(0, 0, m_overlay);
}
