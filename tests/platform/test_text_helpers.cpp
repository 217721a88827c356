// The shared text helpers: code page 1252 and ties-to-even rounding.
#include "Cp1252.h"
#include "Rounding.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  QByteArray all(256, '\0');
  for (int i = 0; i < 256; ++i)
    all[i] = static_cast<char>(i);
  const QString text = cp1252::decode(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(cp1252::encode(text), all);
  EXPECT_TRUE(cp1252::canEncode(text));
  // The special range and the Latin-1 part.
  EXPECT_EQ(text[0x80], QChar(0x20AC));
  EXPECT_EQ(text[0x9F], QChar(0x0178));
  EXPECT_EQ(text[0xE9], QChar(0x00E9));
  EXPECT_EQ(cp1252::fromUnicode(0x2122), 0x99);
}

TEST(Cp1252, UndefinedBytesMapToTheirC1Controls) {
  for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(cp1252::toUnicode(b), char16_t(b));
    EXPECT_EQ(cp1252::fromUnicode(char16_t(b)), b);
  }
  // The other C1 controls have no byte: 0x80 is the euro sign.
  EXPECT_EQ(cp1252::fromUnicode(0x0080), -1);
  EXPECT_EQ(cp1252::fromUnicode(0x009F), -1);
}

TEST(Cp1252, UnmappableCharactersBecomeQuestionMarks) {
  const QString text = QStringLiteral("a\u0416b\u4E2D") + QChar(0xD83D) + QChar(0xDE00) + "\u20AC";
  EXPECT_FALSE(cp1252::canEncode(text));
  // Each UTF-16 unit of a character outside the code page gives one '?'.
  EXPECT_EQ(cp1252::encode(text), QByteArray("a?b???\x80"));
  EXPECT_EQ(cp1252::encode(QString()), QByteArray());
  EXPECT_EQ(cp1252::decode(QByteArray()), QString());
}

TEST(Rounding, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundTiesEven(0.5), 0);
  EXPECT_EQ(roundTiesEven(-0.5), 0);
  EXPECT_EQ(roundTiesEven(1.5), 2);
  EXPECT_EQ(roundTiesEven(2.5), 2);
  EXPECT_EQ(roundTiesEven(-1.5), -2);
  EXPECT_EQ(roundTiesEven(-2.5), -2);
  EXPECT_EQ(roundTiesEven(3.5), 4);
  EXPECT_EQ(roundTiesEven(2.5000000000000004), 3);
  EXPECT_EQ(roundTiesEven(0.49999999999999994), 0);
  EXPECT_EQ(roundTiesEven(-2.4), -2);
  EXPECT_EQ(roundTiesEven(-2.6), -3);
}

TEST(Rounding, HugeValuesSaturateAndNaNGivesZero) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(roundTiesEven(1e300), kMax);
  EXPECT_EQ(roundTiesEven(-1e300), kMin);
  EXPECT_EQ(roundTiesEven(std::numeric_limits<double>::infinity()), kMax);
  EXPECT_EQ(roundTiesEven(-std::numeric_limits<double>::infinity()), kMin);
  EXPECT_EQ(roundTiesEven(9223372036854775808.0), kMax);
  EXPECT_EQ(roundTiesEven(-9223372036854775808.0), kMin);
  EXPECT_EQ(roundTiesEven(4503599627370497.0), 4503599627370497); // exact beyond 2^52
  EXPECT_EQ(roundTiesEven(std::nan("")), 0);
  EXPECT_EQ(roundToInt(1e12), std::numeric_limits<int>::max());
  EXPECT_EQ(roundToInt(-1e12), std::numeric_limits<int>::min());
  EXPECT_EQ(roundToInt(std::nan("")), 0);
  EXPECT_EQ(roundToInt(-3.5), -4);
  EXPECT_EQ(divTrunc(-7, 2), -3);
}
