// The chart's state: construction, property setters with their clamps and repaint rule, the
// drawing list and the window-side notifications.
#include "Nuvra_accessible.h"
#include "Nuvra_backbuffer.h"
#include "Nuvra_polchart.h"

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

QString TCustomPolChart::componentMessage(const QString &what) const {
  return QStringLiteral("Component \"%1\": %2").arg(objectName(), what);
}

// ---- construction ------------------------------------------------------------------------------

TCustomPolChart::TCustomPolChart(QWidget *parent) : QWidget(parent) {
  nuvra::installAccessibility();
  resize(240, 160);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true); // pointer positions are reported without a button held too
  for (int i = 0; i < kCrossHairCount; ++i) {
    m_crossHairs[static_cast<std::size_t>(i)] = new TpcCrossHair(this);
    m_crossHairs[static_cast<std::size_t>(i)]->OnChange = [this](QObject *) { repaintRule(); };
  }
  // Each label starts with a copy of the chart's font as it is before any layout value.
  for (int i = 0; i < kTextLabelCount; ++i) {
    auto *label = new TpcTextLabel(font(), this);
    label->OnChange = [this](QObject *) { repaintRule(); };
    m_textLabels[static_cast<std::size_t>(i)] = label;
  }
  m_frame = QImage(width(), height(), QImage::Format_RGB32);
  m_chart = QImage(std::max(0, width() - m_shadowWidth + 1),
                   std::max(0, height() - m_shadowWidth + 1), QImage::Format_RGB32);
}

TCustomPolChart::~TCustomPolChart() {
  // The canvases end their painters before the images they draw on go away.
  m_frameCanvas.Release();
  m_chartCanvas.Release();
  m_overlayCanvas.Release();
  m_screenCanvas.Release();
}

TPolChart::TPolChart(QWidget *parent) : TCustomPolChart(parent) {}

// ---- loading and window life -------------------------------------------------------------------

void TCustomPolChart::Loaded() {
  NuvraLoadable::Loaded();
  CalcScaling();
  Paint();
}

void TCustomPolChart::CreateWnd() { m_windowCreated = true; }

void TPolChart::CreateWnd() {
  TCustomPolChart::CreateWnd();
  SetSuppressPaint(false);
}

void TCustomPolChart::SetSuppressPaint(bool v) {
  if (v == m_suppressPaint)
    return;
  m_suppressPaint = v;
  if (!v)
    Paint();
}

void TCustomPolChart::repaintRule() {
  if (m_autoRedraw || IsDesigning())
    Paint();
}

void TCustomPolChart::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!m_windowCreated)
    CreateWnd();
}

void TCustomPolChart::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (OnCanResize && !m_resizing) {
    int w = event->size().width(), h = event->size().height();
    bool accept = true;
    OnCanResize(this, w, h, accept);
    const QSize wanted = accept ? QSize(std::max(0, w), std::max(0, h)) : event->oldSize();
    if (wanted != size() && wanted.isValid()) {
      m_resizing = true;
      resize(wanted); // an unshown control gets no event from this; send our own
      QResizeEvent again(wanted, event->size());
      if (!isVisible())
        QCoreApplication::sendEvent(this, &again);
      m_resizing = false;
      return;
    }
  }
  if (OnResize)
    OnResize(this);
  else if (m_autoCenter)
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
  m_inPaintEvent = true;
  // The image is missing or out of date (resized, or moved to a screen of another ratio).
  if (m_screen.size() != deviceSizeOf(size(), devicePixelRatioF()) ||
      m_screen.devicePixelRatio() != devicePixelRatioF())
    Paint();
  m_inPaintEvent = false;
  QPainter p(this);
  if (m_screen.isNull())
    p.fillRect(rect(), palette().window());
  else
    p.drawImage(0, 0, m_screen);
}

// ---- properties --------------------------------------------------------------------------------

void TCustomPolChart::SetAllocSize(int v) {
  if (v >= 1 && v <= 1000000)
    m_allocSize = v;
}

void TCustomPolChart::SetAngleOffset(double v) {
  if (!usable(v))
    return;
  const double limit = UseDegrees() ? 180.0 : kPi;
  m_angleOffset = std::clamp(v, -limit, limit);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetAutoCenter(bool v) {
  if (v == m_autoCenter)
    return;
  m_autoCenter = v;
  if (v)
    CenterChart();
}

void TCustomPolChart::SetCenterX(int v) {
  if (v == m_centerX)
    return;
  v = std::clamp(v, -width(), 2 * width());
  if (m_autoCenter) {
    CenterChart();
  } else {
    m_centerX = v;
    CalcScaling();
  }
  repaintRule();
}

void TCustomPolChart::SetCenterY(int v) {
  if (v == m_centerY)
    return;
  v = std::clamp(v, -height(), 2 * height());
  if (m_autoCenter) {
    CenterChart();
  } else {
    m_centerY = v;
    CalcScaling();
  }
  repaintRule();
}

void TCustomPolChart::SetClassDefault(int v) {
  // A byte, of which 255 is reserved.
  if (v >= 0 && v < 255)
    m_classDefault = v;
}

void TCustomPolChart::SetDecPlaceRad(int v) {
  m_decPlaceRad = std::clamp(v, -2, 12);
  repaintRule();
}

void TCustomPolChart::SetDecPlacePhi(int v) {
  m_decPlacePhi = std::clamp(v, 0, 3);
  repaintRule();
}

void TCustomPolChart::SetGridColor(TColor v) {
  m_gridColor = v;
  repaintRule();
}

void TCustomPolChart::SetGridStyleAngular(TpcGridStyleAng v) {
  m_gridStyleAng = v;
  repaintRule();
}

void TCustomPolChart::SetGridStyleRadial(TpcGridStyleRad v) {
  m_gridStyleRad = v;
  repaintRule();
}

void TCustomPolChart::SetScaleColor(TColor v) {
  m_scaleColor = v;
  repaintRule();
}

void TCustomPolChart::SetChartColor(TColor v) {
  m_chartColor = v;
  repaintRule();
}

void TCustomPolChart::SetLineWidth(int v) {
  if (v >= 0 && v <= 255)
    m_lineWidth = v;
}

void TCustomPolChart::SetLabelModeAngular(TpcAngLabelMode v) {
  m_labelModeAng = v;
  repaintRule();
}

void TCustomPolChart::SetLabelModeRadial(TpcRadLabelMode v) {
  m_labelModeRad = v;
  repaintRule();
}

TpcCrossHair *TCustomPolChart::CrossHair(int index) const {
  if (index < 1 || index > kCrossHairCount)
    throw ENuvraError(componentMessage(QStringLiteral("cross-hair %1 does not exist").arg(index)));
  return m_crossHairs[static_cast<std::size_t>(index - 1)];
}

void TCustomPolChart::assignCrossHair(int index, TpcCrossHair *src) {
  if (src && src != m_crossHairs[static_cast<std::size_t>(index)])
    m_crossHairs[static_cast<std::size_t>(index)]->AssignFrom(*src);
  repaintRule();
}

TpcTextLabel *TCustomPolChart::TextLabel(int index) const {
  if (index < 1 || index > kTextLabelCount)
    throw ENuvraError(componentMessage(QStringLiteral("text label %1 does not exist").arg(index)));
  return m_textLabels[static_cast<std::size_t>(index - 1)];
}

void TCustomPolChart::SetRangeLow(double v) {
  if (!usable(v))
    return;
  double high = m_rangeHigh;
  if (high == v)
    high = v + 1;
  if (high == v)
    return; // so large that one more is the same number: the range would have no width
  m_rangeHigh = high;
  m_rangeLow = v;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetRangeHigh(double v) {
  if (!usable(v))
    return;
  double low = m_rangeLow;
  if (low == v)
    low = v - 1;
  if (low == v)
    return;
  m_rangeLow = low;
  m_rangeHigh = v;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetAngleBtwRays(double v) {
  if (!usable(v))
    return;
  m_angleBtwRays = SnapRaySpacing(v);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetMagFactor(double v) {
  if (!usable(v))
    return;
  m_magFactor = std::clamp(v, 0.01, 1000.0);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetRotationDir(TpcRotationDir v) {
  m_rotSign = v == rdClockwise ? 1 : -1;
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetShadowWidth(int v) {
  m_shadowWidth = std::clamp(v, 0, 32);
  CalcScaling();
  repaintRule();
}

void TCustomPolChart::SetShadowStyle(Nuvra::TShadowStyle v) {
  m_shadowStyle = v;
  repaintRule();
}

void TCustomPolChart::SetShadowColor(TColor v) {
  m_shadowColor = v;
  repaintRule();
}

void TCustomPolChart::SetShadowBakColor(TColor v) {
  m_shadowBakColor = v;
  repaintRule();
}

void TCustomPolChart::SetTextFontStyle(Nuvra::TFontStyles v) {
  m_textFontStyle = v;
  repaintRule();
}

void TCustomPolChart::SetTextBkStyle(TpcTextBkg v) {
  m_textBkStyle = v;
  repaintRule();
}

void TCustomPolChart::SetTextBkColor(TColor v) {
  m_textBkColor = v;
  repaintRule();
}

void TCustomPolChart::SetTextAlignment(Nuvra::TAlignment v) {
  m_textAlignment = v;
  repaintRule();
}

void TCustomPolChart::SetUseDegrees(bool v) {
  m_angleFactor = v ? kDegToRad : 1.0;
  CalcScaling();
  repaintRule();
}

// ---- drawing list ------------------------------------------------------------------------------

const TpcDrawItem &TCustomPolChart::Item(int index) const {
  if (index < 0 || index >= m_count)
    throw ENuvraError(
        componentMessage(QStringLiteral("drawing item %1 does not exist").arg(index)));
  return m_items[static_cast<std::size_t>(index)];
}

void TCustomPolChart::appendItem(std::uint8_t kind, double R, double Phi) {
  if (m_count >= Capacity()) {
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
    it.Transparent = TransparentFill;
  }
  ++m_count;
}

void TPolChart::MoveTo(double R, double Phi) { appendItem(ikMoveTo, R, Phi); }

void TPolChart::DrawTo(double R, double Phi) { appendItem(ikDrawTo, R, Phi); }

void TPolChart::Circle(double R) { appendItem(ikCircle, R, 0); }

void TPolChart::ClearGraf() {
  std::vector<TpcDrawItem>().swap(m_items);
  m_count = 0;
}

void TPolChart::ShowGraf() {
  if (Visible())
    Paint();
}
