#pragma once
// The About box: program name and version, a description, the copyright line and up to three
// web links. Created once at program start, filled and translated by the main window, shown
// modally at start-up and on every press of Info, hidden again by OK or the close box.

#include <QDialog>
#include <QImage>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QShowEvent;
class QKeyEvent;
class TUrlLab;

class TFrmAbout : public QDialog {
  Q_OBJECT

public:
  explicit TFrmAbout(QWidget *parent = nullptr);
  ~TFrmAbout() override;

  // The controls, in creation order of the layout; all owned by the window.
  QLabel *LblDescription = nullptr;
  QFrame *Panel1 = nullptr;
  QLabel *LblName = nullptr;
  QLabel *LblVersion = nullptr;
  QLabel *LblCopyright = nullptr;
  QLabel *LblAuthor = nullptr;
  QFrame *Panel2 = nullptr;
  QLabel *LblWebSite = nullptr;
  TUrlLab *UrlLabNuvraSuite = nullptr;
  TUrlLab *UrlLabHomepage = nullptr;
  TUrlLab *UrlLabSimulations = nullptr;
  QPushButton *BButOK = nullptr;

  // The show handler, run on every showing: the home-page link appears only when the language
  // table translated its caption ("HomePage" or an empty caption hides it).
  void FormShow();
  // Closes the window; the modal show returns with the result "rejected" (cancel).
  void BButOKClick();

  // Texts the main window puts into LblWebSite and LblDescription by language.
  static QString webSiteTextEnglish();
  static QString webSiteTextGerman();
  static QString descriptionEnglish();
  static QString descriptionGerman();

  // The fixed texts of the window.
  static QString copyrightText();
  static QString nuvraSuiteCaption();
  static QString nuvraSuiteUrl();
  static QString simulationsCaption();
  static QString simulationsUrl();

  // Client area, fixed.
  static constexpr int ClientWidth = 543;
  static constexpr int ClientHeight = 332;

protected:
  void showEvent(QShowEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void createControls();
};

// The client area as it appears when the box is shown (the show handler has run), for the
// headless --screenshot-about mode. The window is not put on the screen.
QImage renderAboutBox(TFrmAbout &box);
