#pragma once
// The images components compose their pictures in hold device pixels: at a device pixel ratio
// of 2 a 100 × 50 control is drawn into a 200 × 100 image, while everything drawn on it still
// uses the control's own (logical) coordinates. Lines of a one-pixel pen then stay one device
// pixel wide and text is drawn at the screen's resolution instead of being pixel-doubled.

#include <QImage>
#include <QSize>
#include <QSizeF>

// The image's size in device pixels for a logical size.
inline QSize deviceSizeOf(QSize logical, qreal ratio) { return (QSizeF(logical) * ratio).toSize(); }

// Makes `image` a back buffer of the logical size at the given ratio, keeping it (and its
// contents) when it already is one; returns true when it was made anew.
inline bool fitBackBuffer(QImage &image, QSize logical, qreal ratio,
                          QImage::Format format = QImage::Format_RGB32) {
  const QSize device = deviceSizeOf(logical, ratio);
  if (image.size() == device && image.devicePixelRatio() == ratio && image.format() == format)
    return false;
  image = QImage(device, format);
  image.setDevicePixelRatio(ratio);
  return true;
}
