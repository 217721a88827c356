// The generated language file: the keys asked for in vain, then the whole loaded table.
#include "Glossan2000.h"

#include <algorithm>

#include "Cp1252.h"
#include "SafeWriter.h"

#include <QFile>

namespace glossan {

QString ItlFileNameFor(QStringView programPath) {
  const QStringView name = programPath.mid(programPath.lastIndexOf(u'/') + 1);
  if (!name.contains(u'.'))
    return name.toString() + QStringLiteral(".itl");
  return name.chopped(std::min<qsizetype>(3, name.size())).toString() + QStringLiteral("itl");
}

namespace {

bool Fail(QString *error, const QString &why) {
  if (error)
    *error = why;
  return false;
}

} // namespace

bool WriteItlFile(const QString &fileName, const QStringList &lines, QString *error) {
  QByteArray bytes;
  for (const QString &line : lines) {
    bytes += cp1252::encode(line);
    bytes += "\r\n";
  }
  // A temporary file beside the target replaces it only once complete, so a full disk or a
  // missing permission never costs the file that was there before. The file is written in the
  // current folder, which may be shared: a link planted there is refused, never followed onto
  // whatever file it points at.
  const QString why =
      SafeWriter::write(QFile::encodeName(fileName), bytes, SafeWriter::Links::Refuse);
  if (!why.isEmpty())
    return Fail(error, why);
  return true;
}

} // namespace glossan

namespace {

// One record per line: a line break inside a text is written back as its escape, so that
// the file reads in again as it was loaded; any other raw CR or LF reads as a blank anyway.
QString OneLine(const QString &line) {
  if (!line.contains(u'\r') && !line.contains(u'\n'))
    return line;
  QString out = line;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
  out.replace(u'\r', u' ');
  out.replace(u'\n', u' ');
  return out;
}

} // namespace

void TGlossan2000::writeGeneratedFile() const {
  QStringList lines;
  lines.reserve(MissingEntries.size() + m_keys.size());
  for (const QString &l : MissingEntries)
    lines.append(OneLine(l));
  for (qsizetype i = 0; i < m_keys.size(); ++i)
    lines.append(OneLine(QLatin1Char('[') + m_keys[i] + QStringLiteral("]=") + m_values[i] +
                         QStringLiteral("|$$")));
  const QString fileName = glossan::ItlFileNameFor(programPath);
  if (fileName == QStringLiteral(".itl"))
    return; // no program name to call the file after
  QString error;
  if (!glossan::WriteItlFile(fileName, lines, &error))
    qWarning("Language file template not written: %s", qPrintable(error));
}
