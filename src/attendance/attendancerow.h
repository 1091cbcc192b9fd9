// The values of one attendance cache row and the two cache tables, shared by the cache, the header
// mapping and the writer.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <string_view>

enum class AttendanceTable { Daily, Period };

// "DAILY_ATT" or "PERIOD_ATT".
QString AttendanceTableName(AttendanceTable table);
// The period column: "timeframe" for DAILY_ATT, "perkey" for PERIOD_ATT.
QString AttendancePeriodColumn(AttendanceTable table);
// The table for a name as the task chain passes it ("DAILY_ATT" or "PERIOD_ATT"); none otherwise.
std::optional<AttendanceTable> AttendanceTableFromName(const QString &name);
// The rows the change query selects: a code that was never sent or differs from the one sent.
extern const char *const kUnsentCondition;
// Creates, unless it exists, the table's index of unsent rows: it holds only them, so sending costs
// what changed.
QString UnsentIndexSql(AttendanceTable table);

// One mark as it is merged into the cache. An invalid date is stored as an empty text.
struct AttendanceCacheRow {
  QString stdkey;
  QDate attdate;
  QString period;
  QString header;
  QString code;
  QString reason;
  QString excused;
  QString absent;
  QString tardy;
  QString truant;
  QString discipline;
};

// One row whose code changed since it was last sent, as stored (UTF-8): valid only while the
// callback that is handed it runs.
struct AttendanceChangeBytes {
  std::string_view stdkey;
  std::string_view attdate;  // "yyyy-mm-dd" or empty
  std::string_view period;
  std::string_view code;
  std::string_view reason;
  std::string_view excused;
  std::string_view absent;
  std::string_view tardy;
  std::string_view truant;
  std::string_view discipline;
};

// One row whose code changed since it was last sent, as read back for the export.
struct AttendanceChange {
  QString stdkey;
  QString attdate;  // as stored: "yyyy-mm-dd" or empty
  QString period;
  QString code;
  QString reason;
  QString excused;
  QString absent;
  QString tardy;
  QString truant;
  QString discipline;
};
