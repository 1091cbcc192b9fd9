// The walk over the school year in windows of at most seven days that the attendance table writer
// reads, and the date from which a run re-reads. Pure functions of their dates, so every case can be
// tested without a database.
#pragma once

#include <QDate>
#include <QList>
#include <QString>

struct AttendanceWindow {
  QDate start;     // invalid: no lower bound
  QDate end;       // the window's last day as the job text shows it
  QDate queryEnd;  // end, one day later when the table's extra-day flag is set
  bool last = false;
};

struct AttendanceWalk {
  QList<AttendanceWindow> windows;
  // The last calendar day read (the limit of the last window); the task's update date moves here.
  QDate lastDayRead;
};

// The windows from cursor (the task's update date; invalid when none) up to today, kept within the
// school year. lastWindowExtraDay adds one day to the last window's end, tableExtraDay one day to
// every window's query end. An unset (invalid) school year bound does not limit the walk.
AttendanceWalk WalkAttendanceWindows(const QDate &cursor, const QDate &today, const QDate &yearStart,
                                     const QDate &yearEnd, bool lastWindowExtraDay, bool tableExtraDay);

// The overlap in days from its text: a whole number of zero or more, "14" when empty or unusable.
int AttendanceOverlapDays(const QString &overlap);

// The date a run re-reads and blanks from: the update date moved back by the overlap; invalid (read
// the whole year, blank every row) when there is no update date.
QDate AttendanceReadFrom(const QDate &updateDate, const QString &overlap);
