// Windows-1252 repertoire and encoding.
#include "codepage.h"

#include <array>

namespace {

// The characters of bytes 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a character, or '?' when the code page lacks it.
char byteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == c) return char(0x80 + i);
  return '?';
}

char16_t characterOf(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char16_t c = kHighControls[byte - 0x80];
  return c == 0 ? u'?' : c;
}

template <typename Sink>
void forEachByte(QStringView text, Sink sink) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.unicode() < 0x80) {
      sink(char(c.unicode()));
      continue;
    }
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;  // a character beyond the basic plane is one "?"
      sink('?');
      continue;
    }
    sink(byteOf(c.unicode()));
  }
}

// Most text is ASCII or Latin-1 letters, which the code page holds unchanged.
bool holdsOnlyLatin1Letters(QStringView text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0x80 && (u < 0xA0 || u > 0xFF)) return false;
  }
  return true;
}

}  // namespace

QString ToSingleByteText(QString &&text) {
  if (holdsOnlyLatin1Letters(text)) return std::move(text);
  return ToSingleByteText(QStringView(text));
}

QString ToSingleByteText(QStringView text) {
  if (holdsOnlyLatin1Letters(text)) return text.toString();
  QString result;
  result.reserve(text.size());
  forEachByte(text, [&result](char b) { result.append(QChar(characterOf(static_cast<unsigned char>(b)))); });
  return result;
}

QByteArray ToWindows1252(QStringView text) {
  QByteArray result;
  result.reserve(text.size());
  forEachByte(text, [&result](char b) { result.append(b); });
  return result;
}
