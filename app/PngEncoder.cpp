#include "PngEncoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QSysInfo>
#include <csetjmp>
#include <png.h>

namespace {

// Deflate level 3 without row filters: on the window and About box pictures three to five
// times as fast as Qt's default writer, and the files are smaller; chart pictures grow by a
// sixth.
constexpr int kDeflateLevel = 3;

void appendBytes(png_structp png, png_bytep data, size_t length) {
  static_cast<QByteArray *>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
}

void flushNothing(png_structp) {}
void ignoreWarning(png_structp, png_const_charp) {}

bool coveredHere(const QImage &image) {
  switch (image.format()) {
  case QImage::Format_RGB32:
  case QImage::Format_ARGB32:
  case QImage::Format_ARGB32_Premultiplied: break;
  default: return false;
  }
  return !image.colorSpace().isValid() && image.textKeys().isEmpty() && image.offset().isNull();
}

// libpng reports errors by longjmp: nothing in here has a destructor to skip. `rows` is RGB32
// (the padding byte dropped) or ARGB32 (alpha written), taken as they lie in memory.
bool writeRows(const QImage &rows, bool alpha, int dotsPerMeter, QByteArray *out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()),
               static_cast<png_uint_32>(rows.height()), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, static_cast<png_uint_32>(dotsPerMeter),
               static_cast<png_uint_32>(dotsPerMeter), PNG_RESOLUTION_METER);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, kDeflateLevel);
  png_write_info(png, info);
  // A pixel is one 32-bit word 0xAARRGGBB: B, G, R, A in memory on little-endian machines,
  // A, R, G, B on big-endian ones; the file wants R, G, B (, A).
  if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
    png_set_bgr(png);
    if (!alpha)
      png_set_filler(png, 0, PNG_FILLER_AFTER);
  } else if (alpha) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0, PNG_FILLER_BEFORE);
  }
  for (int y = 0; y < rows.height(); ++y)
    png_write_row(png, rows.constScanLine(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

QByteArray qtPng(QImage image, int dotsPerMeter) {
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

} // namespace

QByteArray encodePng(const QImage &image, int dotsPerMeter) {
  if (image.isNull() || dotsPerMeter <= 0 || !coveredHere(image))
    return qtPng(image, dotsPerMeter);
  const bool alpha = image.hasAlphaChannel();
  // The file holds straight alpha; an opaque RGB32 picture is written as it is, uncopied.
  const QImage rows = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  QByteArray bytes;
  if (!writeRows(rows, alpha, dotsPerMeter, &bytes))
    return qtPng(image, dotsPerMeter);
  return bytes;
}
