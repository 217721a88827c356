#pragma once
// Figures in the three formats a textbook author needs: PNG for the screen, SVG and PDF as
// true vector drawings (paths and text) for print. The format follows the file name.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QImage;
class QPainter;
class QWidget;
class TFrmRadPattern;
class TPolChart;

namespace figures {

enum class Format { Png, Svg, Pdf };

// By the name's extension, in any letter case; nothing for any other name.
std::optional<Format> formatFor(const QString &fileName);
// The accepted extensions, for messages: ".png, .svg or .pdf".
QString formatNames();

// A figure `size` layout pixels large that `paint` draws, one painter unit per pixel. `dpi`
// is the print resolution: the PNG's stated resolution, the SVG's and PDF's physical size.
QByteArray render(Format format, QSize size, int dpi, const std::function<void(QPainter &)> &paint);

// A rendered image as PNG bytes stating `dpi`, at its own pixel size.
QByteArray png(const QImage &image, int dpi);
// The chart alone at its current size.
QByteArray chart(Format format, TPolChart &chart, int dpi);
// The window's client area, its chart drawn as vectors where the format has them.
QByteArray window(Format format, TFrmRadPattern &window, int dpi);

} // namespace figures
