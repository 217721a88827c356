// The canvas adapter's drawing conventions, checked on real pixels: the controls' coordinates
// are only right if these hold.
#include <gtest/gtest.h>

#include "Nuvra_canvas.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;

struct Surface {
  QImage image{20, 20, QImage::Format_RGB32};
  TCanvas canvas{QStringLiteral("test")};
  Surface() {
    image.fill(kWhite);
    canvas.SetTarget(&image);
  }
  QRgb at(int x, int y) {
    canvas.Release();
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
  EXPECT_GT(s.canvas.TextWidth(QStringLiteral("WW")), s.canvas.TextWidth(QStringLiteral("W")));
  EXPECT_GT(s.canvas.TextHeight(QStringLiteral("W")), 10);
}

TEST(Canvas, ExclusiveOrDrawnTwiceRestoresThePicture) {
  Surface s;
  s.canvas.SetPenColor(clBlack);
  s.canvas.Rectangle(0, 0, 20, 20); // something under the rubber band
  const QImage before = (s.canvas.Release(), s.image.copy());
  s.canvas.SetPenMode(Nuvra::pmXor);
  s.canvas.SetPenColor(clWhite);
  s.canvas.SetBrushStyle(Nuvra::bsClear);
  s.canvas.Rectangle(3, 3, 15, 12);
  EXPECT_EQ(s.at(3, 3), kBlack); // white xor white
  s.canvas.Rectangle(3, 3, 15, 12);
  s.canvas.Release();
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
  s.canvas.DrawAnd(0, 0, overlay);
  EXPECT_EQ(s.at(4, 4), kRed);
  EXPECT_EQ(s.at(5, 5), kBlack);
}

TEST(Canvas, RecorderSeesCallsWithTheStateInForce) {
  TCanvasRecorder rec;
  TCanvas canvas(QStringLiteral("rec")); // no target: calls are only recorded
  canvas.SetPenColor(clRed);
  canvas.SetPenStyle(Nuvra::psDot);
  canvas.MoveTo(1, 2);
  canvas.LineTo(3, 4);
  canvas.Ellipse(1, 2, 3, 4);
  ASSERT_EQ(rec.count(TCanvasOp::LineTo, QStringLiteral("rec")), 1u);
  const TCanvasCall line = rec.of(TCanvasOp::LineTo).front();
  EXPECT_EQ(line.points, (std::vector<QPoint>{{1, 2}, {3, 4}}));
  EXPECT_EQ(line.penColor, clRed);
  EXPECT_EQ(line.penStyle, Nuvra::psDot);
  EXPECT_EQ(rec.count(TCanvasOp::Ellipse, QStringLiteral("other")), 0u);
}

TEST(Colors, SystemAndRgbValues) {
  EXPECT_EQ(colorToQColor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(colorToQColor(clNavy), QColor(0, 0, 128));
  EXPECT_EQ(colorToRGB(clCream), clCream);
  // System colours resolve to something real and stable.
  EXPECT_EQ(colorToQColor(clBtnFace), colorToQColor(clBtnFace));
  EXPECT_TRUE(colorToQColor(clBtnFace).isValid());
}

} // namespace
