// When each attendance table was last read over the whole school year, kept in the attendance cache
// itself (table ATTENDANCE_FULL_READ), so that it goes with the cache: a deleted cache means the
// next run is a first run, which reads the whole year anyway.
#pragma once

#include <QDate>
#include <QString>

#include "attendancerow.h"

namespace sqlite {
class Database;
}

// The last full read of one table as the cache holds it.
struct FullReadState {
  bool cacheExists = false;
  // A full read was started on request and has not finished (its merge was never committed).
  bool unfinished = false;
  // The day of the last finished full read; invalid when none is recorded.
  QDate readOn;
  // The first day it read: the school year start.
  QDate readFrom;
};

namespace fullreaddates {

// Reads the state from the cache file at databasePath, opened read-only; a missing file or table
// gives no full read. Never throws: an unreadable cache is reported as holding no full read.
FullReadState Read(const QString &databasePath, AttendanceTable table);
// Records a finished full read of table on readOn, from readFrom.
void Record(sqlite::Database &database, AttendanceTable table, const QDate &readOn, const QDate &readFrom);
// Records that a requested full read has started: until Record, the next run counts it as due.
void MarkUnfinished(sqlite::Database &database, AttendanceTable table);

}  // namespace fullreaddates
