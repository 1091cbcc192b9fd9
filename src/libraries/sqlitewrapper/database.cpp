// The SQLite connection: open with busy time-out and extended result codes, execute, close.
#include "database.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <cstring>

#include "sqlerror.h"

namespace sqlite {

KeyRecord KeyRecord::FromText(const QString &text) {
  KeyRecord record;
  if (text.isEmpty()) return record;
  const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
  record.length = 16;
  std::memcpy(record.bytes.data(), digest.constData(), record.bytes.size());
  return record;
}

Database::~Database() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the connection is released by sqlite3_close_v2 regardless.
  }
}

void Database::Open(const QString &path, const QString &key, int flags) {
  const QString place = QStringLiteral("sqlite::Database::Open");
  if (handle_ != nullptr) {
    ThrowError(QStringLiteral("Sql Error: database already open (%1)").arg(place), SQLITE_MISUSE, handle_,
               QStringLiteral("already open"), place);
  }
  sqlite3 *handle = nullptr;
  const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
  if (rc != SQLITE_OK) {
    try {
      CheckResult(false, rc, handle, place, QStringLiteral("failed"), path);
    } catch (...) {
      sqlite3_close_v2(handle);
      throw;
    }
  }
  handle_ = handle;
  path_ = path;
  flags_ = flags;
  key_ = KeyRecord::FromText(key);
  sqlite3_extended_result_codes(handle_, 1);
  sqlite3_busy_timeout(handle_, kBusyTimeoutMs);
  try {
    applyKey();
  } catch (...) {
    sqlite3_close_v2(handle_);
    handle_ = nullptr;
    throw;
  }
}

void Database::applyKey() {
  if (key_.length == 0) return;
  // This SQLite build carries no encryption codec, so a keyed database cannot be read.
  ThrowError(QStringLiteral("Unable to decrypt database."), SQLITE_NOTADB, handle_,
             QStringLiteral("Unable to decrypt database."), QStringLiteral("sqlite::Database::Open"));
}

void Database::Close() {
  if (handle_ == nullptr) return;
  sqlite3 *handle = handle_;
  handle_ = nullptr;
  const int rc = sqlite3_close_v2(handle);
  CheckResult(rc == SQLITE_OK, rc, nullptr, QStringLiteral("sqlite::Database::Close"),
              QStringLiteral("failed"));
}

void Database::Execute(const QString &sql) {
  const QString place = QStringLiteral("sqlite::Database::Execute");
  if (handle_ == nullptr) {
    CheckResult(false, SQLITE_MISUSE, nullptr, place, QStringLiteral("db not open"), sql);
  }
  char *error = nullptr;
  const int rc = sqlite3_exec(handle_, sql.toUtf8().constData(), nullptr, nullptr, &error);
  const QString description = error != nullptr ? QString::fromUtf8(error) : QStringLiteral("failed");
  sqlite3_free(error);
  CheckResult(rc == SQLITE_OK, rc, handle_, place, description, sql);
}

QString FormatSql(const char *format, va_list args) {
  char *text = sqlite3_vmprintf(format, args);
  const QString sql = QString::fromUtf8(text);
  sqlite3_free(text);
  return sql;
}

void Database::RollbackIfOpen() {
  if (handle_ != nullptr && !sqlite3_get_autocommit(handle_)) Execute(QStringLiteral("ROLLBACK"));
}

void Database::ExecuteFormat(const char *format, ...) {
  va_list args;
  va_start(args, format);
  const QString sql = FormatSql(format, args);
  va_end(args);
  Execute(sql);
}

int Database::Changes() const {
  return handle_ != nullptr ? sqlite3_changes(handle_) : 0;
}

long long Database::LastInsertRowId() const {
  return handle_ != nullptr ? sqlite3_last_insert_rowid(handle_) : 0;
}

}  // namespace sqlite
