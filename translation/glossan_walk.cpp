// Translating a QObject tree: every marked text property and string-list line is replaced
// by the translation of the text behind the marker.
#include "Glossan2000.h"

#include <QList>
#include <QMetaObject>
#include <QMetaProperty>
#include <QPointer>
#include <QRegularExpression>

#include <cstring>

namespace {

// The kind a class declares with Q_CLASSINFO(GLOSSAN_KIND, ...), inherited by subclasses.
const char *DeclaredKind(const QMetaObject *meta) {
  const int idx = meta->indexOfClassInfo(GLOSSAN_KIND);
  return idx < 0 ? "" : meta->classInfo(idx).value();
}

bool IsKind(const QMetaObject *meta, const char *kind) {
  return std::strcmp(DeclaredKind(meta), kind) == 0;
}

} // namespace

void TGlossan2000::TranslateComponent(QObject *component) {
  if (!component)
    return;
  TranslateObject(component);
  // A handler or a property write may create or delete children; visit the ones owned now
  // and skip any that are gone by their turn.
  const QObjectList owned = component->children();
  QList<QPointer<QObject>> guarded;
  guarded.reserve(owned.size());
  for (QObject *child : owned)
    guarded.append(child);
  for (const QPointer<QObject> &child : guarded)
    if (child)
      TranslateComponent(child);
}

void TGlossan2000::TranslateObject(QObject *obj) {
  if (!obj)
    return;
  bool doTranslate = true;
  if (OnTranslateObject)
    OnTranslateObject(*this, obj, doTranslate);
  if (!doTranslate)
    return;
  const QMetaObject *meta = obj->metaObject();
  const int count = meta->propertyCount();
  for (int i = 0; i < count; ++i)
    TranslateProperty(obj, i);
}

void TGlossan2000::TranslateProperty(QObject *obj, int propertyIndex) {
  const QMetaObject *meta = obj->metaObject();
  const QMetaProperty prop = meta->property(propertyIndex);
  const QMetaType type = prop.metaType();
  const bool text = type.id() == QMetaType::QString;
  const bool lines = type.id() == QMetaType::QStringList;
  const bool held = type.flags() & QMetaType::PointerToQObject;
  // Only these kinds are translated: the name search below is the walk's costliest step, and
  // most of a widget's properties are numbers, flags and geometry.
  if (!(text || lines || held) || !prop.isReadable())
    return;
  // A redeclaration in a subclass hides the base class's property of the same name.
  if (meta->indexOfProperty(prop.name()) != propertyIndex)
    return;
  if (text)
    translateText(obj, prop);
  else if (lines)
    translateLines(obj, prop);
  else
    enterHeldObject(prop.read(obj).value<QObject *>());
}

void TGlossan2000::translateText(QObject *obj, const QMetaProperty &prop) {
  const char *name = prop.name();
  if (!prop.isWritable() || std::strcmp(name, "objectName") == 0 || std::strcmp(name, "Name") == 0)
    return;
  const QString value = prop.read(obj).toString();
  if (value.startsWith(Prefix, Qt::CaseSensitive))
    prop.write(obj, Translate(value.mid(Prefix.size())));
}

void TGlossan2000::translateLines(QObject *obj, const QMetaProperty &prop) {
  if (!prop.isWritable())
    return;
  QStringList lines = prop.read(obj).toStringList();
  bool changed = false;
  static const QRegularExpression kBreak(QStringLiteral("\r\n|\r|\n"));
  // From the last line to the first, so that lines a translation inserts are not visited.
  for (qsizetype i = lines.size() - 1; i >= 0; --i) {
    if (!lines[i].startsWith(Prefix, Qt::CaseSensitive))
      continue;
    const QStringList parts = Translate(lines[i].mid(Prefix.size())).split(kBreak);
    lines.remove(i);
    for (qsizetype k = 0; k < parts.size(); ++k)
      lines.insert(i + k, parts[k]);
    changed = true;
  }
  if (changed)
    prop.write(obj, lines);
}

void TGlossan2000::enterHeldObject(QObject *held) {
  // An object that points back at one being entered would otherwise recurse forever.
  if (!held || m_entered.contains(held))
    return;
  const QMetaObject *heldMeta = held->metaObject();
  m_entered.insert(held);
  if (IsKind(heldMeta, GLOSSAN_KIND_COLLECTION))
    translateCollection(held);
  else if (IsKind(heldMeta, GLOSSAN_KIND_SCALEPROPS))
    TranslateObject(held);
  m_entered.remove(held);
}

void TGlossan2000::translateCollection(QObject *collection) {
  int items = 0;
  if (!QMetaObject::invokeMethod(collection, "count", Qt::DirectConnection,
                                 Q_RETURN_ARG(int, items)))
    return;
  for (int i = 0; i < items; ++i) {
    QObject *item = nullptr;
    if (QMetaObject::invokeMethod(collection, "item", Qt::DirectConnection,
                                  Q_RETURN_ARG(QObject *, item), Q_ARG(int, i)) &&
        item && !m_entered.contains(item)) {
      m_entered.insert(item);
      TranslateObject(item);
      m_entered.remove(item);
    }
  }
}
