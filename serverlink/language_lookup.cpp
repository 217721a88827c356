#include "LanguageLookup.h"

namespace language {

QString messagesLocale(const std::function<QString(const char *)> &env) {
  for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QString value = env(name);
    if (!value.isEmpty())
      return value;
  }
  return {};
}

QStringList candidates(const QString &programPath, const QString &besideProgram,
                       const QString &locale) {
  const qsizetype slash = programPath.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash < 0 ? QStringLiteral(".") : programPath.left(slash);
  const bool german = locale.startsWith(QLatin1String("de"));
  return {besideProgram,
          folder + QStringLiteral("/../share/dipolix/") +
              (german ? QStringLiteral("german.itl") : QStringLiteral("english.itl"))};
}

} // namespace language
