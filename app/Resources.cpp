#include "Resources.h"

#include <QIcon>
#include <QtCore/qresource.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResourcesOnce() { Q_INIT_RESOURCE(resources); }

void initDipolixResources() {
  static const bool done = (initResourcesOnce(), true);
  (void)done;
}

QIcon dipolixAppIcon() {
  initDipolixResources();
  QIcon icon;
  for (const char *file : {resources::kAppIcon16, resources::kAppIcon32, resources::kAppIcon48,
                           resources::kAppIcon64, resources::kAppIcon128, resources::kAppIcon256})
    icon.addFile(QString::fromLatin1(file));
  return icon;
}
