// Finding the coordinating server: its handle text from the settings store or the command
// line, and its window by class and window name.

#include "MarloDemon.h"

#include "AsciiCase.h"
#include "LastError.h"
#include "MessageWindow.h"
#include "Registry.h"

namespace {
const QString kServerHandleSwitch = QStringLiteral("/serverhandle=");
} // namespace

QString ReadRegistryString(const QString &group, const QString &valueName) {
  return platform::readSystemString(group, valueName);
}

QString GetServerHandleText(const QStringList &arguments) {
  const QString stored =
      ReadRegistryString(QString::fromLatin1(platform::kRegistryDemonGroup),
                         QString::fromLatin1(platform::kRegistryViewerHandleKey));
  if (!stored.isEmpty() && stored != QLatin1String("00000000"))
    return stored;
  QString result;
  for (const QString &arg : arguments) {
    const QString lower = asciiLower(arg);
    if (lower.startsWith(kServerHandleSwitch))
      result = lower.mid(kServerHandleSwitch.size());
  }
  return result;
}

QString ServerWindowClassName(const QString &handleText) {
  return QStringLiteral("ThisIsTheQuillonServerComponentWindowClass") + handleText;
}

QString ServerWindowName(const QString &handleText) {
  return QStringLiteral("ThisIsTheQuillonServerComponentWindow") + handleText;
}

THandle FindServerWindow(const QStringList &arguments) {
  const QString suffix = GetServerHandleText(arguments);
  return platform::findWindow(ServerWindowClassName(suffix), ServerWindowName(suffix));
}

QString LastErrorText() {
  const QString text = platform::lastErrorText();
  return text.isEmpty() ? QStringLiteral("(GetLastErrorString failed)") : text;
}

void RegisterHiddenWindowClass(const QString &className) {
  if (!platform::registerWindowClass(className))
    throw EQuillon(LastErrorText());
}
