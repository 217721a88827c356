// Colours asked for where no GUI application, and so no palette, exists (a command-line
// tool, a test without widgets): the system colours fall back to the classic table.
#include <QColor>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "Nuvra_nuvrabase.h"

namespace {

TEST(ColorsWithoutGui, SystemColoursComeFromTheClassicTable) {
  ASSERT_FALSE(qobject_cast<QGuiApplication *>(QCoreApplication::instance()));
  const struct {
    TColor system;
    QColor color;
  } cases[] = {
      {0x80000005u, QColor(255, 255, 255)}, // window
      {clWindowText, QColor(0, 0, 0)},
      {clBtnFace, QColor(240, 240, 240)},
      {clBtnShadow, QColor(160, 160, 160)},
      {clGrayText, QColor(109, 109, 109)},
      {clBtnHighlight, QColor(255, 255, 255)},
      {0x80000001u, QColor(0, 0, 0)}, // no role: black
      {clRed, QColor(255, 0, 0)},     // not a system colour: itself
  };
  for (const auto &c : cases) {
    EXPECT_EQ(colorToQColor(c.system), c.color) << std::hex << c.system;
    const TColor rgb = colorToRGB(c.system);
    EXPECT_EQ(QColor(int(rgb & 0xFF), int(rgb >> 8 & 0xFF), int(rgb >> 16)), c.color);
  }
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
