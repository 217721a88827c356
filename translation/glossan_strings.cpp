// String routines of the translator: ASCII case folding, searching and replacing, and the
// normalisation of keys and texts read from a language file.
#include "Glossan2000.h"

#include "AsciiCase.h"

namespace glossan {

qsizetype FindNth(QStringView find, QStringView source, qsizetype start, qsizetype count,
                  bool ignoreCase) {
  if (find.isEmpty() || count < 1)
    return 0;
  QString lowFind, lowSource;
  if (ignoreCase) {
    lowFind = asciiLower(find);
    lowSource = asciiLower(source);
    find = lowFind;
    source = lowSource;
  }
  qsizetype from = start < 1 ? 0 : start - 1;
  qsizetype pos = -1;
  for (qsizetype n = 0; n < count; ++n) {
    if (from > source.size())
      return 0;
    pos = source.indexOf(find, from);
    if (pos < 0)
      return 0;
    from = pos + find.size();
  }
  return pos + 1;
}

QString ReplaceAll(QStringView source, QStringView find, QStringView replacement, bool ignoreCase) {
  if (find.isEmpty())
    return source.toString();
  // One pass over the source: replacing in place and searching again behind the inserted
  // text gives the same result, but costs quadratic time on texts with many occurrences.
  QString lowFind, lowSource;
  QStringView hay = source, needle = find;
  if (ignoreCase) {
    lowFind = asciiLower(find);
    lowSource = asciiLower(source);
    hay = lowSource;
    needle = lowFind;
  }
  qsizetype pos = hay.indexOf(needle);
  if (pos < 0)
    return source.toString();
  QString out;
  out.reserve(source.size());
  qsizetype from = 0;
  while (pos >= 0) {
    out.append(source.mid(from, pos - from));
    out.append(replacement);
    from = pos + find.size();
    pos = hay.indexOf(needle, from);
  }
  out.append(source.mid(from));
  return out;
}

QString NormalizeKey(QStringView key) {
  QString out;
  out.reserve(key.size());
  bool lastBlank = true; // drops leading blanks
  for (QChar c : key) {
    const bool blank = c == u' ' || c == u'\r' || c == u'\n' || c == u'\t';
    if (blank) {
      if (!lastBlank)
        out.append(u' ');
      lastBlank = true;
    } else {
      out.append(c);
      lastBlank = false;
    }
  }
  return out;
}

QString NormalizeValue(QStringView value, QStringView appName) {
  QString out = value.toString();
  out.replace(u'\r', u' ');
  out.replace(u'\n', u' ');
  out = ReplaceAll(out, u"\\n", u"\r\n", false);
  return ReplaceAll(out, u"<%APPNAME%>", appName, true);
}

} // namespace glossan
