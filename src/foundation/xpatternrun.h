// Helpers the date and time pattern code share: runs of one letter (either case) and digit tests.
#pragma once

#include <QString>

namespace xpattern {

// The upper-case form of an ASCII letter; any other character unchanged (the pattern letters are ASCII).
inline QChar UpperAscii(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'a' && u <= u'z') ? QChar(static_cast<char16_t>(u - (u'a' - u'A'))) : c;
}

// Length of the run of the character at `from`, letters compared without regard to case ("Mm" is one run).
inline qsizetype RunLength(const QString &text, qsizetype from) {
  const QChar first = UpperAscii(text.at(from));
  qsizetype end = from + 1;
  while (end < text.size() && UpperAscii(text.at(end)) == first) ++end;
  return end - from;
}

// True for the ASCII digits 0 to 9 only.
inline bool IsDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

// True for a non-empty text of ASCII digits.
inline bool IsAllDigits(QStringView text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!IsDigit(c)) return false;
  return true;
}

// Appends a non-negative number padded with zeros to at least `width` digits.
inline void AppendPadded(QString &out, long long value, int width) {
  char16_t digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value > 0 && count < 24);
  for (int i = count; i < width; ++i) out += u'0';
  while (count > 0) out += QChar(digits[--count]);
}

}  // namespace xpattern
