// The rule that decides a full-year reconcile.
#include "attendancereconcile.h"

AttendanceReconcile DecideReconcile(bool requested, const FullReadState &lastRead, const QDate &today) {
  if (!lastRead.cacheExists) return {};
  const auto due = [&lastRead](const QString &reason) {
    return AttendanceReconcile{true, reason, lastRead.readFrom};
  };
  if (requested) return due(QStringLiteral("the --reconcile switch was given."));
  if (lastRead.unfinished) return due(QStringLiteral("the one asked for before did not finish."));
  if (!lastRead.readOn.isValid()) return due(QStringLiteral("no full read is on record."));
  const qint64 days = lastRead.readOn.daysTo(today);
  if (days >= kReconcileAfterDays) return due(QStringLiteral("%1 days since the last full read.").arg(days));
  return {};
}
