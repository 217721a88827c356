#pragma once
// An icon made from one image file whose picture is decoded only when a pixmap of it is first
// asked for. QIcon(fileName) decodes at once, and the window icon the language file names was
// decoded at every start, also where no window system ever shows it (figures drawn without a
// screen). The file's bytes are read at once, so a file removed later does not take the icon
// with it; sizes and pixmaps are those QIcon(fileName) gives.

#include <QIcon>
#include <QString>
#include <initializer_list>

// A null icon when the file holds no image QImageReader can read.
QIcon lazyFileIcon(const QString &fileName);

// An icon of several PNG files, one picture each (the sizes of one icon), read as PNG outright
// and decoded together when a pixmap is first asked for. Left to QIcon::addFile, they were
// decoded at once, and guessing their format loaded every image plugin Qt finds. Files that
// cannot be read are left out; a null icon when none can.
QIcon lazyPngIcon(std::initializer_list<const char *> files);
