// Feeds arbitrary bytes to the language-table reader, then looks keys up with arguments and
// runs the string routines on the same bytes. Nothing may crash, hang or read out of bounds.
#include "Glossan2000.h"

#include "Cp1252.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  TGlossan2000 g(QStringLiteral("Dipolix"));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  g.LoadFromStream(buffer);
  if (g.Keys().size() != g.Values().size())
    __builtin_trap();

  // Look up every loaded key (and a few fixed ones), with arguments holding placeholders.
  const QString text = cp1252::decode(bytes);
  const QStringList args = {QStringLiteral("<%2%>"), text.left(16), QString()};
  for (qsizetype i = 0; i < g.Keys().size() && i < 64; ++i) {
    const QString found = g.Translate(g.Keys()[i], args);
    (void)found;
  }
  for (const char *key : {"Exit", "MMInfo", "$dlglanguage$", ""})
    (void)g.Translate(QString::fromLatin1(key), args);
  g.AutoCreateItlFile = true;
  (void)g.Translate(text.left(64), args);
  (void)g.Translate(text.left(64).toUpper(), {});
  g.AutoCreateItlFile = false; // no file is written from the fuzzer

  // The string routines on pieces of the input.
  const QString half = text.left(text.size() / 2), rest = text.mid(text.size() / 2);
  (void)glossan::NormalizeKey(text);
  (void)glossan::NormalizeValue(text, rest.left(8));
  (void)glossan::ReplaceAll(rest, half.left(3), half.left(5), true);
  (void)glossan::FindNth(half.left(2), rest, static_cast<qsizetype>(size % 7) - 2,
                         static_cast<qsizetype>(size % 5), size % 2 == 0);
  (void)glossan::ItlFileNameFor(text.left(32));
  return 0;
}
