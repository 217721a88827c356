// The About box: its layout, its show handler and its OK button.
#include "AboutBox.h"

#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QShowEvent>

#include "Nuvra_nuvrabase.h"
#include "Nuvra_urllab.h"
#include "Resources.h"

namespace {

// The layout was designed in pixels and is not scaled: every font is given by its character
// height in pixels.
QFont pixelFont(const QString &family, int pixels, bool bold = false, bool italic = false,
                bool underline = false) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  return font;
}

void setTextColor(QWidget *widget, TColor color) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::WindowText, colorToQColor(color));
  widget->setPalette(pal);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, Qt::Alignment alignment,
                  const QString &caption) {
  auto *label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(alignment | Qt::AlignTop);
  // Texts come from the language file; they are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  label->setFocusPolicy(Qt::NoFocus);
  label->setText(caption);
  return label;
}

// A panel with an outer lowered and an inner raised bevel of one pixel each.
QFrame *makePanel(QWidget *parent, const char *name, const QRect &geometry) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setGeometry(geometry);
  panel->setFrameShape(QFrame::Box);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setLineWidth(1);
  panel->setMidLineWidth(0);
  panel->setFocusPolicy(Qt::NoFocus);
  return panel;
}

TUrlLab *makeLink(QWidget *parent, LayoutLoader &loader, const char *name, const QRect &geometry,
                  const QString &caption, const QString &url) {
  auto *link = loader.add(new TUrlLab(parent));
  link->setObjectName(QString::fromLatin1(name));
  link->setGeometry(geometry);
  link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Reached with Tab (a mouse click does not move the focus), opened with Enter or Space.
  link->setFocusPolicy(Qt::TabFocus);
  link->setText(caption);
  link->SetURL(url);
  const QString mono = QStringLiteral("Courier New");
  link->setFont(pixelFont(mono, 13, true));
  link->setFontColor(colorToQColor(clBlue));
  link->SetFontActive(pixelFont(mono, 13, true, false, true));
  link->setFontActiveColor(colorToQColor(clRed));
  return link;
}

} // namespace

TFrmAbout::TFrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  initDipolixResources();
  setObjectName(QStringLiteral("FrmAbout"));
  setWindowTitle(QStringLiteral("GL_About"));
  setFixedSize(ClientWidth, ClientHeight);
  setWindowIcon(resourceIcon(resources::kAboutIcon));

  QPalette pal = palette();
  pal.setColor(QPalette::Window, colorToQColor(clBtnFace));
  pal.setColor(QPalette::WindowText, colorToQColor(clBlack));
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(pixelFont(QStringLiteral("Arial"), 13));

  createControls();
}

TFrmAbout::~TFrmAbout() = default;

void TFrmAbout::createControls() {
  LayoutLoader loader;
  const Qt::Alignment centre = Qt::AlignHCenter;

  LblDescription = makeLabel(this, "LblDescription", QRect(8, 152, 529, 65), centre,
                             QStringLiteral("LblDescription"));
  LblDescription->setWordWrap(true);
  setTextColor(LblDescription, clMaroon);
  {
    QPalette pal = LblDescription->palette();
    pal.setColor(QPalette::Window, colorToQColor(clBtnFace));
    LblDescription->setPalette(pal);
    LblDescription->setAutoFillBackground(true);
  }

  Panel1 = makePanel(this, "Panel1", QRect(8, 10, 529, 127));
  LblName =
      makeLabel(Panel1, "LblName", QRect(8, 12, 513, 34), centre, QStringLiteral("App. name"));
  LblName->setFont(pixelFont(QStringLiteral("Arial"), 30, true, true));
  setTextColor(LblName, clMaroon);
  LblVersion = makeLabel(Panel1, "LblVersion", QRect(8, 50, 513, 16), centre,
                         QStringLiteral("App. version"));
  LblCopyright = makeLabel(Panel1, "LblCopyright", QRect(8, 100, 513, 16), centre, copyrightText());
  LblAuthor = makeLabel(Panel1, "LblAuthor", QRect(8, 74, 513, 16), centre, QString());

  Panel2 = makePanel(this, "Panel2", QRect(8, 224, 529, 65));
  LblWebSite = makeLabel(Panel2, "LblWebSite", QRect(8, 8, 135, 49), Qt::AlignRight,
                         QStringLiteral("LblWebSite"));
  LblWebSite->setWordWrap(true);
  UrlLabNuvraSuite = makeLink(Panel2, loader, "UrlLabNuvraSuite", QRect(152, 8, 369, 16),
                              nuvraSuiteCaption(), nuvraSuiteUrl());
  UrlLabHomepage = makeLink(Panel2, loader, "UrlLabHomepage", QRect(152, 40, 369, 16),
                            QStringLiteral("GL_HomePage"), QString());
  UrlLabHomepage->setVisible(false);
  UrlLabSimulations = makeLink(Panel2, loader, "UrlLabSimulations", QRect(152, 24, 369, 16),
                               simulationsCaption(), simulationsUrl());

  BButOK = new QPushButton(this);
  BButOK->setObjectName(QStringLiteral("BButOK"));
  BButOK->setGeometry(424, 296, 113, 33);
  BButOK->setText(QStringLiteral("GL_OK"));
  BButOK->setIcon(resourceIcon(resources::kOkGlyph));
  BButOK->setIconSize(QSize(21, 21));
  // Neither the default nor the cancel button: Enter presses it only while it has the focus.
  BButOK->setDefault(false);
  BButOK->setAutoDefault(true);
  BButOK->setFocusPolicy(Qt::StrongFocus);
  connect(BButOK, &QPushButton::clicked, this, [this] { BButOKClick(); });
  BButOK->setFocus();
  // Links top to bottom as shown, then OK.
  QWidget::setTabOrder(UrlLabNuvraSuite, UrlLabSimulations);
  QWidget::setTabOrder(UrlLabSimulations, UrlLabHomepage);
  QWidget::setTabOrder(UrlLabHomepage, BButOK);

  loader.finish();
}

void TFrmAbout::FormShow() {
  const QString caption = UrlLabHomepage->text();
  if (caption == QLatin1String("HomePage") || caption.isEmpty()) {
    // Without a home page the two remaining links sit in the middle of their panel.
    UrlLabHomepage->setVisible(false);
    UrlLabNuvraSuite->move(152, 16);
    UrlLabSimulations->move(152, 32);
  } else {
    UrlLabNuvraSuite->move(152, 8);
    UrlLabSimulations->move(152, 24);
    UrlLabHomepage->move(152, 40);
    UrlLabHomepage->setVisible(true);
  }
}

void TFrmAbout::BButOKClick() { close(); }

void TFrmAbout::showEvent(QShowEvent *event) {
  // A window restored by the window manager is not a new showing.
  if (!event->spontaneous())
    FormShow();
  QDialog::showEvent(event);
}

void TFrmAbout::keyPressEvent(QKeyEvent *event) {
  // The box has no cancel button, so Escape does not close it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

QString TFrmAbout::webSiteTextEnglish() {
  return QStringLiteral("More information can be found at the following Web sites:");
}

QString TFrmAbout::webSiteTextGerman() {
  return QStringLiteral("Mehr Informationen finden Sie auf folgenden Webseiten:");
}

QString TFrmAbout::descriptionEnglish() {
  return QStringLiteral(
      "This program shows the horizontal polar diagram of two vertical aerials spaced at "
      "variable distances and phase angles. It is a simulation used in various electronic "
      "textbooks. It was made by the Dipolix developers and is built on the Nuvra component "
      "library.");
}

QString TFrmAbout::descriptionGerman() {
  return QStringLiteral(
      "Dieses Programm zeigt das horizontale Polardiagramm zweier Strahler mit "
      "unterschiedlichen Abst\u00e4nden und unterschiedlicher Phasenansteuerung. Es wird in "
      "verschiedenen interaktiven elektronischen Lehrb\u00fcchern eingesetzt. Entwickelt "
      "wurde es von den Dipolix-Entwicklern auf der Grundlage der Komponentenbibliothek "
      "Nuvra.");
}

QString TFrmAbout::copyrightText() {
  return QStringLiteral("Copyright \u00a9 2026 The Dipolix developers, Berlin");
}

QString TFrmAbout::nuvraSuiteCaption() { return QStringLiteral("Nuvra Component Library"); }

QString TFrmAbout::nuvraSuiteUrl() {
  return QStringLiteral("http://www.nuvra-components.example/");
}

QString TFrmAbout::simulationsCaption() { return QStringLiteral("Dipolix Simulations"); }

QString TFrmAbout::simulationsUrl() {
  return QStringLiteral("http://www.dipolix-simulations.example/");
}

QImage renderAboutBox(TFrmAbout &box) {
  box.FormShow();
  box.ensurePolished();
  const qreal ratio = box.devicePixelRatioF();
  QImage image((QSizeF(TFrmAbout::ClientWidth, TFrmAbout::ClientHeight) * ratio).toSize(),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(box.palette().color(QPalette::Window));
  box.render(&image);
  return image;
}
