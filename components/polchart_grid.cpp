// The grid and scales drawn under the data (rays with angle labels, outer circle, rings,
// vertical scale) and the drop shadow around the chart area.
#include "Nuvra_polchart.h"

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

QString TCustomPolChart::AngleLabelText(TpcAngLabelMode mode, int i, double angleBtwRays,
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

void TCustomPolChart::drawGrid(TCanvas &cv, int &lastTextHeight) {
  const int sw = m_shadowWidth;
  const int cx = m_centerX, cy = m_centerY;
  // A control smaller than its shadow has no grid radius rather than a negative one. The
  // upper bound (far beyond any bitmap) keeps 5 q and the centre +- 1.2 q within int on the
  // largest controls at full zoom.
  constexpr double kMaxGridRadius = 1 << 26;
  const int q = roundToInt(
      std::clamp(std::min(width() - sw, height() - sw) * m_magFactor / 2, 0.0, kMaxGridRadius));
  const int n = std::max(1, roundToInt(360 / m_angleBtwRays));
  const double s = m_rotSign, f = m_angleFactor;

  // Fires the label hook; returns the canvas to draw on (the handler may hand another).
  auto labelHook = [&](TpcScaleKind kind, QString &text, int chartX, int chartY) -> TCanvas & {
    TCanvas *target = &cv;
    if (OnBeforeDrawScaleLabel)
      OnBeforeDrawScaleLabel(this, target, kind, text, chartX, chartY);
    return target ? *target : cv;
  };

  cv.SetFontColor(m_scaleColor);
  cv.SetPenWidth(1);
  cv.SetPenColor(m_gridColor);
  cv.SetPenStyle(psSolid);
  const bool rays = m_gridStyleAng == gsAngDots || m_gridStyleAng == gsAngSolid;
  if (m_gridStyleAng == gsAngDots)
    cv.SetPenStyle(psDot);

  for (int i = 0; i < n; ++i) {
    const double theta = 2.0 * i * kPi / n + m_angleOffset * f;
    const double c = std::cos(theta), sn = std::sin(theta);
    if (rays) {
      cv.MoveTo(cx, cy);
      cv.LineTo(roundToInt(q * c) + cx, roundToInt(s * q * sn) + cy);
    }
    if (m_labelModeAng == almNone)
      continue;
    const QString label = AngleLabelText(m_labelModeAng, i, m_angleBtwRays, m_decPlacePhi);
    QString text = label;
    const bool piLetters = m_labelModeAng == almMultiPi || m_labelModeAng == almSymmMultiPi;
    TCanvas &tc =
        labelHook(skAngular, text, roundToInt((q + 6) * c) + cx, roundToInt(s * (q + 3) * sn) + cy);
    if (text.isEmpty())
      continue;
    const QString shown = piLetters ? withPiLetter(label, text) : text;
    const int tw = tc.TextWidth(shown), th = tc.TextHeight(shown), hw = tw / 2;
    lastTextHeight = th;
    const int x = roundToInt((q + hw + 6) * c) + cx;
    const int y = roundToInt(s * (q + th / 2 + 3) * sn) + cy;
    tc.TextOut(x - hw, y - th / 2, shown);
  }

  // Outer circle and rings.
  cv.SetBrushStyle(Nuvra::bsClear);
  cv.SetPenStyle(psSolid);
  const TpcGridStyleRad gr = m_gridStyleRad;
  if (gr != gsRadNone) {
    cv.SetPenStyle(gr == gsRadOuterDots || gr == gsRadBothDots ? psDot : psSolid);
    cv.Ellipse(cx - q, cy - q, cx + q + 1, cy + q + 1);
  }
  const bool rings = gr == gsRadBothDots || gr == gsRadBothMixed || gr == gsRadBothSolid;
  if (rings)
    cv.SetPenStyle(gr == gsRadBothSolid ? psSolid : psDot);

  // Radial labels along the vertical diameter; the axis sits beside the circle for the
  // left and right modes.
  int a = 0, k = 1, g = 0;
  if (m_labelModeRad == rlmVertLeft) {
    a = -roundToInt(1.2 * q);
    k = 2;
    g = -6;
  } else if (m_labelModeRad == rlmVertRight) {
    a = roundToInt(1.2 * q);
    k = 0;
    g = 6;
  }
  const bool radLabels = m_labelModeRad != rlmNone;
  for (int j = 4; j >= -4; --j) {
    const double ringY = j * q / 5.0;
    if (rings && j > 0) {
      cv.SetBrushStyle(Nuvra::bsClear);
      cv.Ellipse(roundToInt(cx - ringY), roundToInt(cy - ringY), roundToInt(cx + ringY + 1),
                 roundToInt(cy + ringY + 1));
    }
    if (!radLabels)
      continue;
    cv.SetBrushColor(m_chartColor);
    QString text = FormatScaleValue(1, m_decPlaceRad,
                                    m_rangeLow + (m_rangeHigh - m_rangeLow) / 5 * std::abs(j));
    TCanvas &tc =
        labelHook(skRadial, text, cx + a + g, roundToInt(cy - ringY - lastTextHeight / 2.0));
    if (text.isEmpty())
      continue;
    const int tw = tc.TextWidth(text), th = tc.TextHeight(text);
    lastTextHeight = th;
    tc.TextOut(cx - (tw * k) / 2 + a + g, roundToInt(cy - ringY - th / 2.0), text);
  }

  // The two rim labels: inside the circle when the angle labels take the space outside.
  cv.SetBrushStyle(Nuvra::bsClear);
  if (radLabels) {
    const bool inside = m_labelModeRad == rlmVertCenter && m_labelModeAng != almNone;
    for (int side = -1; side <= 1; side += 2) {
      cv.SetBrushColor(m_chartColor);
      QString text = FormatScaleValue(1, m_decPlaceRad, m_rangeHigh);
      const int rimY = cy + side * q;
      TCanvas &tc = labelHook(skRadial, text, cx + a + g, rimY);
      if (text.isEmpty())
        continue;
      const int tw = tc.TextWidth(text), th = tc.TextHeight(text);
      lastTextHeight = th;
      int top;
      if (inside)
        top = side < 0 ? cy - q + 1 : cy + q - th - 1;
      else
        top = roundToInt(rimY - th / 2.0);
      tc.TextOut(cx - (tw * k) / 2 + a + g, top, text);
    }
  }

  cv.SetPenStyle(psSolid);
  if (m_labelModeRad == rlmVertLeft || m_labelModeRad == rlmVertRight) {
    const int t = m_labelModeRad == rlmVertLeft ? -4 : 4;
    cv.SetPenColor(m_gridColor);
    cv.MoveTo(cx + a, cy + q);
    cv.LineTo(cx + a, cy - q);
    for (int i = -5; i <= 5; ++i) {
      const int y = roundToInt(cy - i * q / 5.0);
      cv.MoveTo(cx + a, y);
      cv.LineTo(cx + a + t, y);
    }
  }
}

void TCustomPolChart::drawShadow(TCanvas &cv) {
  const int w = m_shadowWidth;
  if (w <= 1)
    return; // a width of 1 is only the frame line
  const int W = width(), H = height();
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
