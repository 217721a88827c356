// Feeds arbitrary values, display types, precisions, flags and date-time patterns to the
// read-out's value text. Nothing may crash, hang or read out of bounds, and the text must
// stay within a sane length.
#include "Nuvra_NumLab.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 12)
    return 0;
  NumLabFormat f;
  std::memcpy(&f.value, data, sizeof(double));
  f.displayType = static_cast<TDisplay>(data[8] % 15);
  f.precision = static_cast<std::int8_t>(data[9]); // negative and beyond 15 too
  f.comma = (data[10] & 1) != 0;
  f.forcePlusSign = (data[10] & 2) != 0;
  const int labelWidth = static_cast<std::int8_t>(data[11]) * 4;
  const QString rest = QString::fromLatin1(reinterpret_cast<const char *>(data + 12),
                                           static_cast<qsizetype>(size - 12));
  f.dtFormat = rest;
  f.stateText = rest.left(8);
  f.overflowIndicator = rest.right(4);

  const QString text = ConvertNumLabValue(f);
  // The longest honest text is a double's 309 digits with decimals and a prefix, or a
  // pattern expanded a few times.
  if (text.size() > 1000 + 40 * rest.size())
    __builtin_trap();
  const TBeforeDisplayEvent hook = [](QObject *, QString &t) { t.append(QLatin1Char('|')); };
  (void)FormatNumLabText(f, nullptr, hook, labelWidth,
                         [](const QString &s) { return static_cast<int>(s.size()) * 7; });
  (void)NumLabFixed(f.value, labelWidth, f.precision);
  (void)NumLabFormatDateTime(rest, f.value);
  return 0;
}
