#include "Resources.h"

#include <QtCore/qresource.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResourcesOnce() { Q_INIT_RESOURCE(resources); }

void initDipolixResources() {
  static const bool done = (initResourcesOnce(), true);
  (void)done;
}
