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
#include <algorithm>
#include <memory>
#include <vector>

namespace {

// One picture of an icon as its file holds it, with the size its header states.
struct Picture {
  QByteArray bytes;
  QByteArray format;
  QSize size;
};

// The pictures and, once first needed, the icon decoded from them: shared by the engine and
// its clones.
struct Source {
  std::vector<Picture> pictures;
  QIcon icon; // null until first needed
  const QIcon &decoded() {
    if (icon.isNull()) {
      for (Picture &picture : pictures) {
        QBuffer buffer(&picture.bytes);
        QImageReader reader(&buffer, picture.format);
        reader.setAutoDetectImageFormat(false); // the format was found when the file was read
        icon.addPixmap(QPixmap::fromImage(reader.read()));
      }
    }
    return icon;
  }
  // The picture Qt's pixmap engine takes for `size`: of two, the smaller if both cover its
  // area, else the larger; the later one on a tie.
  QSize bestSize(QSize size) const {
    const auto area = [](QSize s) { return qint64(s.width()) * s.height(); };
    QSize best;
    for (const Picture &picture : pictures) {
      const qint64 a = area(picture.size);
      const qint64 b = area(best);
      const qint64 pick = std::min(a, b) >= area(size) ? std::min(a, b) : std::max(a, b);
      if (!best.isValid() || pick == a)
        best = picture.size;
    }
    return best;
  }
};

// Behaves as Qt's pixmap engine does for an icon of Normal/Off pictures of the given sizes.
class LazyIconEngine final : public QIconEngine {
public:
  explicit LazyIconEngine(std::shared_ptr<Source> source) : m_source(std::move(source)) {}

  QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
    QSize actual = m_source->bestSize(size);
    if (actual.width() > size.width() || actual.height() > size.height())
      actual.scale(size, Qt::KeepAspectRatio);
    return actual;
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    QList<QSize> sizes;
    if (mode == QIcon::Normal && state == QIcon::Off)
      for (const Picture &picture : m_source->pictures)
        sizes << picture.size;
    return sizes;
  }
  QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
    return m_source->decoded().pixmap(size, 1.0, mode, state);
  }
  void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
    const QPaintDevice *device = painter->device();
    const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
  }
  QIconEngine *clone() const override { return new LazyIconEngine(m_source); }

private:
  std::shared_ptr<Source> m_source;
};

} // namespace

QIcon lazyFileIcon(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  Picture picture;
  picture.bytes = file.readAll();
  QBuffer buffer(&picture.bytes);
  // First as the format its suffix names, without guessing: guessing loads every image plugin
  // Qt finds to ask it first. A file whose suffix does not fit its content is then guessed.
  QImageReader reader(&buffer, QFileInfo(fileName).suffix().toLatin1());
  reader.setAutoDetectImageFormat(false);
  if (!reader.canRead()) {
    // Guessed from the content alone: a plugin that reads the format the suffix names would
    // otherwise be taken on the name and fail on the content.
    buffer.seek(0);
    reader.setDevice(&buffer);
    reader.setFormat(QByteArray());
    reader.setAutoDetectImageFormat(true);
    if (!reader.canRead())
      return {};
  }
  picture.format = reader.format();
  picture.size = reader.size();
  if (!picture.size.isValid()) // a format that cannot tell its size unread
    return QIcon(fileName);
  auto source = std::make_shared<Source>();
  source->pictures.push_back(std::move(picture));
  return QIcon(new LazyIconEngine(std::move(source)));
}

QIcon lazyPngIcon(std::initializer_list<const char *> files) {
  auto source = std::make_shared<Source>();
  for (const char *name : files) {
    QFile file(QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
      continue;
    Picture picture{file.readAll(), "png", {}};
    QBuffer buffer(&picture.bytes);
    QImageReader reader(&buffer, picture.format);
    reader.setAutoDetectImageFormat(false);
    picture.size = reader.size();
    if (picture.size.isValid())
      source->pictures.push_back(std::move(picture));
  }
  if (source->pictures.empty())
    return {};
  return QIcon(new LazyIconEngine(std::move(source)));
}
