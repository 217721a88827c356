#pragma once
// The chart's context menu: copy the chart as an image, save it as a figure or a table,
// print it. Opened by the right mouse button, the Menu key and Shift+F10; the chart's own
// mouse actions are untouched.

#include <QString>

class QMenu;
class QMimeData;
class QPrinter;
class TFrmRadPattern;
class TPolChart;

namespace chartmenu {

// Builds the menu (owned by the window) and hooks it to the chart.
QMenu *install(TFrmRadPattern &window);

// The chart as PNG and SVG for the clipboard.
QMimeData *imageData(TPolChart &chart);

// Writes the chart to `path` as PNG, SVG, PDF or CSV by the name's extension. Empty on
// success, else the one-line reason.
QString save(TPolChart &chart, const QString &path);

// The name a save dialog's answer stands for: one typed without extension takes that of the
// chosen type, whose filter ends in "(*.ext)".
QString withChosenType(const QString &path, const QString &filter);

// The chart as large as the printer's page allows, its proportions kept.
void print(TPolChart &chart, QPrinter &printer);

} // namespace chartmenu
