// Reading the language table from a stream of records "[" key "]=" text "|$$".
#include "Glossan2000.h"

#include "Cp1252.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>

namespace glossan {

bool ReadUntil(QIODevice &stream, QByteArrayView delimiter, QByteArray &text) {
  constexpr qint64 kBlock = 256;
  text.clear();
  const QByteArray delim = LowerAscii(delimiter);
  const qint64 start = stream.pos();
  QByteArray lower; // the lower-case form of text, kept alongside
  qsizetype found = -1;
  char block[kBlock];
  for (;;) {
    const qint64 got = stream.read(block, kBlock);
    if (got > 0) {
      const QByteArrayView chunk(block, got);
      text.append(chunk);
      lower.append(LowerAscii(chunk));
    }
    if (!delim.isEmpty()) {
      // Only the tail can hold an occurrence that was not there before this block; searching
      // the whole text again would make a long record cost quadratic time.
      const qsizetype from =
          std::max<qsizetype>(0, lower.size() - std::max<qint64>(got, 0) - delim.size() + 1);
      found = lower.indexOf(delim, from);
      if (found >= 0)
        break;
    }
    if (got < kBlock)
      break;
  }
  if (found < 0)
    return false;
  text.truncate(found + delim.size());
  stream.seek(start + found + delim.size());
  return true;
}

} // namespace glossan

TGlossan2000::TGlossan2000(const QString &appName) : FAppName(appName) {
  if (QCoreApplication::instance())
    ProgramPath = QCoreApplication::applicationFilePath();
}

TGlossan2000::~TGlossan2000() {
  if (!AutoCreateItlFile)
    return;
  try {
    WriteGeneratedFile();
  } catch (...) {
    // Shutdown goes on: a template file that cannot be written is no reason to fail.
  }
}

void TGlossan2000::LoadFromStream(QIODevice &stream) {
  FKeys.clear();
  FValues.clear();
  FIndex.clear();
  if (!stream.isOpen() && !stream.open(QIODevice::ReadOnly))
    return;
  if (!stream.isReadable())
    return;
  if (stream.isSequential()) {
    // Records are read with look-ahead and a step back; a pipe or socket cannot step back.
    QByteArray all = stream.readAll();
    QBuffer buffer(&all);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
    return;
  }
  if (!stream.seek(0))
    return;

  static constexpr QByteArrayView kEnd = "|$$";
  QByteArray bytes;
  while (glossan::ReadUntil(stream, kEnd, bytes)) {
    const QString record = cp1252::decode(bytes);
    // 1-based positions, 0 when absent, as the record rule counts them.
    const qsizetype p1 = record.indexOf(u'[') + 1;
    const qsizetype p2 = record.indexOf(u"]=") + 1;
    const qsizetype p3 = record.size() - kEnd.size() + 1;
    const qsizetype keyLen = p2 - p1 - 1;
    const qsizetype textLen = p3 - p2 - 2;
    const QString key =
        keyLen > 0 ? glossan::NormalizeKey(glossan::LowerAscii(record.mid(p1, keyLen))) : QString();
    const QString text =
        textLen > 0 ? glossan::NormalizeValue(record.mid(p2 + 1, textLen), FAppName) : QString();
    if (!FIndex.contains(key))
      FIndex.insert(key, FKeys.size());
    FKeys.append(key);
    FValues.append(text);
  }
}
