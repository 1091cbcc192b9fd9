// Calendar arithmetic for the foundation's date classes (proleptic Gregorian calendar).
#include "xcalendar.h"

#include <QDate>
#include <array>
#include <limits>

namespace xcalendar {

namespace {

// Integer division rounding toward minus infinity, so day and month carries work backwards too.
int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

constexpr int64_t kDaysPer400Years = 146097;
constexpr int64_t kDaysPer4Years = 1461;
constexpr int32_t kLastJanuary1600 = 30;
constexpr int32_t kLastFebruary1600 = 59;

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  switch (month) {
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

int64_t DayNumberUnchecked(int64_t year, int month, int64_t day) {
  if (year == 1600 && month == 1) return day - 1;
  if (year == 1600 && month == 2) return day + 30;
  // Years are counted from March so that the leap day ends the counting year.
  const int64_t a = year - 1600 - (month < 3 ? 1 : 0);
  const int64_t monthDays = FloorDiv((month < 3 ? 1836 : 0) + 153 * month - 457, 5);
  const int64_t centuries = FloorDiv(a, 100);
  const int64_t yearInCentury = a - centuries * 100;
  return day + FloorDiv(centuries * kDaysPer400Years, 4) + monthDays +
         FloorDiv(yearInCentury * kDaysPer4Years, 4) + 59;
}

int32_t DayNumber(int year, int month, int day) {
  if (year < 1600 || month < 1 || month > 12 || day < 1) return kNoDay;
  const int64_t n = DayNumberUnchecked(year, month, day);
  if (n > std::numeric_limits<int32_t>::max()) return kNoDay;
  return static_cast<int32_t>(n);
}

void YearMonthDay(int32_t dayNumber, int &year, int &month, int &day) {
  if (dayNumber <= kLastJanuary1600) {
    year = 1600, month = 1, day = dayNumber + 1;
    return;
  }
  if (dayNumber <= kLastFebruary1600) {
    year = 1600, month = 2, day = dayNumber - 30;
    return;
  }
  // Inverse of DayNumberUnchecked: days since 1 March 1600 split into 400-year cycles, years of the
  // cycle and months counted from March in groups of five (153 days).
  const int64_t n = static_cast<int64_t>(dayNumber) - 60;
  const int64_t cycle = n / kDaysPer400Years;
  const int64_t dayOfCycle = n - cycle * kDaysPer400Years;
  const int64_t yearOfCycle = (dayOfCycle - dayOfCycle / (kDaysPer4Years - 1) + dayOfCycle / 36524 -
                               dayOfCycle / (kDaysPer400Years - 1)) /
                              365;
  const int64_t dayOfYear = dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
  const int64_t marchMonth = (5 * dayOfYear + 2) / 153;  // 0 March ... 11 February
  day = static_cast<int>(dayOfYear - (153 * marchMonth + 2) / 5 + 1);
  month = static_cast<int>(marchMonth < 10 ? marchMonth + 3 : marchMonth - 9);
  year = static_cast<int>(1600 + cycle * 400 + yearOfCycle + (month < 3 ? 1 : 0));
}

int Weekday(int32_t dayNumber) {
  return static_cast<int>((static_cast<int64_t>(dayNumber) + 5) % 7);
}

const QString &MonthName(int month) {
  static const std::array<QString, 12> names = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  return names.at(static_cast<size_t>(month - 1));
}

const QString &WeekdayName(int weekday) {
  static const std::array<QString, 7> names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                               "Friday", "Saturday", "Sunday"};
  return names.at(static_cast<size_t>(weekday));
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear) {
  const int windowStart = currentYear - 80;
  const int pivot = windowStart % 100;
  const int century = windowStart - pivot;
  return twoDigitYear > pivot ? century + twoDigitYear : century + 100 + twoDigitYear;
}

int ExpandTwoDigitYear(int twoDigitYear) {
  static const int currentYear = QDate::currentDate().year();
  return ExpandTwoDigitYear(twoDigitYear, currentYear);
}

}  // namespace xcalendar
