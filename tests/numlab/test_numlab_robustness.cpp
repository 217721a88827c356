// Extreme values and layouts never crash, hang or overflow the read-out: every display type
// with values that are not finite, huge or denormal at both precision bounds, and widths,
// spaces and control sizes at their extremes in every frame style and alignment.
#include <QWidget>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "Nuvra_NumLab.h"

namespace {

using L = std::numeric_limits<double>;
using I = std::numeric_limits<int>;

// Far beyond any widget, but far from overflowing: what the layout clamps widths to.
constexpr int kCoordLimit = 1 << 25;

bool coordinatesBounded(const CanvasRecorder &rec) {
  for (const CanvasCall &c : rec.calls)
    for (const QPoint &p : c.points)
      if (std::abs(p.x()) > 3 * kCoordLimit || std::abs(p.y()) > 3 * kCoordLimit)
        return false;
  return true;
}

} // namespace

TEST(NumLabRobustness, ExtremeValuesInEveryTypeAndPrecision) {
  QWidget parent;
  TNumLab lab(&parent);
  lab.setGeometry(0, 0, 200, 20);
  lab.SetLabelWidth(80);
  const double values[] = {L::quiet_NaN(),   L::infinity(), -L::infinity(), 1e308,
                           -1e308,           L::max(),      L::lowest(),    L::denorm_min(),
                           -L::denorm_min(), L::min(),      -0.0,           9.2233720368547758e18};
  const QFontMetrics fm(lab.font());
  for (int prec : {0, 15})
    for (int dt = TNumLab::dtFloat; dt <= TNumLab::dtEEngNoDP; ++dt)
      for (double v : values) {
        lab.SetPrecision(prec);
        lab.SetDisplayType(static_cast<TDisplay>(dt));
        lab.SetValue(v);
        lab.SetForcePlusSign(dt % 2 == 0);
        lab.SetComma(dt % 3 == 0);
        NumLabFormat f;
        f.value = v;
        f.displayType = static_cast<TDisplay>(dt);
        f.precision = prec;
        const QString converted = ConvertNumLabValue(f);
        if (prec > 0) { // no digit survives a precision of 0 in the radix types
          EXPECT_FALSE(converted.isEmpty()) << dt << " " << v;
        }
        EXPECT_LE(converted.size(), 330) << dt << " " << v; // 309 digits, point, 15 decimals
        // What the control shows fits its box or is the indicator (a state text may overhang).
        const QString shown = lab.displayText();
        if (dt != TNumLab::dtState && shown != lab.OverflowIndicator()) {
          EXPECT_LE(fm.horizontalAdvance(shown), 80 - 6) << dt << " " << v;
        }
        EXPECT_EQ(lab.screenImage().size(), lab.size());
      }
}

TEST(NumLabRobustness, LayoutAtItsExtremesInEveryStyle) {
  QWidget parent;
  TNumLab lab(&parent);
  lab.SetLeftText(QStringLiteral("Left"));
  lab.SetRightText(QStringLiteral("Right"));
  lab.SetValue(-1e308);
  lab.SetPrecision(15);
  for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(-3, -3), QSize(300, 24)}) {
    lab.resize(size);
    lab.SetLeftSpace(I::max());
    EXPECT_LE(lab.LeftSpace(), std::max(0, lab.width())) << "kept within the control";
    for (int lw : {0, -1, -5000000, I::max(), I::min(), 80})
      for (int style = Nuvra::fsNone; style <= Nuvra::fsEngraved; ++style)
        for (int align = Nuvra::taLeftJustify; align <= Nuvra::taCenter; ++align) {
          lab.SetLabelWidth(lw);
          lab.SetFrameStyle(static_cast<Nuvra::TFrameStyle>(style));
          const auto a = static_cast<Nuvra::TAlignment>(align);
          lab.SetAlignment(a);
          lab.SetLeftTextAlignment(a);
          lab.SetRightTextAlignment(a);
          lab.SetTransparent(align == Nuvra::taCenter);
          lab.SetEnabled(style % 2 == 0);
          CanvasRecorder rec;
          lab.Paint();
          EXPECT_TRUE(coordinatesBounded(rec)) << lw << " " << style << " " << align;
          EXPECT_EQ(lab.screenImage().size(), lab.size().expandedTo(QSize(0, 0)));
        }
    lab.grab();
  }
}

// Random bit patterns in every type and precision, through the whole text pipeline; run in
// the sanitizer build this is where an overflowing conversion would show.
TEST(NumLabRobustness, RandomValuesInEveryTypeAndPrecision) {
  std::mt19937_64 rng(20261208);
  const auto width = [](const QString &s) { return static_cast<int>(s.size()) * 7; };
  for (int round = 0; round < 1500; ++round) {
    NumLabFormat f;
    const std::uint64_t bits = rng();
    std::memcpy(&f.value, &bits, sizeof f.value);
    if (round % 2) // also values of ordinary size, where every type has digits to show
      f.value = std::ldexp(static_cast<double>(static_cast<std::int64_t>(rng())),
                           -static_cast<int>(rng() % 96));
    f.precision = static_cast<int>(rng() % 16);
    f.comma = rng() % 2;
    f.forcePlusSign = rng() % 2;
    f.dtFormat = QStringLiteral("c dddddd tt zzz am/pm");
    for (int dt = TNumLab::dtFloat; dt <= TNumLab::dtEEngNoDP; ++dt) {
      f.displayType = static_cast<TDisplay>(dt);
      const QString converted = ConvertNumLabValue(f);
      ASSERT_LE(converted.size(), 330) << dt << " " << f.value;
      // What does not fit in 200 - 6 pixels becomes the indicator; a state text never does.
      const bool fits = dt == TNumLab::dtState || width(converted) <= 200 - 6;
      ASSERT_EQ(FormatNumLabText(f, nullptr, {}, 200, width),
                fits ? converted : f.overflowIndicator)
          << dt << " " << f.value;
    }
  }
}
