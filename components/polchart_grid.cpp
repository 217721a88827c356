// The grid and scales drawn under the data (rays with angle labels, outer circle, rings,
// vertical scale) and the drop shadow around the chart area.
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Rounding.h"

using Nuvra::psDot;
using Nuvra::psSolid;

namespace {

// Reduces num/den to lowest terms in passes over the divisors 2..min(|num|, |den|) (the bound
// taken at the start of each pass) until a pass divides nothing.
void reduceFraction(int &num, int &den) {
  bool divided = true;
  while (divided) {
    divided = false;
    const int bound = std::min(std::abs(num), std::abs(den));
    for (int c = 2; c <= bound; ++c) {
      if (num % c == 0 && den % c == 0) {
        num /= c;
        den /= c;
        divided = true;
      }
    }
  }
}

QString piFraction(int num, int den) {
  QString s;
  if (num == -1)
    s = QStringLiteral("-");
  else if (num != 1)
    s = QString::number(num);
  s += QLatin1Char('p');
  if (den != 1)
    s += QLatin1Char('/') + QString::number(den);
  return s;
}

// Whole degrees when the value is within a tenth of an integer (judged on `test`), else one
// decimal.
QString degreeText(double test, double value) {
  const double frac = std::fabs(test - std::trunc(test));
  if (frac <= 0.1 || frac >= 0.9)
    return QString::number(roundTiesEven(value));
  return TCustomPolChart::FormatScaleValue(1, 1, value);
}

// Without a symbol font the Greek letter itself stands in for the "p" of the label texts. Only
// the label's own letters turn into pi: where a handler wrapped the label in text of its own,
// that text keeps its letters; a label the handler replaced is shown as given.
QString withPiLetter(const QString &label, QString shown) {
  const qsizetype at = shown.indexOf(label);
  if (at < 0)
    return shown;
  for (qsizetype i = at; i < at + label.size(); ++i)
    if (shown[i] == QLatin1Char('p'))
      shown[i] = QChar(0x03C0);
  return shown;
}

} // namespace

QString TCustomPolChart::angleLabelText(TpcAngLabelMode mode, int i, double angleBtwRays,
                                        int decPlacePhi) {
  const double v = i * angleBtwRays;
  const double lowered = v > 180.5 ? v - 360 : v;
  switch (mode) {
  case almNone: return {};
  case almDegrees: return degreeText(v, v);
  case almSymmDeg: return degreeText(v, lowered);
  case almRadians: return FormatScaleValue(1, decPlacePhi, v / 180 * kPi);
  case almSymmRad: return FormatScaleValue(1, decPlacePhi, lowered / 180 * kPi);
  case almMultiPi:
  case almSymmMultiPi: break;
  }
  const bool symm = mode == almSymmMultiPi;
  switch (roundToInt(angleBtwRays)) {
  case 120: {
    static const char *const plain[] = {"0", "2p/3", "4p/3"};
    static const char *const symmetric[] = {"0", "2p/3", "-2p/3"};
    const int k = ((i % 3) + 3) % 3;
    return QString::fromLatin1(symm ? symmetric[k] : plain[k]);
  }
  case 180: return i == 0 ? QStringLiteral("0") : QStringLiteral("p");
  case 360: return QStringLiteral("0");
  default: break;
  }
  if (i == 0)
    return QStringLiteral("0");
  const int n = roundToInt(360 / angleBtwRays);
  int num = symm && v > 180.5 ? i - n : i;
  int den = roundToInt(180 / angleBtwRays);
  if (den == 0)
    return QStringLiteral("0");
  reduceFraction(num, den);
  return piFraction(num, den);
}

namespace {

// Where the grid goes, computed once per grid pass. The original description of this pass
// used single letters; they map as: q = radius, n = rayCount, s = rotSign, f = angleFactor,
// a = axisOffset, k = alignHalves, g = labelGap, t = tickLength.
struct GridGeometry {
  int cx = 0, cy = 0;     // the chart centre
  int radius = 0;         // of the outer circle, in pixels
  int rayCount = 1;       // rays round the full circle
  double rotSign = 1;     // -1 turns the angles clockwise on screen
  double angleFactor = 1; // degrees or radians to radians
  int axisOffset = 0;     // of the vertical scale from the centre: beside the circle or on it
  int alignHalves = 1;    // half text widths left of the anchor: 0 left, 1 centred, 2 right
  int labelGap = 0;       // between the side axis and its labels
  int tickLength = 0;     // of the side axis ticks, signed towards the labels

  int labelX() const { return cx + axisOffset + labelGap; }
};

} // namespace

// The five passes of the grid over one geometry; each sets the pen it needs.
struct PolChartPrivate::GridPass {
  using Chart = TCustomPolChart;
  using TpcScaleKind = Chart::TpcScaleKind;
  using TpcAngLabelMode = Chart::TpcAngLabelMode;
  using TpcGridStyleAng = Chart::TpcGridStyleAng;
  using TpcGridStyleRad = Chart::TpcGridStyleRad;
  using enum Chart::TpcScaleKind;
  using enum Chart::TpcAngLabelMode;
  using enum Chart::TpcGridStyleAng;
  using enum Chart::TpcGridStyleRad;
  using enum Chart::TpcRadLabelMode;
  static constexpr double kPi = Chart::kPi;

  PolChartPrivate &chart;
  TCanvas &cv;
  int &lastTextHeight;
  GridGeometry geo;

  GridPass(PolChartPrivate &c, TCanvas &canvas, int &textHeight)
      : chart(c), cv(canvas), lastTextHeight(textHeight), geo(geometry(c)) {}

  static GridGeometry geometry(const PolChartPrivate &c);
  // Fires the label hook; returns the canvas to draw on (the handler may hand another).
  TCanvas &labelHook(TpcScaleKind kind, QString &text, int chartX, int chartY);
  // Ray i and its angle label.
  void rayAndAngleLabel(int i, bool ray);
  void raysAndAngleLabels();
  void outerCircle();
  bool ringsWanted() const;
  void ring(int j);
  void radialLabel(int j);
  void ringsAndRadialScale();
  void rimLabels();
  void sideAxis();
};

GridGeometry PolChartPrivate::GridPass::geometry(const PolChartPrivate &c) {
  GridGeometry g;
  const int sw = c.m_shadowWidth;
  g.cx = c.m_centerX;
  g.cy = c.m_centerY;
  // A control smaller than its shadow has no grid radius rather than a negative one. The
  // upper bound (far beyond any bitmap) keeps 5 radii and the centre +- 1.2 radii within int
  // on the largest controls at full zoom.
  constexpr double kMaxGridRadius = 1 << 26;
  g.radius = roundToInt(std::clamp(
      std::min(c.q->width() - sw, c.q->height() - sw) * c.m_magFactor / 2, 0.0, kMaxGridRadius));
  g.rayCount = std::max(1, roundToInt(360 / c.m_angleBtwRays));
  g.rotSign = c.m_rotSign;
  g.angleFactor = c.m_angleFactor;
  // The radial labels sit on the vertical diameter; for the left and right modes they move
  // beside the circle with an axis of their own.
  if (c.m_labelModeRad == rlmVertLeft) {
    g.axisOffset = -roundToInt(1.2 * g.radius);
    g.alignHalves = 2;
    g.labelGap = -6;
    g.tickLength = -4;
  } else if (c.m_labelModeRad == rlmVertRight) {
    g.axisOffset = roundToInt(1.2 * g.radius);
    g.alignHalves = 0;
    g.labelGap = 6;
    g.tickLength = 4;
  }
  return g;
}

TCanvas &PolChartPrivate::GridPass::labelHook(TpcScaleKind kind, QString &text, int chartX,
                                              int chartY) {
  TCanvas *target = &cv;
  if (chart.q->OnBeforeDrawScaleLabel)
    chart.q->OnBeforeDrawScaleLabel(chart.q, target, kind, text, chartX, chartY);
  return target ? *target : cv;
}

void PolChartPrivate::GridPass::rayAndAngleLabel(int i, bool ray) {
  const int q = geo.radius;
  const double theta = 2.0 * i * kPi / geo.rayCount + chart.m_angleOffset * geo.angleFactor;
  const double c = std::cos(theta), sn = std::sin(theta);
  if (ray) {
    cv.MoveTo(geo.cx, geo.cy);
    cv.LineTo(roundToInt(q * c) + geo.cx, roundToInt(geo.rotSign * q * sn) + geo.cy);
  }
  const TpcAngLabelMode mode = chart.m_labelModeAng;
  if (mode == almNone)
    return;
  const QString label = Chart::angleLabelText(mode, i, chart.m_angleBtwRays, chart.m_decPlacePhi);
  QString text = label;
  TCanvas &tc = labelHook(skAngular, text, roundToInt((q + 6) * c) + geo.cx,
                          roundToInt(geo.rotSign * (q + 3) * sn) + geo.cy);
  if (text.isEmpty())
    return;
  const bool piLetters = mode == almMultiPi || mode == almSymmMultiPi;
  const QString shown = piLetters ? withPiLetter(label, text) : text;
  const int tw = tc.TextWidth(shown), th = tc.TextHeight(shown), hw = tw / 2;
  lastTextHeight = th;
  const int x = roundToInt((q + hw + 6) * c) + geo.cx;
  const int y = roundToInt(geo.rotSign * (q + th / 2 + 3) * sn) + geo.cy;
  tc.TextOut(x - hw, y - th / 2, shown);
}

void PolChartPrivate::GridPass::raysAndAngleLabels() {
  cv.SetFontColor(chart.m_scaleColor);
  cv.SetPenWidth(1);
  cv.SetPenColor(chart.m_gridColor);
  cv.SetPenStyle(psSolid);
  const TpcGridStyleAng style = chart.m_gridStyleAng;
  if (style == gsAngDots)
    cv.SetPenStyle(psDot);
  const bool rays = style == gsAngDots || style == gsAngSolid;
  for (int i = 0; i < geo.rayCount; ++i)
    rayAndAngleLabel(i, rays);
}

void PolChartPrivate::GridPass::outerCircle() {
  cv.SetBrushStyle(Nuvra::bsClear);
  cv.SetPenStyle(psSolid);
  const TpcGridStyleRad gr = chart.m_gridStyleRad;
  if (gr == gsRadNone)
    return;
  const int q = geo.radius;
  cv.SetPenStyle(gr == gsRadOuterDots || gr == gsRadBothDots ? psDot : psSolid);
  cv.Ellipse(geo.cx - q, geo.cy - q, geo.cx + q + 1, geo.cy + q + 1);
}

bool PolChartPrivate::GridPass::ringsWanted() const {
  const TpcGridStyleRad gr = chart.m_gridStyleRad;
  return gr == gsRadBothDots || gr == gsRadBothMixed || gr == gsRadBothSolid;
}

// Ring j of the four inner rings, at j fifths of the radius.
void PolChartPrivate::GridPass::ring(int j) {
  const double r = j * geo.radius / 5.0;
  cv.SetBrushStyle(Nuvra::bsClear);
  cv.Ellipse(roundToInt(geo.cx - r), roundToInt(geo.cy - r), roundToInt(geo.cx + r + 1),
             roundToInt(geo.cy + r + 1));
}

// The scale value at j fifths of the radius above (j > 0) or below the centre.
void PolChartPrivate::GridPass::radialLabel(int j) {
  const double ringY = j * geo.radius / 5.0;
  cv.SetBrushColor(chart.m_chartColor);
  QString text = Chart::FormatScaleValue(1, chart.m_decPlaceRad,
                                         chart.m_rangeLow + (chart.m_rangeHigh - chart.m_rangeLow) /
                                                                5 * std::abs(j));
  TCanvas &tc =
      labelHook(skRadial, text, geo.labelX(), roundToInt(geo.cy - ringY - lastTextHeight / 2.0));
  if (text.isEmpty())
    return;
  const int tw = tc.TextWidth(text), th = tc.TextHeight(text);
  lastTextHeight = th;
  tc.TextOut(geo.labelX() - (tw * geo.alignHalves) / 2, roundToInt(geo.cy - ringY - th / 2.0),
             text);
}

// Each ring is drawn just before the label on it, so the labels above a ring cover it where
// they overlap on small charts; the passes keep that order.
void PolChartPrivate::GridPass::ringsAndRadialScale() {
  const bool rings = ringsWanted();
  if (rings)
    cv.SetPenStyle(chart.m_gridStyleRad == gsRadBothSolid ? psSolid : psDot);
  const bool labels = chart.m_labelModeRad != rlmNone;
  for (int j = 4; j >= -4; --j) {
    if (rings && j > 0)
      ring(j);
    if (labels)
      radialLabel(j);
  }
}

// The two rim labels: inside the circle when the angle labels take the space outside.
void PolChartPrivate::GridPass::rimLabels() {
  cv.SetBrushStyle(Nuvra::bsClear);
  if (chart.m_labelModeRad == rlmNone)
    return;
  const int q = geo.radius, cy = geo.cy;
  const bool inside = chart.m_labelModeRad == rlmVertCenter && chart.m_labelModeAng != almNone;
  for (int side = -1; side <= 1; side += 2) {
    cv.SetBrushColor(chart.m_chartColor);
    QString text = Chart::FormatScaleValue(1, chart.m_decPlaceRad, chart.m_rangeHigh);
    const int rimY = cy + side * q;
    TCanvas &tc = labelHook(skRadial, text, geo.labelX(), rimY);
    if (text.isEmpty())
      continue;
    const int tw = tc.TextWidth(text), th = tc.TextHeight(text);
    lastTextHeight = th;
    int top;
    if (inside)
      top = side < 0 ? cy - q + 1 : cy + q - th - 1;
    else
      top = roundToInt(rimY - th / 2.0);
    tc.TextOut(geo.labelX() - (tw * geo.alignHalves) / 2, top, text);
  }
}

// The vertical axis with eleven ticks beside the circle, for the left and right label modes.
void PolChartPrivate::GridPass::sideAxis() {
  cv.SetPenStyle(psSolid);
  if (geo.tickLength == 0)
    return;
  const int x = geo.cx + geo.axisOffset, q = geo.radius;
  cv.SetPenColor(chart.m_gridColor);
  cv.MoveTo(x, geo.cy + q);
  cv.LineTo(x, geo.cy - q);
  for (int i = -5; i <= 5; ++i) {
    const int y = roundToInt(geo.cy - i * q / 5.0);
    cv.MoveTo(x, y);
    cv.LineTo(x + geo.tickLength, y);
  }
}

void PolChartPrivate::drawGrid(TCanvas &cv, int &lastTextHeight) {
  GridPass pass(*this, cv, lastTextHeight);
  pass.raysAndAngleLabels();
  pass.outerCircle();
  pass.ringsAndRadialScale();
  pass.rimLabels();
  pass.sideAxis();
}

namespace {

// Five pixels beyond 8 label heights give each fifth of the radius one and a half label
// heights and a pixel: the room between a rim label drawn inside the circle and the label
// centred on the ring below it.
int minimumGridRadius(const QFont &font) { return 8 * QFontMetrics(font).height() + 5; }

} // namespace

QSize TCustomPolChart::minimumSizeHint() const {
  const int side = 2 * minimumGridRadius(font()) + d->m_shadowWidth;
  return {side, side};
}

QSize TCustomPolChart::sizeHint() const {
  const int side = 4 * minimumGridRadius(font()) + d->m_shadowWidth;
  return {side, side};
}

void PolChartPrivate::drawShadow(TCanvas &cv) {
  const int w = m_shadowWidth;
  if (w <= 1)
    return; // a width of 1 is only the frame line
  const int W = q->width(), H = q->height();
  const TColor savedPen = cv.PenColor(), savedBrush = cv.BrushColor();
  cv.SetPenColor(m_shadowBakColor);
  cv.SetBrushColor(m_shadowBakColor);
  const QPoint topRight[] = {{W - w - 1, 0}, {W - 1, 0}, {W - 1, w - 1}, {W - w - 1, w - 1}};
  cv.Polygon(topRight);
  const QPoint bottomLeft[] = {{0, H - w - 1}, {0, H - 1}, {w - 1, H - 1}, {w - 1, H - w - 1}};
  cv.Polygon(bottomLeft);
  cv.SetBrushColor(m_shadowColor);
  int d;
  if (m_shadowStyle == Nuvra::ssFlying) {
    cv.SetPenColor(m_shadowColor);
    d = w;
  } else {
    cv.SetPenColor(clBlack);
    d = 0;
  }
  const QPoint bottom[] = {{d, H - w - 1}, {w, H - 1}, {W - 1, H - 1}, {W - w - 1, H - w - 1}};
  cv.Polygon(bottom);
  const QPoint right[] = {{W - w - 1, H - w - 1}, {W - 1, H - 1}, {W - 1, w}, {W - w - 1, d}};
  cv.Polygon(right);
  cv.SetPenColor(savedPen);
  cv.SetBrushColor(savedBrush);
}
