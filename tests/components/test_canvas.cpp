// The canvas adapter's drawing conventions, checked on real pixels: the controls' coordinates
// are only right if these hold.
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

#include "Nuvra_canvas.h"

#include <cstdlib>
#include <random>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;

struct Surface {
  QImage image{20, 20, QImage::Format_RGB32};
  TCanvas canvas{QStringLiteral("test")};
  Surface() {
    image.fill(kWhite);
    canvas.setTarget(&image);
  }
  QRgb at(int x, int y) {
    canvas.release();
    return image.pixel(x, y);
  }
};

TEST(Canvas, RectangleExcludesRightAndBottomEdge) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  s.canvas.SetBrushColor(clRed);
  s.canvas.Rectangle(2, 3, 8, 9);
  EXPECT_EQ(s.at(2, 3), kBlack); // outline at the left/top corner
  EXPECT_EQ(s.at(7, 8), kBlack); // last outline pixel is right - 1, bottom - 1
  EXPECT_EQ(s.at(8, 8), kWhite); // the right edge itself is not drawn
  EXPECT_EQ(s.at(7, 9), kWhite); // nor the bottom edge
  EXPECT_EQ(s.at(5, 5), kRed);   // filled with the brush
}

TEST(Canvas, LineToLeavesOutTheEndPointAndMovesThePen) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  s.canvas.MoveTo(2, 5);
  s.canvas.LineTo(10, 5);
  EXPECT_EQ(s.at(2, 5), kBlack);
  EXPECT_EQ(s.at(9, 5), kBlack);
  EXPECT_EQ(s.at(10, 5), kWhite);
  EXPECT_EQ(s.canvas.PenPos(), QPoint(10, 5));
}

// Every direction keeps its start pixel and leaves out its end pixel, including lines drawn
// upward or leftward, whose ends a rasteriser may swap; LineTo and a two-point Polyline alike.
TEST(Canvas, ThinLinesKeepTheStartAndLeaveOutTheEndInEveryDirection) {
  struct Case {
    QPoint from, to;
  };
  const Case cases[] = {
      {{5, 10}, {15, 10}}, {{15, 10}, {5, 10}}, {{10, 5}, {10, 15}}, {{10, 15}, {10, 5}},
      {{5, 5}, {15, 15}},  {{15, 15}, {5, 5}},  {{5, 15}, {15, 5}},  {{15, 5}, {5, 15}},
      {{3, 4}, {17, 9}},   {{17, 9}, {3, 4}},
  };
  for (int way = 0; way < 2; ++way)
    for (const Case &c : cases) {
      Surface s;
      s.canvas.SetPenColor(clBlack);
      s.canvas.MoveTo(c.from.x(), c.from.y());
      const QPoint two[] = {c.from, c.to};
      if (way == 0)
        s.canvas.LineTo(c.to.x(), c.to.y());
      else
        s.canvas.Polyline(two);
      const QPoint dir((c.to.x() > c.from.x()) - (c.to.x() < c.from.x()),
                       (c.to.y() > c.from.y()) - (c.to.y() < c.from.y()));
      const QPoint beforeEnd = c.to - dir;
      SCOPED_TRACE(QStringLiteral("(%1,%2)->(%3,%4)")
                       .arg(c.from.x())
                       .arg(c.from.y())
                       .arg(c.to.x())
                       .arg(c.to.y())
                       .toStdString());
      EXPECT_EQ(s.at(c.from.x(), c.from.y()), kBlack);
      EXPECT_EQ(s.at(c.to.x(), c.to.y()), kWhite);
      if (c.to.x() == c.from.x() || c.to.y() == c.from.y() ||
          std::abs(c.to.x() - c.from.x()) == std::abs(c.to.y() - c.from.y())) {
        EXPECT_EQ(s.at(beforeEnd.x(), beforeEnd.y()), kBlack);
      }
      int drawn = 0;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
          drawn += s.at(x, y) == kBlack;
      EXPECT_EQ(drawn, std::max(std::abs(c.to.x() - c.from.x()), std::abs(c.to.y() - c.from.y())));
    }
}

// Where a shallow line runs exactly between two rows, its middle pixel stays on the row it
// started from, whichever way it is drawn; the screenshots depend on this choice.
TEST(Canvas, ThinLinesKeepToTheirStartingRowOnATie) {
  const struct {
    QPoint from, to, middle, notMiddle;
  } cases[] = {{{5, 5}, {7, 6}, {6, 5}, {6, 6}}, {{7, 6}, {5, 5}, {6, 6}, {6, 5}}};
  for (const auto &c : cases) {
    Surface s;
    s.canvas.SetPenColor(clBlack);
    s.canvas.MoveTo(c.from.x(), c.from.y());
    s.canvas.LineTo(c.to.x(), c.to.y());
    EXPECT_EQ(s.at(c.middle.x(), c.middle.y()), kBlack) << c.from.x();
    EXPECT_EQ(s.at(c.notMiddle.x(), c.notMiddle.y()), kWhite) << c.from.x();
  }
}

// A closed outline drawn against the clock: each corner is drawn exactly once, so an
// exclusive-or pen leaves no gap and no doubled pixel, and the dotted pen keeps its rhythm.
TEST(Canvas, ClosedPolylineDrawsEachCornerOnce) {
  Surface s;
  s.canvas.SetPenMode(Nuvra::pmXor);
  s.canvas.SetPenColor(clWhite);
  const QPoint ring[] = {{2, 12}, {2, 2}, {12, 2}, {12, 12}, {2, 12}};
  s.canvas.Polyline(ring);
  for (const QPoint corner : {QPoint(2, 12), QPoint(2, 2), QPoint(12, 2), QPoint(12, 12)})
    EXPECT_EQ(s.at(corner.x(), corner.y()), kBlack) << corner.x() << "," << corner.y();
  Surface dots;
  dots.canvas.SetPenColor(clBlack);
  dots.canvas.SetPenStyle(Nuvra::psDot);
  dots.canvas.MoveTo(10, 1);
  dots.canvas.LineTo(10, 11); // upward and downward dotted lines start with a dot
  dots.canvas.MoveTo(18, 11);
  dots.canvas.LineTo(18, 1);
  for (int y = 1; y < 11; ++y) {
    EXPECT_EQ(dots.at(10, y), y % 3 == 1 ? kBlack : kWhite) << y;
    EXPECT_EQ(dots.at(18, 12 - y), (y - 1) % 3 == 0 ? kBlack : kWhite) << y;
  }
}

// Thin lines are set pixel by pixel straight into plain 32-bit images and through the painter
// elsewhere; both ways give the same picture for every pen style and mode.
TEST(Canvas, ThinLinesSetDirectlyMatchThePaintersPoints) {
  std::mt19937 rng(3);
  for (int round = 0; round < 400; ++round) {
    std::vector<QPoint> pts;
    for (int i = 0; i < 6; ++i)
      pts.emplace_back(static_cast<int>(rng() % 30) - 5, static_cast<int>(rng() % 30) - 5);
    const auto style = static_cast<Nuvra::TPenStyle>(rng() % 5);
    const auto mode = static_cast<Nuvra::TPenMode>(rng() % 2);
    QImage direct(20, 20, QImage::Format_RGB32), painted(20, 20, QImage::Format_ARGB32);
    for (QImage *image : {&direct, &painted}) {
      image->fill(0xFF336699u);
      TCanvas c;
      c.setTarget(image);
      c.SetPenColor(clRed);
      c.SetPenStyle(style);
      c.SetPenMode(mode);
      c.Polyline(pts);
      c.MoveTo(pts[0].x(), pts[0].y());
      c.LineTo(pts[1].x(), pts[1].y());
    }
    ASSERT_EQ(direct, painted.convertToFormat(QImage::Format_RGB32)) << round;
  }
}

// The dashed one-pixel pens have the on and off runs of Qt's own cosmetic pens.
TEST(Canvas, DashedThinLinesHaveTheRunsOfQtsPens) {
  const std::pair<Nuvra::TPenStyle, Qt::PenStyle> styles[] = {
      {Nuvra::psDash, Qt::DashLine},
      {Nuvra::psDot, Qt::DotLine},
      {Nuvra::psDashDot, Qt::DashDotLine},
      {Nuvra::psDashDotDot, Qt::DashDotDotLine}};
  for (const auto &[ours, qts] : styles) {
    QImage canvasLine(40, 3, QImage::Format_RGB32), qtLine(40, 3, QImage::Format_RGB32);
    canvasLine.fill(kWhite);
    qtLine.fill(kWhite);
    {
      TCanvas c;
      c.setTarget(&canvasLine);
      c.SetPenColor(clBlack);
      c.SetPenStyle(ours);
      c.MoveTo(0, 1);
      c.LineTo(40, 1); // the end point, left out, lies beside the image
    }
    QPainter p(&qtLine);
    p.setPen(QPen(Qt::black, 0, qts));
    p.drawLine(0, 1, 39, 1);
    p.end();
    EXPECT_EQ(canvasLine, qtLine) << ours;
  }
}

// A line with an end beside the image draws the part that lies on it: the same pixels as the
// line drawn wholly on a larger image, seen through a window of the smaller one's size.
TEST(Canvas, LinesReachingBeyondTheImageKeepTheirPartOnIt) {
  const std::pair<QPoint, QPoint> lines[] = {
      {{-6, 3}, {12, 9}},   {{12, 9}, {-6, 3}},   {{25, 4}, {3, 15}},   {{3, 15}, {25, 4}},
      {{5, -7}, {9, 12}},   {{9, 25}, {14, 2}},   {{-4, -4}, {24, 24}}, {{-3, 10}, {23, 10}},
      {{10, -3}, {10, 23}}, {{-8, 2}, {-1, 30}},  {{-3, 0}, {23, 0}},   {{0, -3}, {0, 23}},
      {{-3, 19}, {23, 19}}, {{19, 23}, {19, -3}}, // along each edge
  };
  for (const auto &[from, to] : lines) {
    Surface small;
    QImage large(60, 60, QImage::Format_RGB32);
    large.fill(kWhite);
    const QPoint shift(20, 20);
    for (auto [image, at] : {std::pair{&small.image, QPoint()}, std::pair{&large, shift}}) {
      TCanvas c;
      c.setTarget(image);
      c.SetPenColor(clBlack);
      c.SetPenStyle(Nuvra::psDashDot);
      const QPoint two[] = {from + at, to + at};
      c.Polyline(two);
    }
    small.canvas.release();
    EXPECT_EQ(small.image, large.copy(QRect(shift, small.image.size())))
        << from.x() << "," << from.y() << " -> " << to.x() << "," << to.y();
  }
}

TEST(Canvas, PolylineJoinsWithoutDrawingItsLastPoint) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  const QPoint pts[] = {{1, 1}, {1, 10}, {10, 10}};
  s.canvas.Polyline(pts);
  EXPECT_EQ(s.at(1, 1), kBlack);
  EXPECT_EQ(s.at(1, 10), kBlack); // the inner vertex is drawn
  EXPECT_EQ(s.at(9, 10), kBlack);
  EXPECT_EQ(s.at(10, 10), kWhite);
}

TEST(Canvas, BrushColourMakesAClearBrushSolid) {
  Surface s;
  s.canvas.SetBrushStyle(Nuvra::bsClear);
  s.canvas.SetBrushColor(clRed);
  EXPECT_EQ(s.canvas.BrushStyle(), Nuvra::bsSolid);
  s.canvas.SetBrushStyle(Nuvra::bsClear);
  s.canvas.SetPenColor(clBlack);
  s.canvas.Ellipse(0, 0, 19, 19);
  EXPECT_EQ(s.at(9, 9), kWhite); // hollow
}

// A pen or brush change after drawing applies to what is drawn next.
TEST(Canvas, WidthAndFillFollowTheirLatestSettings) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  s.canvas.SetPenWidth(3);
  s.canvas.MoveTo(2, 4);
  s.canvas.LineTo(18, 4);
  s.canvas.SetPenWidth(7);
  s.canvas.MoveTo(2, 13);
  s.canvas.LineTo(18, 13);
  EXPECT_EQ(s.at(10, 10), kBlack); // three pixels above the second line's middle
  EXPECT_EQ(s.at(10, 16), kBlack);
  EXPECT_EQ(s.at(10, 8), kWhite);
  Surface fill;
  fill.canvas.SetBrushColor(clRed);
  fill.canvas.FillRect(QRect(2, 2, 5, 5));
  EXPECT_EQ(fill.at(6, 6), kRed);
  EXPECT_EQ(fill.at(7, 7), kWhite);
  fill.canvas.SetBrushStyle(Nuvra::bsClear);
  fill.canvas.FillRect(QRect(10, 10, 5, 5));
  EXPECT_EQ(fill.at(12, 12), kWhite);
}

TEST(Canvas, TextBackgroundFollowsTheBrush) {
  Surface s;
  s.canvas.SetFont(makeFont(QStringLiteral("Liberation Sans"), 13));
  s.canvas.SetBrushColor(clRed);
  s.canvas.TextOut(0, 0, QStringLiteral("."));
  EXPECT_EQ(s.at(0, 0), kRed); // the cell's top-left lies in the background
  Surface clear;
  clear.canvas.SetFont(makeFont(QStringLiteral("Liberation Sans"), 13));
  clear.canvas.SetBrushStyle(Nuvra::bsClear);
  clear.canvas.TextOut(0, 0, QStringLiteral("."));
  EXPECT_EQ(clear.at(0, 0), kWhite);
  // The letters themselves, in the font colour.
  Surface letters;
  letters.canvas.SetFont(makeFont(QStringLiteral("Liberation Sans"), 13));
  letters.canvas.SetBrushStyle(Nuvra::bsClear);
  letters.canvas.SetFontColor(clRed);
  letters.canvas.TextOut(2, 2, QStringLiteral("W"));
  int red = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      red += qRed(letters.at(x, y)) > 200 && qGreen(letters.at(x, y)) < 60;
  EXPECT_GT(red, 10);
  EXPECT_GT(s.canvas.TextWidth(QStringLiteral("WW")), s.canvas.TextWidth(QStringLiteral("W")));
  EXPECT_GT(s.canvas.TextHeight(QStringLiteral("W")), 10);
  // Text in a clip rectangle: a solid brush fills the whole rectangle, a clear one nothing.
  s.canvas.TextRect(QRect(10, 10, 6, 6), 10, 10, QString());
  EXPECT_EQ(s.at(15, 15), kRed);
  clear.canvas.TextRect(QRect(10, 10, 6, 6), 10, 10, QString());
  EXPECT_EQ(clear.at(15, 15), kWhite);
}

TEST(Canvas, FontStylesEachSetTheirOwnFlag) {
  namespace N = Nuvra;
  for (const Nuvra::TFontStyles styles :
       {Nuvra::TFontStyles(), Nuvra::TFontStyles(N::fsBold), Nuvra::TFontStyles(N::fsItalic),
        Nuvra::TFontStyles(N::fsUnderline), Nuvra::TFontStyles(N::fsStrikeOut),
        Nuvra::TFontStyles(N::fsBold) | N::fsStrikeOut}) {
    const QFont f = makeFont(QStringLiteral("Liberation Sans"), 0, styles);
    EXPECT_EQ(f.bold(), styles.testFlag(N::fsBold));
    EXPECT_EQ(f.italic(), styles.testFlag(N::fsItalic));
    EXPECT_EQ(f.underline(), styles.testFlag(N::fsUnderline));
    EXPECT_EQ(f.strikeOut(), styles.testFlag(N::fsStrikeOut));
    EXPECT_EQ(f.pixelSize(), 1); // never below one pixel
  }
}

TEST(Canvas, ExclusiveOrDrawnTwiceRestoresThePicture) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  s.canvas.Rectangle(0, 0, 20, 20); // something under the rubber band
  const QImage before = (s.canvas.release(), s.image.copy());
  s.canvas.SetPenMode(Nuvra::pmXor);
  s.canvas.SetPenColor(clWhite);
  s.canvas.SetBrushStyle(Nuvra::bsClear);
  s.canvas.Rectangle(3, 3, 15, 12);
  EXPECT_EQ(s.at(3, 3), kBlack); // white xor white
  s.canvas.Rectangle(3, 3, 15, 12);
  s.canvas.release();
  EXPECT_EQ(s.image, before);
}

TEST(Canvas, DrawAndKeepsWhereTheImageIsWhite) {
  Surface s;
  s.canvas.SetBrushColor(clRed);
  s.canvas.SetPenColor(clRed);
  s.canvas.Rectangle(0, 0, 20, 20);
  QImage overlay(20, 20, QImage::Format_RGB32);
  overlay.fill(kWhite);
  overlay.setPixel(5, 5, kBlack);
  s.canvas.drawAnd(0, 0, overlay);
  EXPECT_EQ(s.at(4, 4), kRed);
  EXPECT_EQ(s.at(5, 5), kBlack);
}

TEST(Canvas, RecorderSeesCallsWithTheStateInForce) {
  CanvasRecorder rec;
  TCanvas canvas(QStringLiteral("rec")); // no target: calls are only recorded
  canvas.SetPenColor(clRed);
  canvas.SetPenStyle(Nuvra::psDot);
  canvas.SetPenWidth(3);
  canvas.MoveTo(1, 2);
  canvas.LineTo(3, 4);
  canvas.Ellipse(1, 2, 3, 4);
  ASSERT_EQ(rec.count(CanvasOp::LineTo, QStringLiteral("rec")), 1u);
  const CanvasCall line = rec.of(CanvasOp::LineTo).front();
  EXPECT_EQ(line.points, (std::vector<QPoint>{{1, 2}, {3, 4}}));
  EXPECT_EQ(line.penColor, clRed);
  EXPECT_EQ(line.penStyle, Nuvra::psDot);
  EXPECT_EQ(rec.count(CanvasOp::Ellipse, QStringLiteral("other")), 0u);
  EXPECT_EQ(rec.count(CanvasOp::SetPenWidth, QStringLiteral("rec")), 1u);
  canvas.SetFont(makeFont(QStringLiteral("Liberation Sans"), 9));
  ASSERT_EQ(rec.count(CanvasOp::SetFont, QStringLiteral("rec")), 1u);
  EXPECT_EQ(rec.of(CanvasOp::SetFont).front().text, QStringLiteral("Liberation Sans"));
}

TEST(Colors, SystemAndRgbValues) {
  EXPECT_EQ(colorToQColor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(colorToQColor(clNavy), QColor(0, 0, 128));
  EXPECT_EQ(colorToRGB(clCream), clCream);
  EXPECT_EQ(colorToRGB(0x7F123456u), 0x123456u) << "only the low three bytes are a colour";
  // System colours follow the application's palette, each from its own role and group.
  const QPalette saved = QGuiApplication::palette();
  QPalette pal = saved;
  const struct {
    TColor system;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    QColor color;
  } roles[] = {
      {0x80000005u, QPalette::All, QPalette::Base, QColor(1, 2, 3)},
      {clWindowText, QPalette::All, QPalette::WindowText, QColor(4, 5, 6)},
      {clBtnFace, QPalette::All, QPalette::Button, QColor(7, 8, 9)},
      {clBtnShadow, QPalette::All, QPalette::Dark, QColor(10, 11, 12)},
      {clGrayText, QPalette::Disabled, QPalette::WindowText, QColor(13, 14, 15)},
      {clBtnHighlight, QPalette::All, QPalette::Light, QColor(16, 17, 18)},
  };
  for (const auto &r : roles)
    pal.setColor(r.group, r.role, r.color);
  QGuiApplication::setPalette(pal);
  for (const auto &r : roles) {
    EXPECT_EQ(colorToQColor(r.system), r.color) << std::hex << r.system;
    const TColor rgb = colorToRGB(r.system);
    EXPECT_EQ(QColor(int(rgb & 0xFF), int(rgb >> 8 & 0xFF), int(rgb >> 16)), r.color);
  }
  EXPECT_EQ(colorToQColor(0x80000001u), QColor(0, 0, 0)) << "a system colour without a role";
  QGuiApplication::setPalette(saved);
}

} // namespace
