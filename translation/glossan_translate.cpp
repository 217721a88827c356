// Key lookup with numbered arguments, and the record of keys that were asked for in vain.
#include "Glossan2000.h"

#include <algorithm>

QString TGlossan2000::ApplyArgs(QString text, const QStringList &args) const {
  // In argument order, so that an argument holding a later placeholder is filled as well.
  for (qsizetype j = 0; j < args.size(); ++j)
    text = glossan::ReplaceAll(text, QStringLiteral("<%%1%>").arg(j + 1), args[j], true);
  return text;
}

QString TGlossan2000::Translate(const QString &key, const QStringList &args) {
  const auto hit = FIndex.constFind(glossan::LowerAscii(key));
  if (hit != FIndex.constEnd()) {
    QString result = ApplyArgs(FValues[*hit], args);
    if (OnTranslated)
      OnTranslated(*this, key, result);
    return result;
  }
  if (AutoCreateItlFile) {
    const QString line =
        QLatin1Char('[') + key + QStringLiteral("]=") + key + QStringLiteral("|$$");
    const QString lowLine = glossan::LowerAscii(line);
    const bool known =
        std::any_of(MissingEntries.cbegin(), MissingEntries.cend(), [&](const QString &l) {
          return l.size() == line.size() && glossan::LowerAscii(l) == lowLine;
        });
    if (!known)
      MissingEntries.append(line);
  }
  return ApplyArgs(key, args);
}
