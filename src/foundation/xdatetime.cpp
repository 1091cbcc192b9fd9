// XDateTime: the combined date and time patterns, OLE Automation dates, ISO reading and span arithmetic.
#include "xdatetime.h"

#include <cmath>

namespace {

// Day number of 30 December 1899, day 0 of OLE Automation dates.
constexpr int64_t kOleEpochDay = 109'571;

}  // namespace

XDateTime XDateTime::Now() {
  return FromQDateTime(QDateTime::currentDateTime());
}

XDateTime XDateTime::FromOle(double oleDate) {
  if (oleDate == 0.0 || !std::isfinite(oleDate)) return {};
  double whole = 0.0;
  const double fraction = std::fabs(std::modf(oleDate, &whole));
  // The fraction is the time of day even for dates before the epoch (-1.25 is 29 December 1899, 06:00).
  // It is rounded to the millisecond: a time stored as a binary fraction must not read back a
  // millisecond early.
  int64_t ms = std::llround(fraction * XTime::kMillisecondsPerDay);
  int64_t day = static_cast<int64_t>(whole) + kOleEpochDay;
  if (ms == XTime::kMillisecondsPerDay) {
    ms = 0;
    day += whole < 0 ? -1 : 1;
  }
  const bool dayInRange = day >= 0 && day <= INT32_MAX;
  return XDateTime(dayInRange ? XDate(static_cast<int32_t>(day)) : XDate(), XTime(static_cast<int32_t>(ms)));
}

double XDateTime::ToOle() const {
  if (IsEmpty()) return 0.0;
  const double days = static_cast<double>(date_.IsNull() ? 0 : date_.DayNumber()) - kOleEpochDay;
  const double fraction =
      time_.IsNull() ? 0.0 : static_cast<double>(time_.Milliseconds()) / XTime::kMillisecondsPerDay;
  return days < 0 ? days - fraction : days + fraction;
}

XDateTime XDateTime::FromQDateTime(const QDateTime &dateTime) {
  if (!dateTime.isValid()) return {};
  return XDateTime(XDate::FromQDate(dateTime.date()), XTime::FromQTime(dateTime.time()));
}

QDateTime XDateTime::ToQDateTime() const {
  if (date_.IsNull()) return {};
  return QDateTime(date_.ToQDate(), time_.IsNull() ? QTime(0, 0) : time_.ToQTime());
}

QString XDateTime::Format(const QString &pattern) const {
  if (date_.IsNull() || time_.IsNull()) return {};
  return time_.Format(date_.Format(pattern));
}

bool XDateTime::Parse(const QString &pattern, const QString &text) {
  const bool dateRead = date_.Parse(pattern, text);
  const bool timeRead = time_.Parse(pattern, text);
  return dateRead || timeRead;
}

bool XDateTime::ParseIso(const QString &text) {
  const bool dateRead = date_.Parse(QStringLiteral("YYYY-MM-DD"), text);
  const bool timeRead = time_.Parse(QStringLiteral("HH:NN:SS.LLL"), text.mid(11));
  return dateRead && timeRead;
}

void XDateTime::Add(const XDateSpan &span) {
  AddSpan(span, 1);
}

void XDateTime::Subtract(const XDateSpan &span) {
  AddSpan(span, -1);
}

void XDateTime::AddSpan(const XDateSpan &span, int sign) {
  const int64_t clock = static_cast<int64_t>(span.hours) * 3'600'000 +
                        static_cast<int64_t>(span.minutes) * 60'000 +
                        static_cast<int64_t>(span.seconds) * 1'000 + span.milliseconds;
  const int64_t start = time_.IsNull() ? 0 : time_.Milliseconds();
  const int64_t moved = start + sign * clock;
  const int64_t ms =
      ((moved % XTime::kMillisecondsPerDay) + XTime::kMillisecondsPerDay) % XTime::kMillisecondsPerDay;
  const int64_t carriedDays = (moved - ms) / XTime::kMillisecondsPerDay;
  time_ = XTime(static_cast<int32_t>(ms));
  date_.AddUnits(sign * static_cast<int64_t>(span.years), sign * static_cast<int64_t>(span.months),
                 sign * static_cast<int64_t>(span.days) + carriedDays);
}
