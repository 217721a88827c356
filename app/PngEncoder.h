#pragma once
// PNG files for screenshots and charts, written without row filters and with fast deflate.
//
// Qt's own writer leaves libpng's adaptive filter choice on, which tries five filters on every
// row; on user-interface pictures (large flat areas, thin lines) that took longer than the
// rest of a screenshot run together and gave larger files than no filter at all. The pixels, the
// stated resolution and the colour type (RGB, or RGBA with an alpha channel) are the ones
// Qt's writer gives. Images this writer does not cover (other bit depths, a colour space,
// text or an offset to record) go to Qt's writer unchanged.

#include <QByteArray>

class QImage;

// `image` as a PNG file stating `dotsPerMeter` (> 0) as its resolution; the image itself is
// not changed (setting the resolution on it would copy a picture shared with a pixmap).
QByteArray encodePng(const QImage &image, int dotsPerMeter);
