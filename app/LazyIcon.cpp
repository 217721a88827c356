#include "LazyIcon.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <memory>

namespace {

// The decoded icon, shared by the engine and its clones.
struct Source {
  QByteArray bytes;
  QByteArray format;
  QSize size;
  QIcon icon; // null until first needed
  const QIcon &decoded() {
    if (icon.isNull()) {
      QBuffer buffer(&bytes);
      QImageReader reader(&buffer, format);
      reader.setAutoDetectImageFormat(false); // the format was found when the file was read
      const QImage image = reader.read();
      icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
  }
};

// Behaves as Qt's pixmap engine does for an icon of one Normal/Off picture of `size`.
class LazyFileIconEngine final : public QIconEngine {
public:
  explicit LazyFileIconEngine(std::shared_ptr<Source> source) : m_source(std::move(source)) {}

  QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
    QSize actual = m_source->size;
    if (actual.width() > size.width() || actual.height() > size.height())
      actual.scale(size, Qt::KeepAspectRatio);
    return actual;
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    if (mode == QIcon::Normal && state == QIcon::Off)
      return {m_source->size};
    return {};
  }
  QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
    return m_source->decoded().pixmap(size, 1.0, mode, state);
  }
  void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
    const QPaintDevice *device = painter->device();
    const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
  }
  QIconEngine *clone() const override { return new LazyFileIconEngine(m_source); }

private:
  std::shared_ptr<Source> m_source;
};

} // namespace

QIcon lazyFileIcon(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  auto source = std::make_shared<Source>();
  source->bytes = file.readAll();
  QBuffer buffer(&source->bytes);
  // First as the format its suffix names, without guessing: guessing loads every image plugin
  // Qt finds to ask it first. A file whose suffix does not fit its content is then guessed.
  QImageReader reader(&buffer, QFileInfo(fileName).suffix().toLatin1());
  reader.setAutoDetectImageFormat(false);
  if (!reader.canRead()) {
    buffer.seek(0);
    reader.setDevice(&buffer);
    reader.setAutoDetectImageFormat(true);
    if (!reader.canRead())
      return {};
  }
  source->format = reader.format();
  source->size = reader.size();
  if (!source->size.isValid()) // a format that cannot tell its size unread
    return QIcon(fileName);
  return QIcon(new LazyFileIconEngine(std::move(source)));
}
