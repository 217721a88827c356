#pragma once
// The canvas adapter: every component draws through it, never through QPainter directly.
// It speaks the drawing conventions the components are written against:
//  - Rectangle and Ellipse take (left, top, right, bottom) and exclude the right and bottom
//    edge; LineTo and Polyline do not draw their end point;
//  - TextOut paints the text's background with the current brush when the brush is solid;
//  - setting the brush colour makes a clear brush solid;
//  - the pen can draw in exclusive-or mode.
// Tests install a CanvasRecorder to see each call with the pen, brush and font in force.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "Nuvra_nuvrabase.h"

class QPaintDevice;
class QPainter;
class TCanvas;

enum class CanvasOp {
  SetPenColor,
  SetPenStyle,
  SetPenWidth,
  SetPenMode,
  SetBrushColor,
  SetBrushStyle,
  SetFont,
  SetFontColor,
  MoveTo,
  LineTo,
  Polyline,
  Polygon,
  Rectangle,
  Ellipse,
  FillRect,
  TextOut,
  TextRect,
  Draw,
  DrawAnd,
};

struct CanvasCall {
  CanvasOp op{};
  const TCanvas *canvas = nullptr;
  QString tag;                // the canvas's tag, e.g. "chart", "frame", "screen"
  std::vector<QPoint> points; // coordinates of the call (corners, vertices, text origin)
  QRect clip;                 // TextRect's clip rectangle
  QString text;               // TextOut/TextRect text, SetFont family
  int value = 0;              // the new value of a Set… call
  TColor penColor = 0;
  Nuvra::TPenStyle penStyle = Nuvra::psSolid;
  int penWidth = 1;
  Nuvra::TPenMode penMode = Nuvra::pmCopy;
  TColor brushColor = 0;
  Nuvra::TBrushStyle brushStyle = Nuvra::bsSolid;
  TColor fontColor = 0;
};

// While one exists, every canvas call in the process is appended to `calls`.
class CanvasRecorder {
public:
  CanvasRecorder();
  ~CanvasRecorder();
  CanvasRecorder(const CanvasRecorder &) = delete;
  CanvasRecorder &operator=(const CanvasRecorder &) = delete;

  std::vector<CanvasCall> calls;

  void clear() { calls.clear(); }
  // The calls of one kind, optionally only those on canvases with the given tag.
  std::vector<CanvasCall> of(CanvasOp op, const QString &tag = {}) const;
  std::size_t count(CanvasOp op, const QString &tag = {}) const;

  static CanvasRecorder *active() noexcept;
};

class TCanvas {
public:
  explicit TCanvas(QString tag = {});
  ~TCanvas();
  TCanvas(const TCanvas &) = delete;
  TCanvas &operator=(const TCanvas &) = delete;

  const QString &tag() const noexcept { return m_tag; }

  // The image drawn on; may be null (then only text measurement works).
  void setTarget(QImage *image);
  QImage *target() const noexcept { return m_target; }
  // Draws through a painter someone else owns and ends: a vector figure, a printer, a part
  // of a larger picture. One painter unit is one pixel of the layout; the pixel conventions
  // above hold where the painter's device has pixels (an image), on vector devices lines are
  // one unit wide and exclusive-or draws plainly. Null returns to the target image.
  void setPainter(QPainter *painter);
  // Ends the painter; call before resizing or reading the target image.
  void release();

  TColor PenColor() const noexcept { return m_penColor; }
  void SetPenColor(TColor c);
  Nuvra::TPenStyle PenStyle() const noexcept { return m_penStyle; }
  void SetPenStyle(Nuvra::TPenStyle s);
  int PenWidth() const noexcept { return m_penWidth; }
  void SetPenWidth(int w);
  Nuvra::TPenMode PenMode() const noexcept { return m_penMode; }
  void SetPenMode(Nuvra::TPenMode m);

  TColor BrushColor() const noexcept { return m_brushColor; }
  void SetBrushColor(TColor c); // also makes the brush solid
  Nuvra::TBrushStyle BrushStyle() const noexcept { return m_brushStyle; }
  void SetBrushStyle(Nuvra::TBrushStyle s);

  const QFont &Font() const noexcept { return m_font; }
  void SetFont(const QFont &f);
  TColor FontColor() const noexcept { return m_fontColor; }
  void SetFontColor(TColor c);

  QPoint PenPos() const noexcept { return m_penPos; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const QPoint> pts);
  void Polygon(std::span<const QPoint> pts);
  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  // Fills with the brush only, right and bottom edge excluded.
  void FillRect(const QRect &r);
  void TextOut(int x, int y, const QString &text);
  // Text drawn at (x, y), clipped to `clip`, whose background the brush fills.
  void TextRect(const QRect &clip, int x, int y, const QString &text);
  int TextWidth(const QString &text) const;
  int TextHeight(const QString &text) const;
  // Copies an image onto the target with its top-left corner at (x, y).
  void Draw(int x, int y, const QImage &image);
  // Combines an image with the target by a bitwise AND of the colour values.
  void drawAnd(int x, int y, const QImage &image);

private:
  QPainter *painter();
  bool onPixels() const; // the device is an image: raster conventions and operations apply
  const QPaintDevice *device() const;
  void applyPen(QPainter &p);
  // True when thin lines are set pixel by pixel (see strokeThin).
  bool thinLines(const QPainter &p) const;
  void applyPointPen(QPainter &p);
  // Appends the pixels inside `bounds` of a one-pixel line from `a` up to, not including, `b`.
  void rasterise(QPoint a, QPoint b, const QRect &bounds, std::vector<QPoint> &out,
                 int &dashPos) const;
  bool setPixelsDirectly(const QPainter &p) const;
  void strokeThin(QPainter &p, std::span<const QPoint> pts);
  void applyBrush(QPainter &p);
  void record(CanvasOp op, std::vector<QPoint> pts = {}, const QString &text = {}, int value = 0,
              const QRect &clip = {}) const;
  void drawText(QPainter &p, int x, int y, const QString &text);

  QString m_tag;
  QImage *m_target = nullptr;
  std::unique_ptr<QPainter> m_painter;
  QPainter *m_external = nullptr;
  bool m_penDirty = true;
  bool m_brushDirty = true;
  bool m_pointPen = false; // the painter holds the solid pen of strokeThin
  std::vector<QPoint> m_pixels;
  TColor m_penColor = clBlack;
  Nuvra::TPenStyle m_penStyle = Nuvra::psSolid;
  int m_penWidth = 1;
  Nuvra::TPenMode m_penMode = Nuvra::pmCopy;
  TColor m_brushColor = clWhite;
  Nuvra::TBrushStyle m_brushStyle = Nuvra::bsSolid;
  QFont m_font;
  TColor m_fontColor = clBlack;
  QPoint m_penPos;
};

// A font given the way the layouts give it: family, character height in pixels, styles.
QFont makeFont(const QString &family, int pixelHeight, Nuvra::TFontStyles styles = {});
