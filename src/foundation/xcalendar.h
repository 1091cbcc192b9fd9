// Calendar arithmetic shared by the date classes: day numbers counted from 1 January 1600,
// month lengths, the English month and weekday names and the two-digit-year window.
#pragma once

#include <QString>
#include <cstdint>

namespace xcalendar {

// The day number used for "no date".
inline constexpr int32_t kNoDay = -1;

// True for a Gregorian leap year.
bool IsLeapYear(int year);
// Days in a month (1..12) of a year.
int DaysInMonth(int year, int month);
// Day number of a year, month (1..12) and day; the day may run past the month (or below 1) and
// carries on linearly. The result may be negative or too large for a date; the caller checks.
int64_t DayNumberUnchecked(int64_t year, int month, int64_t day);
// Day number of a year, month and day, or kNoDay for a year below 1600, a month outside 1..12, a day
// below 1 or a result beyond the 32-bit range.
int32_t DayNumber(int year, int month, int day);
// Year, month and day of a day number >= 0.
void YearMonthDay(int32_t dayNumber, int &year, int &month, int &day);
// Weekday of a day number: 0 Monday ... 6 Sunday (day 0 is a Saturday).
int Weekday(int32_t dayNumber);

// Full month name, month 1..12 (January first).
const QString &MonthName(int month);
// Full weekday name, 0 Monday ... 6 Sunday.
const QString &WeekdayName(int weekday);

// Two-digit year v (0..99) expanded through the window of 100 years that begins 80 years before
// the current year: for 2026 the years 1947 to 2046.
int ExpandTwoDigitYear(int twoDigitYear, int currentYear);
// The same with the local year at the time the window was first used.
int ExpandTwoDigitYear(int twoDigitYear);

}  // namespace xcalendar
