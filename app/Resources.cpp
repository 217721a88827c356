#include "Resources.h"

#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QtCore/qresource.h>

#include "LazyIcon.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResourcesOnce() { Q_INIT_RESOURCE(resources); }

void initDipolixResources() {
  static const bool done = (initResourcesOnce(), true);
  (void)done;
}

QIcon dipolixAppIcon() {
  initDipolixResources();
  return lazyPngIcon({resources::kAppIcon16, resources::kAppIcon32, resources::kAppIcon48,
                      resources::kAppIcon64, resources::kAppIcon128, resources::kAppIcon256});
}

namespace {

// Read as PNG outright: left to guess the format, Qt first loads every image plugin it finds
// to ask whether it reads "png", which costs start-up time and finds nothing.
QPixmap resourcePixmap(const char *file) {
  QImageReader reader(QString::fromLatin1(file), "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

} // namespace

QIcon resourceIcon(const char *normal, const char *disabled) {
  initDipolixResources();
  QIcon icon(resourcePixmap(normal));
  if (disabled)
    icon.addPixmap(resourcePixmap(disabled), QIcon::Disabled);
  return icon;
}
