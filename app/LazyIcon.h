#pragma once
// An icon made from one image file whose picture is decoded only when a pixmap of it is first
// asked for. QIcon(fileName) decodes at once, and the window icon the language file names was
// decoded at every start, also where no window system ever shows it (figures drawn without a
// screen). The file's bytes are read at once, so a file removed later does not take the icon
// with it; sizes and pixmaps are those QIcon(fileName) gives.

#include <QIcon>
#include <QString>

// A null icon when the file holds no image QImageReader can read.
QIcon lazyFileIcon(const QString &fileName);
