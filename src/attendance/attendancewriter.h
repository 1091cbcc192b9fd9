// The attendance steps of the export writer: open the cache, start a table (create, move the update
// date back by the overlap, blank), and fill it by reading the school's marks window by window.
// PDEWriter's StartAttTable and WriteAttendanceTable delegate here; the records come through an
// AttendanceSource that the writer implements over its current query.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include "attendancecache.h"
#include "attendanceheadermap.h"
#include "attendancewindows.h"

class BridgeTaskBase;

// The attendance query as the table writer needs it.
class AttendanceSource {
 public:
  virtual ~AttendanceSource() = default;
  // Limits the query to the window (FilterAttendance); an invalid start means no lower bound.
  virtual void SetDateFilter(const QDate &from, const QDate &to) = 0;
  // A window that will be read later: its query may start now. Nothing by default.
  virtual void RunAhead(const QDate &from, const QDate &to) {
    (void)from;
    (void)to;
  }
  virtual void Open() = 0;
  // The next record that passes the row filter: the values of the columns that have a value getter,
  // in the order of the headers given to WriteTable. False when there is none.
  virtual bool Next(QStringList &values) = 0;
  virtual void Close() = 0;
};

// How the writer shows and reads dates ("mm/dd/yyyy" by default).
struct AttendanceDateFormat {
  std::function<QString(const QDate &)> format;
  AttendanceDateParser parse;
  static AttendanceDateFormat Default();
};

class AttendanceWriter {
 public:
  explicit AttendanceWriter(BridgeTaskBase &task);

  AttendanceCache &Cache() { return cache_; }
  AttendanceHeaderSets &HeaderSets() { return headerSets_; }
  const AttendanceHeaderSets &HeaderSets() const { return headerSets_; }

  // SetAttendanceDatabase: logs "Folder does not exist..." and uses importFolder when folder is
  // missing; false when the database cannot be opened.
  bool SetDatabase(const QString &folder, const QString &importFolder);

  // StartAttTable steps 1 to 5 for tableName ("DAILY_ATT" or "PERIOD_ATT"): opens the cache in the
  // import folder, creates the table, takes recordUpdateDate (the record's UpdateDate) and, with
  // blankFlag, moves it back by the overlap and blanks the table from there. Returns the task's new
  // update date. Throws XException for an unknown table name or a cache that cannot be opened.
  QDate StartTable(const QString &tableName, bool blankFlag, bool extraDay, const QDate &recordUpdateDate,
                   const QString &overlap, const QString &importFolder, const AttendanceDateFormat &dates);

  // WriteAttendanceTable: reads the source window by window from updateDate to today within the
  // school year and merges every record into the table started last, in one transaction; a read
  // from no update date (the whole year) is recorded as the table's last full read. Returns
  // the last day read, to which the task moves its update date. On a failure the rows written so
  // far are kept, no row is blanked, and the exception is thrown on.
  QDate WriteTable(AttendanceSource &source, const QStringList &headers, const QDate &updateDate,
                   const QDate &yearStart, const QDate &yearEnd, bool lastWindowExtraDay, const QDate &today,
                   const AttendanceDateFormat &dates);

  const QString &TableName() const { return tableName_; }

 private:
  void recordFullRead(const QDate &today, const QDate &readFrom);
  void readWindow(AttendanceSource &source, const AttendanceWindow &window, const AttendanceHeaderMap &map,
                  const AttendanceDateFormat &dates);

  BridgeTaskBase &task_;
  AttendanceCache cache_;
  AttendanceHeaderSets headerSets_;
  QString tableName_;
  AttendanceTable table_ = AttendanceTable::Period;
  bool extraDay_ = false;
};
