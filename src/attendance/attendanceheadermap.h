// Turns the export columns of the attendance query into cache rows: which header name feeds which
// cache column, period and time-slot ranges, the header sets the cached export reads, and the rule
// that only the first header warning of a run is logged.
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <set>

#include "attendancerow.h"

class BridgeTaskBase;

// Per run: the header names under which rows were stored, and whether a header warning was logged.
struct AttendanceHeaderSets {
  std::set<QString> periodHeaders;                        // ATTPERREF, ATTSECREF, ATTTIMESLOT, AttPerRef
  std::set<QString> timeFrameHeaders{"AttTimeFrameRef"};  // ATTTIMEFRAMEREF, AttTimeSlot
  bool headerWarningLogged = false;
};

// Reads an attendance date in the writer's date pattern; an invalid QDate when it does not parse.
using AttendanceDateParser = std::function<QDate(const QString &)>;

class AttendanceHeaderMap {
 public:
  // headers: the names of the columns that have a value getter, in column order. Unknown and
  // untested headers are warned about (Warning level, once per run through sets) with method.
  AttendanceHeaderMap(const QStringList &headers, AttendanceHeaderSets &sets, BridgeTaskBase &task,
                      const QString &method);

  // The cache rows for one record's values (aligned with the headers): one row, or one row per
  // number of a period range. A range whose ends are not whole numbers logs the Error line and
  // throws "SQLite Attendance: Unsupported header: <header>, cannot continue.". A range of more than
  // 100 periods gives no rows and a Warning line naming the row.
  QList<AttendanceCacheRow> Rows(const QStringList &values, const AttendanceDateParser &parseDate) const;

  bool HasRange() const { return rangeStart_ >= 0; }

 private:
  enum class Target {
    Ignored,
    StdKey,
    Date,
    Period,
    RangeStart,
    RangeEnd,
    Code,
    Reason,
    Excused,
    Absent,
    Tardy,
    Truant,
    Discipline,
    ExcAbs,
    UnexcAbs,
    ExcTardy,
    UnexcTardy
  };
  void warnOnce(const QString &text);

  QList<Target> targets_;
  QStringList headers_;
  QString periodHeader_;  // the header stored with a single period value
  QString rangeHeader_;   // "AttPerRef" or "AttTimeSlot" for a range
  int rangeStart_ = -1;
  int rangeEnd_ = -1;
  AttendanceHeaderSets &sets_;
  BridgeTaskBase &task_;
  QString method_;
};
