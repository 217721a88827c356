#pragma once
// The read-out's private part: its state and the steps of painting, shared by
// numlab_control.cpp, numlab_paint.cpp and accessible.cpp. Not part of the published
// interface.

#include <QImage>
#include <QString>

#include "Nuvra_NumLab.h"
#include "Nuvra_canvas.h"

class NumLabPrivate {
public:
  explicit NumLabPrivate(TNumLab *label) : q(label) {}

  static NumLabPrivate *get(TNumLab *label) { return label->d.get(); }
  static const NumLabPrivate *get(const TNumLab *label) { return label->d.get(); }

  // Paint steps, in numlab_paint.cpp.
  void ensureScreen();
  void fillWithParentBackground();
  void drawLeftText(TCanvas &c, int y);
  void drawRightText(TCanvas &c, int y);
  void drawBox(TCanvas &c);
  void drawValue(TCanvas &c, int y);
  void transferToScreen(const QImage &bitmap);
  NumLabFormat formatSettings() const;
  // Tells assistive tools when the shown text changes (accessible.cpp).
  void announce();

  TNumLab *const q;

  QImage m_screen;
  TCanvas m_screenCanvas{QStringLiteral("screen")};
  bool m_painting = false;
  QString m_spoken;
  bool m_clickPending = false; // a left press not yet released

  QString m_leftText;
  QString m_rightText;
  int m_leftSpace = 35;
  int m_labelWidth = 80;
  Nuvra::TAlignment m_leftTextAlignment = Nuvra::taRightJustify;
  Nuvra::TAlignment m_rightTextAlignment = Nuvra::taLeftJustify;
  Nuvra::TAlignment m_alignment = Nuvra::taCenter;
  Nuvra::TFrameStyle m_frameStyle = Nuvra::fsLowered;
  Nuvra::TColorScheme m_colorScheme = Nuvra::csBWG;
  TColor m_colorLabBakG = clBtnFace;
  TColor m_colorLabText = clBlack;
  TColor m_colorOutBakG = clBtnFace;
  TColor m_colorOutText = clBlack;
  bool m_transparent = false;
  bool m_enabled = true;
  double m_value = 0.0;
  TNumLab::TDisplay m_displayType = TNumLab::dtFixP;
  int m_precision = 2;
  bool m_comma = false;
  bool m_forcePlusSign = false;
  QString m_dtFormat = QStringLiteral("mmm-dd, yyyy");
  QString m_stateText = QStringLiteral("undefined");
  QString m_overflowIndicator = QStringLiteral("*********");
  bool m_empty = false;

  TColor m_dark = clBlack;
  TColor m_shadow = clGray;
  TColor m_highlight = clWhite;
};
