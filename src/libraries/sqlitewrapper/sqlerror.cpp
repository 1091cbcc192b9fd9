// Maps failed SQLite calls to the wrapper's exception classes.
#include "sqlerror.h"

#include <sqlite3.h>

namespace sqlite {

SqlError::SqlError(const QString &message, int resultCode, const QString &sqliteMessage,
                   const QString &description, const QString &place, const QString &sql)
    : XException(message, resultCode),
      resultCode_(resultCode),
      sqliteMessage_(sqliteMessage),
      description_(description),
      place_(place),
      sql_(sql) {}

namespace {

QString connectionMessage(sqlite3 *connection, int resultCode) {
  // Without a connection SQLite has no message of its own; the generic text of the code stands in.
  if (connection == nullptr) return QString::fromUtf8(sqlite3_errstr(resultCode));
  return QString::fromUtf8(sqlite3_errmsg(connection));
}

}  // namespace

void ThrowError(const QString &message, int resultCode, sqlite3 *connection, const QString &description,
                const QString &place, const QString &sql) {
  const QString sqliteMessage = connectionMessage(connection, resultCode);
  switch (resultCode & 0xff) {
    case SQLITE_PERM:
      throw PermError(message, resultCode, sqliteMessage, description, place, sql);
    case SQLITE_ABORT:
      throw AbortError(message, resultCode, sqliteMessage, description, place, sql);
    case SQLITE_BUSY:
      throw BusyError(message, resultCode, sqliteMessage, description, place, sql);
    case SQLITE_IOERR:
      throw IOError(message, resultCode, sqliteMessage, description, place, sql);
    case SQLITE_MISMATCH:
      throw DataTypeMismatchError(message, resultCode, sqliteMessage, description, place, sql);
    default:
      throw SqlError(message, resultCode, sqliteMessage, description, place, sql);
  }
}

void CheckResult(bool ok, int resultCode, sqlite3 *connection, const QString &place,
                 const QString &description, const QString &sql) {
  if (ok) return;
  const QString message = QStringLiteral("Sql Error: %1 (%2) (%3)")
                              .arg(connectionMessage(connection, resultCode), description, place);
  ThrowError(message, resultCode, connection, description, place, sql);
}

}  // namespace sqlite
