// A time of day held as milliseconds since midnight (0 to 86,399,999), -1 for no time, with the
// foundation's letter-pattern formatting and parsing ("HH:NN:SS", "HH:NN AA", "HH:NN:SS.LLL").
#pragma once

#include <QString>
#include <QTime>
#include <compare>
#include <cstdint>

class XTime {
 public:
  static constexpr int32_t kNone = -1;
  static constexpr int32_t kMillisecondsPerDay = 86'400'000;

  // No time.
  XTime() = default;
  // Milliseconds since midnight; a value outside 0..86,399,999 means no time.
  explicit XTime(int32_t milliseconds) : ms_(IsInRange(milliseconds) ? milliseconds : kNone) {}
  // The time of an hour, minute, second and millisecond, as SetHms.
  XTime(int hour, int minute, int second, int millisecond = 0) { SetHms(hour, minute, second, millisecond); }

  // The time of a QTime; no time for an invalid QTime.
  static XTime FromQTime(const QTime &time);
  // The QTime of this time; an invalid QTime for no time.
  QTime ToQTime() const;

  // Milliseconds since midnight, -1 for no time.
  int32_t Milliseconds() const { return ms_; }
  // True when there is no time.
  bool IsNull() const { return ms_ == kNone; }
  // True when there is a time.
  bool IsValid() const { return ms_ != kNone; }
  // Clears to no time.
  void Clear() { ms_ = kNone; }

  // Sets the time; any part out of range (hour 0..23, minute and second 0..59, millisecond 0..999)
  // gives no time. True when set.
  bool SetHms(int hour, int minute, int second, int millisecond = 0);
  int Hour() const;
  int Minute() const;
  int Second() const;
  int Millisecond() const;

  // The time through a letter pattern (HH, NN, SS, LLL, AA runs); the empty string for no time.
  QString Format(const QString &pattern) const;
  // Reads the time from text through a pattern; false and no time when no hour was read, the
  // pattern asks for AM/PM and none was read, or a part is out of range.
  bool Parse(const QString &pattern, const QString &text);

  // (later - earlier) modulo one day, always 0..86,399,999: the elapsed time of a run shorter than a day.
  static int32_t Difference(const XTime &later, const XTime &earlier);

  // No time compares equal only to no time and below every time.
  friend auto operator<=>(const XTime &, const XTime &) = default;

  static bool IsInRange(int64_t milliseconds) {
    return milliseconds >= 0 && milliseconds < kMillisecondsPerDay;
  }

 private:
  int32_t ms_ = kNone;
};
