// XTime: times of day, the time letter patterns (format and parse) and elapsed-time differences.
#include "xtime.h"

#include "xpatternrun.h"

using xpattern::AppendPadded;
using xpattern::RunLength;

namespace {

constexpr int32_t kMsPerHour = 3'600'000;
constexpr int32_t kMsPerMinute = 60'000;
constexpr int32_t kMsPerSecond = 1'000;

bool IsAmPmChar(QChar c) {
  const QChar upper = c.toUpper();
  return upper == u'A' || upper == u'M' || upper == u'P';
}

// The hour run: on the 12-hour clock when the pattern holds upper-case "AA"; a one-digit hour gets a
// leading zero only at the end of the pattern or directly before a letter.
void AppendHour(QString &out, int hour24, bool twelveHour, const QString &pattern, qsizetype runEnd) {
  const int hour = twelveHour ? (hour24 % 12 == 0 ? 12 : hour24 % 12) : hour24;
  const bool padded = runEnd == pattern.size() || pattern.at(runEnd).isLetter();
  AppendPadded(out, hour, padded ? 2 : 1);
}

}  // namespace

XTime XTime::FromQTime(const QTime &time) {
  if (!time.isValid()) return {};
  return XTime(time.msecsSinceStartOfDay());
}

QTime XTime::ToQTime() const {
  return IsNull() ? QTime() : QTime::fromMSecsSinceStartOfDay(ms_);
}

bool XTime::SetHms(int hour, int minute, int second, int millisecond) {
  const bool inRange = hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
                       millisecond >= 0 && millisecond < 1000;
  ms_ = inRange ? hour * kMsPerHour + minute * kMsPerMinute + second * kMsPerSecond + millisecond : kNone;
  return inRange;
}

int XTime::Hour() const {
  return IsNull() ? 0 : ms_ / kMsPerHour;
}
int XTime::Minute() const {
  return IsNull() ? 0 : ms_ / kMsPerMinute % 60;
}
int XTime::Second() const {
  return IsNull() ? 0 : ms_ / kMsPerSecond % 60;
}
int XTime::Millisecond() const {
  return IsNull() ? 0 : ms_ % kMsPerSecond;
}

QString XTime::Format(const QString &pattern) const {
  if (IsNull()) return {};
  const bool twelveHour = pattern.contains(u"AA", Qt::CaseSensitive);
  QString out;
  out.reserve(pattern.size() + 8);
  for (qsizetype i = 0; i < pattern.size();) {
    const qsizetype run = RunLength(pattern, i);
    const QChar letter = xpattern::UpperAscii(pattern.at(i));
    if (letter == u'H' && run == 2) {
      AppendHour(out, Hour(), twelveHour, pattern, i + run);
    } else if (letter == u'N' && run == 2) {
      AppendPadded(out, Minute(), 2);
    } else if (letter == u'S' && run == 2) {
      AppendPadded(out, Second(), 2);
    } else if (letter == u'L' && run == 3) {
      AppendPadded(out, Millisecond(), 3);
    } else if (letter == u'A' && run == 2) {
      out += Hour() > 11 ? u"PM" : u"AM";
    } else {
      out += QStringView(pattern).mid(i, run);
    }
    i += run;
  }
  return out;
}

bool XTime::Parse(const QString &pattern, const QString &text) {
  Clear();
  if (text.isEmpty()) return false;
  const bool wantsMark = pattern.contains(u'A', Qt::CaseInsensitive);
  bool markSeen = false, pm = false, hourFound = false;
  int64_t hour = 0, minute = 0, second = 0, millisecond = 0;
  qsizetype p = 0, t = 0;
  while (p < pattern.size() && t < text.size()) {
    const QChar letter = xpattern::UpperAscii(pattern.at(p));
    const qsizetype run = RunLength(pattern, p);
    if (letter == u'A') {
      QString taken;
      for (qsizetype i = 0; i < run && t < text.size(); ++i)
        if (IsAmPmChar(text.at(t))) taken += text.at(t++);
      if (taken.size() == 2) markSeen = true, pm = taken.at(0).toUpper() == u'P';
      p += run;
      continue;
    }
    if (letter == u'H' || letter == u'N' || letter == u'S' || letter == u'L') {
      int64_t value = 0;
      int digits = 0;
      for (qsizetype i = 0; i < run && t < text.size() && xpattern::IsDigit(text.at(t)); ++i, ++digits)
        value = value * 10 + (text.at(t++).unicode() - u'0');
      if (letter == u'H') hour = value, hourFound = hourFound || digits > 0;
      if (letter == u'N') minute = value;
      if (letter == u'S') second = value;
      if (letter == u'L') millisecond = value;
      p += run;
      continue;
    }
    ++p, ++t;  // any other pattern character stands for one text character
  }
  if (wantsMark && markSeen) {
    if (pm && hour < 12) hour += 12;
    if (!pm && hour == 12) hour = 0;
  }
  if (!hourFound || (wantsMark && !markSeen)) return false;
  if (hour > 23 || minute > 59 || second > 59 || millisecond > 999) return false;
  return SetHms(static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second),
                static_cast<int>(millisecond));
}

int32_t XTime::Difference(const XTime &later, const XTime &earlier) {
  const int64_t diff = static_cast<int64_t>(later.Milliseconds()) - earlier.Milliseconds();
  return static_cast<int32_t>(((diff % kMillisecondsPerDay) + kMillisecondsPerDay) % kMillisecondsPerDay);
}
