#pragma once
// Icons whose pictures are decoded only when a pixmap is first asked for. QIcon decodes its
// files at once, and the program's icons were decoded at every start, also where no window
// system ever shows them (figures drawn without a screen). The files' bytes are read at once,
// so a file removed later does not take the icon with it; sizes and pixmaps are those QIcon
// gives for the same files.

#include <QIcon>
#include <QString>
#include <initializer_list>

// A null icon when the file holds no image QImageReader can read.
QIcon lazyFileIcon(const QString &fileName);

// An icon of several PNG files, one picture each (the sizes of one icon), read as PNG outright
// and decoded together when a pixmap is first asked for. Left to QIcon::addFile, they were
// decoded at once, and guessing their format loaded every image plugin Qt finds. Files that
// cannot be read are left out; a null icon when none can. Names are Latin-1, as the
// compiled-in resources' are.
QIcon lazyPngIcon(std::initializer_list<const char *> files);
