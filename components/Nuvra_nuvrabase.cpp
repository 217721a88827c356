#include "Nuvra_nuvrabase.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// Fallbacks for when no GUI application (and so no palette) exists, e.g. in pure tests.
QColor classicSystemColor(unsigned index) {
  switch (index) {
  case 5: return QColor(255, 255, 255);  // window
  case 8: return QColor(0, 0, 0);        // window text
  case 15: return QColor(240, 240, 240); // button face
  case 16: return QColor(160, 160, 160); // button shadow
  case 17: return QColor(109, 109, 109); // gray text
  case 20: return QColor(255, 255, 255); // button highlight
  default: return QColor(0, 0, 0);
  }
}

QColor systemColor(unsigned index) {
  if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    return classicSystemColor(index);
  const QPalette pal = QGuiApplication::palette();
  switch (index) {
  case 5: return pal.color(QPalette::Base);
  case 8: return pal.color(QPalette::WindowText);
  case 15: return pal.color(QPalette::Button);
  case 16: return pal.color(QPalette::Dark);
  case 17: return pal.color(QPalette::Disabled, QPalette::WindowText);
  case 20: return pal.color(QPalette::Light);
  default: return classicSystemColor(index);
  }
}

} // namespace

QColor colorToQColor(TColor c) {
  if (c & 0x80000000u)
    return systemColor(c & 0xFFu);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

TColor colorToRGB(TColor c) {
  if (!(c & 0x80000000u))
    return c & 0xFFFFFFu;
  const QColor q = colorToQColor(c);
  return static_cast<TColor>(q.red()) | (static_cast<TColor>(q.green()) << 8) |
         (static_cast<TColor>(q.blue()) << 16);
}

void LayoutLoader::finish() {
  for (NuvraLoadable *c : m_items)
    c->Loaded();
  m_items.clear();
}
