// The window walk of the attendance table writer and the overlap arithmetic.
#include "attendancewindows.h"

namespace {

constexpr int kWindowDays = 6;
constexpr int kDefaultOverlapDays = 14;

// A date that says "not set": none, or day 0 of the calendar the school data counts from.
bool isUnset(const QDate &date) {
  return !date.isValid() || date == QDate(1600, 1, 1);
}

QDate limitFor(const QDate &today, const QDate &yearStart, const QDate &yearEnd) {
  QDate limit = today;
  if (!isUnset(yearEnd) && limit > yearEnd) limit = yearEnd;
  if (!isUnset(yearStart) && limit < yearStart) limit = yearStart;
  return limit;
}

}  // namespace

AttendanceWalk WalkAttendanceWindows(const QDate &cursorIn, const QDate &today, const QDate &yearStart,
                                     const QDate &yearEnd, bool lastWindowExtraDay, bool tableExtraDay) {
  AttendanceWalk walk;
  QDate cursor = cursorIn;
  const QDate limit = limitFor(today, yearStart, yearEnd);
  for (;;) {
    AttendanceWindow window;
    if (isUnset(cursor) || (!isUnset(yearStart) && cursor < yearStart)) cursor = yearStart;
    if (isUnset(yearStart) && isUnset(cursor)) {
      cursor = limit;
      window.start = QDate();
    } else {
      window.start = cursor > limit ? limit : cursor;
    }
    if (limit > cursor.addDays(kWindowDays)) {
      window.end = cursor.addDays(kWindowDays);
      window.last = false;
    } else {
      window.end = lastWindowExtraDay ? limit.addDays(1) : limit;
      window.last = true;
    }
    cursor = window.end;
    window.queryEnd = tableExtraDay ? window.end.addDays(1) : window.end;
    walk.windows.append(window);
    if (window.last) break;
  }
  walk.lastDayRead = limit;
  return walk;
}

int AttendanceOverlapDays(const QString &overlap) {
  bool ok = false;
  const int days = overlap.trimmed().toInt(&ok);
  return ok && days >= 0 ? days : kDefaultOverlapDays;
}

QDate AttendanceReadFrom(const QDate &updateDate, const QString &overlap) {
  if (isUnset(updateDate)) return QDate();
  return updateDate.addDays(-AttendanceOverlapDays(overlap));
}
