// Names of the two attendance cache tables, their period columns and the index of unsent rows.
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

const char *const kUnsentCondition = "newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)";

QString UnsentIndexSql(AttendanceTable table) {
  const QString name = AttendanceTableName(table);
  return QStringLiteral("CREATE INDEX IF NOT EXISTS %1_UNSENT ON %1 (header) WHERE %2")
      .arg(name, QLatin1String(kUnsentCondition));
}
