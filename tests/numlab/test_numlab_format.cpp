// The read-out's value text, without a window.
#include <QObject>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "Nuvra_NumLab.h"

namespace {

NumLabFormat fmt(double v, TDisplay dt, int p) {
  NumLabFormat f;
  f.value = v;
  f.displayType = dt;
  f.precision = p;
  return f;
}

QString conv(double v, TDisplay dt, int p) { return ConvertNumLabValue(fmt(v, dt, p)); }

const QString kOverflow = QStringLiteral("*********");
const QString kDeg = QString(QChar(0x00B0));

} // namespace

TEST(NumLabFormat, FixedPointDecimalsCommaAndRounding) {
  EXPECT_EQ(conv(0.5, TNumLab::dtFixP, 3), "0.500");
  NumLabFormat f = fmt(0.5, TNumLab::dtFixP, 3);
  f.comma = true;
  EXPECT_EQ(ConvertNumLabValue(f), "0,500");
  // The distance read-out at the right end of its scroll bar.
  EXPECT_EQ(conv(0.999968, TNumLab::dtFixP, 3), "1.000");
  EXPECT_EQ(conv(6283.0 / 2000.0 / M_PI, TNumLab::dtFixP, 3), "1.000");
  EXPECT_EQ(conv(-1.25, TNumLab::dtFixP, 0), "-1");
  EXPECT_EQ(conv(1234567.891, TNumLab::dtFixP, 2), "1234567.89"); // no thousands separator
  // A negative value that rounds to zero shows no sign.
  EXPECT_EQ(conv(-0.0001, TNumLab::dtFixP, 3), "0.000");
  // From 10^18 on, general notation with 18 digits.
  EXPECT_EQ(conv(1e18, TNumLab::dtFixP, 2), "1E18");
  EXPECT_EQ(conv(-1.5e20, TNumLab::dtFixP, 2), "-1.5E20");
  EXPECT_EQ(conv(999999999999999872.0, TNumLab::dtFixP, 1), "999999999999999872.0");
  // A precision beyond the control's limit is treated as 15.
  EXPECT_EQ(conv(1, TNumLab::dtFixP, 1000), "1.000000000000000");
}

TEST(NumLabFormat, GeneralNotationSwitchesToExponentOutsideItsRange) {
  EXPECT_EQ(conv(1234, TNumLab::dtFloat, 4), "1234");
  EXPECT_EQ(conv(10000, TNumLab::dtFloat, 4), "1E4"); // 10^P
  EXPECT_EQ(conv(1000, TNumLab::dtFloat, 3), "1E3");
  EXPECT_EQ(conv(999.4, TNumLab::dtFloat, 3), "999");
  EXPECT_EQ(conv(99.96, TNumLab::dtFloat, 3), "100");
  EXPECT_EQ(conv(0.5, TNumLab::dtFloat, 4), "0.5");
  EXPECT_EQ(conv(12.5, TNumLab::dtFloat, 4), "12.5"); // digits on both sides of the point
  EXPECT_EQ(conv(-123.456, TNumLab::dtFloat, 5), "-123.46");
  EXPECT_EQ(conv(0.000123, TNumLab::dtFloat, 4), "0.000123");
  EXPECT_EQ(conv(0.0001, TNumLab::dtFloat, 4), "0.0001");
  EXPECT_EQ(conv(0.00009, TNumLab::dtFloat, 4), "9E-5");
  EXPECT_EQ(conv(0.00002, TNumLab::dtFloat, 4), "2E-5");
  EXPECT_EQ(conv(1.5e20, TNumLab::dtFloat, 4), "1.5E20");
  EXPECT_EQ(conv(-1234.5, TNumLab::dtFloat, 3), "-1.23E3");
  EXPECT_EQ(conv(12.345, TNumLab::dtFloat, 0), "12"); // at least two digits
  EXPECT_EQ(conv(123, TNumLab::dtFloat, 1), "1.2E2");
  EXPECT_EQ(conv(0, TNumLab::dtFloat, 4), "0");
  EXPECT_EQ(conv(-0.0, TNumLab::dtFloat, 4), "0");
}

TEST(NumLabFormat, ScientificNotationKeepsZerosAndThreeExponentDigits) {
  EXPECT_EQ(conv(1234.5, TNumLab::dtExp, 3), "1.23E+003");
  EXPECT_EQ(conv(0.5, TNumLab::dtExp, 2), "5.0E-001");
  EXPECT_EQ(conv(0.5, TNumLab::dtExp, 0), "5.0E-001");
  EXPECT_EQ(conv(-2e-300, TNumLab::dtExp, 4), "-2.000E-300");
  EXPECT_EQ(conv(9.99, TNumLab::dtExp, 2), "1.0E+001");
  EXPECT_EQ(conv(0, TNumLab::dtExp, 2), "0.0E+000");
}

TEST(NumLabFormat, HexBinOctShowTwosComplementDigits) {
  EXPECT_EQ(conv(0x12345, TNumLab::dtHex, 4), "2345");
  EXPECT_EQ(conv(255, TNumLab::dtHex, 15), "000000FF");
  EXPECT_EQ(conv(-1, TNumLab::dtHex, 8), "FFFFFFFF");
  EXPECT_EQ(conv(4294967295.0, TNumLab::dtHex, 8), "FFFFFFFF");
  EXPECT_EQ(conv(-2147483648.0, TNumLab::dtHex, 8), "80000000");
  EXPECT_EQ(conv(10.5, TNumLab::dtHex, 1), "A"); // ties to even
  EXPECT_EQ(conv(11.5, TNumLab::dtHex, 1), "C");
  EXPECT_EQ(conv(4294967296.0, TNumLab::dtHex, 8), kOverflow);
  EXPECT_EQ(conv(-2147483649.0, TNumLab::dtHex, 8), kOverflow);
  EXPECT_EQ(conv(0x1F, TNumLab::dtHex, 0), "");

  EXPECT_EQ(conv(5, TNumLab::dtBin, 8), "00000101");
  EXPECT_EQ(conv(-1, TNumLab::dtBin, 15), "111111111111111");
  EXPECT_EQ(conv(-2, TNumLab::dtBin, 3), "110");
  EXPECT_EQ(conv(5, TNumLab::dtBin, 0), "");
  EXPECT_EQ(conv(4294967296.0, TNumLab::dtBin, 8), kOverflow);
  EXPECT_EQ(conv(4294967295.0, TNumLab::dtBin, 3), "111"); // both ends of the range fit
  EXPECT_EQ(conv(-2147483648.0, TNumLab::dtBin, 3), "000");
  EXPECT_EQ(conv(-2147483649.0, TNumLab::dtBin, 3), kOverflow);

  EXPECT_EQ(conv(8, TNumLab::dtOct, 3), "010");
  EXPECT_EQ(conv(-1, TNumLab::dtOct, 15), "37777777777"); // 11 digits at most
  EXPECT_EQ(conv(4294967295.0, TNumLab::dtOct, 11), "37777777777");
  EXPECT_EQ(conv(8, TNumLab::dtOct, 0), "");
  EXPECT_EQ(conv(-3e9, TNumLab::dtOct, 8), kOverflow);
  EXPECT_EQ(conv(-2147483648.0, TNumLab::dtOct, 11), "20000000000");
  EXPECT_EQ(conv(4294967296.0, TNumLab::dtOct, 11), kOverflow);
}

TEST(NumLabFormat, IntegersRoundHalfToEvenAndZeroIntPadsAfterTheSign) {
  EXPECT_EQ(conv(2.5, TNumLab::dtInt, 2), "2");
  EXPECT_EQ(conv(3.5, TNumLab::dtInt, 2), "4");
  EXPECT_EQ(conv(-2.5, TNumLab::dtInt, 2), "-2");
  EXPECT_EQ(conv(-0.4, TNumLab::dtInt, 2), "0");
  // Beyond the 64-bit range the true whole number, not a saturated one.
  EXPECT_EQ(conv(1e20, TNumLab::dtInt, 2), "100000000000000000000");

  EXPECT_EQ(conv(-42, TNumLab::dtZeroInt, 4), "-0042");
  EXPECT_EQ(conv(42, TNumLab::dtZeroInt, 4), "0042");
  EXPECT_EQ(conv(12345, TNumLab::dtZeroInt, 4), "12345");
  EXPECT_EQ(conv(7, TNumLab::dtZeroInt, 0), "7");
  EXPECT_EQ(conv(2147483647.0, TNumLab::dtZeroInt, 0), "2147483647");
  EXPECT_EQ(conv(-2147483648.0, TNumLab::dtZeroInt, 0), "-2147483648");
  EXPECT_EQ(conv(2147483648.0, TNumLab::dtZeroInt, 0), kOverflow);
}

TEST(NumLabFormat, DegreesMinutesSeconds) {
  EXPECT_EQ(conv(12.5, TNumLab::dtDeg, 2), "12.50" + kDeg);
  EXPECT_EQ(conv(12.5, TNumLab::dtDeg, 15), "12.50000000" + kDeg); // at most 8 decimals
  EXPECT_EQ(conv(12.5, TNumLab::dtDegMin, 2), "12" + kDeg + " 30.00'");
  EXPECT_EQ(conv(12.1, TNumLab::dtDegMin, 2), "12" + kDeg + "  6.00'");
  EXPECT_EQ(conv(-12.5, TNumLab::dtDegMin, 2), "-12" + kDeg + " 30.00'");
  EXPECT_EQ(conv(-0.5, TNumLab::dtDegMin, 2), "-0" + kDeg + " 30.00'");
  EXPECT_EQ(conv(12.99999, TNumLab::dtDegMin, 2), "12" + kDeg + " 60.00'");   // no carry
  EXPECT_EQ(conv(13 - 1e-12, TNumLab::dtDegMin, 2), "13" + kDeg + "  0.00'"); // snapped
  EXPECT_EQ(conv(12.5, TNumLab::dtDegMinSec, 2), "12" + kDeg + " 30'  0.00\"");
  EXPECT_EQ(conv(10.2525, TNumLab::dtDegMinSec, 0), "10" + kDeg + " 15'   9\"");
  EXPECT_EQ(conv(-12.5, TNumLab::dtDegMinSec, 1), "-12" + kDeg + " 30'  0.0\"");

  NumLabFormat f = fmt(12.5, TNumLab::dtDegMin, 2);
  f.comma = true;
  f.forcePlusSign = true;
  EXPECT_EQ(ConvertNumLabValue(f), "+12" + kDeg + " 30,00'");
}

TEST(NumLabFormat, EngineeringNotationBothKinds) {
  struct Case {
    double v;
    const char *eng;
    const char *noDP;
  };
  const Case cases[] = {
      {12345, "12.3k", "12k3"},   {0.0047, "4.70m", "4m70"},  {4.7, "4.70", "4.70"},
      {1e-19, "0.100a", "0a100"}, {5e16, "50000T", "50000T"}, {999999, "1000k", "1000k"},
      {1000, "1.00k", "1k00"},    {0, "0.00", "0.00"},        {-12345, "-12.3k", "-12k3"},
      {2.2e-9, "2.20n", "2n20"},  {4.7e6, "4.70M", "4M70"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(conv(c.v, TNumLab::dtEEng, 3), c.eng) << c.v;
    EXPECT_EQ(conv(c.v, TNumLab::dtEEngNoDP, 3), c.noDP) << c.v;
  }
  // Precision 1 and 0: no decimals, the letter is appended.
  EXPECT_EQ(conv(1234, TNumLab::dtEEng, 1), "1k");
  EXPECT_EQ(conv(1234, TNumLab::dtEEngNoDP, 0), "1k");
  // Precision is limited to 9 significant digits.
  EXPECT_EQ(conv(1.5, TNumLab::dtEEng, 15), "1.50000000");
  NumLabFormat f = fmt(12345, TNumLab::dtEEng, 3);
  f.comma = true;
  EXPECT_EQ(ConvertNumLabValue(f), "12,3k");
}

TEST(NumLabFormat, DateTimePatterns) {
  const double jan14 = 38000.0; // 14 January 2004, a Wednesday
  EXPECT_EQ(conv(jan14, TNumLab::dtDateTime, 2), "Jan-14, 2004");
  auto dt = [](double v, const char *pattern) {
    NumLabFormat f = fmt(v, TNumLab::dtDateTime, 2);
    f.dtFormat = QString::fromLatin1(pattern);
    f.comma = true;
    f.forcePlusSign = true; // neither applies to dates
    return ConvertNumLabValue(f);
  };
  EXPECT_EQ(dt(jan14 + 0.75, "dddd d.m.yy hh:nn:ss"), "Wednesday 14.1.04 18:00:00");
  EXPECT_EQ(dt(jan14 + 0.75, "ddd DD/MM/YYYY h:mm am/pm"), "Wed 14/01/2004 6:00 pm");
  EXPECT_EQ(dt(jan14 + 0.25, "mmmm d h:nn AM/PM a/p"), "January 14 6:00 AM a");
  EXPECT_EQ(dt(jan14 + 0.75, "h:nn A/P"), "6:00 P");
  // The last millisecond of a minute still belongs to it.
  EXPECT_EQ(dt(jan14 + 59.999 / 86400, "hh:nn:ss.zzz"), "00:00:59.999");
  EXPECT_EQ(dt(jan14 + 0.75, "h:nn ampm"), "6:00 PM");
  EXPECT_EQ(dt(jan14 + 0.25, "h:nn ampm"), "6:00 AM");
  EXPECT_EQ(dt(jan14 + 0.5 + 1.5 / 86400.0, "hh:nn:ss.zzz"), "12:00:01.500");
  EXPECT_EQ(dt(jan14, "\"day\" d 'of' mmm"), "day 14 of Jan");
  EXPECT_EQ(dt(jan14 + 0.5, "ddddd t"), "1/14/2004 12:00 PM");
  EXPECT_EQ(dt(jan14 + 0.5, "c"), "1/14/2004 12:00:00 PM");
  EXPECT_EQ(dt(jan14, "dddddd"), "Wednesday, January 14, 2004");
  EXPECT_EQ(dt(0, "yyyy-mm-dd"), "1899-12-30");
  // Before 1899 the fraction still is the time of day.
  EXPECT_EQ(dt(-1.25, "yyyy-mm-dd hh:nn"), "1899-12-29 06:00");
  // A time that rounds up to midnight belongs to the next day.
  EXPECT_EQ(dt(jan14 + 0.9999999999, "d hh:nn:ss.zzz"), "15 00:00:00.000");
  // Milliseconds: one or two letters unpadded, three padded.
  EXPECT_EQ(dt(jan14 + 0.005 / 86400, "z zz zzz"), "5 5 005");
  // Only the whole word is a 12-hour marker; a near miss is text.
  EXPECT_EQ(dt(jan14 + 0.75, "h:nn x/p"), "18:00 x/p");
  EXPECT_EQ(dt(jan14, "yyyy 'open"), "2004 open");
  EXPECT_EQ(dt(jan14, ""), "");
  // Dates outside the years 1 to 9999 cannot be shown.
  EXPECT_EQ(dt(3e6, "yyyy"), kOverflow);
  EXPECT_EQ(dt(-7e5, "yyyy"), kOverflow);
  EXPECT_EQ(dt(2958465.5, "yyyy-mm-dd"), "9999-12-31");
}

TEST(NumLabFormat, PlusSignOnlyForPositiveNumbersOfNumericTypes) {
  auto plus = [](double v, TDisplay dt, int p) {
    NumLabFormat f = fmt(v, dt, p);
    f.forcePlusSign = true;
    return ConvertNumLabValue(f);
  };
  EXPECT_EQ(plus(1.5, TNumLab::dtFixP, 1), "+1.5");
  EXPECT_EQ(plus(0, TNumLab::dtFixP, 1), "0.0");
  EXPECT_EQ(plus(-1.5, TNumLab::dtFixP, 1), "-1.5");
  EXPECT_EQ(plus(255, TNumLab::dtHex, 2), "FF");
  EXPECT_EQ(plus(5, TNumLab::dtBin, 3), "101");
  EXPECT_EQ(plus(8, TNumLab::dtOct, 3), "+010");
  EXPECT_EQ(plus(12345, TNumLab::dtEEng, 3), "+12.3k");
  EXPECT_EQ(plus(5, TNumLab::dtState, 3), "undefined");
}

TEST(NumLabFormat, OverflowIndicatorIsShownAsConfigured) {
  NumLabFormat f = fmt(3e9, TNumLab::dtZeroInt, 2);
  f.overflowIndicator = QStringLiteral("1.5");
  f.comma = true;
  f.forcePlusSign = true;
  EXPECT_EQ(ConvertNumLabValue(f), "1.5");
}

TEST(NumLabFormat, NonFiniteValuesShowTheOverflowIndicator) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int dt = TNumLab::dtFloat; dt <= TNumLab::dtEEngNoDP; ++dt) {
    const auto d = static_cast<TDisplay>(dt);
    const QString expected = d == TNumLab::dtState ? QStringLiteral("undefined") : kOverflow;
    EXPECT_EQ(conv(nan, d, 3), expected) << dt;
    EXPECT_EQ(conv(inf, d, 3), expected) << dt;
    EXPECT_EQ(conv(-inf, d, 3), expected) << dt;
    EXPECT_EQ(conv(std::numeric_limits<double>::max(), d, 15).isNull(), false) << dt;
    EXPECT_FALSE(conv(-std::numeric_limits<double>::denorm_min(), d, 15).isNull()) << dt;
  }
}

TEST(NumLabFormat, HookRunsForEveryTypeThenTheFitTest) {
  QObject sender;
  const auto width10 = [](const QString &s) { return static_cast<int>(s.size()) * 10; };
  QObject *seenSender = nullptr;
  QString seenText;
  const TBeforeDisplayEvent hook = [&](QObject *s, QString &text) {
    seenSender = s;
    seenText = text;
    text += QStringLiteral("V");
  };
  // 50 - 6 = 44 pixels are available: four characters fit, five do not.
  EXPECT_EQ(FormatNumLabText(fmt(1.5, TNumLab::dtFixP, 1), &sender, hook, 50, width10), "1.5V");
  EXPECT_EQ(seenSender, &sender);
  EXPECT_EQ(seenText, "1.5");
  EXPECT_EQ(FormatNumLabText(fmt(12.5, TNumLab::dtFixP, 1), &sender, hook, 50, width10), kOverflow);
  EXPECT_EQ(FormatNumLabText(fmt(12.5, TNumLab::dtFixP, 1), &sender, {}, 50, width10), "12.5");
  // Exactly the available width still fits.
  EXPECT_EQ(FormatNumLabText(fmt(1.5, TNumLab::dtFixP, 1), &sender, {}, 36, width10), "1.5");
  EXPECT_EQ(FormatNumLabText(fmt(1.5, TNumLab::dtFixP, 1), &sender, {}, 35, width10), kOverflow);
  // The hook also sees dates and state texts; a state text is never replaced.
  FormatNumLabText(fmt(38000, TNumLab::dtDateTime, 1), &sender, hook, 500, width10);
  EXPECT_EQ(seenText, "Jan-14, 2004");
  EXPECT_EQ(FormatNumLabText(fmt(1, TNumLab::dtState, 1), &sender, hook, 10, width10),
            "undefinedV");
  // Absurd widths neither overflow nor crash.
  EXPECT_EQ(FormatNumLabText(fmt(1, TNumLab::dtFixP, 1), &sender, {},
                             std::numeric_limits<int>::min(), width10),
            kOverflow);
}

TEST(NumLabFormat, FixedHelperPadsAndNeverShowsMinusZero) {
  EXPECT_EQ(NumLabFixed(6.0, 5, 2), " 6.00");
  EXPECT_EQ(NumLabFixed(-0.001, 1, 2), "0.00");
  EXPECT_EQ(NumLabFixed(123.456, 2, 1), "123.5");
  EXPECT_EQ(NumLabFixed(1.0, 1000000, 0).size(), 64); // padding is bounded
}
