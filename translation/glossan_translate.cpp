// Key lookup with numbered arguments, and the record of keys that were asked for in vain.
#include "Glossan2000.h"

#include "AsciiCase.h"

QString TGlossan2000::applyArgs(QString text, const QStringList &args) const {
  // In argument order, so that an argument holding a later placeholder is filled as well.
  for (qsizetype j = 0; j < args.size(); ++j)
    text = glossan::ReplaceAll(text, QStringLiteral("<%%1%>").arg(j + 1), args[j], true);
  return text;
}

QString TGlossan2000::Translate(const QString &key, const QStringList &args) {
  const auto hit = m_index.constFind(asciiLower(key));
  if (hit != m_index.constEnd()) {
    QString result = applyArgs(m_values[*hit], args);
    if (OnTranslated)
      OnTranslated(*this, key, result);
    return result;
  }
  if (AutoCreateItlFile)
    addMissingEntry(QLatin1Char('[') + key + QStringLiteral("]=") + key + QStringLiteral("|$$"));
  return applyArgs(key, args);
}

void TGlossan2000::addMissingEntry(const QString &line) {
  // The lower-case set answers "already listed?" in constant time. MissingEntries is a public
  // list a caller may edit; the set still describes it as long as the list shares its data
  // with the copy taken when the set was last brought up to date, since any edit detaches.
  if (!MissingEntries.isSharedWith(m_missingSeenFor)) {
    m_missingSeen.clear();
    m_missingSeen.reserve(MissingEntries.size());
    for (const QString &l : std::as_const(MissingEntries))
      m_missingSeen.insert(asciiLower(l));
  }
  if (!m_missingSeen.contains(asciiLower(line))) {
    m_missingSeenFor = {}; // let the append below extend the list in place instead of copying it
    MissingEntries.append(line);
    m_missingSeen.insert(asciiLower(line));
  }
  m_missingSeenFor = MissingEntries;
}
