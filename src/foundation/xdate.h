// A calendar date held as a day number counted from 1 January 1600 (day 0, a Saturday), -1 for no
// date, with the foundation's letter-pattern formatting ("YYYY-MM-DD", "dd-mmm-yyyy", "WWW") and parsing.
#pragma once

#include <QDate>
#include <QString>
#include <compare>
#include <cstdint>

class XDate {
 public:
  static constexpr int32_t kNone = -1;

  // No date.
  XDate() = default;
  // A day number (negative means no date).
  explicit XDate(int32_t dayNumber) : day_(dayNumber < 0 ? kNone : dayNumber) {}
  // The date of a year, month and day, as SetYmd.
  XDate(int year, int month, int day) { SetYmd(year, month, day); }

  // Today's local date.
  static XDate Today();
  // The date of a QDate; no date for an invalid QDate or one before 1600.
  static XDate FromQDate(const QDate &date);
  // The QDate of this date; an invalid QDate for no date.
  QDate ToQDate() const;

  // The day number, -1 for no date.
  int32_t DayNumber() const { return day_; }
  // True when there is no date.
  bool IsNull() const { return day_ == kNone; }
  // True when there is a date.
  bool IsValid() const { return day_ != kNone; }
  // Clears to no date.
  void Clear() { day_ = kNone; }

  // Sets the date; a year below 1600, a month outside 1..12 or a day below 1 gives no date. A day past
  // the month's end runs on into the next month (31 February is 2 or 3 March). True when set.
  bool SetYmd(int year, int month, int day);
  // Year, month and day of the date (all 0 for no date).
  void GetYmd(int &year, int &month, int &day) const;
  int Year() const;
  int Month() const;
  int Day() const;
  // Weekday: 0 Monday ... 6 Sunday; -1 for no date.
  int DayOfWeek() const;

  // The date through a letter pattern (Y, M, D and W runs); the empty string for no date.
  QString Format(const QString &pattern) const;
  // Reads the date from text through a pattern (YYYY or YY, MMM or MM, DD); false and no date when
  // a field is missing or the date cannot be set.
  bool Parse(const QString &pattern, const QString &text);

  // Adds years, months and days; no date counts as day 0. Days past a month's end carry on into
  // the next month (31 January + 1 month = 3 March, 2 March in a leap year). A result before 1600
  // is no date.
  void Add(int years, int months, int days);
  // Subtracts years, months and days, borrowing from the year and the previous months.
  void Subtract(int years, int months, int days);

  // No date compares equal only to no date and below every date.
  friend auto operator<=>(const XDate &, const XDate &) = default;

 private:
  friend class XDateTime;
  void AddUnits(int64_t years, int64_t months, int64_t days);

  int32_t day_ = kNone;
};
