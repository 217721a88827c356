// The read-out's value text: conversion by display type, decimal character and plus sign,
// the application's hook and the fit test. Nothing here needs a window.

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "AsciiCase.h"
#include "Nuvra_NumLab.h"
#include "Rounding.h"

namespace {

constexpr QChar kDegreeSign(0x00B0); // character 176 of code page 1252
constexpr int kMaxPrecision = 15;
// 2^63: from here on a double no longer fits a 64-bit integer.
constexpr double kInt64Limit = 9223372036854775808.0;

// Large enough for any finite double in fixed notation with the decimals we allow.
constexpr int kFixedBufferSize = 400;
constexpr int kMaxDecimals = 40;
constexpr int kMaxPadding = 64;

bool hasNonZeroDigit(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char ch) { return ch >= '1' && ch <= '9'; });
}

QString latin(std::string_view s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The digits of |x| rounded to `digits` significant digits (at least 1) and the decimal
// exponent of the first digit: x ~ 0.d1d2d3... * 10^E with E = exponent + 1.
struct Significand {
  std::string digits;
  int exponent = 0; // of the first digit: d1.d2d3... * 10^exponent
};

Significand significand(double x, int digits) {
  std::array<char, 64> buf{};
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(x),
                                 std::chars_format::scientific, std::max(0, digits - 1));
  const std::string_view s(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
  Significand out;
  const std::size_t e = s.find('e');
  for (std::size_t i = 0; i < e && i < s.size(); ++i)
    if (s[i] >= '0' && s[i] <= '9')
      out.digits.push_back(s[i]);
  if (e != std::string_view::npos) {
    int value = 0;
    std::size_t i = e + 1;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
      ++i;
    for (; i < s.size(); ++i)
      value = value * 10 + (s[i] - '0');
    out.exponent = negative ? -value : value;
  }
  return out;
}

// General notation: `digits` significant digits, trailing zeros dropped; scientific form
// only when the number is at least 10^digits or below 0.0001.
QString generalText(double v, int digits) {
  if (v == 0.0)
    return QStringLiteral("0");
  Significand sig = significand(v, digits);
  while (sig.digits.size() > 1 && sig.digits.back() == '0')
    sig.digits.pop_back();
  const int e = sig.exponent + 1; // digits before the decimal point
  const int n = static_cast<int>(sig.digits.size());
  std::string out;
  if (v < 0)
    out.push_back('-');
  if (e > digits || e < -3) {
    out.push_back(sig.digits[0]);
    if (n > 1) {
      out.push_back('.');
      out.append(sig.digits, 1);
    }
    out.push_back('E');
    out.append(std::to_string(e - 1));
  } else if (e <= 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-e), '0');
    out.append(sig.digits);
  } else if (e >= n) {
    out.append(sig.digits);
    out.append(static_cast<std::size_t>(e - n), '0');
  } else {
    out.append(sig.digits, 0, static_cast<std::size_t>(e));
    out.push_back('.');
    out.append(sig.digits, static_cast<std::size_t>(e));
  }
  return latin(out);
}

// Scientific notation: one digit, the decimal point, digits - 1 further digits and a signed
// exponent of at least three digits (1.23E+003).
QString exponentText(double v, int digits) {
  const Significand sig = significand(v, digits);
  std::string out;
  if (v < 0)
    out.push_back('-');
  out.push_back(sig.digits.empty() ? '0' : sig.digits[0]);
  out.push_back('.');
  if (sig.digits.size() > 1)
    out.append(sig.digits, 1);
  out.push_back('E');
  out.push_back(sig.exponent < 0 ? '-' : '+');
  std::string exp = std::to_string(std::abs(sig.exponent));
  if (exp.size() < 3)
    exp.insert(0, 3 - exp.size(), '0');
  out.append(exp);
  return latin(out);
}

// The last `count` digits of a 32-bit pattern in base 2^bits, zero-padded to `count`.
QString radixDigits(std::uint32_t u, int count, int bits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::uint32_t mask = (1u << bits) - 1u;
  QString out;
  out.reserve(count);
  for (int i = count - 1; i >= 0; --i) {
    const int shift = i * bits;
    out.append(QLatin1Char(shift < 32 ? kDigits[(u >> shift) & mask] : '0'));
  }
  return out;
}

bool inRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

// Two's-complement low 32 bits of Round(v); v has passed the range check.
std::uint32_t lowWord(double v) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(roundTiesEven(v)) & 0xFFFFFFFFu);
}

QString intText(double v) {
  if (std::fabs(v) < kInt64Limit)
    return QString::number(roundTiesEven(v));
  // Beyond 2^53 every double is a whole number: its exact decimal form is the rounded value.
  return NumLabFixed(v, 1, 0);
}

QString zeroIntText(double v, int p) {
  const std::int64_t r = roundTiesEven(v);
  QString digits = QString::number(r < 0 ? -r : r);
  if (digits.size() < p)
    digits.prepend(QString(p - digits.size(), QLatin1Char('0')));
  return r < 0 ? QLatin1Char('-') + digits : digits;
}

// Whole numbers within 3e-12 are taken as whole, so that e.g. 30 minutes never show as
// 29.99999.
double snapToWhole(double v) {
  const auto r = static_cast<double>(roundTiesEven(v));
  return std::fabs(v - r) < 3e-12 ? r : v;
}

QString degreesText(double v) {
  QString out = NumLabFixed(std::trunc(v), 1, 0);
  // Angles between -1 and 0 keep their sign, which the whole degrees alone would lose.
  if (v < 0 && !out.startsWith(QLatin1Char('-')))
    out.prepend(QLatin1Char('-'));
  return out + kDegreeSign + QLatin1Char(' ');
}

QString degMinText(double v, int k) {
  v = snapToWhole(v);
  const double av = std::fabs(v);
  const double m = (av - std::trunc(av)) * 60.0;
  return degreesText(v) + NumLabFixed(m, k + 3, k) + QLatin1Char('\'');
}

QString degMinSecText(double v, int k) {
  v = snapToWhole(v);
  const double av = std::fabs(v);
  const double m = snapToWhole((av - std::trunc(av)) * 60.0);
  const double s = (m - std::trunc(m)) * 60.0;
  return degreesText(v) + NumLabFixed(std::trunc(m), 2, 0) + QStringLiteral("' ") +
         NumLabFixed(s, k + 3, k) + QLatin1Char('"');
}

// Engineering notation with a prefix letter; `a` is the signed precision (negative: the
// letter takes the place of the decimal point).
QString engineeringText(double v, int a) {
  a = std::clamp(a, -9, 9);
  const int m = std::abs(a) - 1;
  const int b = a > 1 ? m : (a < -1 ? -m : 0);
  if (v == 0.0)
    return NumLabFixed(0.0, 1, std::abs(b));
  const bool negative = v < 0;
  const double x = std::fabs(v);
  // log10 gives exact exponents for exact powers of ten (1000 gives 3).
  const double lg = std::log10(x);
  const int e = static_cast<int>(std::floor(lg));
  const int f = std::clamp(static_cast<int>(std::floor(lg / 3.0)), -6, 4);
  const int decimals = std::max(0, std::abs(b) - (e - 3 * f));
  // Scale by an exact power of ten, multiplying for small numbers (10^-3f is not exact).
  const double scaled = f >= 0 ? x / std::pow(10.0, 3 * f) : x * std::pow(10.0, -3 * f);
  QString out = NumLabFixed(scaled, 1, decimals);
  if (f != 0) {
    static constexpr char kPrefixes[] = "afpnum kMGT";
    const QChar letter = QLatin1Char(kPrefixes[f + 6]);
    const qsizetype dot = out.indexOf(QLatin1Char('.'));
    if (b < 0 && dot >= 0)
      out[dot] = letter;
    else
      out.append(letter);
  }
  return negative ? QLatin1Char('-') + out : out;
}

struct Converted {
  QString text;
  bool overflow = false;
};

Converted convert(const NumLabFormat &f) {
  const double v = f.value;
  const int p = std::clamp(f.precision, 0, kMaxPrecision);
  if (f.displayType == TNumLab::dtState)
    return {f.stateText, false};
  // A value with no number form has no text in any display type.
  if (!std::isfinite(v))
    return {f.overflowIndicator, true};
  switch (f.displayType) {
  case TNumLab::dtFloat: return {generalText(v, std::max(p, 2))};
  case TNumLab::dtFixP:
    if (std::fabs(v) >= 1e18)
      return {generalText(v, 18)};
    return {NumLabFixed(v, 1, p)};
  case TNumLab::dtExp: return {exponentText(v, std::max(p, 2))};
  case TNumLab::dtHex:
    if (!inRange(v, -2147483648.0, 4294967295.0))
      return {f.overflowIndicator, true};
    return {radixDigits(lowWord(v), std::min(p, 8), 4)};
  case TNumLab::dtZeroInt:
    if (!inRange(v, -2147483648.0, 2147483647.0))
      return {f.overflowIndicator, true};
    return {zeroIntText(v, p)};
  case TNumLab::dtInt: return {intText(v)};
  case TNumLab::dtDateTime: {
    std::optional<QString> text = NumLabFormatDateTime(f.dtFormat, v);
    if (!text)
      return {f.overflowIndicator, true};
    return {*text};
  }
  case TNumLab::dtState: break;
  case TNumLab::dtBin:
    if (!inRange(v, -2147483648.0, 4294967295.0))
      return {f.overflowIndicator, true};
    return {radixDigits(lowWord(v), std::min(p, 32), 1)};
  case TNumLab::dtOct:
    if (!inRange(v, -2147483648.0, 4294967295.0))
      return {f.overflowIndicator, true};
    return {radixDigits(lowWord(v), std::min(p, 11), 3)};
  case TNumLab::dtDeg: return {NumLabFixed(v, 1, std::min(p, 8)) + kDegreeSign};
  case TNumLab::dtDegMin: return {degMinText(v, std::min(p, 8))};
  case TNumLab::dtDegMinSec: return {degMinSecText(v, std::min(p, 8))};
  case TNumLab::dtEEng: return {engineeringText(v, p)};
  case TNumLab::dtEEngNoDP: return {engineeringText(v, -p)};
  }
  return {f.overflowIndicator, true};
}

} // namespace

QString NumLabFixed(double x, int width, int decimals) {
  if (std::isnan(x))
    return QStringLiteral("NAN");
  if (std::isinf(x))
    return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  std::array<char, kFixedBufferSize> buf{};
  const auto res =
      std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, decimals);
  std::string_view s(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
  if (!s.empty() && s.front() == '-' && !hasNonZeroDigit(s))
    s.remove_prefix(1); // -0.000 is 0.000
  QString out = latin(s);
  width = std::min(width, kMaxPadding);
  if (out.size() < width)
    out.prepend(QString(width - out.size(), QLatin1Char(' ')));
  return out;
}

QString ConvertNumLabValue(const NumLabFormat &f) {
  Converted c = convert(f);
  if (c.overflow)
    return c.text;
  switch (f.displayType) {
  case TNumLab::dtHex:
  case TNumLab::dtBin:
  case TNumLab::dtDateTime:
  case TNumLab::dtState: return c.text;
  default: break;
  }
  // The shown decimal character depends on Comma only, never on the locale.
  if (f.comma)
    c.text.replace(QLatin1Char('.'), QLatin1Char(','));
  else
    c.text.replace(QLatin1Char(','), QLatin1Char('.'));
  if (f.forcePlusSign && f.value > 0)
    c.text.prepend(QLatin1Char('+'));
  return c.text;
}

QString FormatNumLabText(const NumLabFormat &f, QObject *sender, const TBeforeDisplayEvent &hook,
                         int labelWidth, const NumLabTextWidth &textWidth) {
  QString text = ConvertNumLabValue(f);
  if (hook)
    hook(sender, text);
  if (f.displayType != TNumLab::dtState && textWidth &&
      static_cast<long long>(textWidth(text)) > static_cast<long long>(labelWidth) - 6)
    text = f.overflowIndicator;
  return text;
}

// ---- date and time ---------------------------------------------------------------------

namespace {

struct DateTimeParts {
  QDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int msec = 0;
};

bool matchesAt(const QString &s, qsizetype i, std::string_view word) {
  if (i + static_cast<qsizetype>(word.size()) > s.size())
    return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (asciiLower(s[i + static_cast<qsizetype>(k)]) != word[k])
      return false;
  return true;
}

bool usesTwelveHours(const QString &pattern) {
  for (qsizetype i = 0; i < pattern.size(); ++i)
    if (matchesAt(pattern, i, "am/pm") || matchesAt(pattern, i, "a/p") ||
        matchesAt(pattern, i, "ampm"))
      return true;
  return false;
}

QString padded(int value, int width) {
  return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// One pass over a date/time pattern, appending what each run of pattern letters stands for.
class DateTimeWriter {
public:
  DateTimeWriter(QString &out, const QString &pattern, const DateTimeParts &t, int depth)
      : m_out(out), m_pattern(pattern), m_t(t), m_depth(depth),
        m_twelveHours(usesTwelveHours(pattern)) {}

  void run() {
    while (m_i < m_pattern.size()) {
      const QChar ch = m_pattern[m_i];
      const char c = asciiLower(ch);
      if (c == '"' || c == '\'') {
        copyQuoted(ch);
        continue;
      }
      if (c == 'm' && m_lastLetter == 'h') { // minutes, not the month, right after the hour
        writeNumber(runLength('m'), m_t.minute, 2);
        m_lastLetter = 'n';
        continue;
      }
      writeField(c, ch);
      if (c >= 'a' && c <= 'z')
        m_lastLetter = c;
    }
  }

private:
  // The number of letters in the run at the position (any case); the position moves behind it.
  int runLength(char letter) {
    qsizetype j = m_i;
    while (j < m_pattern.size() && asciiLower(m_pattern[j]) == letter)
      ++j;
    const auto count = static_cast<int>(j - m_i);
    m_i = j;
    return count;
  }

  void expand(const char *sub) {
    // Expansions nest at most twice (c gives ddddd, which gives m/d/yyyy).
    if (m_depth < 2)
      DateTimeWriter(m_out, QString::fromLatin1(sub), m_t, m_depth + 1).run();
  }

  // Text between quotes is copied as it is; an unterminated quote runs to the end.
  void copyQuoted(QChar quote) {
    qsizetype j = m_i + 1;
    while (j < m_pattern.size() && m_pattern[j] != quote)
      m_out.append(m_pattern[j++]);
    m_i = std::min(j + 1, m_pattern.size());
  }

  // One letter: the number as it is; more: zero-padded to `width`.
  void writeNumber(int count, int value, int width) {
    m_out.append(count == 1 ? QString::number(value) : padded(value, width));
  }

  void writeField(char c, QChar ch) {
    switch (c) {
    case 'd': writeDay(runLength('d')); break;
    case 'm': writeMonth(runLength('m')); break;
    case 'y':
      m_out.append(runLength('y') <= 2 ? padded(m_t.date.year() % 100, 2)
                                       : padded(m_t.date.year(), 4));
      break;
    case 'h': writeNumber(runLength('h'), displayedHour(), 2); break;
    case 'n': writeNumber(runLength('n'), m_t.minute, 2); break;
    case 's': writeNumber(runLength('s'), m_t.second, 2); break;
    case 'z':
      m_out.append(runLength('z') < 3 ? QString::number(m_t.msec) : padded(m_t.msec, 3));
      break;
    case 't': expand(runLength('t') == 1 ? "h:nn AM/PM" : "h:nn:ss AM/PM"); break;
    case 'c':
      ++m_i;
      expand("ddddd tt");
      break;
    case 'a': writeAmPm(ch); break;
    default:
      m_out.append(ch);
      ++m_i;
      break;
    }
  }

  void writeDay(int count) {
    const QLocale english = QLocale::c();
    if (count <= 2)
      writeNumber(count, m_t.date.day(), 2);
    else if (count == 3)
      m_out.append(english.dayName(m_t.date.dayOfWeek(), QLocale::ShortFormat));
    else if (count == 4)
      m_out.append(english.dayName(m_t.date.dayOfWeek(), QLocale::LongFormat));
    else if (count == 5)
      expand("m/d/yyyy");
    else
      expand("dddd, mmmm d, yyyy");
  }

  void writeMonth(int count) {
    const QLocale english = QLocale::c();
    if (count <= 2)
      writeNumber(count, m_t.date.month(), 2);
    else
      m_out.append(english.monthName(m_t.date.month(),
                                     count == 3 ? QLocale::ShortFormat : QLocale::LongFormat));
  }

  int displayedHour() const {
    if (!m_twelveHours)
      return m_t.hour;
    const int hour = m_t.hour % 12;
    return hour == 0 ? 12 : hour;
  }

  // "am/pm" and "a/p" in the pattern's letter case, "ampm" as AM or PM; another "a" as it is.
  void writeAmPm(QChar ch) {
    const bool pm = m_t.hour >= 12;
    if (matchesAt(m_pattern, m_i, "am/pm")) {
      m_out.append(m_pattern.mid(pm ? m_i + 3 : m_i, 2));
      m_i += 5;
    } else if (matchesAt(m_pattern, m_i, "a/p")) {
      m_out.append(m_pattern[pm ? m_i + 2 : m_i]);
      m_i += 3;
    } else if (matchesAt(m_pattern, m_i, "ampm")) {
      m_out.append(pm ? QStringLiteral("PM") : QStringLiteral("AM"));
      m_i += 4;
    } else {
      m_out.append(ch);
      ++m_i;
    }
  }

  QString &m_out;
  const QString &m_pattern;
  const DateTimeParts &m_t;
  const int m_depth;
  const bool m_twelveHours;
  qsizetype m_i = 0;
  char m_lastLetter = '\0';
};

} // namespace

std::optional<QString> NumLabFormatDateTime(const QString &pattern, double dateTime) {
  // Days from 1 January 0001 to 31 December 9999, counted from 30 December 1899.
  constexpr double kFirstDay = -693593.0;
  constexpr double kLastDay = 2958465.0;
  constexpr std::int64_t kMsecPerDay = 86400000;
  if (!std::isfinite(dateTime))
    return {};
  const double whole = std::trunc(dateTime);
  if (whole < kFirstDay || whole > kLastDay)
    return {};
  auto days = static_cast<std::int64_t>(whole);
  // Before 1899 the whole part still counts days, the fraction is the time of that day.
  std::int64_t ms = roundTiesEven(std::fabs(dateTime - whole) * static_cast<double>(kMsecPerDay));
  if (ms >= kMsecPerDay) {
    if (days < static_cast<std::int64_t>(kLastDay)) {
      ++days;
      ms = 0;
    } else {
      ms = kMsecPerDay - 1;
    }
  }
  DateTimeParts t;
  t.date = QDate(1899, 12, 30).addDays(days);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.msec = static_cast<int>(ms % 1000);
  QString out;
  DateTimeWriter(out, pattern, t, 0).run();
  return out;
}
