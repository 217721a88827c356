#pragma once
// The chart's private part: its state and the steps of painting, mapping and mouse handling,
// shared by the polchart_*.cpp files. Not part of the published interface: only the chart's
// own files, and benchmarks that time one pass on its own, include it.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <array>
#include <cstdint>
#include <vector>

#include "Nuvra_canvas.h"
#include "Nuvra_polchart.h"

// ChartMapping::PolarToScreen after the angle: R and the cosine and sine of the screen angle
// to pixels, with the same clamps and rounding.
void placePolar(const ChartMapping &m, int &X, int &Y, double R, double cosTheta, double sinTheta);

// The cosines and sines of the drawing list's angles, by item index. The program refills the
// list with the same angles at every scroll-bar move (only the radii change), so each angle's
// pair is computed once per angle setting. An entry serves only an item whose angle is bit for
// bit the one it was computed from, under the same AngleOffset and angle unit; any other
// offset or unit empties the table. The rotation direction is applied after the sine and needs
// no entry of its own. The table outlives ClearGraf and shrinks with a much shorter list.
class AngleTable {
public:
  struct Entry {
    double phi, cos, sin;
  };
  // For a replay of `count` items under these angle parameters.
  void prepare(double angleOffset, double angleFactor, std::size_t count);
  // The entry of item `index` (below the prepared count) for its angle, computed when needed.
  const Entry &entry(std::size_t index, double phi);
  // How many entries the table holds memory for.
  std::size_t held() const { return m_entries.capacity(); }

private:
  double m_angleOffset = 0;
  double m_angleFactor = 0;
  std::vector<Entry> m_entries;
};

class PolChartPrivate {
public:
  explicit PolChartPrivate(TCustomPolChart *chart) : q(chart) {}

  static PolChartPrivate *get(TCustomPolChart *chart) { return chart->d.get(); }
  static const PolChartPrivate *get(const TCustomPolChart *chart) { return chart->d.get(); }

  struct Renderer; // the item replay of one repaint
  struct GridPass; // the named passes of the grid over one geometry

  // What the cached layer was drawn from; any difference redraws it.
  struct StaticKey {
    QSize size;
    double pixelRatio = 1;
    qint64 paletteKey = 0;
    QFont font;
    int shadowWidth = 0, shadowStyle = 0, gridStyleAng = 0, gridStyleRad = 0;
    int labelModeAng = 0, labelModeRad = 0, decPlaceRad = 0, decPlacePhi = 0;
    int centerX = 0, centerY = 0, rotSign = 1;
    TColor shadowColor = 0, shadowBakColor = 0, chartColor = 0, gridColor = 0, scaleColor = 0;
    double rangeLow = 0, rangeHigh = 0, angleBtwRays = 0, magFactor = 0, angleOffset = 0;
    double angleFactor = 0;
    bool labelHandler = false;
    bool operator==(const StaticKey &) const = default;
  };

  // Mouse state; positions in chart pixels.
  struct MouseState {
    bool dragging = false;
    Nuvra::TMouseActMode dragMode = Nuvra::maNone; // the mode that started the drag
    QPoint dragStart;
    int startCenterX = 0;
    int startCenterY = 0;
    double startMag = 1;
    int crossHair = 0; // 0 none yet, else 1..4
    int label = 0;     // 0 none yet, else 1..20
    bool window = false;
    QPoint anchor;
    QPoint corner;
    bool rectShown = false;    // the rubber rectangle is on the screen image
    bool clickPending = false; // a left press not yet released
  };

  // ---- model ----
  QString componentMessage(const QString &what) const;
  void assignCrossHair(int index, TpcCrossHair *src);
  void appendItem(std::uint8_t kind, double R, double Phi);
  // The mapping with the current direction settings and the last computed scale and centre.
  ChartMapping currentMapping() const;

  // ---- painting ----
  void drawShadow(TCanvas &canvas);
  void drawGrid(TCanvas &canvas, int &lastTextHeight);
  StaticKey staticKey() const;
  void paintStaticLayer(int &lastTextHeight);
  void renderStatic(TCanvas &canvas, int &lastTextHeight);
  void renderChart(TCanvas &canvas);
  void replayItems(TCanvas &canvas);
  QPoint labelAnchor(const TpcTextLabel &label) const;
  void drawTextLabel(TCanvas &canvas, const TpcTextLabel &label);
  void drawCrossHair(TCanvas &canvas, const TpcCrossHair &ch);

  // ---- mouse ----
  // Screen position to polar; false (R = RangeLow, Phi = 0) while the mapping has no scale.
  bool pointerToPolar(int X, int Y, double &R, double &Phi) const;
  bool inChartArea(int X, int Y) const;
  void dragMove(TCustomPolChart::TShiftState Shift, int X, int Y);
  void startDrag(int X, int Y);
  void dragLabel(int X, int Y);
  void zoomWindowMove(int X, int Y);
  void zoomWindowEnd(bool apply);
  void xorZoomRect(QPoint a, QPoint b);

  TCustomPolChart *const q;

  // properties
  int m_allocSize = 1000;
  double m_angleOffset = 0;
  bool m_autoRedraw = true;
  bool m_autoCenter = true;
  int m_centerX = 120;
  int m_centerY = 80;
  int m_classDefault = 0;
  int m_decPlaceRad = 2;
  int m_decPlacePhi = 2;
  TColor m_gridColor = clBlack;
  TCustomPolChart::TpcGridStyleAng m_gridStyleAng = TCustomPolChart::gsAngDots;
  TCustomPolChart::TpcGridStyleRad m_gridStyleRad = TCustomPolChart::gsRadBothDots;
  TColor m_dataColor = clBlack;
  Nuvra::TPenStyle m_penStyle = Nuvra::psSolid;
  TColor m_scaleColor = clBlack;
  TColor m_fillColor = clSilver;
  TColor m_chartColor = clWhite;
  int m_lineWidth = 1;
  TCustomPolChart::TpcAngLabelMode m_labelModeAng = TCustomPolChart::almDegrees;
  TCustomPolChart::TpcRadLabelMode m_labelModeRad = TCustomPolChart::rlmVertCenter;
  double m_rangeLow = 0;
  double m_rangeHigh = 1;
  double m_angleBtwRays = 30;
  double m_magFactor = 1;
  Nuvra::TMouseActMode m_mouseAction = Nuvra::maNone;
  int m_rotSign = 1;
  int m_shadowWidth = 0;
  Nuvra::TShadowStyle m_shadowStyle = Nuvra::ssFlying;
  TColor m_shadowColor = clGrayText;
  TColor m_shadowBakColor = clBtnFace;
  Nuvra::TFontStyles m_textFontStyle;
  TCustomPolChart::TpcTextBkg m_textBkStyle = TCustomPolChart::tbClear;
  TColor m_textBkColor = clWhite;
  Nuvra::TAlignment m_textAlignment = Nuvra::taCenter;
  double m_angleFactor = TCustomPolChart::kDegToRad;
  bool m_suppressPaint = true;
  bool m_cacheStaticLayer = false;
  struct {
    bool valid = false;
    StaticKey key;
    QImage frame, chart;
    int lastTextHeight = 0;
  } m_static;
  // The cached frame the frame bitmap was last copied from (its cache key), or -1.
  qint64 m_frameSource = -1;

  // owned objects
  std::array<TpcCrossHair *, TCustomPolChart::kCrossHairCount> m_crossHairs{};
  std::array<TpcTextLabel *, TCustomPolChart::kTextLabelCount> m_textLabels{};

  // drawing list: m_items.size() is the capacity
  std::vector<TpcDrawItem> m_items;
  int m_count = 0;

  ChartMapping m_map;
  AngleTable m_angles; // kept across ClearGraf: the next list usually has the same angles

  // bitmaps and canvases
  QImage m_frame, m_chart, m_overlay, m_screen;
  TCanvas m_frameCanvas{QStringLiteral("frame")};
  TCanvas m_chartCanvas{QStringLiteral("chart")};
  TCanvas m_overlayCanvas{QStringLiteral("overlay")};
  TCanvas m_screenCanvas{QStringLiteral("screen")};
  // The control's own canvas: measures text with the widget's default font, never `Font`.
  TCanvas m_ownCanvas{QStringLiteral("control")};
  bool m_painting = false;
  bool m_inPaintEvent = false;
  bool m_windowCreated = false;

  MouseState m_mouse;
  bool m_resizing = false; // OnCanResize's answer is being applied
};
