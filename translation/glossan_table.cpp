// Reading the language table from a stream of records "[" key "]=" text "|$$".
#include "Glossan2000.h"

#include "AsciiCase.h"
#include "Cp1252.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>

namespace glossan {

bool ReadUntil(QIODevice &stream, QByteArrayView delimiter, QByteArray &text) {
  constexpr qint64 kBlock = 256;
  text.clear();
  const QByteArray delim = asciiLower(delimiter);
  const qint64 start = stream.pos();
  QByteArray lower; // the lower-case form of text, kept alongside
  qsizetype found = -1;
  char block[kBlock];
  for (;;) {
    const qint64 got = stream.read(block, kBlock);
    if (got > 0) {
      const QByteArrayView chunk(block, got);
      text.append(chunk);
      lower.append(asciiLower(chunk));
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

TGlossan2000::TGlossan2000(const QString &appName) : m_appName(appName) {
  if (QCoreApplication::instance())
    programPath = QCoreApplication::applicationFilePath();
}

TGlossan2000::~TGlossan2000() {
  if (!AutoCreateItlFile)
    return;
  try {
    writeGeneratedFile();
  } catch (...) {
    // Shutdown goes on: a template file that cannot be written is no reason to fail.
  }
}

namespace {

// Reads the rest of the stream, but never more than the cap allows. False when there is more.
bool ReadCapped(QIODevice &stream, QByteArray &all) {
  constexpr qint64 kBlock = 64 * 1024;
  for (;;) {
    const qint64 room = glossan::kMaxFileBytes + 1 - all.size();
    const QByteArray block = stream.read(std::min(kBlock, room));
    all += block;
    if (all.size() > glossan::kMaxFileBytes)
      return false;
    if (block.isEmpty()) // the end, or an error: what was read is all there is
      return true;
  }
}

} // namespace

void TGlossan2000::LoadFromStream(QIODevice &stream) {
  m_keys.clear();
  m_values.clear();
  m_index.clear();
  m_loadError.clear();
  if (!stream.isOpen() && !stream.open(QIODevice::ReadOnly))
    return;
  if (!stream.isReadable())
    return;
  // A pipe or socket cannot go back to the start; it is read from where it stands.
  if (!stream.isSequential() && !stream.seek(0))
    return;
  // Held in memory whole (records are read with look-ahead and a step back), so the size is
  // capped before anything else: no file may make the program hold an unbounded amount.
  QByteArray all;
  if (!ReadCapped(stream, all)) {
    refuse(QStringLiteral("the language file is larger than %1 bytes").arg(glossan::kMaxFileBytes));
    return;
  }
  QBuffer buffer(&all);
  buffer.open(QIODevice::ReadOnly);
  loadRecords(buffer);
}

void TGlossan2000::refuse(const QString &why) {
  m_keys.clear();
  m_values.clear();
  m_index.clear();
  m_loadError = why;
  qWarning("Language file not loaded: %s", qPrintable(why));
}

void TGlossan2000::loadRecords(QIODevice &stream) {
  static constexpr QByteArrayView kEnd = "|$$";
  QByteArray bytes;
  while (glossan::ReadUntil(stream, kEnd, bytes)) {
    // Empty records cost little on disk but a table entry each in memory.
    if (m_keys.size() == glossan::kMaxRecords) {
      refuse(
          QStringLiteral("the language file holds more than %1 records").arg(glossan::kMaxRecords));
      return;
    }
    const QString record = cp1252::decode(bytes);
    // 1-based positions, 0 when absent, as the record rule counts them.
    const qsizetype p1 = record.indexOf(u'[') + 1;
    const qsizetype p2 = record.indexOf(u"]=") + 1;
    const qsizetype p3 = record.size() - kEnd.size() + 1;
    const qsizetype keyLen = p2 - p1 - 1;
    const qsizetype textLen = p3 - p2 - 2;
    const QString key =
        keyLen > 0 ? glossan::NormalizeKey(asciiLower(record.mid(p1, keyLen))) : QString();
    const QString text =
        textLen > 0 ? glossan::NormalizeValue(record.mid(p2 + 1, textLen), m_appName) : QString();
    if (!m_index.contains(key))
      m_index.insert(key, m_keys.size());
    m_keys.append(key);
    m_values.append(text);
  }
}
