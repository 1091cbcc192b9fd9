// Names of the two attendance cache tables and their period columns.
#include "attendancerow.h"

QString AttendanceTableName(AttendanceTable table) {
  return table == AttendanceTable::Daily ? QStringLiteral("DAILY_ATT") : QStringLiteral("PERIOD_ATT");
}

QString AttendancePeriodColumn(AttendanceTable table) {
  return table == AttendanceTable::Daily ? QStringLiteral("timeframe") : QStringLiteral("perkey");
}

std::optional<AttendanceTable> AttendanceTableFromName(const QString &name) {
  if (name == QLatin1String("DAILY_ATT")) return AttendanceTable::Daily;
  if (name == QLatin1String("PERIOD_ATT")) return AttendanceTable::Period;
  return std::nullopt;
}
