// An extraction run of the engine on a test school with the clock fixed at 20 November 2026, 08:00,
// into a folder of the test's own; the parameters are the run's fixed ones plus a case's own.
#pragma once

#include <QDate>
#include <QString>

#include "expengine.h"

namespace icbtest {

inline const QDate kRunToday(2026, 11, 20);

class FixedClockEngine : public ExpEngine {
 public:
  QDate today = kRunToday;

 protected:
  QDate Today() const override { return today; }
  XDateTime Now() const override { return XDateTime(XDate::FromQDate(today), XTime(8, 0, 0, 0)); }
};

// The parameters of a run of school 10 of district 1 into folder through dsn, with extra ones
// ("flags" is not a parameter: the caller passes it to BeginExecute).
ParameterMap RunParameters(const QString &folder, const QString &dsn, const ParameterMap &extra = {});

// BeginExecute on a fresh engine; the failure message, or an empty text when the run succeeded.
QString RunEngine(const ParameterMap &parameters, int flags, const QDate &today = kRunToday);

}  // namespace icbtest

namespace icbtest {
// The lines of a table file, sorted: the rows' order is the database's.
QList<QByteArray> SortedLines(const QByteArray &bytes);
// Runs an SQL statement on a SQLite file with the sqlite3 shell; false when it fails.
bool SqliteExec(const QString &db, const QString &statement);
// A writable copy of the tiny school at db, with statement (when given) run on it; false when either fails.
bool CopyTinySchool(const QString &db, const QString &statement = {});
}  // namespace icbtest
