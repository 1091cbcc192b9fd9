// Windows-1252 conversion: Latin-1 plus the printable characters the code page puts at 0x80-0x9F.
#include "singlebytetext.h"

namespace {
// Unicode of the bytes 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr char16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ByteOf(QChar c) {
  const char16_t u = c.unicode();
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return char(u);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == u) return char(0x80 + i);
  }
  return '?';
}
}  // namespace

QByteArray ToSingleByte(const QString &text) {
  QByteArray bytes(text.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) bytes[i] = ByteOf(text.at(i));
  return bytes;
}

QString FromSingleByte(const QByteArray &bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = uchar(bytes.at(i));
    const char16_t mapped = (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : 0;
    text[i] = QChar(mapped != 0 ? mapped : char16_t(b));
  }
  return text;
}
