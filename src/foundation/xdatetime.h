// A date followed by a time of day; empty when both are missing. Formats through the date pattern
// pass and then the time pass, reads OLE Automation dates and the cache's "YYYY-MM-DD HH:NN:SS.LLL".
#pragma once

#include <QDateTime>
#include <QString>
#include <compare>

#include "xdate.h"
#include "xdatespan.h"
#include "xtime.h"

class XDateTime {
 public:
  // Empty: no date and no time.
  XDateTime() = default;
  XDateTime(const XDate &date, const XTime &time) : date_(date), time_(time) {}

  // The local date and time now, milliseconds included.
  static XDateTime Now();
  // From an OLE Automation date (days since 30 December 1899, the fraction the time of day);
  // exactly 0.0 gives an empty value.
  static XDateTime FromOle(double oleDate);
  // The OLE Automation date of this value (0.0 when empty; a missing time counts as midnight).
  double ToOle() const;
  // From a QDateTime (its date and time as they stand); empty for an invalid one.
  static XDateTime FromQDateTime(const QDateTime &dateTime);
  // The QDateTime of this value in local time; invalid without a date (a missing time is midnight).
  QDateTime ToQDateTime() const;

  const XDate &Date() const { return date_; }
  const XTime &Time() const { return time_; }
  XDate &Date() { return date_; }
  XTime &Time() { return time_; }
  void SetDate(const XDate &date) { date_ = date; }
  void SetTime(const XTime &time) { time_ = time; }
  // True when both the date and the time are missing.
  bool IsEmpty() const { return date_.IsNull() && time_.IsNull(); }
  // Clears both parts.
  void Clear() { date_.Clear(), time_.Clear(); }

  // The date pass over the pattern, then the time pass over its output; empty when either part is missing.
  QString Format(const QString &pattern) const;
  // Runs the date parse and the time parse over the whole pattern and text; true when either succeeded.
  bool Parse(const QString &pattern, const QString &text);
  // Reads "YYYY-MM-DD HH:NN:SS.LLL" (the time from character 11); true when both parts were read.
  bool ParseIso(const QString &text);

  // Adds a span: the clock units move the time and carry whole days into the date.
  void Add(const XDateSpan &span);
  // Subtracts a span, borrowing days from the date.
  void Subtract(const XDateSpan &span);

  // Ordered by date, then time.
  friend auto operator<=>(const XDateTime &, const XDateTime &) = default;

 private:
  void AddSpan(const XDateSpan &span, int sign);

  XDate date_;
  XTime time_;
};
