// Draws Dipolix's icons and button glyphs as PNG files:
//   dipolix-<size>.png (16 … 256) and dipolix.png (256): two vertical aerials and their lobe;
//   about32.png: the About box's own icon;
//   info.png / info-disabled.png (20 × 20): an exclamation mark, and its outline for the
//   disabled state;
//   exit.png (21 × 21): a broad arrow pointing up and to the right;
//   ok.png (21 × 21): a blue tick on white.
// Usage: icongen OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

QImage blank(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// The lobe of two aerials a quarter wavelength apart, fed a quarter period apart: a cardioid
// pointing to the right, in a 256-unit square, centred between the aerials.
QPainterPath lobePath(QPointF centre, double radius) {
  QPainterPath path;
  const int steps = 180;
  for (int i = 0; i <= steps; ++i) {
    const double theta = 2.0 * std::numbers::pi * i / steps;
    const double r = radius * std::abs(std::cos(std::numbers::pi / 4.0 * (std::cos(theta) - 1.0)));
    const QPointF p(centre.x() + r * std::cos(theta), centre.y() - r * std::sin(theta));
    if (i == 0)
      path.moveTo(p);
    else
      path.lineTo(p);
  }
  path.closeSubpath();
  return path;
}

struct IconColours {
  QColor backTop, backBottom, frame, lobeFill, lobeLine, aerial, ground;
};

// The aerial motif drawn in a 256-unit square, scaled to `size` pixels. Line widths never go
// below about one pixel so the small sizes stay legible.
QImage aerialIcon(int size, const IconColours &c, bool simple) {
  QImage image = blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double scale = size / 256.0;
  p.scale(scale, scale);
  auto width = [scale](double units, double minPixels) {
    return std::max(units, minPixels / scale);
  };

  QLinearGradient back(0, 0, 0, 256);
  back.setColorAt(0, c.backTop);
  back.setColorAt(1, c.backBottom);
  p.setPen(QPen(c.frame, width(6, 1.0)));
  p.setBrush(back);
  const double inset = width(6, 1.0) / 2;
  p.drawRoundedRect(QRectF(inset, inset, 256 - 2 * inset, 256 - 2 * inset), 44, 44);

  // The lobe, from the midpoint of the aerials towards the right.
  const QPointF centre(96, 128);
  p.setPen(QPen(c.lobeLine, width(8, 1.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(c.lobeFill);
  p.drawPath(lobePath(centre, 132));

  // Ground line and the two masts with their tips.
  const double mast = width(14, 1.6);
  p.setPen(QPen(c.ground, width(12, 1.4), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(40, 204), QPointF(152, 204));
  p.setPen(QPen(c.aerial, mast, Qt::SolidLine, Qt::RoundCap));
  const double xs[2] = {74, 118};
  for (double x : xs) {
    p.drawLine(QPointF(x, 204), QPointF(x, 64));
    if (!simple) {
      p.setBrush(c.aerial);
      p.drawEllipse(QPointF(x, 60), 11, 11);
    }
  }
  return image;
}

const IconColours kProgram{QColor(0x2b, 0x4f, 0x8c), QColor(0x10, 0x22, 0x44),
                           QColor(0x0a, 0x16, 0x2e), QColor(0xff, 0xa6, 0x3a, 220),
                           QColor(0xff, 0xe0, 0x9c), QColor(0xf4, 0xf4, 0xf4),
                           QColor(0xb0, 0xb8, 0xc8)};

const IconColours kAbout{QColor(0xff, 0xfb, 0xf0), QColor(0xe8, 0xe0, 0xc8),
                         QColor(0x80, 0x00, 0x00), QColor(0xff, 0x00, 0x00, 170),
                         QColor(0x80, 0x00, 0x00), QColor(0x00, 0x00, 0x80),
                         QColor(0x80, 0x80, 0x80)};

// The exclamation mark in a 20-pixel square: a bar narrowing downwards and a dot.
QPainterPath exclamationPath() {
  QPainterPath path;
  path.moveTo(7.0, 2.0);
  path.lineTo(13.0, 2.0);
  path.lineTo(11.6, 12.5);
  path.lineTo(8.4, 12.5);
  path.closeSubpath();
  path.addEllipse(QPointF(10.0, 16.0), 2.1, 2.1);
  return path;
}

QImage infoGlyph() {
  QImage image = blank(20, 20);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x00, 0x00, 0x40), 1.0));
  p.setBrush(QColor(0x00, 0x30, 0xc0));
  p.drawPath(exclamationPath());
  return image;
}

// Disabled: only the outline, etched in white below and grey above, as disabled glyphs look.
QImage infoGlyphDisabled() {
  QImage image = blank(20, 20);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 1.0));
  p.drawPath(exclamationPath().translated(1, 1));
  p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.0));
  p.drawPath(exclamationPath());
  return image;
}

// A broad arrow pointing up and to the right, centred in a 21-pixel square.
QImage exitGlyph() {
  QImage image = blank(21, 21);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn pointing right around the origin, then turned by 45 degrees.
  QPainterPath arrow;
  arrow.moveTo(-9.0, -2.8);
  arrow.lineTo(1.0, -2.8);
  arrow.lineTo(1.0, -7.5);
  arrow.lineTo(9.5, 0.0);
  arrow.lineTo(1.0, 7.5);
  arrow.lineTo(1.0, 2.8);
  arrow.lineTo(-9.0, 2.8);
  arrow.closeSubpath();
  QTransform turn;
  turn.translate(10.5, 10.5);
  turn.rotate(-45.0);
  QLinearGradient fill(0, 21, 21, 0);
  fill.setColorAt(0, QColor(0x00, 0x70, 0x20));
  fill.setColorAt(1, QColor(0x30, 0xc0, 0x50));
  p.setPen(QPen(QColor(0x00, 0x40, 0x10), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(fill);
  p.drawPath(turn.map(arrow));
  return image;
}

// A blue tick on a white square.
QImage okGlyph() {
  QImage image = blank(21, 21);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1.0));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.5, 0.5, 20, 20));
  QPainterPath tick;
  tick.moveTo(4.5, 11.0);
  tick.lineTo(8.5, 15.5);
  tick.lineTo(16.5, 5.0);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x00, 0x20, 0xd0), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
  return image;
}

bool save(const QImage &image, const QDir &dir, const QString &name) {
  const QString path = dir.filePath(name);
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

} // namespace

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: icongen OUTPUT_DIR\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists()) {
    std::fprintf(stderr, "icongen: no such folder: %s\n", argv[1]);
    return 2;
  }
  bool ok = true;
  for (int size : {16, 32, 48, 64, 128, 256})
    ok &= save(aerialIcon(size, kProgram, size < 32), dir,
               QStringLiteral("dipolix-%1.png").arg(size));
  ok &= save(aerialIcon(256, kProgram, false), dir, QStringLiteral("dipolix.png"));
  ok &= save(aerialIcon(32, kAbout, false), dir, QStringLiteral("about32.png"));
  ok &= save(infoGlyph(), dir, QStringLiteral("info.png"));
  ok &= save(infoGlyphDisabled(), dir, QStringLiteral("info-disabled.png"));
  ok &= save(exitGlyph(), dir, QStringLiteral("exit.png"));
  ok &= save(okGlyph(), dir, QStringLiteral("ok.png"));
  return ok ? 0 : 1;
}
