// StartAttTable and WriteAttendanceTable: the attendance cache filled from the school's marks.
#include "attendancewriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "bridgetaskbase.h"
#include "fullreaddates.h"
#include "loglevels.h"
#include "sortedrows.h"
#include "xexception.h"

namespace {

const QString kSetDatabase = QStringLiteral("PDEWriter::SetAttendanceDatabase");
const QString kStartAttTable = QStringLiteral("PDEWriter::StartAttTable");
const QString kWriteAttendance = QStringLiteral("PDEWriter::WriteAttendanceTable");

// What to do about a cache that cannot be read: without the cache and the configuration record
// (which names the last day read), the next run starts over and sends all attendance again.
QString CacheRemedy(const QString &databasePath, const QString &importFolder) {
  const QString folder = QDir::cleanPath(QFileInfo(databasePath).absolutePath());
  const QString record =
      QDir::cleanPath(QDir(importFolder).absoluteFilePath(QStringLiteral("SchoolConfig.xml")));
  return QStringLiteral(". Remove the folder ") + QDir::toNativeSeparators(folder) +
         QStringLiteral(" and the file ") + QDir::toNativeSeparators(record) +
         QStringLiteral(": the next run then sends all attendance again.");
}

// A record's values held for sorting: each as its length in four bytes, then its UTF-8 bytes, so
// any text comes back as it went in.
void appendValue(SortedRows &record, const QString &value) {
  const QByteArray utf8 = value.toUtf8();
  const auto size = uint32_t(utf8.size());
  const char length[4] = {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
  record.Append(QByteArrayView(length, 4));
  record.Append(utf8);
}

void readValues(QByteArrayView record, QStringList &values) {
  values.clear();
  for (qsizetype at = 0; at + 4 <= record.size();) {
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size = (size << 8) | uint8_t(record[at + i]);
    values << QString::fromUtf8(record.sliced(at + 4, qsizetype(size)));
    at += 4 + qsizetype(size);
  }
}

}  // namespace

AttendanceDateFormat AttendanceDateFormat::Default() {
  AttendanceDateFormat format;
  format.format = [](const QDate &date) { return date.toString(QStringLiteral("MM/dd/yyyy")); };
  format.parse = [](const QString &text) {
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, QStringLiteral("MM/dd/yyyy"));
    if (!date.isValid()) date = QDate::fromString(trimmed, QStringLiteral("M/d/yyyy"));
    return date;
  };
  return format;
}

AttendanceWriter::AttendanceWriter(BridgeTaskBase &task) : task_(task), cache_(task) {}

bool AttendanceWriter::SetDatabase(const QString &folder, const QString &importFolder) {
  return cache_.Open(folder, importFolder);
}

QDate AttendanceWriter::StartTable(const QString &tableName, bool blankFlag, bool extraDay,
                                   const QDate &recordUpdateDate, const QString &overlap,
                                   const QString &importFolder, const AttendanceDateFormat &dates) {
  const std::optional<AttendanceTable> table = AttendanceTableFromName(tableName);
  if (!table) task_.LogAndThrow(kError, "Attendance: Unknown attendance table: " + tableName, kStartAttTable);
  tableName_ = tableName;
  table_ = *table;
  extraDay_ = extraDay;
  task_.Log(kInformational,
            "Start Attendance Table at: " + QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss")),
            kStartAttTable);
  if (!SetDatabase(importFolder, importFolder)) {
    task_.LogAndThrow(kError,
                      "Attendance: The attendance cache cannot be opened: " + cache_.DatabasePath() +
                          CacheRemedy(cache_.DatabasePath(), importFolder),
                      kSetDatabase);
  }
  cache_.CreateTable(table_);
  QDate updateDate = recordUpdateDate;
  task_.Log(kDebug, "StartAttTable: After: Update Date is: " + dates.format(updateDate), kStartAttTable);
  if (blankFlag) {
    updateDate = AttendanceReadFrom(updateDate, overlap);
    cache_.BlankNewCode(table_, updateDate);
  }
  task_.Log(kDebug, "StartAttTable: Before StartTable: Update Date is: " + dates.format(updateDate),
            kStartAttTable);
  return updateDate;
}

QDate AttendanceWriter::WriteTable(AttendanceSource &source, const QStringList &headers,
                                   const QDate &updateDate, const QDate &yearStart, const QDate &yearEnd,
                                   bool lastWindowExtraDay, const QDate &today,
                                   const AttendanceDateFormat &dates) {
  if (tableName_.isEmpty()) {
    task_.LogAndThrow(kError, QStringLiteral("Attendance: No attendance table was started."),
                      kWriteAttendance);
  }
  const AttendanceHeaderMap map(headers, headerSets_, task_, kWriteAttendance);
  const AttendanceWalk walk =
      WalkAttendanceWindows(updateDate, today, yearStart, yearEnd, lastWindowExtraDay, extraDay_);
  cache_.BeginMerge(table_);
  try {
    task_.Log(kDebug, "Write Attendance Table: Update Date: " + dates.format(updateDate), kWriteAttendance);
    task_.Log(
        kDebug,
        "Write Attendance Table: School Year: " + dates.format(yearStart) + " to " + dates.format(yearEnd),
        kWriteAttendance);
    // Every window's query is announced first, so the database reads the next windows while one is
    // merged.
    for (const AttendanceWindow &window : walk.windows) source.RunAhead(window.start, window.queryEnd);
    for (const AttendanceWindow &window : walk.windows) readWindow(source, window, map, dates);
    cache_.FinishMerge();
    source.Close();
  } catch (...) {
    task_.Log(kInformational, QStringLiteral("Write Attendance Table: Failed with Error.  Cleaning up."),
              kWriteAttendance);
    try {
      cache_.InterruptMerge();
    } catch (const XException &e) {
      task_.Log(kError, "Write Attendance Table: " + e.Text(), kWriteAttendance);
    }
    source.Close();
    throw;
  }
  // A read from no update date covered the whole year: a first run or a reconcile.
  if (!updateDate.isValid()) recordFullRead(today, walk.windows.first().start);
  return walk.lastDayRead;
}

void AttendanceWriter::readWindow(AttendanceSource &source, const AttendanceWindow &window,
                                  const AttendanceHeaderMap &map, const AttendanceDateFormat &dates) {
  task_.PutJobText("Reading " + tableName_ + " (" + dates.format(window.start) + " to " +
                   dates.format(window.end) + ")" + "...");
  source.SetDateFilter(window.start, window.queryEnd);
  task_.Log(kDebug, QStringLiteral("Write Attendance Table: Done Filtering Attendance"), kWriteAttendance);
  source.Open();
  task_.Log(kDebug, QStringLiteral("Write Attendance Table: Table Opened"), kWriteAttendance);
  // Marks that share a key are merged in the order they come, the last one kept. The database's
  // order is its own, so the window's records are merged in the order of their values: every
  // database then leaves the same cache.
  SortedRows records;
  QStringList values;
  while (source.Next(values)) {
    for (const QString &value : values) appendValue(records, value);
    records.EndRow();
  }
  source.Close();
  records.ForEach([&](QByteArrayView record) {
    readValues(record, values);
    for (const AttendanceCacheRow &row : map.Rows(values, dates.parse)) cache_.MergeRow(row);
  });
}

void AttendanceWriter::recordFullRead(const QDate &today, const QDate &readFrom) {
  try {
    fullreaddates::Record(cache_.Database(), table_, today, readFrom);
  } catch (const XException &e) {
    // The merge is kept; without the date the next run reads the whole year again.
    task_.Log(kWarning, "Attendance: The full read could not be recorded: " + e.Text(), kWriteAttendance);
  }
}
