#pragma once
// Letter case is folded for ASCII letters only, everywhere in the program: keys, file
// extensions, language names. Other letters compare as they are.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

inline QString asciiLower(QStringView text) {
  QString out = text.toString();
  for (QChar &c : out)
    if (c.unicode() >= u'A' && c.unicode() <= u'Z')
      c = QChar(static_cast<char16_t>(c.unicode() + (u'a' - u'A')));
  return out;
}

// One character as a char to match against ASCII letters or switch on: its lower case for
// A..Z, itself for the rest of ASCII, '\0' for anything outside ASCII.
inline char asciiLower(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'A' && u <= u'Z')
    return static_cast<char>(u - u'A' + 'a');
  return u < 128 ? static_cast<char>(u) : '\0';
}

inline QByteArray asciiLower(QByteArrayView bytes) {
  QByteArray out = bytes.toByteArray();
  for (char &c : out)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + ('a' - 'A'));
  return out;
}
