// The writer's attendance members.
#include "pdewriter.h"

bool PDEWriter::SetAttendanceDatabase(const QString &) {
  return false;
}
bool PDEWriter::IsCacheStale(const QString &) {
  return true;
}
void PDEWriter::DropAttendanceTable(const QString &) {}
void PDEWriter::DeleteAttendanceDatabase() {}
