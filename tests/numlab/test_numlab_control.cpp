// The read-out control: properties and setter rules, layout and frames as the canvas sees
// them, the disabled and transparent looks, copying between labels.
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QWidget>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

#include "Nuvra_NumLab.h"
#include "click_gestures.h"

namespace {

class NumLab : public ::testing::Test {
protected:
  void SetUp() override {
    parent.resize(400, 100);
    lab = new TNumLab(&parent);
    lab->setFont(font);
    lab->setGeometry(10, 10, 200, 20);
    lab->SetLeftSpace(40);
    lab->SetLabelWidth(50);
    lab->SetLeftText(QStringLiteral("Left"));
    lab->SetRightText(QStringLiteral("Right"));
    lab->SetValue(1.5);
  }

  int textWidth(const QString &s) const {
    QImage img(1, 1, QImage::Format_RGB32);
    return QFontMetrics(font, &img).horizontalAdvance(s);
  }
  int rowY() const {
    QImage img(1, 1, QImage::Format_RGB32);
    return (lab->height() - QFontMetrics(font, &img).height()) / 2;
  }
  std::vector<CanvasCall> paintAndRecord(CanvasOp op) {
    CanvasRecorder rec;
    lab->Paint();
    return rec.of(op, QStringLiteral("numlab"));
  }
  std::size_t screenTransfers(const std::function<void()> &action) {
    CanvasRecorder rec;
    action();
    return rec.count(CanvasOp::Draw, QStringLiteral("screen"));
  }

  QFont font = makeFont(QStringLiteral("Liberation Sans"), 12);
  QWidget parent;
  TNumLab *lab = nullptr;
};

TColor pixel(const QImage &img, int x, int y) {
  const QRgb c = img.pixel(x, y);
  return static_cast<TColor>(qRed(c)) | (static_cast<TColor>(qGreen(c)) << 8) |
         (static_cast<TColor>(qBlue(c)) << 16);
}

} // namespace

TEST(NumLabDefaults, PropertiesCarryTheirNamesAndDefaults) {
  TNumLab lab;
  const std::pair<const char *, QVariant> defaults[] = {
      {"LeftText", QString()},
      {"RightText", QString()},
      {"LeftSpace", 35},
      {"LabelWidth", 80},
      {"LeftTextAlignment", QVariant::fromValue(Nuvra::taRightJustify)},
      {"RightTextAlignment", QVariant::fromValue(Nuvra::taLeftJustify)},
      {"Alignment", QVariant::fromValue(Nuvra::taCenter)},
      {"FrameStyle", QVariant::fromValue(Nuvra::fsLowered)},
      {"ColorScheme", QVariant::fromValue(Nuvra::csBWG)},
      {"ColorLabBakG", QVariant::fromValue(clBtnFace)},
      {"ColorLabText", QVariant::fromValue(clBlack)},
      {"ColorOutBakG", QVariant::fromValue(clBtnFace)},
      {"ColorOutText", QVariant::fromValue(clBlack)},
      {"Transparent", false},
      {"Enabled", true},
      {"Value", 0.0},
      {"DisplayType", QVariant::fromValue(TNumLab::dtFixP)},
      {"Precision", 2},
      {"Comma", false},
      {"ForcePlusSign", false},
      {"DTFormat", QStringLiteral("mmm-dd, yyyy")},
      {"StateText", QStringLiteral("undefined")},
      {"OverflowIndicator", QStringLiteral("*********")},
      {"Empty", false},
  };
  for (const auto &[name, value] : defaults) {
    const int index = lab.metaObject()->indexOfProperty(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_TRUE(lab.metaObject()->property(index).isWritable()) << name;
    EXPECT_EQ(lab.property(name), value) << name;
  }
  EXPECT_EQ(lab.size(), QSize(160, 28));
  EXPECT_EQ(lab.frameDark(), clBlack);
  EXPECT_EQ(lab.frameShadow(), clGray);
  EXPECT_EQ(lab.frameHighlight(), clWhite);
  // The display types in their declared order.
  const QMetaEnum e = QMetaEnum::fromType<TNumLab::TDisplay>();
  ASSERT_EQ(e.keyCount(), 15);
  EXPECT_STREQ(e.key(0), "dtFloat");
  EXPECT_STREQ(e.key(6), "dtDateTime");
  EXPECT_STREQ(e.key(14), "dtEEngNoDP");
}

TEST_F(NumLab, SetterRulesClampIgnoreAndRepaintOnlyOnChange) {
  lab->SetLeftSpace(500);
  EXPECT_EQ(lab->LeftSpace(), 200); // the control's width
  lab->SetLeftSpace(-3);
  EXPECT_EQ(lab->LeftSpace(), 200);
  lab->SetPrecision(20);
  EXPECT_EQ(lab->Precision(), 15);
  lab->SetPrecision(-1);
  EXPECT_EQ(lab->Precision(), 15);
  lab->SetLabelWidth(-10); // no range check
  EXPECT_EQ(lab->LabelWidth(), -10);

  EXPECT_EQ(screenTransfers([&] { lab->SetValue(1.5); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetValue(2.5); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetLeftText(QStringLiteral("Left")); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetLeftText(QStringLiteral("left")); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetPrecision(15); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetPrecision(-5); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetPrecision(3); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetColorLabBakG(clCream); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetColorLabBakG(clCream); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetDTFormat(QStringLiteral("hh:nn")); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetDTFormat(QStringLiteral("hh:nn")); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->setFont(makeFont(QStringLiteral("Liberation Sans"), 14)); }),
            1u);
  EXPECT_EQ(screenTransfers([&] { lab->setPalette(QPalette(Qt::darkCyan)); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetFrameStyle(Nuvra::fsLowered); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetComma(true); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetDisplayType(lab->DisplayType()); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetDisplayType(TNumLab::dtExp); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetForcePlusSign(lab->ForcePlusSign()); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetForcePlusSign(!lab->ForcePlusSign()); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetLabelWidth(-10); }), 0u);
  EXPECT_EQ(screenTransfers([&] { lab->SetLabelWidth(60); }), 1u);
  EXPECT_EQ(screenTransfers([&] { lab->SetLeftSpace(0); }), 1u); // no left text column
  EXPECT_EQ(lab->LeftSpace(), 0);
  EXPECT_EQ(screenTransfers([&] { lab->SetColorScheme(Nuvra::csBWG); }), 0u);
  // Enabled always refreshes, even when unchanged.
  EXPECT_EQ(screenTransfers([&] { lab->SetEnabled(true); }), 1u);
  lab->resize(150, 24); // while its parent is not shown: it paints when it is
  // A hidden label paints nothing.
  lab->hide();
  EXPECT_EQ(screenTransfers([&] { lab->SetValue(7); }), 0u);
  EXPECT_EQ(lab->Value(), 7);
  // Shown again, it catches up as soon as it appears, in one paint.
  EXPECT_EQ(screenTransfers([&] {
              lab->show();
              parent.show();
            }),
            1u);
  const QImage shown = lab->grab().toImage();
  lab->Paint();
  EXPECT_EQ(shown, lab->grab().toImage()); // showing painted it at its new size
}

// A screen reader meets a read-out as text named by its left text, with the shown value.
TEST_F(NumLab, ScreenReadersHearItsNameAndValue) {
  lab->SetLeftText(QStringLiteral("Distance:"));
  QAccessibleInterface *a = QAccessible::queryAccessibleInterface(lab);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::StaticText);
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Distance"));
  QAccessibleTextInterface *text = a->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(0, text->characterCount()), a->text(QAccessible::Value));
  EXPECT_FALSE(a->text(QAccessible::Value).isEmpty());
}

TEST_F(NumLab, SizeHintsHoldTheBoxOneRowAndTheRightText) {
  const auto rowH = [](const QFont &f) {
    QImage img(1, 1, QImage::Format_RGB32);
    return QFontMetrics(f, &img).height();
  };
  // Left space 40 and label width 50: the box ends at 40 + 50 + 2, the right text starts at 97.
  EXPECT_EQ(lab->minimumSizeHint(), QSize(93, rowH(font) + 6));
  EXPECT_EQ(lab->sizeHint(), QSize(97 + textWidth("Right"), rowH(font) + 6));
  const struct {
    const char *what;
    std::function<void()> change;
  } cases[] = {
      {"wider box", [&] { lab->SetLabelWidth(80); }},
      {"longer right text", [&] { lab->SetRightText(QStringLiteral("Right and more")); }},
      {"larger font", [&] { lab->setFont(makeFont(QStringLiteral("Liberation Sans"), 20)); }},
  };
  for (const auto &c : cases) {
    const QSize before = lab->sizeHint();
    c.change();
    EXPECT_GT(lab->sizeHint().width(), before.width()) << c.what;
  }
  EXPECT_EQ(lab->sizeHint().height(), rowH(lab->font()) + 6);
  lab->SetRightText(QString());
  EXPECT_EQ(lab->sizeHint(), lab->minimumSizeHint());
}

TEST_F(NumLab, TextsArePlacedByTheirAlignments) {
  const int y = rowY();
  const int ls = 40, lw = 50, w = 200, h = 20;
  const int wl = textWidth("Left"), wr = textWidth("Right"), wv = textWidth("1.50");
  struct Case {
    Nuvra::TAlignment a;
    int leftX, rightX, valueX;
  };
  const Case cases[] = {
      {Nuvra::taLeftJustify, 7, ls + lw + 7, ls + 4},
      {Nuvra::taRightJustify, ls - wl - 5, w - wr - 6, ls + lw - 2 - wv},
      {Nuvra::taCenter, (ls - wl) / 2, ls + lw + 1 + (w - ls - lw - wr) / 2,
       ls + 2 + (lw - wv) / 2},
  };
  for (const Case &c : cases) {
    lab->SetLeftTextAlignment(c.a);
    lab->SetRightTextAlignment(c.a);
    lab->SetAlignment(c.a);
    CanvasRecorder rec;
    lab->Paint();
    const auto texts = rec.of(CanvasOp::TextOut, QStringLiteral("numlab"));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Left");
    EXPECT_EQ(texts[0].points[0], QPoint(c.leftX, y)) << c.a;
    EXPECT_EQ(texts[0].fontColor, clBlack);
    EXPECT_EQ(texts[0].brushStyle, Nuvra::bsSolid);
    EXPECT_EQ(texts[0].brushColor, clBtnFace);
    EXPECT_EQ(texts[1].text, "Right");
    EXPECT_EQ(texts[1].points[0], QPoint(c.rightX, y)) << c.a;
    const auto values = rec.of(CanvasOp::TextRect, QStringLiteral("numlab"));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].text, "1.50");
    EXPECT_EQ(values[0].points[0], QPoint(c.valueX, y)) << c.a;
    EXPECT_EQ(values[0].clip, QRect(QPoint(ls + 3, 2), QPoint(ls + lw - 2, h - 4)));
    EXPECT_EQ(values[0].brushColor, clBtnFace);
    // The bitmap is filled first and transferred to the screen in one copy.
    const auto rects = rec.of(CanvasOp::Rectangle, QStringLiteral("numlab"));
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].points, (std::vector<QPoint>{{0, 0}, {w, h}}));
    EXPECT_EQ(rects[0].brushColor, clBtnFace);
    const auto draws = rec.of(CanvasOp::Draw, QStringLiteral("screen"));
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].points, (std::vector<QPoint>{{0, 0}, {w, h}}));
  }
}

TEST_F(NumLab, FrameStylesDrawTheirOutlineAndEdgeLines) {
  const int ls = 40, lw = 50, h = 20;
  lab->SetColorLabBakG(clCream);
  const std::vector<QPoint> first{{ls + 1, h - 3}, {ls + 1, 1}, {ls + lw + 1, 1}};
  const std::vector<QPoint> second{{ls + 1, h - 1}, {ls + lw + 2, h - 1}, {ls + lw + 2, 0}};
  struct Case {
    Nuvra::TFrameStyle style;
    TColor outline, firstColor, secondColor;
  };
  const Case framed[] = {
      {Nuvra::fsLowered, clGray, clBlack, clWhite},
      {Nuvra::fsRaised, clGray, clWhite, clBlack},
      {Nuvra::fsEmbossed, clWhite, clGray, clGray},
      {Nuvra::fsEngraved, clGray, clWhite, clWhite},
  };
  for (const Case &c : framed) {
    lab->SetFrameStyle(c.style);
    CanvasRecorder rec;
    lab->Paint();
    const auto rects = rec.of(CanvasOp::Rectangle, QStringLiteral("numlab"));
    ASSERT_EQ(rects.size(), 2u) << c.style;
    EXPECT_EQ(rects[1].points, (std::vector<QPoint>{{ls, 0}, {ls + lw + 2, h - 1}}));
    EXPECT_EQ(rects[1].penColor, c.outline) << c.style;
    EXPECT_EQ(rects[1].brushColor, clCream);
    const auto lines = rec.of(CanvasOp::Polyline, QStringLiteral("numlab"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, first);
    EXPECT_EQ(lines[0].penColor, c.firstColor) << c.style;
    EXPECT_EQ(lines[1].points, second);
    EXPECT_EQ(lines[1].penColor, c.secondColor) << c.style;
  }
  // fsSimple and fsNone: one rectangle down to the bottom edge, no lines.
  for (const auto &[style, outline] :
       {std::pair{Nuvra::fsSimple, clGray}, std::pair{Nuvra::fsNone, clCream}}) {
    lab->SetFrameStyle(style);
    CanvasRecorder rec;
    lab->Paint();
    const auto rects = rec.of(CanvasOp::Rectangle, QStringLiteral("numlab"));
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[1].points, (std::vector<QPoint>{{ls, 0}, {ls + lw + 2, h}}));
    EXPECT_EQ(rects[1].penColor, outline) << style;
    EXPECT_EQ(rec.count(CanvasOp::Polyline, QStringLiteral("numlab")), 0u);
  }
}

TEST_F(NumLab, SystemSchemeUsesButtonColoursButKeepsTheDarkLine) {
  lab->SetColorScheme(Nuvra::csSystem);
  CanvasRecorder rec;
  lab->Paint();
  const auto rects = rec.of(CanvasOp::Rectangle, QStringLiteral("numlab"));
  const auto lines = rec.of(CanvasOp::Polyline, QStringLiteral("numlab"));
  ASSERT_EQ(rects.size(), 2u);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(rects[1].penColor, clBtnShadow);
  EXPECT_EQ(lines[0].penColor, clBlack);
  EXPECT_EQ(lines[1].penColor, clBtnHighlight);
  lab->SetColorScheme(Nuvra::csBWG);
  EXPECT_EQ(lab->frameShadow(), clGray);
  EXPECT_EQ(lab->frameHighlight(), clWhite);
}

TEST_F(NumLab, DisabledTextsAreEngravedAndTheValueGray) {
  const int y = rowY();
  const int ls = 40, lw = 50, w = 200;
  const int wl = textWidth("Left"), wr = textWidth("Right");
  const auto enabledFrame = paintAndRecord(CanvasOp::Polyline);
  lab->SetEnabled(false);
  EXPECT_FALSE(lab->isEnabled());
  struct Case {
    Nuvra::TAlignment a;
    QPoint leftGray, rightWhite, rightGray;
  };
  const Case cases[] = {
      {Nuvra::taLeftJustify, {7, y}, {ls + lw + 8, y + 1}, {ls + lw + 7, y}},
      {Nuvra::taRightJustify, {ls - wl - 5, y}, {w - wr - 7, y + 1}, {w - wr - 6, y}},
      {Nuvra::taCenter,
       {(ls - wl) / 2, y},
       {ls + lw + 2 + (w - ls - lw - wr) / 2, y + 1},
       {ls + lw + 1 + (w - ls - lw - wr) / 2, y}},
  };
  for (const Case &c : cases) {
    lab->SetLeftTextAlignment(c.a);
    lab->SetRightTextAlignment(c.a);
    CanvasRecorder rec;
    lab->Paint();
    const auto texts = rec.of(CanvasOp::TextOut, QStringLiteral("numlab"));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].points[0], c.leftGray + QPoint(1, 1)) << c.a;
    EXPECT_EQ(texts[0].fontColor, clWhite);
    EXPECT_EQ(texts[0].brushStyle, Nuvra::bsClear);
    EXPECT_EQ(texts[1].points[0], c.leftGray) << c.a;
    EXPECT_EQ(texts[1].fontColor, clGray);
    EXPECT_EQ(texts[2].points[0], c.rightWhite) << c.a;
    EXPECT_EQ(texts[2].fontColor, clWhite);
    EXPECT_EQ(texts[3].points[0], c.rightGray) << c.a;
    EXPECT_EQ(texts[3].fontColor, clGray);
    const auto values = rec.of(CanvasOp::TextRect, QStringLiteral("numlab"));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].fontColor, clGray);
    const auto frame = rec.of(CanvasOp::Polyline, QStringLiteral("numlab"));
    ASSERT_EQ(frame.size(), enabledFrame.size());
    for (std::size_t i = 0; i < frame.size(); ++i) {
      EXPECT_EQ(frame[i].points, enabledFrame[i].points);
      EXPECT_EQ(frame[i].penColor, enabledFrame[i].penColor);
    }
  }
  // Enabling through the widget itself is followed too.
  lab->setEnabled(true);
  EXPECT_TRUE(lab->Enabled());
  // A disabled parent does not change the label's own state.
  parent.setEnabled(false);
  EXPECT_TRUE(lab->Enabled());
  parent.setEnabled(true);
}

TEST_F(NumLab, EmptyShowsNoValueAndTooWideTextsShowTheIndicatorClipped) {
  lab->SetEmpty(true);
  EXPECT_TRUE(paintAndRecord(CanvasOp::TextRect).empty());
  EXPECT_EQ(lab->displayText(), "");
  lab->SetEmpty(false);
  lab->SetValue(123456789.0);
  const auto values = paintAndRecord(CanvasOp::TextRect);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].text, "*********");
  EXPECT_EQ(lab->displayText(), "*********");
  // A state text wider than the box is kept.
  lab->SetDisplayType(TNumLab::dtState);
  lab->SetStateText(QStringLiteral("a state text far too wide for the box"));
  EXPECT_EQ(lab->displayText(), "a state text far too wide for the box");
}

TEST_F(NumLab, HookReceivesTheLabelAndItsText) {
  QObject *sender = nullptr;
  lab->OnBeforeDisplay = [&](QObject *s, QString &text) {
    sender = s;
    text.prepend(QStringLiteral("~"));
  };
  const auto values = paintAndRecord(CanvasOp::TextRect);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].text, "~1.50");
  EXPECT_EQ(sender, lab);
}

TEST_F(NumLab, ReadOutOfTheMainWindowShowsOneAtTheScrollBarEnd) {
  lab->setFont(QWidget().font());
  lab->setGeometry(482, 112, 273, 20);
  lab->SetLeftText(QStringLiteral("Distance between Aerials:"));
  lab->SetRightText(QStringLiteral("Lambda"));
  lab->SetLeftSpace(164);
  lab->SetLabelWidth(42);
  lab->SetPrecision(3);
  lab->SetValue(6283.0 / 2000.0 / M_PI);
  EXPECT_EQ(lab->displayText(), "1.000");
  lab->SetValue(1234.0 / 2000.0);
  EXPECT_EQ(lab->displayText(), "0.617");
}

TEST_F(NumLab, TransparentLabelAndsOntoTheParentsPicture) {
  parent.setAutoFillBackground(true);
  QPalette pal = parent.palette();
  pal.setColor(QPalette::Window, QColor(0x20, 0x80, 0xE0));
  parent.setPalette(pal);
  lab->SetColorLabBakG(clCream);
  lab->SetLeftText(QString());
  // The dark pixels inside the box: the value's letters and the frame's dark lines.
  const auto darkInBox = [](const QImage &img) {
    std::vector<QPoint> dark;
    for (int y = 2; y < 18; ++y)
      for (int x = 42; x < 90; ++x)
        if (qGray(img.pixel(x, y)) < 80)
          dark.emplace_back(x, y);
    return dark;
  };
  const std::vector<QPoint> opaqueDark = darkInBox(lab->screenImage());
  ASSERT_GT(opaqueDark.size(), 10u);
  CanvasRecorder rec;
  lab->SetTransparent(true);
  const auto fills = rec.of(CanvasOp::Rectangle, QStringLiteral("numlab"));
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills[0].brushColor, clWhite);
  EXPECT_EQ(fills[0].penColor, clWhite);
  const auto boxes = rec.of(CanvasOp::Rectangle, QStringLiteral("screen"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].points, (std::vector<QPoint>{{42, 2}, {90, 18}}));
  EXPECT_EQ(boxes[0].brushColor, clCream); // black text: the box colour
  EXPECT_EQ(rec.count(CanvasOp::DrawAnd, QStringLiteral("screen")), 1u);
  EXPECT_EQ(rec.count(CanvasOp::Draw, QStringLiteral("screen")), 0u);

  const QImage &img = lab->screenImage();
  EXPECT_EQ(pixel(img, 5, 3), 0xE08020u); // the parent shows through outside the box
  EXPECT_EQ(pixel(img, 44, 4) & 0xFFFFFFu, clCream & 0xFFFFFFu);
  EXPECT_EQ(darkInBox(img), opaqueDark) << "the letters land where the opaque label has them";

  rec.clear();
  lab->SetColorLabText(clRed); // coloured text needs a white box under the AND
  const auto boxes2 = rec.of(CanvasOp::Rectangle, QStringLiteral("screen"));
  ASSERT_EQ(boxes2.size(), 1u);
  EXPECT_EQ(boxes2[0].brushColor, clWhite);

  rec.clear();
  lab->SetTransparent(false);
  EXPECT_EQ(rec.count(CanvasOp::Draw, QStringLiteral("screen")), 1u);
}

TEST_F(NumLab, LoweredFrameOnScreen) {
  lab->SetEmpty(true);
  lab->SetColorLabBakG(clCream);
  lab->SetColorOutBakG(clSilver);
  const QImage &img = lab->screenImage();
  const int ls = 40, lw = 50, h = 20;
  EXPECT_EQ(pixel(img, 2, 2), clSilver);          // outside
  EXPECT_EQ(pixel(img, ls, 8), clGray);           // outline, left
  EXPECT_EQ(pixel(img, ls + 20, 0), clGray);      // outline, top
  EXPECT_EQ(pixel(img, ls + 1, 8), clBlack);      // dark line, left
  EXPECT_EQ(pixel(img, ls + 20, 1), clBlack);     // dark line, top
  EXPECT_EQ(pixel(img, ls + 20, h - 1), clWhite); // highlight, bottom
  EXPECT_EQ(pixel(img, ls + lw + 2, 8), clWhite); // highlight, right
  EXPECT_EQ(pixel(img, ls + 20, 8), clCream);     // inside the box
  EXPECT_EQ(pixel(img, ls + lw + 4, 8), clSilver);
  // The edge lines run up from their first points and stop short of their last ones.
  EXPECT_EQ(pixel(img, ls + 1, h - 3), clBlack);   // first point of the dark line
  EXPECT_EQ(pixel(img, ls + 1, h - 2), clGray);    // below it: the outline
  EXPECT_EQ(pixel(img, ls + lw + 2, 1), clWhite);  // highlight up to the last point...
  EXPECT_EQ(pixel(img, ls + lw + 2, 0), clSilver); // ...which stays outside colour
  // paintEvent shows exactly the screen image.
  EXPECT_EQ(lab->grab().toImage().convertToFormat(QImage::Format_RGB32), img);
}

TEST_F(NumLab, AssignCopiesTheLookButNotTheFormattingChoices) {
  TNumLab src(&parent);
  const std::pair<const char *, QVariant> copied[] = {
      {"LeftSpace", 20},
      {"Empty", true},
      {"LabelWidth", 33},
      {"Precision", 5},
      {"LeftText", QStringLiteral("L")},
      {"RightText", QStringLiteral("R")},
      {"FrameStyle", QVariant::fromValue(Nuvra::fsRaised)},
      {"Alignment", QVariant::fromValue(Nuvra::taLeftJustify)},
      {"RightTextAlignment", QVariant::fromValue(Nuvra::taCenter)},
      {"LeftTextAlignment", QVariant::fromValue(Nuvra::taLeftJustify)},
      {"OverflowIndicator", QStringLiteral("##")},
      {"Value", 9.25},
      {"StateText", QStringLiteral("off")},
      {"Transparent", true},
      {"ColorLabBakG", QVariant::fromValue(clRed)},
      {"ColorLabText", QVariant::fromValue(clNavy)},
      {"ColorOutBakG", QVariant::fromValue(clSilver)},
      {"ColorOutText", QVariant::fromValue(clGreen)},
      {"ColorScheme", QVariant::fromValue(Nuvra::csSystem)},
      {"DisplayType", QVariant::fromValue(TNumLab::dtHex)},
  };
  for (const auto &[name, value] : copied)
    ASSERT_TRUE(src.setProperty(name, value)) << name;
  src.SetComma(true);
  src.SetForcePlusSign(true);
  src.SetDTFormat(QStringLiteral("yyyy"));
  src.SetEnabled(false);
  src.OnBeforeDisplay = [](QObject *, QString &) {};

  lab->SetDTFormat(QStringLiteral("dd"));
  CanvasRecorder rec;
  lab->Assign(&src);
  EXPECT_EQ(rec.count(CanvasOp::DrawAnd, QStringLiteral("screen")), 1u); // now transparent
  for (const auto &[name, value] : copied)
    EXPECT_EQ(lab->property(name), value) << name;
  EXPECT_EQ(lab->frameShadow(), clBtnShadow);
  EXPECT_EQ(lab->frameHighlight(), clBtnHighlight);
  EXPECT_FALSE(lab->Comma());
  EXPECT_FALSE(lab->ForcePlusSign());
  EXPECT_EQ(lab->DTFormat(), "dd");
  EXPECT_TRUE(lab->Enabled());
  EXPECT_FALSE(static_cast<bool>(lab->OnBeforeDisplay));

  // AssignTo hands over to a label; anything else is refused without looping.
  TNumLab other(&parent);
  src.AssignTo(&other);
  EXPECT_EQ(other.LabelWidth(), 33);
  QWidget plain;
  EXPECT_THROW(src.AssignTo(&plain), ENuvraError);
  EXPECT_THROW(lab->Assign(&plain), ENuvraError);
  EXPECT_THROW(lab->Assign(nullptr), ENuvraError);
}

TEST_F(NumLab, BadSettingsNeverCrash) {
  const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -1e308, 5e-324};
  for (double v : values)
    for (int dt = TNumLab::dtFloat; dt <= TNumLab::dtEEngNoDP; ++dt) {
      lab->SetDisplayType(static_cast<TDisplay>(dt));
      lab->SetValue(v);
    }
  lab->SetDisplayType(TNumLab::dtFixP);
  lab->SetValue(1);
  for (int lw : {0, 3, -100, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()})
    lab->SetLabelWidth(lw);
  lab->SetLeftText(QString());
  lab->SetRightText(QString());
  lab->SetOverflowIndicator(QString());
  lab->SetDTFormat(QString(1000, QLatin1Char('d')));
  lab->SetDisplayType(TNumLab::dtDateTime);
  lab->resize(0, 0);
  lab->Paint();
  lab->resize(3, 2);
  lab->SetTransparent(true);
  lab->SetLabelWidth(80);
  lab->SetLeftSpace(3);
  lab->Paint();
  TNumLab orphan; // no parent: transparent falls back to its own palette
  orphan.show();
  orphan.SetTransparent(true);
  EXPECT_EQ(orphan.screenImage().size(), QSize(160, 28));
}

TEST_F(NumLab, ClickDoubleClickAndMouseEvents) {
  expectClickRules(lab);
  QPoint moved;
  TNumLab::TShiftState held;
  lab->OnMouseMove = [&](QObject *, TNumLab::TShiftState s, int x, int y) {
    moved = {x, y};
    held = s;
  };
  QMouseEvent e(QEvent::MouseMove, QPointF(7, 9), QPointF(7, 9), Qt::NoButton, Qt::LeftButton,
                Qt::ShiftModifier);
  QApplication::sendEvent(lab, &e);
  EXPECT_EQ(moved, QPoint(7, 9));
  EXPECT_EQ(held, TNumLab::ssLeft | TNumLab::ssShift);
}
