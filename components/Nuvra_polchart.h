#pragma once
// The polar chart: a round diagram with a radial and an angular grid, scale labels and a list
// of drawing items given in polar coordinates (radius R, angle Phi).
//
// Typical use: ClearGraf; set DataColor/PenStyle/FillColor/TransparentFill; Circle; MoveTo;
// many DrawTo; ShowGraf. Appending never repaints; every repaint replays the whole list.
//
// Drawing happens off screen: Paint renders the shadow onto the frame bitmap (canvas tag
// "frame"), the chart onto the chart bitmap ("chart"), copies the chart over the frame and
// hands the frame to the cross-hair step, which puts it onto the control's image ("screen";
// through the "overlay" bitmap when a cross-hair is visible). paintEvent only blits that image.
//
// Radius axis: linear and offset, RangeLow at the centre and RangeHigh at the rim; radii below
// RangeLow are drawn at the centre, not mirrored through it. Angle 0 points to three o'clock;
// angles grow clockwise with rdClockwise (y grows downwards), AngleOffset turns everything.
//
// This header is the published interface; the state and the paint, mapping and mouse steps
// live in the private part (polchart_p.h).

#include <QFont>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Nuvra_canvas.h"
#include "Nuvra_nuvrabase.h"

class QPainter;
class TCustomPolChart;
class PolChartPrivate;

// ---- annotation objects: data model only (drawing, hit tests and dragging live elsewhere) --

// Marks one polar position, either with a horizontal and a vertical line across the chart
// (chOrtho) or with a circle about the centre and a ray from it (chPolar). Every setter stores
// the value and notifies OnChange, even when the value did not change; nothing is validated.
class TpcCrossHair : public QObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Nuvra::TPenStyle LineType READ LineType WRITE SetLineType)
  Q_PROPERTY(int LineWid READ LineWid WRITE SetLineWid)
  Q_PROPERTY(TpcCrossHMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(double PosPhi READ PosPhi WRITE SetPosPhi)
  Q_PROPERTY(double PosRad READ PosRad WRITE SetPosRad)

public:
  enum TpcCrossHMode { chOff, chOrtho, chPolar };
  Q_ENUM(TpcCrossHMode)

  explicit TpcCrossHair(QObject *parent = nullptr);

  TColor Color() const { return m_color; }
  void SetColor(TColor v);
  Nuvra::TPenStyle LineType() const { return m_lineType; }
  void SetLineType(Nuvra::TPenStyle v);
  int LineWid() const { return m_lineWid; }
  void SetLineWid(int v);
  TpcCrossHMode Mode() const { return m_mode; }
  void SetMode(TpcCrossHMode v);
  double PosPhi() const { return m_posPhi; }
  void SetPosPhi(double v);
  double PosRad() const { return m_posRad; }
  void SetPosRad(double v);

  // Copies Color, LineType, LineWid, Mode, PosPhi and PosRad; keeps this object's OnChange.
  void assignFrom(const TpcCrossHair &src);

  // Called with this object as Sender after every property write (mouse dragging writes the
  // position fields directly instead and does not notify).
  std::function<void(QObject *Sender)> OnChange;

  // Direct field access for dragging, without notification.
  double &posRadRef() { return m_posRad; }
  double &posPhiRef() { return m_posPhi; }

private:
  void changed();

  double m_posRad = 0;
  double m_posPhi = 0;
  TColor m_color = clBlack;
  TpcCrossHMode m_mode = chOff;
  Nuvra::TPenStyle m_lineType = Nuvra::psSolid;
  int m_lineWid = 1;
};

// A caption of one or more lines (separated by line feeds) anchored at a polar data position
// (AttachToData) or at a pixel position of the chart bitmap. Setters notify like TpcCrossHair.
class TpcTextLabel : public QObject {
  Q_OBJECT
  Q_PROPERTY(double PosRad READ PosRad WRITE SetPosRad)
  Q_PROPERTY(double PosPhi READ PosPhi WRITE SetPosPhi)
  Q_PROPERTY(bool AttachToData READ AttachToData WRITE SetAttachToData)
  Q_PROPERTY(TColor ColorBkg READ ColorBkg WRITE SetColorBkg)
  Q_PROPERTY(TColor ColorBorder READ ColorBorder WRITE SetColorBorder)
  Q_PROPERTY(TColor ColorShadow READ ColorShadow WRITE SetColorShadow)
  Q_PROPERTY(int ShadowDx READ ShadowDx WRITE SetShadowDx)
  Q_PROPERTY(int ShadowDy READ ShadowDy WRITE SetShadowDy)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Nuvra::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(QFont Font READ Font WRITE SetFont)
  Q_PROPERTY(TColor FontColor READ fontColor WRITE setFontColor)
  Q_PROPERTY(TTxtLblMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
  enum TTxtLblMode { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
  Q_ENUM(TTxtLblMode)

  explicit TpcTextLabel(const QFont &font, QObject *parent = nullptr);

  double PosRad() const { return m_posRad; }
  void SetPosRad(double v);
  double PosPhi() const { return m_posPhi; }
  void SetPosPhi(double v);
  bool AttachToData() const { return m_attachToData; }
  void SetAttachToData(bool v);
  TColor ColorBkg() const { return m_colorBkg; }
  void SetColorBkg(TColor v);
  TColor ColorBorder() const { return m_colorBorder; }
  void SetColorBorder(TColor v);
  TColor ColorShadow() const { return m_colorShadow; }
  void SetColorShadow(TColor v);
  int ShadowDx() const { return m_shadowDx; }
  void SetShadowDx(int v);
  int ShadowDy() const { return m_shadowDy; }
  void SetShadowDy(int v);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool v);
  Nuvra::TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(Nuvra::TAlignment v);
  const QFont &Font() const { return m_font; }
  // Copies the attributes into the label's own font; later changes of `v` do not reach it.
  void SetFont(const QFont &v);
  // The label's own font object; changing it directly notifies nobody.
  QFont &fontObject() { return m_font; }
  // The text colour (a QFont carries none); starts as the window text colour.
  TColor fontColor() const { return m_fontColor; }
  void setFontColor(TColor v);
  TTxtLblMode Mode() const { return m_mode; }
  void SetMode(TTxtLblMode v);
  const QString &Caption() const { return m_caption; }
  void SetCaption(const QString &v);

  std::function<void(QObject *Sender)> OnChange;

  double &posRadRef() { return m_posRad; }
  double &posPhiRef() { return m_posPhi; }

private:
  void changed();

  double m_posRad = 0;
  double m_posPhi = 0;
  int m_shadowDx = 3;
  int m_shadowDy = 3;
  TColor m_colorShadow = clGray;
  Nuvra::TAlignment m_alignment = Nuvra::taCenter;
  bool m_attachToData = true;
  TColor m_colorBkg = clWhite;
  TColor m_colorBorder = clBlack;
  bool m_transparent = false;
  QFont m_font;
  TColor m_fontColor = clWindowText;
  QString m_caption;
  TTxtLblMode m_mode = tlOff;
};

// ---- drawing list ---------------------------------------------------------------------------

// Item kinds; no other value is ever stored.
inline constexpr std::uint8_t ikDrawTo = 3;
inline constexpr std::uint8_t ikMoveTo = 7;
inline constexpr std::uint8_t ikCircle = 8;

// One entry of the drawing list: a snapshot of the drawing attributes at the time of the call.
struct TpcDrawItem {
  double R = 0;               // radius in data units
  double Phi = 0;             // angle in the chart's angle unit at drawing time
  TColor Color = 0;           // pen colour (DataColor)
  TColor FillColor = 0;       // circles only (FillColor)
  std::uint8_t PenStyle = 0;  // a Nuvra::TPenStyle (PenStyle)
  std::uint8_t LineWidth = 0; // LineWidth
  std::uint8_t ItemClass = 0; // ClassDefault; does not influence drawing
  std::uint8_t Kind = 0;      // ikDrawTo, ikMoveTo or ikCircle
  bool Transparent = false;   // circles only (TransparentFill)
};

// ---- mapping between polar and screen coordinates (pure; no window needed) ----------------

struct ChartMapping {
  double scaleX = 0, scaleY = 0;   // pixels per data unit of radius; negative for reversed ranges
  double offsetX = 0, offsetY = 0; // the centre in chart-bitmap pixels
  double rangeLow = 0, rangeHigh = 1;
  double angleOffset = 0; // in the unit of Phi
  double angleFactor = 1; // pi/180 for degrees, 1 for radians
  double rotSign = 1;     // +1 clockwise, -1 counter-clockwise

  // Scale and centre for a chart area of (width - shadow) x (height - shadow) pixels; an
  // area below zero counts as zero (no scale).
  void calc(int width, int height, int shadow, double magFactor, int centerX, int centerY);
  // Radii below RangeLow (beyond it, for reversed ranges) map to the centre; radii beyond
  // RangeHigh are not clamped. Coordinates are limited to the int range, then rounded; a
  // coordinate that cannot be computed (a radius that is not a number, an angle that is not
  // finite) is the centre's. The item replay leaves such items out as gaps in the line.
  void PolarToScreen(int &X, int &Y, double R, double Phi) const;
  // Phi comes back in 0..360 degrees (or 0..2 pi), both ends included.
  void ScreenToPolar(int X, int Y, double &R, double &Phi) const;
};

// ---- the control -----------------------------------------------------------------------------

class TCustomPolChart : public QWidget, public NuvraLoadable {
  Q_OBJECT

public:
  enum TpcGridStyleRad {
    gsRadNone,
    gsRadOuterDots,
    gsRadOuterSolid,
    gsRadBothDots,
    gsRadBothSolid,
    gsRadBothMixed
  };
  Q_ENUM(TpcGridStyleRad)
  enum TpcGridStyleAng { gsAngNone, gsAngDots, gsAngSolid };
  Q_ENUM(TpcGridStyleAng)
  enum TpcTextBkg { tbClear, tbSolid };
  Q_ENUM(TpcTextBkg)
  enum TpcRotationDir { rdClockwise, rdCounterCW };
  Q_ENUM(TpcRotationDir)
  enum TpcAngLabelMode {
    almNone,
    almDegrees,
    almRadians,
    almMultiPi,
    almSymmDeg,
    almSymmRad,
    almSymmMultiPi
  };
  Q_ENUM(TpcAngLabelMode)
  enum TpcRadLabelMode { rlmNone, rlmVertLeft, rlmVertCenter, rlmVertRight };
  Q_ENUM(TpcRadLabelMode)
  enum TpcScaleKind { skRadial, skAngular };
  Q_ENUM(TpcScaleKind)
  // The toolkit's shift state as the mouse events report it.
  enum TShiftStateFlag {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
  };
  Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
  Q_FLAG(TShiftState)
  enum TMouseButton { mbLeft, mbRight, mbMiddle };
  Q_ENUM(TMouseButton)

  // Events; Sender is always the chart. Reference parameters may be changed by the handler.
  // Called once per scale label before it is measured and drawn; an empty text suppresses it.
  using TpcBeforeDrawScaleLabelEvent =
      std::function<void(QObject *Sender, TCanvas *&Canvas, TpcScaleKind ScaleType,
                         QString &CurrentTickLabel, int ChartX, int ChartY)>;
  // Called once per repaint after data and text labels, before the frame line (Top = Left = 0).
  using TpcRenderEvent = std::function<void(QObject *Sender, TCanvas *&Canvas, int Top, int Left)>;
  using TpcMouseMoveInChartEvent =
      std::function<void(QObject *Sender, bool InChart, TShiftState Shift, double rad, double phi)>;
  using TZoomPanEvent = std::function<void(QObject *Sender)>;
  using TpcCrossHairMoveEvent = std::function<void(QObject *Sender, TpcCrossHair *WhichCrossHair)>;
  using TpcTextLabelMoveEvent = std::function<void(QObject *Sender, TpcTextLabel *WhichTextLabel)>;
  using TNotifyEvent = std::function<void(QObject *Sender)>;
  // The toolkit's mouse events; X and Y are control pixels.
  using TMouseEvent =
      std::function<void(QObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
  using TMouseMoveEvent = std::function<void(QObject *Sender, TShiftState Shift, int X, int Y)>;
  // Asked before a new size takes effect; the handler may change the size or refuse it.
  using TCanResizeEvent =
      std::function<void(QObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)>;

  // AngleBtwRays always snaps to one of these spacings (degrees, whatever UseDegrees says).
  static constexpr std::array<double, 17> kRaySpacings = {6,  7.5, 9,  10, 12, 15,  18,  20, 22.5,
                                                          30, 36,  45, 60, 90, 120, 180, 360};
  static constexpr double kPi = 3.141592653589793;
  static constexpr double kDegToRad = 0.017453292519943295;
  static constexpr int kCrossHairCount = 4;
  static constexpr int kTextLabelCount = 20;

  explicit TCustomPolChart(QWidget *parent = nullptr);
  ~TCustomPolChart() override;

  // ---- properties (published by TPolChart) ----
  // "Repaints" below means the repaint rule: Paint when AutoRedraw is true. "Rescales" means
  // CalcScaling runs first. Attributes for items (DataColor, PenStyle, LineWidth, FillColor,
  // ClassDefault) are only stored: they affect items appended later and never repaint.
  // Real-valued setters ignore values that are not finite.
  int AllocSize() const;
  void SetAllocSize(int v); // growth step of the list; outside 1..1000000 ignored
  double AngleOffset() const;
  void SetAngleOffset(double v); // clamped to +-180 (+-pi in radians); rescales, repaints
  bool AutoRedraw() const;
  void SetAutoRedraw(bool v);
  bool AutoCenter() const;
  void SetAutoCenter(bool v); // becoming true re-centres (CenterChart)
  int CenterX() const;
  void SetCenterX(int v); // -Width..2*Width; re-centres instead while AutoCenter; repaints
  int CenterY() const;
  void SetCenterY(int v); // -Height..2*Height; otherwise as CenterX
  int ClassDefault() const;
  void SetClassDefault(int v); // a byte stamped on new items; 255 is ignored
  int DecPlaceRad() const;
  void SetDecPlaceRad(int v); // -2..12 (negative: scientific); repaints
  int DecPlacePhi() const;
  void SetDecPlacePhi(int v); // 0..3, for radian angle labels; repaints
  TColor GridColor() const;
  void SetGridColor(TColor v); // this and the other look settings below repaint
  TpcGridStyleAng GridStyleAngular() const;
  void SetGridStyleAngular(TpcGridStyleAng v);
  TpcGridStyleRad GridStyleRadial() const;
  void SetGridStyleRadial(TpcGridStyleRad v);
  TColor DataColor() const;
  void SetDataColor(TColor v);
  Nuvra::TPenStyle PenStyle() const;
  void SetPenStyle(Nuvra::TPenStyle v);
  TColor ScaleColor() const;
  void SetScaleColor(TColor v);
  TColor FillColor() const;
  void SetFillColor(TColor v);
  TColor ChartColor() const;
  void SetChartColor(TColor v);
  int LineWidth() const;
  void SetLineWidth(int v); // a byte: values outside 0..255 are ignored
  TpcAngLabelMode LabelModeAngular() const;
  void SetLabelModeAngular(TpcAngLabelMode v);
  TpcRadLabelMode LabelModeRadial() const;
  void SetLabelModeRadial(TpcRadLabelMode v);
  TpcCrossHair *CrossHair1() const;
  TpcCrossHair *CrossHair2() const;
  TpcCrossHair *CrossHair3() const;
  TpcCrossHair *CrossHair4() const;
  // Assignment copies the given cross-hair's settings into the owned one.
  void SetCrossHair1(TpcCrossHair *v);
  void SetCrossHair2(TpcCrossHair *v);
  void SetCrossHair3(TpcCrossHair *v);
  void SetCrossHair4(TpcCrossHair *v);
  TpcCrossHair *crossHair(int index) const; // 1..4
  double RangeLow() const;
  void SetRangeLow(double v); // radius at the centre; equal to RangeHigh pushes it up by 1
  double RangeHigh() const;
  void SetRangeHigh(double v); // radius at the rim; equal to RangeLow pulls that down by 1
  double AngleBtwRays() const;
  void SetAngleBtwRays(double v); // snapped to kRaySpacings; rescales, repaints
  double MagFactor() const;
  void SetMagFactor(double v); // 0.01..1000; rescales, repaints
  Nuvra::TMouseActMode MouseAction() const;
  // Only stored (and the pointer shape chosen); a drag or zoom window under way is ended by
  // the next mouse event, not here.
  void SetMouseAction(Nuvra::TMouseActMode v);
  TpcRotationDir RotationDir() const;
  void SetRotationDir(TpcRotationDir v);
  int ShadowWidth() const;
  void SetShadowWidth(int v); // 0..32; rescales, repaints
  Nuvra::TShadowStyle ShadowStyle() const;
  void SetShadowStyle(Nuvra::TShadowStyle v);
  TColor ShadowColor() const;
  void SetShadowColor(TColor v);
  TColor ShadowBakColor() const;
  void SetShadowBakColor(TColor v);
  // The four Text… properties are kept and streamed, but no drawing reads them.
  Nuvra::TFontStyles TextFontStyle() const;
  void SetTextFontStyle(Nuvra::TFontStyles v);
  TpcTextBkg TextBkStyle() const;
  void SetTextBkStyle(TpcTextBkg v);
  TColor TextBkColor() const;
  void SetTextBkColor(TColor v);
  Nuvra::TAlignment TextAlignment() const;
  void SetTextAlignment(Nuvra::TAlignment v);
  bool UseDegrees() const;
  void SetUseDegrees(bool v); // the unit of every angle; rescales, repaints

  // True declares that OnBeforeDrawScaleLabel depends only on its arguments: the shadow,
  // background, grid and scale labels are then drawn once into a cached layer and reused until
  // something they depend on changes (the handler runs again only then). False (the default)
  // draws everything on every repaint. Assigning another label handler while it is true needs
  // invalidateStaticLayer().
  bool CacheStaticLayer() const;
  void SetCacheStaticLayer(bool v);
  void invalidateStaticLayer();

  // Not published: true until the window exists (CreateWnd); while true Paint does nothing.
  bool SuppressPaint() const;
  void SetSuppressPaint(bool v); // false repaints at once; the same value does nothing
  // Copied into each circle appended; a circle added while it is true is drawn hollow.
  bool TransparentFill = false;

  TpcTextLabel *TextLabel(int index) const; // 1..20; ENuvraError outside

  // Hit tests in chart pixels, for picking what a drag moves. NearestCrossHair measures to the
  // nearer of a visible cross-hair's two lines, NearestTextLabel to a visible label's anchor;
  // there is no maximum distance, ties keep the lower number, and with nothing visible the
  // answer is 1.
  int NearestCrossHair(int X, int Y) const; // 1..4
  int NearestTextLabel(int X, int Y) const; // 1..20

  // ---- events ----
  TpcBeforeDrawScaleLabelEvent OnBeforeDrawScaleLabel;
  TpcRenderEvent OnDataRendered;
  TpcMouseMoveInChartEvent OnMouseMoveInChart;
  TZoomPanEvent OnZoomPan;
  TpcCrossHairMoveEvent OnCrossHairMove;
  TpcTextLabelMoveEvent OnTextLabelMove;
  // Replaces the chart's own resize handling (re-centring while AutoCenter is true).
  TNotifyEvent OnResize;
  // A left press and release both inside the control, after the release's own handling.
  TNotifyEvent OnClick;
  // A left double-click (its press also reaches OnMouseDown).
  TNotifyEvent OnDblClick;
  // Before OnResize; a refused or changed size is put back or applied at once.
  TCanResizeEvent OnCanResize;
  // Fired first by each mouse handler, before the chart reacts according to MouseAction.
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

  // ---- the drawing list, read only (the application exports it) ----
  int Count() const;
  int capacity() const;
  const TpcDrawItem &item(int index) const; // 0..Count()-1; ENuvraError outside

  // ---- mapping and painting ----
  // Recomputes the scale and the centre offsets; does nothing while loading.
  virtual void CalcScaling();
  void PolarToScreen(int &X, int &Y, double R, double Phi) const;
  void ScreenToPolar(int X, int Y, double &R, double &Phi) const;
  const ChartMapping &mapping() const;
  // Re-centres the chart in its area (room for a vertical scale at the side), then
  // CalcScaling and ShowGraf.
  void CenterChart();
  // Rebuilds the whole picture off screen and copies it to the control in one step. Does
  // nothing while invisible, loading or SuppressPaint.
  virtual void Paint();
  void Loaded() override;
  // Draws the chart alone (background, grid, data and labels; not the shadow or the
  // cross-hairs) through any painter, one painter unit per chart pixel, as Paint draws the
  // chart bitmap; the picture is chartSize() units large. For figures and prints.
  void renderChart(QPainter &painter);
  QSize chartSize() const;

  // The three bitmaps and the control's image, as the last Paint left them.
  const QImage &frameBitmap() const;
  const QImage &chartBitmap() const;
  const QImage &overlayBitmap() const;
  const QImage &screenImage() const;

  // ---- pure helpers (reachable without a window) ----
  // Raises each coordinate to -30000 / lowers it to 30000.
  static void ClampScreenPoint(int &X, int &Y);
  // The magnification a zoom-drag gives after moving the pointer by dy pixels on a control
  // `height` pixels high: up by the height adds 1. Kept within MagFactor's 0.01..1000.
  static double zoomDragMagFactor(double startMag, int dy, int height);
  // The opposite corner of a square zoom window anchored at `anchor` for the pointer at
  // (X, Y), limited to the chart area 0..wc x 0..hc.
  static QPoint zoomWindowCorner(QPoint anchor, int X, int Y, int wc, int hc);
  // The view after zooming into the window spanned by two corners: the window's bottom-left
  // goes to the bottom-left of the control's centred square and its size to that square's.
  // False (view untouched) for a window without width or height or a control without room.
  // The magnification stays at most 1000; the window then fills less of the square.
  struct ZoomView {
    int centerX = 0;
    int centerY = 0;
    double magFactor = 1;
  };
  static bool zoomWindowView(ZoomView &view, QPoint a, QPoint b, int width, int height,
                             int shadowWidth);
  // Decimals >= 0: fixed point; -1: scientific with a trimmed two-digit exponent ("*" for an
  // exponent of 100 or more); -2: scientific with a four-digit exponent.
  static QString FormatScaleValue(int Width, int Decimals, double Value);
  // The nearest spacing of kRaySpacings; a value midway keeps the earlier entry.
  static double snapRaySpacing(double v);
  // The label text of ray i (value i * angleBtwRays degrees). Multiple-of-pi texts use the
  // letter "p" for pi; the chart shows the Greek letter instead when drawing.
  static QString angleLabelText(TpcAngLabelMode mode, int i, double angleBtwRays, int decPlacePhi);

  // Square sizes at the widget's font. The minimum gives the grid a radius of 8 label heights
  // and 5 pixels, so the radial labels at every fifth of it, the rim labels inside the circle
  // included, stand one above the other without overlapping; the hint doubles that radius.
  // Both add the shadow. Neither follows MagFactor, which zooms within whatever size the
  // layout gives (the angle labels outside the circle need it below 1, as layouts set it).
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

protected:
  // The label pass on the chart bitmap (after the data, before OnDataRendered).
  virtual void DrawTextLabels(TCanvas &canvas);
  // Puts the composed frame, with the visible cross-hairs over a copy of it, onto the
  // control's image at (0, 0).
  virtual void DrawCrossHairs(QImage &frame);

  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  // Mouse input: positions become signed 16-bit control pixels, then go to MouseDown,
  // MouseMove (followed by OnMouseMoveInChart) and MouseUp.
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  // Each fires its On… event first, then does the chart's own work for MouseAction.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // Reports the pointer position in polar coordinates (OnMouseMoveInChart).
  void mouseMoveInChart(TShiftState Shift, int X, int Y);
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

  bool Visible() const { return !isHidden(); }
  // Paint when AutoRedraw (or in design state).
  void repaintRule();
  // The control's window now exists; TPolChart then allows painting.
  virtual void CreateWnd();

  TCanvas &screenCanvas();
  TCanvas &overlayCanvas();
  QImage &overlay();

private:
  friend class TPolChart;
  friend class PolChartPrivate;
  std::unique_ptr<PolChartPrivate> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TCustomPolChart::TShiftState)

// The published chart: the property list below is what a layout may set, in streaming order.
class TPolChart : public TCustomPolChart {
  Q_OBJECT
  Q_PROPERTY(QFont Font READ font WRITE setFont)
  Q_PROPERTY(int AllocSize READ AllocSize WRITE SetAllocSize)
  Q_PROPERTY(double AngleOffset READ AngleOffset WRITE SetAngleOffset)
  Q_PROPERTY(bool AutoRedraw READ AutoRedraw WRITE SetAutoRedraw)
  Q_PROPERTY(bool AutoCenter READ AutoCenter WRITE SetAutoCenter)
  Q_PROPERTY(int CenterX READ CenterX WRITE SetCenterX)
  Q_PROPERTY(int CenterY READ CenterY WRITE SetCenterY)
  Q_PROPERTY(int ClassDefault READ ClassDefault WRITE SetClassDefault)
  Q_PROPERTY(int DecPlaceRad READ DecPlaceRad WRITE SetDecPlaceRad)
  Q_PROPERTY(int DecPlacePhi READ DecPlacePhi WRITE SetDecPlacePhi)
  Q_PROPERTY(TColor GridColor READ GridColor WRITE SetGridColor)
  Q_PROPERTY(TCustomPolChart::TpcGridStyleAng GridStyleAngular READ GridStyleAngular WRITE
                 SetGridStyleAngular)
  Q_PROPERTY(TCustomPolChart::TpcGridStyleRad GridStyleRadial READ GridStyleRadial WRITE
                 SetGridStyleRadial)
  Q_PROPERTY(TColor DataColor READ DataColor WRITE SetDataColor)
  Q_PROPERTY(Nuvra::TPenStyle PenStyle READ PenStyle WRITE SetPenStyle)
  Q_PROPERTY(TColor ScaleColor READ ScaleColor WRITE SetScaleColor)
  Q_PROPERTY(TColor FillColor READ FillColor WRITE SetFillColor)
  Q_PROPERTY(TColor ChartColor READ ChartColor WRITE SetChartColor)
  Q_PROPERTY(int LineWidth READ LineWidth WRITE SetLineWidth)
  Q_PROPERTY(TCustomPolChart::TpcAngLabelMode LabelModeAngular READ LabelModeAngular WRITE
                 SetLabelModeAngular)
  Q_PROPERTY(TCustomPolChart::TpcRadLabelMode LabelModeRadial READ LabelModeRadial WRITE
                 SetLabelModeRadial)
  Q_PROPERTY(TpcCrossHair *CrossHair1 READ CrossHair1 WRITE SetCrossHair1)
  Q_PROPERTY(TpcCrossHair *CrossHair2 READ CrossHair2 WRITE SetCrossHair2)
  Q_PROPERTY(TpcCrossHair *CrossHair3 READ CrossHair3 WRITE SetCrossHair3)
  Q_PROPERTY(TpcCrossHair *CrossHair4 READ CrossHair4 WRITE SetCrossHair4)
  Q_PROPERTY(double RangeLow READ RangeLow WRITE SetRangeLow)
  Q_PROPERTY(double RangeHigh READ RangeHigh WRITE SetRangeHigh)
  Q_PROPERTY(double AngleBtwRays READ AngleBtwRays WRITE SetAngleBtwRays)
  Q_PROPERTY(double MagFactor READ MagFactor WRITE SetMagFactor)
  Q_PROPERTY(Nuvra::TMouseActMode MouseAction READ MouseAction WRITE SetMouseAction)
  Q_PROPERTY(TCustomPolChart::TpcRotationDir RotationDir READ RotationDir WRITE SetRotationDir)
  Q_PROPERTY(int ShadowWidth READ ShadowWidth WRITE SetShadowWidth)
  Q_PROPERTY(Nuvra::TShadowStyle ShadowStyle READ ShadowStyle WRITE SetShadowStyle)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor)
  Q_PROPERTY(TColor ShadowBakColor READ ShadowBakColor WRITE SetShadowBakColor)
  Q_PROPERTY(Nuvra::TFontStyles TextFontStyle READ TextFontStyle WRITE SetTextFontStyle)
  Q_PROPERTY(TCustomPolChart::TpcTextBkg TextBkStyle READ TextBkStyle WRITE SetTextBkStyle)
  Q_PROPERTY(TColor TextBkColor READ TextBkColor WRITE SetTextBkColor)
  Q_PROPERTY(Nuvra::TAlignment TextAlignment READ TextAlignment WRITE SetTextAlignment)
  Q_PROPERTY(bool UseDegrees READ UseDegrees WRITE SetUseDegrees)
  Q_PROPERTY(bool CacheStaticLayer READ CacheStaticLayer WRITE SetCacheStaticLayer)

public:
  explicit TPolChart(QWidget *parent = nullptr);

  // The window exists from now on: clears SuppressPaint (which repaints). Runs by itself on
  // the first show; headless users and tests call it directly.
  void CreateWnd() override;

  // ---- drawing interface: each call appends one item; none repaints ----
  void MoveTo(double R, double Phi);
  void DrawTo(double R, double Phi);
  void Circle(double R); // about the chart centre, R in data units
  void ClearGraf();      // empties the list and frees its memory
  void ShowGraf();       // Paint when visible
};
