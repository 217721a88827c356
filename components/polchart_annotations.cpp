// The chart's annotation objects: four cross-hairs and twenty text labels. Every property
// write notifies the owning chart, which then applies its repaint rule.
#include "Nuvra_polchart.h"

// ---- cross-hair -------------------------------------------------------------------------------

TpcCrossHair::TpcCrossHair(QObject *parent) : QObject(parent) {}

void TpcCrossHair::changed() {
  if (OnChange)
    OnChange(this);
}

void TpcCrossHair::SetColor(TColor v) {
  m_color = v;
  changed();
}

void TpcCrossHair::SetLineType(Nuvra::TPenStyle v) {
  m_lineType = v;
  changed();
}

void TpcCrossHair::SetLineWid(int v) {
  m_lineWid = v;
  changed();
}

void TpcCrossHair::SetMode(TpcCrossHMode v) {
  m_mode = v;
  changed();
}

void TpcCrossHair::SetPosPhi(double v) {
  m_posPhi = v;
  changed();
}

void TpcCrossHair::SetPosRad(double v) {
  m_posRad = v;
  changed();
}

void TpcCrossHair::assignFrom(const TpcCrossHair &src) {
  m_color = src.m_color;
  m_lineType = src.m_lineType;
  m_lineWid = src.m_lineWid;
  m_mode = src.m_mode;
  m_posPhi = src.m_posPhi;
  m_posRad = src.m_posRad;
}

// ---- text label -------------------------------------------------------------------------------

TpcTextLabel::TpcTextLabel(const QFont &font, QObject *parent) : QObject(parent), m_font(font) {}

void TpcTextLabel::changed() {
  if (OnChange)
    OnChange(this);
}

void TpcTextLabel::SetPosRad(double v) {
  m_posRad = v;
  changed();
}

void TpcTextLabel::SetPosPhi(double v) {
  m_posPhi = v;
  changed();
}

void TpcTextLabel::SetAttachToData(bool v) {
  m_attachToData = v;
  changed();
}

void TpcTextLabel::SetColorBkg(TColor v) {
  m_colorBkg = v;
  changed();
}

void TpcTextLabel::SetColorBorder(TColor v) {
  m_colorBorder = v;
  changed();
}

void TpcTextLabel::SetColorShadow(TColor v) {
  m_colorShadow = v;
  changed();
}

void TpcTextLabel::SetShadowDx(int v) {
  m_shadowDx = v;
  changed();
}

void TpcTextLabel::SetShadowDy(int v) {
  m_shadowDy = v;
  changed();
}

void TpcTextLabel::SetTransparent(bool v) {
  m_transparent = v;
  changed();
}

void TpcTextLabel::SetAlignment(Nuvra::TAlignment v) {
  m_alignment = v;
  changed();
}

void TpcTextLabel::SetFont(const QFont &v) {
  m_font = v; // QFont is a value: later changes of `v` stay with the caller
  changed();
}

void TpcTextLabel::setFontColor(TColor v) {
  m_fontColor = v;
  changed();
}

void TpcTextLabel::SetMode(TTxtLblMode v) {
  m_mode = v;
  changed();
}

void TpcTextLabel::SetCaption(const QString &v) {
  m_caption = v;
  changed();
}
