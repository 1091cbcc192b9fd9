// The table of full-year read dates in the attendance cache.
#include "fullreaddates.h"

#include <sqlite3.h>

#include <QFileInfo>

#include "database.h"
#include "query.h"
#include "xexception.h"

namespace {

const char *kCreate =
    "CREATE TABLE IF NOT EXISTS ATTENDANCE_FULL_READ (tablename VARCHAR(100) PRIMARY KEY, readdate DATETIME, "
    "readfrom DATETIME)";

QString dateText(const QDate &date) {
  return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QDate parsed(const QString &text) {
  return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

namespace fullreaddates {

FullReadState Read(const QString &databasePath, AttendanceTable table) {
  FullReadState state;
  if (!QFileInfo::exists(databasePath)) return state;
  state.cacheExists = true;
  try {
    sqlite::Database database;
    database.Open(databasePath, QString(), SQLITE_OPEN_READONLY);
    sqlite::Query exists(database,
                         QStringLiteral("SELECT 1 FROM sqlite_master WHERE name='ATTENDANCE_FULL_READ'"));
    if (!exists.Step()) return state;
    sqlite::Query query(
        database, QStringLiteral("SELECT readdate, readfrom FROM ATTENDANCE_FULL_READ WHERE tablename=?1"));
    query.Bind(1, AttendanceTableName(table));
    if (!query.Step()) return state;
    state.unfinished = query.IsNullColumn(0);
    state.readOn = parsed(query.StringColumn(0));
    state.readFrom = parsed(query.StringColumn(1));
  } catch (const XException &) {
    // Read as "no full read": the run then reads the whole year, which is always safe.
  }
  return state;
}

void Record(sqlite::Database &database, AttendanceTable table, const QDate &readOn, const QDate &readFrom) {
  database.Execute(QString::fromLatin1(kCreate));
  sqlite::Query query(database,
                      QStringLiteral("INSERT OR REPLACE INTO ATTENDANCE_FULL_READ (tablename, readdate, "
                                     "readfrom) VALUES (?1, ?2, ?3)"));
  query.Bind(1, AttendanceTableName(table));
  query.Bind(2, dateText(readOn));
  query.Bind(3, dateText(readFrom));
  query.Step();
}

void MarkUnfinished(sqlite::Database &database, AttendanceTable table) {
  database.Execute(QString::fromLatin1(kCreate));
  sqlite::Query query(
      database, QStringLiteral("INSERT INTO ATTENDANCE_FULL_READ (tablename, readdate) VALUES (?1, NULL) "
                               "ON CONFLICT (tablename) DO UPDATE SET readdate=NULL"));
  query.Bind(1, AttendanceTableName(table));
  query.Step();
}

}  // namespace fullreaddates
