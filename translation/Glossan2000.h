#pragma once
// The translator: one language table read from an ".itl" file, key lookup with numbered
// arguments, and the translation of whole QObject trees whose texts carry a marker prefix.
//
// Language file format: 8-bit Windows-1252 bytes, a sequence of records
//   "[" key "]=" text "|$$"
// one per line in the written form. Keys fold ASCII letters only; CR, LF and TAB in a key
// count as blanks, runs of blanks count as one, leading blanks are dropped. In a text the two
// characters backslash "n" stand for a line break (CR LF), raw CR and LF stand for one blank
// each, "<%APPNAME%>" (any case) stands for the application name and "<%1%>", "<%2%>", ...
// for the arguments of a lookup.
//
// Object walk (TranslateComponent / TranslateObject) over Qt's property system:
// - every readable and writable QString property whose value starts with Prefix (exact
//   case) gets the translation of the text behind the prefix; "objectName" (and a property
//   named "Name") is never touched;
// - every readable and writable QStringList property is treated line by line, from the last
//   line to the first; a translation holding line breaks becomes several lines;
// - a property holding a QObject* is entered only when the object's class (or a base class)
//   declares itself with Q_CLASSINFO(GLOSSAN_KIND, ...):
//     GLOSSAN_KIND_COLLECTION: the class offers Q_INVOKABLE int count() const and
//       Q_INVOKABLE QObject *item(int index) const; each item is translated in index order;
//     GLOSSAN_KIND_SCALEPROPS: the object itself is translated like any other object.
//   Fonts, palettes, references to other controls and any other objects are not entered.
// - when a subclass redeclares a property of the same name, only the most-derived
//   declaration counts (a read-only redeclaration hides a writable base property).

#include <QHash>
#include <QIODevice>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QMetaProperty;

#define GLOSSAN_KIND "GlossanKind"
#define GLOSSAN_KIND_COLLECTION "Collection"
#define GLOSSAN_KIND_SCALEPROPS "ScaleProps"

namespace glossan {

// 1-based position of the Count-th occurrence of Find in Source at or after Start (a Start
// below 1 counts as 1); each further occurrence is searched behind the end of the previous
// one. 0 when there are fewer occurrences, when Find is empty or when Count < 1.
qsizetype FindNth(QStringView find, QStringView source, qsizetype start, qsizetype count,
                  bool ignoreCase);

// Source with every occurrence of Find replaced, scanning left to right; the search never
// looks into inserted text. An empty Find replaces nothing.
QString ReplaceAll(QStringView source, QStringView find, QStringView replacement, bool ignoreCase);

// Reads from the stream's current position up to and including the next occurrence of the
// delimiter (compared in ASCII lower case), in blocks of 256 bytes. When found, Text ends with
// the delimiter and the stream stands just behind it; otherwise the result is false and Text
// and the stream position are of no use.
bool ReadUntil(QIODevice &stream, QByteArrayView delimiter, QByteArray &text);

QString NormalizeKey(QStringView key);
QString NormalizeValue(QStringView value, QStringView appName);

// What one language file may make the program hold; a larger file is refused as a whole.
// The program's own files are a few kilobytes and some hundred records.
inline constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxRecords = 100000;

// The generated language file's name for a program path: its file-name part (after the last
// "/"), with ".itl" appended when it holds no "." and its last three characters replaced by
// "itl" otherwise ("dipolix" gives "dipolix.itl", "program.exe" gives "program.itl").
QString ItlFileNameFor(QStringView programPath);

// Writes the lines as Windows-1252, each followed by CR LF, through a temporary file that
// replaces the target only when complete. A symbolic link at the file name is refused, never
// followed. False (the old file untouched, the reason in *error when given) on failure.
bool WriteItlFile(const QString &fileName, const QStringList &lines, QString *error = nullptr);

} // namespace glossan

class TGlossan2000 {
public:
  using TTranslatedEvent =
      std::function<void(TGlossan2000 &Sender, const QString &Key, QString &Translation)>;
  using TTranslateObjectEvent =
      std::function<void(TGlossan2000 &Sender, QObject *Obj, bool &DoTranslate)>;

  // Create: an empty table for the given application name.
  explicit TGlossan2000(const QString &appName);
  // Writes the generated language file when AutoCreateItlFile is set. Never throws.
  ~TGlossan2000();
  TGlossan2000(const TGlossan2000 &) = delete;
  TGlossan2000 &operator=(const TGlossan2000 &) = delete;

  // Fired after a key was found; the handler may change the translation.
  TTranslatedEvent OnTranslated;
  // Fired before an object's own properties are translated; DoTranslate false skips them.
  TTranslateObjectEvent OnTranslateObject;
  // Marker of translatable texts.
  QString Prefix = QStringLiteral("GL_");
  // Record lines for the generated language file.
  QStringList MissingEntries;
  // Write the generated language file at destruction.
  bool AutoCreateItlFile = false;
  // The program's path the generated file is named after; by default the running program's.
  QString programPath;

  const QString &AppName() const { return m_appName; }
  // Keys in file order, lower case and normalised (duplicates kept); Values index for index.
  const QStringList &Keys() const { return m_keys; }
  const QStringList &Values() const { return m_values; }

  // Replaces the table by the records of the stream, read from position 0 to the last "|$$".
  // A device that is not open is opened for reading; one that cannot be read gives an empty
  // table. A stream of more than glossan::kMaxFileBytes bytes or glossan::kMaxRecords records
  // gives an empty table, a warning on stderr and the reason in loadError().
  void LoadFromStream(QIODevice &stream);
  // Why the last LoadFromStream refused its stream; empty when it did not.
  const QString &loadError() const { return m_loadError; }

  // The text for Key with the arguments filled in, or Key itself (arguments filled in).
  QString Translate(const QString &key, const QStringList &args = {});

  // Translates the component and, depth first in index order, every QObject it owns.
  void TranslateComponent(QObject *component);
  // Translates the properties of this one object only.
  void TranslateObject(QObject *obj);

private:
  void TranslateProperty(QObject *obj, int propertyIndex);
  void translateText(QObject *obj, const QMetaProperty &prop);
  // Line by line, each marked line replaced by the lines of its translation.
  void translateLines(QObject *obj, const QMetaProperty &prop);
  // An object a property holds, entered when its class declares a kind.
  void enterHeldObject(QObject *held);
  void translateCollection(QObject *collection);
  void loadRecords(QIODevice &stream);
  void refuse(const QString &why);
  QString applyArgs(QString text, const QStringList &args) const;
  void addMissingEntry(const QString &line);
  void writeGeneratedFile() const;

  QString m_appName;
  QString m_loadError;
  QStringList m_keys;
  QStringList m_values;
  // First index of each key, so that the first of duplicate keys wins.
  QHash<QString, qsizetype> m_index;
  // Objects currently being entered through object-valued properties; stops cycles.
  QSet<const QObject *> m_entered;
  // The lines of MissingEntries in lower case, and the list they were taken from.
  QSet<QString> m_missingSeen;
  QStringList m_missingSeenFor;
};
