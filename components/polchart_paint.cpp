// The paint cycle: shadow on the frame bitmap, background, grid and data on the chart bitmap,
// composition and the single copy to the control. Data items are replayed with the pen state
// cached and line runs batched into polylines.
#include "Nuvra_backbuffer.h"
#include "Nuvra_polchart.h"
#include "polchart_p.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// The state of one item replay; nothing of it survives a repaint.
struct PolChartPrivate::Renderer {
  static constexpr std::size_t kRunLength = 200;

  PolChartPrivate &chart;
  TCanvas &cv;
  const ChartMapping mapping; // fixed for the whole replay
  TColor penColor = 0;
  int penStyle = 0;
  int penWidth = 1;
  TColor brushColor = 0;
  QPoint current{0, 0};
  bool penUp = false; // after an item without a position: the next line starts afresh
  std::vector<QPoint> run;

  Renderer(PolChartPrivate &c, TCanvas &canvas)
      : chart(c), cv(canvas), mapping(c.currentMapping()) {
    run.reserve(kRunLength);
  }

  void start() {
    penWidth = chart.m_lineWidth;
    cv.SetPenWidth(penWidth);
    current = QPoint(0, 0);
    cv.MoveTo(0, 0);
    penColor = chart.m_chartColor;
    cv.SetPenColor(penColor);
    penStyle = Nuvra::psSolid;
    cv.SetPenStyle(Nuvra::psSolid);
    brushColor = chart.m_chartColor;
    cv.SetBrushColor(brushColor);
    cv.SetFont(chart.q->font());
    cv.SetFontColor(chart.m_chartColor);
  }

  void setPenColor(TColor c) {
    if (c != penColor) {
      penColor = c;
      cv.SetPenColor(c);
    }
  }
  void setPenStyle(int s) {
    if (s != penStyle) {
      penStyle = s;
      cv.SetPenStyle(static_cast<Nuvra::TPenStyle>(s));
    }
  }
  void setBrushColor(TColor c) {
    if (c != brushColor) {
      brushColor = c;
      cv.SetBrushColor(c);
    }
  }

  void flush() {
    if (run.empty())
      return;
    cv.Polyline(run);
    current = run.back();
    cv.MoveTo(current.x(), current.y());
    run.clear();
  }

  void add(QPoint p) {
    if (penUp) {
      penUp = false;
      current = p;
      cv.MoveTo(p.x(), p.y());
      return;
    }
    if (run.empty())
      run.push_back(current);
    run.push_back(p);
    if (run.size() >= kRunLength) {
      flush();
      run.push_back(p); // the next run starts where this one ended, without a gap
    }
  }

  // As mapping.PolarToScreen, with the angle's cosine and sine from the table.
  QPoint map(double R, double Phi, std::size_t index) const {
    const AngleTable::Entry &a = chart.m_angles.entry(index, Phi);
    int x = 0, y = 0;
    placePolar(mapping, x, y, R, a.cos, a.sin);
    TCustomPolChart::ClampScreenPoint(x, y);
    return {x, y};
  }

  void circle(const TpcDrawItem &it) {
    flush();
    setPenColor(it.Color);
    setBrushColor(it.FillColor);
    setPenStyle(it.PenStyle);
    cv.SetBrushStyle(it.Transparent ? Nuvra::bsClear : Nuvra::bsSolid);
    int x0 = 0, y0 = 0;
    mapping.PolarToScreen(x0, y0, it.R, -chart.m_angleOffset);
    // In 64 bits and clamped on all four sides: a huge radius must not overflow.
    const std::int64_t cx = chart.m_centerX, cy = chart.m_centerY;
    const std::int64_t d = std::int64_t{x0} - cx;
    auto clamp = [](std::int64_t v) {
      return static_cast<int>(std::clamp<std::int64_t>(v, -30000, 30000));
    };
    int left = clamp(cx - d), top = clamp(cy - d);
    int right = clamp(x0), bottom = clamp(cy + d);
    if (left > right)
      ++left;
    else
      ++right;
    if (top > bottom)
      ++top;
    else
      ++bottom;
    cv.Ellipse(left, top, right, bottom);
  }

  // An item without a position: a radius that is not a number or an angle that is not
  // finite. Joining its neighbours across it would draw a line that is not in the data.
  static bool noPosition(const TpcDrawItem &it) {
    return std::isnan(it.R) || (it.Kind != ikCircle && !std::isfinite(it.Phi));
  }

  void replay(const TpcDrawItem &it, std::size_t index) {
    if (noPosition(it)) {
      flush();
      if (it.Kind != ikCircle)
        penUp = true;
      return;
    }
    if (it.LineWidth != penWidth) {
      flush();
      penWidth = it.LineWidth;
      cv.SetPenWidth(penWidth);
    }
    switch (it.Kind) {
    case ikMoveTo: {
      const QPoint p = map(it.R, it.Phi, index);
      flush();
      current = p;
      penUp = false;
      cv.MoveTo(p.x(), p.y());
      break;
    }
    case ikDrawTo: {
      const QPoint p = map(it.R, it.Phi, index);
      if (it.Color != penColor || it.PenStyle != penStyle) {
        flush();
        setPenColor(it.Color);
        setPenStyle(it.PenStyle);
      }
      add(p);
      break;
    }
    case ikCircle: circle(it); break;
    default: break;
    }
  }
};

void PolChartPrivate::replayItems(TCanvas &cv) {
  Renderer r(*this, cv);
  r.start();
  const auto count = static_cast<std::size_t>(m_count);
  m_angles.prepare(r.mapping.angleOffset, r.mapping.angleFactor, count);
  for (std::size_t i = 0; i < count; ++i)
    r.replay(m_items[i], i);
  r.flush();
  cv.SetPenWidth(1);
}

void PolChartPrivate::renderStatic(TCanvas &cv, int &lastTextHeight) {
  // Background.
  cv.SetPenStyle(Nuvra::psSolid);
  cv.SetPenMode(Nuvra::pmCopy);
  cv.SetBrushColor(m_chartColor);
  cv.SetPenColor(m_chartColor);
  const QSize area = q->chartSize();
  cv.Rectangle(0, 0, area.width() - 1, area.height() - 1);
  drawGrid(cv, lastTextHeight);
}

void PolChartPrivate::renderChart(TCanvas &cv) {
  replayItems(cv);

  q->DrawTextLabels(cv);

  if (q->OnDataRendered) {
    TCanvas *canvas = &cv;
    q->OnDataRendered(q, canvas, 0, 0);
  }

  const int w = m_shadowWidth;
  if (w > 0) {
    const int W = q->width(), H = q->height();
    cv.SetPenColor(clBlack);
    cv.SetPenStyle(Nuvra::psSolid);
    cv.SetPenWidth(1);
    // The shadow's width in from the control's right and bottom edge.
    const QPoint frame[] = {{0, H - w}, {0, 0}, {W - w, 0}, {W - w, H - w}, {0, H - w}};
    cv.Polyline(frame);
  }
}

PolChartPrivate::StaticKey PolChartPrivate::staticKey() const {
  StaticKey k;
  k.size = q->size();
  k.pixelRatio = q->devicePixelRatioF();
  k.paletteKey = q->palette().cacheKey();
  k.font = q->font();
  k.shadowWidth = m_shadowWidth;
  k.shadowStyle = m_shadowStyle;
  k.gridStyleAng = m_gridStyleAng;
  k.gridStyleRad = m_gridStyleRad;
  k.labelModeAng = m_labelModeAng;
  k.labelModeRad = m_labelModeRad;
  k.decPlaceRad = m_decPlaceRad;
  k.decPlacePhi = m_decPlacePhi;
  k.centerX = m_centerX;
  k.centerY = m_centerY;
  k.rotSign = m_rotSign;
  k.shadowColor = m_shadowColor;
  k.shadowBakColor = m_shadowBakColor;
  k.chartColor = m_chartColor;
  k.gridColor = m_gridColor;
  k.scaleColor = m_scaleColor;
  k.rangeLow = m_rangeLow;
  k.rangeHigh = m_rangeHigh;
  k.angleBtwRays = m_angleBtwRays;
  k.magFactor = m_magFactor;
  k.angleOffset = m_angleOffset;
  k.angleFactor = m_angleFactor;
  k.labelHandler = static_cast<bool>(q->OnBeforeDrawScaleLabel);
  return k;
}

void TCustomPolChart::SetCacheStaticLayer(bool v) {
  d->m_cacheStaticLayer = v;
  invalidateStaticLayer();
}

void TCustomPolChart::invalidateStaticLayer() {
  d->m_static.valid = false;
  d->m_static.frame = d->m_static.chart = QImage();
}

// The shadow on the frame bitmap, background, grid and scale labels on the chart bitmap:
// drawn afresh, or copied from the cached layer while nothing they depend on has changed.
void PolChartPrivate::paintStaticLayer(int &lastTextHeight) {
  const StaticKey key = m_cacheStaticLayer ? staticKey() : StaticKey{};
  m_frameCanvas.release();
  m_chartCanvas.release();
  if (m_cacheStaticLayer && m_static.valid && m_static.key == key) {
    // The frame bitmap is a private copy of the cached one, made once: every paint covers its
    // whole chart area with the chart bitmap, and the shadow around it stays as it is. Sharing
    // it instead would copy the whole frame again on every paint when the chart is drawn on.
    const qint64 source = m_static.frame.cacheKey();
    if (m_frameSource != source || !m_frame.isDetached()) {
      m_frame = m_static.frame.copy();
      m_frame.setDevicePixelRatio(m_static.frame.devicePixelRatio());
      m_frameSource = source;
    }
    m_chart = m_static.chart; // shared until the first drawing detaches it
    m_frameCanvas.setTarget(&m_frame);
    m_chartCanvas.setTarget(&m_chart);
    m_chartCanvas.SetFont(q->font());
    m_chartCanvas.SetPenMode(Nuvra::pmCopy);
    lastTextHeight = m_static.lastTextHeight;
    return;
  }
  const int W = q->width(), H = q->height();
  const qreal ratio = q->devicePixelRatioF();
  m_frameSource = -1;
  if (!m_frame.isDetached())
    m_frame = QImage(); // shared with the cached layer: draw into a new one
  fitBackBuffer(m_frame, QSize(W, H), ratio);
  m_frame.fill(colorToQColor(m_shadowBakColor));
  m_frameCanvas.setTarget(&m_frame);
  drawShadow(m_frameCanvas);

  if (!m_chart.isDetached())
    m_chart = QImage();
  fitBackBuffer(m_chart, q->chartSize(), ratio);
  m_chart.fill(colorToQColor(m_chartColor));
  m_chartCanvas.setTarget(&m_chart);
  m_chartCanvas.SetFont(q->font());
  renderStatic(m_chartCanvas, lastTextHeight);
  if (!m_cacheStaticLayer)
    return;
  m_frameCanvas.release();
  m_chartCanvas.release();
  m_static = {true, key, m_frame, m_chart, lastTextHeight};
}

void TCustomPolChart::Paint() {
  if ((!Visible() && !IsDesigning()) || IsLoading() || d->m_suppressPaint)
    return;
  if (d->m_painting)
    return; // a handler changed a property while we draw; the picture is being made anyway
  d->m_painting = true;
  struct Reset {
    bool &flag;
    ~Reset() { flag = false; }
  } reset{d->m_painting};

  const int W = width(), H = height();
  const qreal ratio = devicePixelRatioF();

  int lastTextHeight = 0;
  d->paintStaticLayer(lastTextHeight);
  d->renderChart(d->m_chartCanvas);
  d->m_chartCanvas.release();

  d->m_frameCanvas.Draw(0, 0, d->m_chart);
  d->m_frameCanvas.release();

  d->m_screenCanvas.release();
  fitBackBuffer(d->m_screen, QSize(W, H), ratio);
  d->m_screenCanvas.setTarget(&d->m_screen);
  DrawCrossHairs(d->m_frame);
  d->m_screenCanvas.release();
  d->m_overlayCanvas.release();

  if (!d->m_inPaintEvent)
    update();
}
