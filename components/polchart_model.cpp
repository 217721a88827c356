// The chart's state: construction, property setters with their clamps and repaint rule, the
// drawing list and the window-side notifications.
#include "Nuvra_accessible.h"
#include "Nuvra_backbuffer.h"
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace {

// Setters of reals ignore values that are not finite: they would poison the mapping.
bool usable(double v) { return std::isfinite(v); }

} // namespace

QString PolChartPrivate::componentMessage(const QString &what) const {
  return QStringLiteral("Component \"%1\": %2").arg(q->objectName(), what);
}

// ---- construction ------------------------------------------------------------------------------

TCustomPolChart::TCustomPolChart(QWidget *parent)
    : QWidget(parent), d(std::make_unique<PolChartPrivate>(this)) {
  nuvra::installAccessibility();
  resize(240, 160);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true); // pointer positions are reported without a button held too
  for (int i = 0; i < kCrossHairCount; ++i) {
    d->m_crossHairs[static_cast<std::size_t>(i)] = new TpcCrossHair(this);
    d->m_crossHairs[static_cast<std::size_t>(i)]->OnChange = [this](QObject *) { repaintRule(); };
  }
  // Each label starts with a copy of the chart's font as it is before any layout value.
  for (int i = 0; i < kTextLabelCount; ++i) {
    auto *label = new TpcTextLabel(font(), this);
    label->OnChange = [this](QObject *) { repaintRule(); };
    d->m_textLabels[static_cast<std::size_t>(i)] = label;
  }
  d->m_frame = QImage(width(), height(), QImage::Format_RGB32);
  d->m_chart = QImage(chartSize(), QImage::Format_RGB32);
}

TCustomPolChart::~TCustomPolChart() {
  // The canvases end their painters before the images they draw on go away.
  d->m_frameCanvas.release();
  d->m_chartCanvas.release();
  d->m_overlayCanvas.release();
  d->m_screenCanvas.release();
}

TPolChart::TPolChart(QWidget *parent) : TCustomPolChart(parent) {}

// ---- loading and window life -------------------------------------------------------------------

void TCustomPolChart::Loaded() {
  NuvraLoadable::Loaded();
  CalcScaling();
  Paint();
}

void TCustomPolChart::CreateWnd() { d->m_windowCreated = true; }

void TPolChart::CreateWnd() {
  TCustomPolChart::CreateWnd();
  SetSuppressPaint(false);
}

void TCustomPolChart::SetSuppressPaint(bool v) {
  if (v == d->m_suppressPaint)
    return;
  d->m_suppressPaint = v;
  if (!v)
    Paint();
}

void TCustomPolChart::repaintRule() {
  if (d->m_autoRedraw || IsDesigning())
    Paint();
}

void TCustomPolChart::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!d->m_windowCreated)
    CreateWnd();
}

void TCustomPolChart::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (OnCanResize && !d->m_resizing) {
    int w = event->size().width(), h = event->size().height();
    bool accept = true;
    OnCanResize(this, w, h, accept);
    const QSize wanted = accept ? QSize(std::max(0, w), std::max(0, h)) : event->oldSize();
    if (wanted != size() && wanted.isValid()) {
      d->m_resizing = true;
      resize(wanted); // an unshown control gets no event from this; send our own
      QResizeEvent again(wanted, event->size());
      if (!isVisible())
        QCoreApplication::sendEvent(this, &again);
      d->m_resizing = false;
      return;
    }
  }
  if (OnResize)
    OnResize(this);
  else if (d->m_autoCenter)
    CenterChart();
  // The grid follows the new size whatever happened above; the data must scale with it.
  CalcScaling();
}

void TCustomPolChart::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange)
    Paint();
}

void TCustomPolChart::paintEvent(QPaintEvent *) {
  d->m_inPaintEvent = true;
  // The image is missing or out of date (resized, or moved to a screen of another ratio).
  if (d->m_screen.size() != deviceSizeOf(size(), devicePixelRatioF()) ||
      d->m_screen.devicePixelRatio() != devicePixelRatioF())
    Paint();
  d->m_inPaintEvent = false;
  QPainter p(this);
  if (d->m_screen.isNull())
    p.fillRect(rect(), palette().window());
  else
    p.drawImage(0, 0, d->m_screen);
}

// ---- properties --------------------------------------------------------------------------------

void TCustomPolChart::SetAllocSize(int v) {
  if (v >= 1 && v <= 1000000)
    d->m_allocSize = v;
}

void TCustomPolChart::SetAngleOffset(double v) {
  if (!usable(v))
    return;
  const double limit = UseDegrees() ? 180.0 : kPi;
  d->m_angleOffset = std::clamp(v, -limit, limit);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetAutoCenter(bool v) {
  if (v == d->m_autoCenter)
    return;
  d->m_autoCenter = v;
  if (v)
    CenterChart();
}

void TCustomPolChart::SetCenterX(int v) {
  if (v == d->m_centerX)
    return;
  v = std::clamp(v, -width(), 2 * width());
  if (d->m_autoCenter) {
    CenterChart();
  } else {
    d->m_centerX = v;
    CalcScaling();
  }
  repaintRule();
}

void TCustomPolChart::SetCenterY(int v) {
  if (v == d->m_centerY)
    return;
  v = std::clamp(v, -height(), 2 * height());
  if (d->m_autoCenter) {
    CenterChart();
  } else {
    d->m_centerY = v;
    CalcScaling();
  }
  repaintRule();
}

void TCustomPolChart::SetClassDefault(int v) {
  // A byte, of which 255 is reserved.
  if (v >= 0 && v < 255)
    d->m_classDefault = v;
}

void TCustomPolChart::SetDecPlaceRad(int v) {
  d->m_decPlaceRad = std::clamp(v, -2, 12);
  repaintRule();
}

void TCustomPolChart::SetDecPlacePhi(int v) {
  d->m_decPlacePhi = std::clamp(v, 0, 3);
  repaintRule();
}

void TCustomPolChart::SetGridColor(TColor v) {
  d->m_gridColor = v;
  repaintRule();
}

void TCustomPolChart::SetGridStyleAngular(TpcGridStyleAng v) {
  d->m_gridStyleAng = v;
  repaintRule();
}

void TCustomPolChart::SetGridStyleRadial(TpcGridStyleRad v) {
  d->m_gridStyleRad = v;
  repaintRule();
}

void TCustomPolChart::SetScaleColor(TColor v) {
  d->m_scaleColor = v;
  repaintRule();
}

void TCustomPolChart::SetChartColor(TColor v) {
  d->m_chartColor = v;
  repaintRule();
}

void TCustomPolChart::SetLineWidth(int v) {
  if (v >= 0 && v <= 255)
    d->m_lineWidth = v;
}

void TCustomPolChart::SetLabelModeAngular(TpcAngLabelMode v) {
  d->m_labelModeAng = v;
  repaintRule();
}

void TCustomPolChart::SetLabelModeRadial(TpcRadLabelMode v) {
  d->m_labelModeRad = v;
  repaintRule();
}

TpcCrossHair *TCustomPolChart::crossHair(int index) const {
  if (index < 1 || index > kCrossHairCount)
    throw ENuvraError(
        d->componentMessage(QStringLiteral("cross-hair %1 does not exist").arg(index)));
  return d->m_crossHairs[static_cast<std::size_t>(index - 1)];
}

void PolChartPrivate::assignCrossHair(int index, TpcCrossHair *src) {
  if (src && src != m_crossHairs[static_cast<std::size_t>(index)])
    m_crossHairs[static_cast<std::size_t>(index)]->assignFrom(*src);
  q->repaintRule();
}

TpcTextLabel *TCustomPolChart::TextLabel(int index) const {
  if (index < 1 || index > kTextLabelCount)
    throw ENuvraError(
        d->componentMessage(QStringLiteral("text label %1 does not exist").arg(index)));
  return d->m_textLabels[static_cast<std::size_t>(index - 1)];
}

void TCustomPolChart::SetRangeLow(double v) {
  if (!usable(v))
    return;
  double high = d->m_rangeHigh;
  if (high == v)
    high = v + 1;
  if (high == v)
    return; // so large that one more is the same number: the range would have no width
  d->m_rangeHigh = high;
  d->m_rangeLow = v;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetRangeHigh(double v) {
  if (!usable(v))
    return;
  double low = d->m_rangeLow;
  if (low == v)
    low = v - 1;
  if (low == v)
    return;
  d->m_rangeLow = low;
  d->m_rangeHigh = v;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetAngleBtwRays(double v) {
  if (!usable(v))
    return;
  d->m_angleBtwRays = snapRaySpacing(v);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetMagFactor(double v) {
  if (!usable(v))
    return;
  d->m_magFactor = std::clamp(v, 0.01, 1000.0);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetRotationDir(TpcRotationDir v) {
  d->m_rotSign = v == rdClockwise ? 1 : -1;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetShadowWidth(int v) {
  d->m_shadowWidth = std::clamp(v, 0, 32);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetShadowStyle(Nuvra::TShadowStyle v) {
  d->m_shadowStyle = v;
  repaintRule();
}

void TCustomPolChart::SetShadowColor(TColor v) {
  d->m_shadowColor = v;
  repaintRule();
}

void TCustomPolChart::SetShadowBakColor(TColor v) {
  d->m_shadowBakColor = v;
  repaintRule();
}

void TCustomPolChart::SetTextFontStyle(Nuvra::TFontStyles v) {
  d->m_textFontStyle = v;
  repaintRule();
}

void TCustomPolChart::SetTextBkStyle(TpcTextBkg v) {
  d->m_textBkStyle = v;
  repaintRule();
}

void TCustomPolChart::SetTextBkColor(TColor v) {
  d->m_textBkColor = v;
  repaintRule();
}

void TCustomPolChart::SetTextAlignment(Nuvra::TAlignment v) {
  d->m_textAlignment = v;
  repaintRule();
}

void TCustomPolChart::SetUseDegrees(bool v) {
  d->m_angleFactor = v ? kDegToRad : 1.0;
  CalcScaling();
  repaintRule();
}

// ---- drawing list ------------------------------------------------------------------------------

const TpcDrawItem &TCustomPolChart::item(int index) const {
  if (index < 0 || index >= d->m_count)
    throw ENuvraError(
        d->componentMessage(QStringLiteral("drawing item %1 does not exist").arg(index)));
  return d->m_items[static_cast<std::size_t>(index)];
}

void PolChartPrivate::appendItem(std::uint8_t kind, double R, double Phi) {
  if (m_count >= q->capacity()) {
    // Grows in steps of AllocSize; a failed allocation leaves the list as it was.
    m_items.resize(m_items.size() + static_cast<std::size_t>(m_allocSize));
  }
  TpcDrawItem &it = m_items[static_cast<std::size_t>(m_count)];
  it.R = R;
  it.Phi = Phi;
  it.Color = m_dataColor;
  it.PenStyle = static_cast<std::uint8_t>(m_penStyle);
  it.LineWidth = static_cast<std::uint8_t>(m_lineWidth);
  it.ItemClass = static_cast<std::uint8_t>(m_classDefault);
  it.Kind = kind;
  if (kind == ikCircle) {
    it.FillColor = m_fillColor;
    it.Transparent = q->TransparentFill;
  }
  ++m_count;
}

void TPolChart::MoveTo(double R, double Phi) { d->appendItem(ikMoveTo, R, Phi); }

void TPolChart::DrawTo(double R, double Phi) { d->appendItem(ikDrawTo, R, Phi); }

void TPolChart::Circle(double R) { d->appendItem(ikCircle, R, 0); }

void TPolChart::ClearGraf() {
  std::vector<TpcDrawItem>().swap(d->m_items);
  d->m_count = 0;
}

void TPolChart::ShowGraf() {
  if (Visible())
    Paint();
}
int TCustomPolChart::AllocSize() const { return d->m_allocSize; }
double TCustomPolChart::AngleOffset() const { return d->m_angleOffset; }
bool TCustomPolChart::AutoRedraw() const { return d->m_autoRedraw; }
void TCustomPolChart::SetAutoRedraw(bool v) { d->m_autoRedraw = v; }
bool TCustomPolChart::AutoCenter() const { return d->m_autoCenter; }
int TCustomPolChart::CenterX() const { return d->m_centerX; }
int TCustomPolChart::CenterY() const { return d->m_centerY; }
int TCustomPolChart::ClassDefault() const { return d->m_classDefault; }
int TCustomPolChart::DecPlaceRad() const { return d->m_decPlaceRad; }
int TCustomPolChart::DecPlacePhi() const { return d->m_decPlacePhi; }
TColor TCustomPolChart::GridColor() const { return d->m_gridColor; }
TCustomPolChart::TpcGridStyleAng TCustomPolChart::GridStyleAngular() const {
  return d->m_gridStyleAng;
}
TCustomPolChart::TpcGridStyleRad TCustomPolChart::GridStyleRadial() const {
  return d->m_gridStyleRad;
}
TColor TCustomPolChart::DataColor() const { return d->m_dataColor; }
void TCustomPolChart::SetDataColor(TColor v) { d->m_dataColor = v; }
Nuvra::TPenStyle TCustomPolChart::PenStyle() const { return d->m_penStyle; }
void TCustomPolChart::SetPenStyle(Nuvra::TPenStyle v) { d->m_penStyle = v; }
TColor TCustomPolChart::ScaleColor() const { return d->m_scaleColor; }
TColor TCustomPolChart::FillColor() const { return d->m_fillColor; }
void TCustomPolChart::SetFillColor(TColor v) { d->m_fillColor = v; }
TColor TCustomPolChart::ChartColor() const { return d->m_chartColor; }
int TCustomPolChart::LineWidth() const { return d->m_lineWidth; }
TCustomPolChart::TpcAngLabelMode TCustomPolChart::LabelModeAngular() const {
  return d->m_labelModeAng;
}
TCustomPolChart::TpcRadLabelMode TCustomPolChart::LabelModeRadial() const {
  return d->m_labelModeRad;
}
TpcCrossHair *TCustomPolChart::CrossHair1() const { return d->m_crossHairs[0]; }
TpcCrossHair *TCustomPolChart::CrossHair2() const { return d->m_crossHairs[1]; }
TpcCrossHair *TCustomPolChart::CrossHair3() const { return d->m_crossHairs[2]; }
TpcCrossHair *TCustomPolChart::CrossHair4() const { return d->m_crossHairs[3]; }
void TCustomPolChart::SetCrossHair1(TpcCrossHair *v) { d->assignCrossHair(0, v); }
void TCustomPolChart::SetCrossHair2(TpcCrossHair *v) { d->assignCrossHair(1, v); }
void TCustomPolChart::SetCrossHair3(TpcCrossHair *v) { d->assignCrossHair(2, v); }
void TCustomPolChart::SetCrossHair4(TpcCrossHair *v) { d->assignCrossHair(3, v); }
double TCustomPolChart::RangeLow() const { return d->m_rangeLow; }
double TCustomPolChart::RangeHigh() const { return d->m_rangeHigh; }
double TCustomPolChart::AngleBtwRays() const { return d->m_angleBtwRays; }
double TCustomPolChart::MagFactor() const { return d->m_magFactor; }
Nuvra::TMouseActMode TCustomPolChart::MouseAction() const { return d->m_mouseAction; }
TCustomPolChart::TpcRotationDir TCustomPolChart::RotationDir() const {
  return d->m_rotSign == 1 ? rdClockwise : rdCounterCW;
}
int TCustomPolChart::ShadowWidth() const { return d->m_shadowWidth; }
Nuvra::TShadowStyle TCustomPolChart::ShadowStyle() const { return d->m_shadowStyle; }
TColor TCustomPolChart::ShadowColor() const { return d->m_shadowColor; }
TColor TCustomPolChart::ShadowBakColor() const { return d->m_shadowBakColor; }
Nuvra::TFontStyles TCustomPolChart::TextFontStyle() const { return d->m_textFontStyle; }
TCustomPolChart::TpcTextBkg TCustomPolChart::TextBkStyle() const { return d->m_textBkStyle; }
TColor TCustomPolChart::TextBkColor() const { return d->m_textBkColor; }
Nuvra::TAlignment TCustomPolChart::TextAlignment() const { return d->m_textAlignment; }
bool TCustomPolChart::UseDegrees() const { return d->m_angleFactor != 1.0; }
bool TCustomPolChart::CacheStaticLayer() const { return d->m_cacheStaticLayer; }
bool TCustomPolChart::SuppressPaint() const { return d->m_suppressPaint; }
int TCustomPolChart::Count() const { return d->m_count; }
int TCustomPolChart::capacity() const { return static_cast<int>(d->m_items.size()); }
const ChartMapping &TCustomPolChart::mapping() const { return d->m_map; }
const QImage &TCustomPolChart::frameBitmap() const { return d->m_frame; }
const QImage &TCustomPolChart::chartBitmap() const { return d->m_chart; }
const QImage &TCustomPolChart::overlayBitmap() const { return d->m_overlay; }
const QImage &TCustomPolChart::screenImage() const { return d->m_screen; }
TCanvas &TCustomPolChart::screenCanvas() { return d->m_screenCanvas; }
TCanvas &TCustomPolChart::overlayCanvas() { return d->m_overlayCanvas; }
QImage &TCustomPolChart::overlay() { return d->m_overlay; }
