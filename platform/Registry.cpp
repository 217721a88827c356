#include "Registry.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace platform {

QString systemSettingsFilePath() {
  // QSettings' system scope: the first folder of XDG_CONFIG_DIRS, else /etc/xdg.
  QString folder = QFile::decodeName(qgetenv("XDG_CONFIG_DIRS")).section(QLatin1Char(':'), 0, 0);
  if (folder.isEmpty())
    folder = QStringLiteral("/etc/xdg");
  return folder + QLatin1Char('/') + QLatin1String(kRegistryOrganisation) + QLatin1Char('/') +
         QLatin1String(kRegistryApplication) + QStringLiteral(".ini");
}

QString readSystemString(const QString &group, const QString &key) {
  const QString path = systemSettingsFilePath();
  if (!QFileInfo(path).isReadable())
    return {};
  const QSettings settings(path, QSettings::IniFormat);
  const QVariant value = settings.value(group + QLatin1Char('/') + key);
  if (!value.isValid())
    return {};
  if (value.typeId() != QMetaType::QString)
    throw ERegistryError(QStringLiteral("Invalid data type for '%1'").arg(key));
  return value.toString();
}

bool writeSystemString(const QString &group, const QString &key, const QString &value) {
  QSettings settings(systemSettingsFilePath(), QSettings::IniFormat);
  if (!settings.isWritable())
    return false;
  const QString name = group + QLatin1Char('/') + key;
  if (value.isEmpty())
    settings.remove(name);
  else
    settings.setValue(name, value);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

} // namespace platform
