#pragma once
// TNumLab: a numeric read-out. One row holds a left text, a framed box with the formatted
// value and a right text.
//
// The control stands for a windowless control that paints onto its parent: it keeps an
// internal image of its own size (its "screen" canvas), Paint() renders a complete picture
// into a temporary bitmap and transfers it to that image in one operation, and paintEvent
// only shows the image. Setters that change the picture call Paint() at once.
//
// The text in the box is produced by FormatNumLabText (steps: conversion by display type,
// decimal character and plus sign, the OnBeforeDisplay hook, the fit test). It is pure and
// needs no window; the fit test measures through a callback.
//
// Date-time patterns (DTFormat, dtDateTime). Letters are case-insensitive; names are English.
//   d / dd          day of month without / with leading zero
//   ddd / dddd      short / long day name (Mon, Monday)
//   ddddd / dddddd  short / long date (m/d/yyyy, dddd, mmmm d, yyyy)
//   m / mm          month number without / with leading zero; directly after an hour
//                   (h, hh, with only separators between) m and mm are minutes
//   mmm / mmmm      short / long month name (Jan, January)
//   yy / yyyy       two- / four-digit year (y and yyy count as yy and yyyy)
//   h / hh          hour without / with leading zero (12-hour clock when am/pm, a/p occurs)
//   n / nn          minute, s / ss second, z / zzz millisecond
//   t / tt          short / long time (h:nn AM/PM, h:nn:ss AM/PM)
//   c               ddddd tt
//   am/pm, a/p      "am"/"pm" or "a"/"p", in the letter case written in the pattern
//   / and :         date and time separator ("/" and ":")
//   "…" or '…'      copied literally without the quotes
// Every other character is copied unchanged.
//
// The state and the paint steps live in the private part (numlab_p.h).

#include <QImage>
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "Nuvra_canvas.h"
#include "Nuvra_nuvrabase.h"

// Called with the label and the finished value text, which the handler may change.
using TBeforeDisplayEvent = std::function<void(QObject *Sender, QString &Text)>;

// Measures the width of a text in pixels, in the font the value is drawn with.
using NumLabTextWidth = std::function<int(const QString &)>;

struct NumLabFormat;
class NumLabPrivate;

class TNumLab : public QWidget, public NuvraLoadable {
  Q_OBJECT
  Q_PROPERTY(QString LeftText READ LeftText WRITE SetLeftText)
  Q_PROPERTY(QString RightText READ RightText WRITE SetRightText)
  Q_PROPERTY(int LeftSpace READ LeftSpace WRITE SetLeftSpace)
  Q_PROPERTY(int LabelWidth READ LabelWidth WRITE SetLabelWidth)
  Q_PROPERTY(Nuvra::TAlignment LeftTextAlignment READ LeftTextAlignment WRITE SetLeftTextAlignment)
  Q_PROPERTY(
      Nuvra::TAlignment RightTextAlignment READ RightTextAlignment WRITE SetRightTextAlignment)
  Q_PROPERTY(Nuvra::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(Nuvra::TFrameStyle FrameStyle READ FrameStyle WRITE SetFrameStyle)
  Q_PROPERTY(Nuvra::TColorScheme ColorScheme READ ColorScheme WRITE SetColorScheme)
  Q_PROPERTY(TColor ColorLabBakG READ ColorLabBakG WRITE SetColorLabBakG)
  Q_PROPERTY(TColor ColorLabText READ ColorLabText WRITE SetColorLabText)
  Q_PROPERTY(TColor ColorOutBakG READ ColorOutBakG WRITE SetColorOutBakG)
  Q_PROPERTY(TColor ColorOutText READ ColorOutText WRITE SetColorOutText)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(double Value READ Value WRITE SetValue)
  Q_PROPERTY(TDisplay DisplayType READ DisplayType WRITE SetDisplayType)
  Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
  Q_PROPERTY(bool Comma READ Comma WRITE SetComma)
  Q_PROPERTY(bool ForcePlusSign READ ForcePlusSign WRITE SetForcePlusSign)
  Q_PROPERTY(QString DTFormat READ DTFormat WRITE SetDTFormat)
  Q_PROPERTY(QString StateText READ StateText WRITE SetStateText)
  Q_PROPERTY(QString OverflowIndicator READ OverflowIndicator WRITE SetOverflowIndicator)
  Q_PROPERTY(bool Empty READ Empty WRITE SetEmpty)

public:
  enum TDisplay {
    dtFloat,
    dtFixP,
    dtExp,
    dtHex,
    dtZeroInt,
    dtInt,
    dtDateTime,
    dtState,
    dtBin,
    dtOct,
    dtDeg,
    dtDegMin,
    dtDegMinSec,
    dtEEng,
    dtEEngNoDP
  };
  Q_ENUM(TDisplay)

  explicit TNumLab(QWidget *parent = nullptr);
  ~TNumLab() override;

  // Copies the look and the value of another label (not Comma, ForcePlusSign, DTFormat,
  // Enabled, the font or OnBeforeDisplay) and repaints. Throws ENuvraError for any other
  // kind of source.
  virtual void Assign(const QObject *Source);
  // Hands this label to Dest's Assign when Dest is a TNumLab whose class this label is an
  // instance of; throws ENuvraError otherwise.
  virtual void AssignTo(QObject *Dest) const;

  // Renders the control completely and transfers the picture to its screen image.
  virtual void Paint();

  // The value text as Paint would show it, measured in the control's font ("" when Empty).
  QString displayText() const;
  // What the control currently shows (its screen canvas).
  const QImage &screenImage() const noexcept;

  // Frame line colours (not properties; set by the colour scheme, copied by Assign).
  TColor frameDark() const noexcept;
  TColor frameShadow() const noexcept;
  TColor frameHighlight() const noexcept;

  TBeforeDisplayEvent OnBeforeDisplay;

  QString LeftText() const;
  void SetLeftText(const QString &v);
  QString RightText() const;
  void SetRightText(const QString &v);
  int LeftSpace() const noexcept;
  void SetLeftSpace(int v);
  int LabelWidth() const noexcept;
  void SetLabelWidth(int v);
  Nuvra::TAlignment LeftTextAlignment() const noexcept;
  void SetLeftTextAlignment(Nuvra::TAlignment v);
  Nuvra::TAlignment RightTextAlignment() const noexcept;
  void SetRightTextAlignment(Nuvra::TAlignment v);
  Nuvra::TAlignment Alignment() const noexcept;
  void SetAlignment(Nuvra::TAlignment v);
  Nuvra::TFrameStyle FrameStyle() const noexcept;
  void SetFrameStyle(Nuvra::TFrameStyle v);
  Nuvra::TColorScheme ColorScheme() const noexcept;
  void SetColorScheme(Nuvra::TColorScheme v);
  TColor ColorLabBakG() const noexcept;
  void SetColorLabBakG(TColor v);
  TColor ColorLabText() const noexcept;
  void SetColorLabText(TColor v);
  TColor ColorOutBakG() const noexcept;
  void SetColorOutBakG(TColor v);
  TColor ColorOutText() const noexcept;
  void SetColorOutText(TColor v);
  bool Transparent() const noexcept;
  void SetTransparent(bool v);
  bool Enabled() const noexcept;
  void SetEnabled(bool v);
  double Value() const noexcept;
  void SetValue(double v);
  TDisplay DisplayType() const noexcept;
  void SetDisplayType(TDisplay v);
  int Precision() const noexcept;
  void SetPrecision(int v);
  bool Comma() const noexcept;
  void SetComma(bool v);
  bool ForcePlusSign() const noexcept;
  void SetForcePlusSign(bool v);
  QString DTFormat() const;
  void SetDTFormat(const QString &v);
  QString StateText() const;
  void SetStateText(const QString &v);
  QString OverflowIndicator() const;
  void SetOverflowIndicator(const QString &v);
  bool Empty() const noexcept;
  void SetEmpty(bool v);

  // The value box below the left space, one text row high, and the right text beside it.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The toolkit's mouse events, as the chart publishes them; X and Y are control pixels.
  enum TMouseButton { mbLeft, mbRight, mbMiddle };
  Q_ENUM(TMouseButton)
  enum TShiftStateFlag {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32
  };
  Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
  Q_FLAG(TShiftState)
  using TNotifyEvent = std::function<void(QObject *Sender)>;
  using TMouseEvent =
      std::function<void(QObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
  using TMouseMoveEvent = std::function<void(QObject *Sender, TShiftState Shift, int X, int Y)>;
  // A left press and release both inside the read-out.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  friend class NumLabPrivate;
  std::unique_ptr<NumLabPrivate> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TNumLab::TShiftState)

using TDisplay = TNumLab::TDisplay;

// Everything the value text depends on, so it can be produced without a control.
struct NumLabFormat {
  double value = 0.0;
  TDisplay displayType = TNumLab::dtFixP;
  int precision = 2; // the control keeps it in 0..15; larger values are treated as 15
  bool comma = false;
  bool forcePlusSign = false;
  QString dtFormat = QStringLiteral("mmm-dd, yyyy");
  QString stateText = QStringLiteral("undefined");
  QString overflowIndicator = QStringLiteral("*********");
};

// The value text after conversion, decimal character and plus sign. Values a display type
// cannot show (out of its range, not finite, a date outside the years 1 to 9999) give the
// overflow indicator, which these steps leave unchanged.
QString ConvertNumLabValue(const NumLabFormat &f);

// The complete value text: ConvertNumLabValue, then the hook (when assigned) with `sender`,
// then the fit test: a text wider than labelWidth - 6 becomes the overflow indicator,
// except for dtState. Without a measuring function nothing is replaced.
QString FormatNumLabText(const NumLabFormat &f, QObject *sender, const TBeforeDisplayEvent &hook,
                         int labelWidth, const NumLabTextWidth &textWidth);

// x in fixed-point notation with `decimals` decimals and "." as decimal point, padded on
// the left with blanks to at least `width` characters. Zero never gets a "-".
QString NumLabFixed(double x, int width, int decimals);

// An OLE Automation date-time (days since 30 December 1899, fraction = time of day)
// formatted with the pattern language described at the top. Nothing when the date lies
// outside the years 1 to 9999 or is not finite.
std::optional<QString> NumLabFormatDateTime(const QString &pattern, double dateTime);
