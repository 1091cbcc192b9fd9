// The exceptions of the SQLite wrapper: one class per primary SQLite result code that callers may
// want to tell apart, all carrying the formatted message, SQLite's own message, the statement and
// the place of the failure. CheckResult is the one routine that turns a failed call into them.
#pragma once

#include <QString>

#include "xexception.h"

struct sqlite3;

namespace sqlite {

class SqlError : public XException {
 public:
  SqlError(const QString &message, int resultCode, const QString &sqliteMessage, const QString &description,
           const QString &place, const QString &sql);

  int ResultCode() const { return resultCode_; }
  int PrimaryCode() const { return resultCode_ & 0xff; }
  const QString &SqliteMessage() const { return sqliteMessage_; }
  const QString &Description() const { return description_; }
  const QString &Place() const { return place_; }
  const QString &Sql() const { return sql_; }

 private:
  int resultCode_;
  QString sqliteMessage_;
  QString description_;
  QString place_;
  QString sql_;
};

class IOError : public SqlError {
  using SqlError::SqlError;
};
class DataTypeMismatchError : public SqlError {
  using SqlError::SqlError;
};
class PermError : public SqlError {
  using SqlError::SqlError;
};
class AbortError : public SqlError {
  using SqlError::SqlError;
};
class BusyError : public SqlError {
  using SqlError::SqlError;
};

// Throws the exception that matches the primary code of resultCode unless ok is true. The message
// is "Sql Error: <connection message> (<description>) (<place>)".
void CheckResult(bool ok, int resultCode, sqlite3 *connection, const QString &place,
                 const QString &description, const QString &sql = QString());

// Throws the exception for resultCode with an exact message text (no formatting).
[[noreturn]] void ThrowError(const QString &message, int resultCode, sqlite3 *connection,
                             const QString &description, const QString &place,
                             const QString &sql = QString());

}  // namespace sqlite
