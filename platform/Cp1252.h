#pragma once
// Windows-1252, the code page of every text this program keeps on disk or sends on the wire.
// Inside the program texts are QStrings; these are the only conversions between the two.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace cp1252 {

// The Unicode character of one code-page byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same number, so that every
// byte sequence survives a decode/encode round trip unchanged.
char16_t toUnicode(unsigned char byte) noexcept;

// The code-page byte of a character, or -1 when the code page cannot show it.
int fromUnicode(char16_t ch) noexcept;

QString decode(QByteArrayView bytes);

// Characters the code page cannot show become '?'.
QByteArray encode(QStringView text);

// True when every character of the text has a code-page byte.
bool canEncode(QStringView text) noexcept;

} // namespace cp1252
