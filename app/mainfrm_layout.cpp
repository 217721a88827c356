// The main window's layout: every control with its position and the values that differ
// from its defaults, applied the way a layout description is, through the published
// properties, while the components are in their loading state.

#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <initializer_list>
#include <utility>

#include "Accessibility.h"
#include "Nuvra_NumLab.h"
#include "Pattern.h"
#include "Resources.h"
#include "TMemo.h"
#include "UnitScrollBar.h"
#include "mainfrm.h"

namespace {

using Layout = std::initializer_list<std::pair<const char *, QVariant>>;

// Applies layout values by property name. A name the component does not publish is a
// programming error, caught here instead of silently creating a dynamic property.
void apply(QObject *component, Layout values) {
  for (const auto &[name, value] : values) {
    const int index = component->metaObject()->indexOfProperty(name);
    Q_ASSERT_X(index >= 0, "layout", name);
    if (index >= 0)
      component->metaObject()->property(index).write(component, value);
  }
}

// The families of `wanted` that are installed, in order; all of them when none is. Asking for
// a missing family first makes the font database compute that family's substitutes (a
// fontconfig search costing about a millisecond each time) before it takes the next one.
QStringList installedFirst(const QStringList &wanted) {
  QStringList installed;
  for (const QString &family : QFontDatabase::families())
    installed << family.section(QStringLiteral(" ["), 0, 0); // without "[foundry]"
  QStringList found;
  for (const QString &family : wanted)
    if (installed.contains(family, Qt::CaseInsensitive))
      found << family;
  return found.isEmpty() ? wanted : found;
}

QFont formFont() {
  // The layout's font; on systems without it, a metric-compatible sans serif.
  QFont f;
  f.setFamilies(
      installedFirst({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")}));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(13);
  return f;
}

QScrollBar *makeScrollBar(QWidget *parent, const char *name, QRect geometry, int max, int position,
                          int smallChange, int largeChange, QWidget *after, double unitPerPosition,
                          const QString &unit) {
  auto *bar = new UnitScrollBar(unitPerPosition, unit, parent);
  bar->setObjectName(QLatin1String(name));
  bar->setGeometry(geometry);
  bar->setRange(0, max);
  bar->setValue(position);
  bar->setSingleStep(smallChange);
  bar->setPageStep(largeChange);
  if (after)
    QWidget::setTabOrder(after, bar);
  return bar;
}

// The presets' captions: the layout's symbol font, else a font with the Greek letters.
QFont symbolFont() {
  QFont symbol = formFont();
  symbol.setFamilies(installedFirst({QStringLiteral("Symbol"), QStringLiteral("DejaVu Sans")}));
  return symbol;
}

// Speed buttons take no keyboard focus; each has a shortcut, named in its tool tip.
QToolButton *makePreset(QWidget *parent, const char *name, int left, const QString &caption,
                        int number, const QString &toolTip, const QFont &font) {
  auto *button = new QToolButton(parent);
  button->setToolTip(toolTip);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, 160, 49, 22);
  button->setText(caption);
  // After the caption: setting a caption replaces the shortcut with its mnemonic.
  button->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + number)));
  button->setFocusPolicy(Qt::NoFocus);
  button->setFont(font);
  return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, QRect geometry, const QString &caption,
                  Qt::Alignment alignment) {
  auto *label = new QLabel(caption, parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(geometry);
  label->setAlignment(alignment | Qt::AlignTop);
  return label;
}

void configureReadout(TNumLab *label, const QString &left, const QString &right, int leftSpace,
                      int labelWidth) {
  apply(label, {
                   {"LeftText", left},
                   {"RightText", right},
                   {"LeftSpace", leftSpace},
                   {"LabelWidth", labelWidth},
                   {"DisplayType", TNumLab::dtFixP},
                   {"Precision", 3},
                   {"Alignment", Nuvra::taCenter},
                   {"LeftTextAlignment", Nuvra::taRightJustify},
                   {"RightTextAlignment", Nuvra::taLeftJustify},
                   {"FrameStyle", Nuvra::fsLowered},
                   {"ColorScheme", Nuvra::csBWG},
                   {"ColorLabBakG", clBtnFace},
                   {"ColorOutBakG", clBtnFace},
                   {"ColorLabText", clBlack},
                   {"ColorOutText", clBlack},
                   {"Comma", false},
                   {"ForcePlusSign", false},
                   {"Empty", false},
                   {"Transparent", false},
                   {"DTFormat", QStringLiteral("mmm-dd, yyyy")},
                   {"OverflowIndicator", QStringLiteral("*********")},
                   {"StateText", QStringLiteral("undefined")},
               });
}

// The polar chart with its layout values; its cross-hairs are off.
TPolChart *createChart(QWidget *parent, LayoutLoader &loader) {
  auto *chart = loader.add(new TPolChart(parent));
  chart->setObjectName(QStringLiteral("PCRicht"));
  chart->setGeometry(8, 8, 465, 441);
  // Shown by the start-up work once it has centred the chart and plotted the first pattern:
  // shown with the window, the chart would first paint itself empty, then once more centred.
  chart->hide();
  apply(chart, {
                   {"AllocSize", 1000},
                   {"AutoRedraw", false},
                   {"AutoCenter", true},
                   {"ClassDefault", 0},
                   {"RangeLow", -1.0},
                   {"RangeHigh", 1.0},
                   {"UseDegrees", true},
                   {"AngleBtwRays", 30.0},
                   {"MagFactor", 0.9},
                   {"RotationDir", TPolChart::rdClockwise},
                   {"GridColor", clSilver},
                   {"GridStyleAngular", TPolChart::gsAngDots},
                   {"GridStyleRadial", TPolChart::gsRadBothMixed},
                   {"ScaleColor", clNavy},
                   {"LabelModeAngular", TPolChart::almDegrees},
                   {"LabelModeRadial", TPolChart::rlmNone},
                   {"MouseAction", Nuvra::maZoomDrag},
                   {"ShadowStyle", Nuvra::ssFlying},
                   {"ShadowColor", clGrayText},
                   {"ShadowBakColor", clBtnFace},
                   {"TextBkStyle", TPolChart::tbClear},
                   {"TextBkColor", clWhite},
                   {"TextAlignment", Nuvra::taCenter},
               });
  for (TpcCrossHair *ch :
       {chart->CrossHair1(), chart->CrossHair2(), chart->CrossHair3(), chart->CrossHair4()})
    apply(ch, {{"Color", clBlack},
               {"LineType", Nuvra::psSolid},
               {"LineWid", 1},
               {"Mode", TpcCrossHair::chOff}});
  return chart;
}

// The phase difference and the distance: each a read-out above its scroll bar.
void createReadoutsAndBars(TFrmRadPattern &form, LayoutLoader &loader) {
  form.NLabdphi = loader.add(new TNumLab(&form));
  // A read-out paints its picture on every setting it is not hidden for, even inside a
  // window not yet shown: hidden until the layout and the language file have set it up, it
  // paints once, when the window is shown.
  form.NLabdphi->hide();
  form.NLabdphi->setObjectName(QStringLiteral("NLabdphi"));
  form.NLabdphi->setGeometry(552, 16, 201, 20);
  configureReadout(form.NLabdphi, QStringLiteral("GL_Phase Difference"), QStringLiteral("Pi"), 120,
                   50);

  form.SBarPhaseDiff =
      makeScrollBar(&form, "SBarPhaseDiff", QRect(488, 40, 257, 16), pattern::kPhaseMax, 0, 31, 314,
                    nullptr, pattern::phaseInPi(1), QStringLiteral("\u03c0"));
  form.SBarPhaseDiff->setAccessibleName(QStringLiteral("GL_Phase Difference"));
  form.Label1 = makeLabel(&form, "Label1", QRect(488, 60, 75, 16), QStringLiteral("GL_in phase"),
                          Qt::AlignLeft);
  form.Label2 = makeLabel(&form, "Label2", QRect(664, 60, 83, 16), QStringLiteral("GL_antiphase"),
                          Qt::AlignRight);

  form.NumLabL = loader.add(new TNumLab(&form));
  form.NumLabL->hide();
  form.NumLabL->setObjectName(QStringLiteral("NumLabL"));
  form.NumLabL->setGeometry(482, 112, 273, 20);
  configureReadout(form.NumLabL, QStringLiteral("GL_Distance between Aerials:"),
                   QStringLiteral("GL_Lambda"), 164, 42);

  form.SBarL = makeScrollBar(&form, "SBarL", QRect(488, 136, 257, 16), pattern::kDistanceMax, 1000,
                             50, 500, form.SBarPhaseDiff, pattern::distanceInWavelengths(1),
                             QStringLiteral("GL_wavelengths"));
  form.SBarL->setAccessibleName(QStringLiteral("GL_Distance between Aerials:"));
}

void createPresets(TFrmRadPattern &form) {
  // Without a symbol font the Greek letter itself is shown. One font for all five: each
  // lookup of the installed families costs a walk of the font database.
  const QFont symbol = symbolFont();
  form.SBLamda4 = makePreset(&form, "SBLamda4", 488, QStringLiteral("λ/4"), 1,
                             QStringLiteral("GL_Preset quarter wavelength"), symbol);
  form.SBLamda2 = makePreset(&form, "SBLamda2", 540, QStringLiteral("λ/2"), 2,
                             QStringLiteral("GL_Preset half wavelength"), symbol);
  form.SB3Lamda4 = makePreset(&form, "SB3Lamda4", 592, QStringLiteral("3λ/4"), 3,
                              QStringLiteral("GL_Preset three quarter wavelength"), symbol);
  form.SBarLamda = makePreset(&form, "SBarLamda", 644, QStringLiteral("λ"), 4,
                              QStringLiteral("GL_Preset one wavelength"), symbol);
  form.SB2Lamda = makePreset(&form, "SB2Lamda", 696, QStringLiteral("2λ"), 5,
                             QStringLiteral("GL_Preset two wavelengths"), symbol);
}

TMemo *createInfoMemo(QWidget *parent, QWidget *after) {
  auto *memo = new TMemo(parent);
  memo->setObjectName(QStringLiteral("MMInfo"));
  memo->setGeometry(488, 216, 257, 193);
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setReadOnly(false);
  memo->setTabChangesFocus(true); // Tab moves on; the memo stays editable
  memo->setAccessibleName(QStringLiteral("GL_Information"));
  // The background is fixed, so the text colour is too: a dark desktop palette must not put
  // white text on cream.
  QPalette pal = memo->palette();
  pal.setColor(QPalette::Base, colorToQColor(clCream));
  pal.setColor(QPalette::Text, colorToQColor(clBlack));
  memo->setPalette(pal);
  memo->SetLines({QStringLiteral("GL_MMInfo")});
  QWidget::setTabOrder(after, memo);
  return memo;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, int left,
                        const QIcon &icon, QWidget *after) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, 420, 126, 29);
  button->setIcon(icon);
  QWidget::setTabOrder(after, button);
  return button;
}

} // namespace

void TFrmRadPattern::createControls() {
  // Before any control exists: an active screen reader asks for a control's interface as
  // soon as the control first changes, and the answer is kept.
  speech::installAccessibility();
  setObjectName(QStringLiteral("FrmRadPattern"));
  setWindowTitle(QStringLiteral("GL_Radiation Pattern of two Aerials"));
  setFixedSize(752, 460);
  setFont(formFont());
  setAutoFillBackground(true);
  initDipolixResources();
  // The window icon is chosen by the start-up work: the language file may name its own.

  LayoutLoader loader;
  PCRicht = createChart(this, loader);
  createReadoutsAndBars(*this, loader);
  createPresets(*this);
  MMInfo = createInfoMemo(this, SBarL);
  BButInfo = makeButton(this, "BButInfo", QStringLiteral("GL_Info"), 488,
                        resourceIcon(resources::kInfoGlyph, resources::kInfoGlyphDisabled), MMInfo);
  BButExit = makeButton(this, "BButExit", QStringLiteral("GL_Exit"), 618,
                        resourceIcon(resources::kExitGlyph), BButInfo);

  PCRicht->setAccessibleName(QStringLiteral("GL_Radiation pattern"));
  m_speaker = new speech::ChartSpeaker(PCRicht);
  SBarPhaseDiff->setFocus(); // the first control in the tab order

  loader.finish();
  createServerLink();
  NLabdphi->show();
  NumLabL->show();
}
