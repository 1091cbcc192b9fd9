// Helpers the date and time pattern code share: runs of one letter (either case) and digit tests.
#pragma once

#include <QString>

namespace xpattern {

// Length of the run of the character at `from`, letters compared without regard to case ("Mm" is one run).
inline qsizetype RunLength(const QString &text, qsizetype from) {
  const QChar first = text.at(from).toUpper();
  qsizetype end = from + 1;
  while (end < text.size() && text.at(end).toUpper() == first) ++end;
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

// A number padded with zeros to `width` digits.
inline QString Padded(long long value, int width) {
  return QStringLiteral("%1").arg(value, width, 10, QChar(u'0'));
}

}  // namespace xpattern
