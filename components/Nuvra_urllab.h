#pragma once
// TUrlLab: a text label that behaves like a hyperlink. While the pointer is over an enabled
// label the caption is shown in a second font (FontActive, with its own colour); a click opens
// a web address in the desktop's browser or starts a program with parameters.
//
// The caption is QLabel's `text`. It is shown as plain text: an ampersand is shown as it is,
// and the label has no buddy mnemonic.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <functional>

#include "Nuvra_nuvrabase.h"

class QEnterEvent;
class QMouseEvent;
class QKeyEvent;
class QFocusEvent;

// Raised when a click cannot be carried out: the target is neither a web address nor a
// program file, or the program could not be started. Carries the message only.
class ENuvraURLLabError : public ENuvraError {
public:
  using ENuvraError::ENuvraError;
};

// The rules of a click, without a window, so they can be checked on their own.
namespace urllab {

// The text without leading and trailing blanks (character 32 only; tabs stay).
QString TrimBlanks(const QString &text);

// True when the target starts with "http://" in any letter case. Other schemes are not
// web addresses.
bool IsWebAddress(const QString &url);

// The extension of a path: the text from its last "." that follows its last "/", folded to
// lower case (ASCII letters only); empty when there is no such ".".
QString ExtensionOf(const QString &path);

// True when the target names a program file (extension ".exe" in any letter case).
bool IsProgramFile(const QString &path);

// Component "<name>": URL of URLLab is invalid
QString InvalidTargetMessage(const QString &componentName);

// Component "<name>": Cannot start executable (errnum=<result>)
QString FailedStartMessage(const QString &componentName, int result);

} // namespace urllab

class TUrlLab : public QLabel, public NuvraLoadable {
  Q_OBJECT
  Q_PROPERTY(QFont FontActive READ FontActive WRITE SetFontActive)
  Q_PROPERTY(QColor FontActiveColor READ fontActiveColor WRITE setFontActiveColor)
  Q_PROPERTY(QColor FontColor READ fontColor WRITE setFontColor)
  Q_PROPERTY(QString URL READ URL WRITE SetURL)
  Q_PROPERTY(QString TaskParams READ TaskParams WRITE SetTaskParams)

public:
  using TNotifyEvent = std::function<void(QObject *sender)>;

  explicit TUrlLab(QWidget *parent = nullptr);
  ~TUrlLab() override;

  // Ends the loading state and takes the label's font and colour as loaded as the normal
  // font, the one shown whenever the pointer leaves the label.
  void Loaded() override;

  QString URL() const { return m_url; }
  void SetURL(const QString &url);

  QString TaskParams() const { return m_taskParams; }
  void SetTaskParams(const QString &params);

  // The font shown while the pointer is over the label. The setter copies the attributes;
  // the given object is not kept.
  QFont FontActive() const { return m_fontActive; }
  void SetFontActive(const QFont &font);

  // QFont carries no colour; the colour of each font is kept beside it.
  QColor fontActiveColor() const { return m_fontActiveColor; }
  void setFontActiveColor(const QColor &color);

  // The colour of the label's current font (its palette's window-text colour).
  QColor fontColor() const;
  void setFontColor(const QColor &color);

  // The normal font and its colour, as captured by Loaded (the application's defaults before).
  QFont normalFont() const { return m_fontNormal; }
  QColor normalFontColor() const { return m_fontNormalColor; }

  // The click: launches the target, then fires OnClick. Throws ENuvraURLLabError when the
  // target is invalid or the program does not start; OnClick does not fire then.
  virtual void Click();

  // Room for the caption in the normal and in the active font, whichever is shown.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

protected:
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;
  // Enter, Return and Space open the link when it has the keyboard focus.
  void keyPressEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
  void launch();
  void openWebAddress(const QString &url);
  void showFont(const QFont &font, const QColor &color);
  void repaintIfVisible();
  QSize roomForOtherFonts() const;

  QString m_url;
  QString m_taskParams;
  QFont m_fontActive;
  QColor m_fontActiveColor;
  QFont m_fontNormal;
  QColor m_fontNormalColor;
  bool m_pressed = false;
};
