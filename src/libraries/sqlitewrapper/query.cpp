// Prepared statements of the SQLite wrapper.
#include "query.h"

#include <sqlite3.h>

#include "database.h"
#include "sqlerror.h"

namespace sqlite {

QueryImp::QueryImp(Database &database, const QString &sql) : database_(database), sql_(sql) {}

QueryImp::~QueryImp() {
  try {
    finalize();
  } catch (...) {
    // Destruction drops a failure to finalise; the statement is released regardless.
  }
}

void QueryImp::prepare() {
  const QString place = QStringLiteral("sqlite::QueryImp::prepare");
  if (!database_.IsOpen()) {
    CheckResult(false, SQLITE_MISUSE, nullptr, place, QStringLiteral("No database"), sql_);
  }
  finalize();
  const QByteArray text = sql_.toUtf8();
  const char *tail = nullptr;
  const int rc =
      sqlite3_prepare_v2(database_.Handle(), text.constData(), int(text.size()), &statement_, &tail);
  tail_ = tail != nullptr ? QString::fromUtf8(tail).trimmed() : QString();
  CheckResult(rc == SQLITE_OK, rc, database_.Handle(), place, QStringLiteral("failed"), sql_);
}

void QueryImp::finalize() {
  if (statement_ == nullptr) return;
  sqlite3_stmt *statement = statement_;
  statement_ = nullptr;
  // sqlite3_finalize repeats the statement's last error; only a misuse is a failure to finalise.
  const int rc = sqlite3_finalize(statement);
  CheckResult(rc != SQLITE_MISUSE, rc, database_.Handle(), QStringLiteral("sqlite::QueryImp::finalize"),
              QStringLiteral("failed"), sql_);
}

Query::Query(Database &database, const QString &sql) : imp_(std::make_unique<QueryImp>(database, sql)) {
  if (!sql.isEmpty()) imp_->prepare();
}

Query::~Query() = default;

void Query::Prepare(const QString &sql) {
  if (sql.isEmpty()) {
    CheckResult(false, SQLITE_MISUSE, imp_->database().Handle(), QStringLiteral("sqlite::Query::Prepare"),
                QStringLiteral("no statement to prepare"));
  }
  imp_->setSql(sql);
  imp_->prepare();
}

void Query::PrepareFormat(const char *format, ...) {
  va_list args;
  va_start(args, format);
  const QString sql = FormatSql(format, args);
  va_end(args);
  Prepare(sql);
}

sqlite3_stmt *Query::statement(const char *place) const {
  sqlite3_stmt *statement = imp_->statement();
  if (statement == nullptr) {
    CheckResult(false, SQLITE_MISUSE, imp_->database().Handle(), QString::fromLatin1(place),
                QStringLiteral("No prepared statement"), imp_->sql());
  }
  return statement;
}

bool Query::Step() {
  const int rc = sqlite3_step(statement("sqlite::Query::Step"));
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  CheckResult(false, rc, imp_->database().Handle(), QStringLiteral("sqlite::Query::Step"),
              QStringLiteral("failed"), imp_->sql());
  return false;
}

void Query::Reset() {
  // The result of reset repeats the last step's error, which Step has already reported.
  sqlite3_reset(statement("sqlite::Query::Reset"));
}

void Query::Finalize() {
  statement("sqlite::Query::Finalize");
  imp_->finalize();
}

bool Query::IsPrepared() const {
  return imp_->statement() != nullptr;
}

void Query::checkBind(int rc, const char *place) const {
  // Binds run once per value of every cached row: the texts of the error are made only for a failure.
  if (rc == SQLITE_OK) return;
  CheckResult(false, rc, imp_->database().Handle(), QString::fromLatin1(place), QStringLiteral("bind"),
              imp_->sql());
}

void Query::Bind(int index, const QString &value) {
  Bind(index, value.toUtf8());
}

void Query::Bind(int index, const QByteArray &utf8) {
  const char *place = "sqlite::Query::Bind";
  checkBind(sqlite3_bind_text(statement(place), index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT),
            place);
}

void Query::BindStatic(int index, std::string_view utf8) {
  const char *place = "sqlite::Query::Bind";
  checkBind(sqlite3_bind_text(statement(place), index, utf8.data(), int(utf8.size()), SQLITE_STATIC), place);
}

void Query::Bind(int index, long long value) {
  const char *place = "sqlite::Query::Bind";
  checkBind(sqlite3_bind_int64(statement(place), index, value), place);
}

void Query::BindNull(int index) {
  const char *place = "sqlite::Query::Bind";
  checkBind(sqlite3_bind_null(statement(place), index), place);
}

int Query::ColumnCount() const {
  return sqlite3_column_count(statement("sqlite::Query::ColumnCount"));
}

QString Query::ColumnName(int index) const {
  return QString::fromUtf8(sqlite3_column_name(statement("sqlite::Query::ColumnName"), index));
}

int Query::FindColumn(const QString &name) const {
  sqlite3_stmt *stmt = statement("sqlite::Query::FindColumn");
  const int count = sqlite3_column_count(stmt);
  for (int i = 0; i < count; ++i) {
    if (QString::fromUtf8(sqlite3_column_name(stmt, i)).compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  CheckResult(false, SQLITE_ERROR, imp_->database().Handle(), QStringLiteral("sqlite::Query::FindColumn"),
              QStringLiteral("Request for non-existent column \"%1\"").arg(name), imp_->sql());
  return -1;
}

QString Query::StringColumn(const QString &name) const {
  statement("sqlite::Query::StringColumn");
  return StringColumn(FindColumn(name));
}

QString Query::StringColumn(int index) const {
  sqlite3_stmt *stmt = statement("sqlite::Query::StringColumn");
  const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, index));
  return QString::fromUtf8(text, sqlite3_column_bytes(stmt, index));
}

QByteArray Query::Utf8Column(int index) const {
  sqlite3_stmt *stmt = statement("sqlite::Query::StringColumn");
  const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, index));
  return QByteArray(text, sqlite3_column_bytes(stmt, index));
}

long long Query::Int64Column(int index) const {
  return sqlite3_column_int64(statement("sqlite::Query::Int64Column"), index);
}

std::string_view Query::TextView(int index) const {
  sqlite3_stmt *stmt = statement("sqlite::Query::StringColumn");
  const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, index));
  if (text == nullptr) return {};
  return std::string_view(text, size_t(sqlite3_column_bytes(stmt, index)));
}

bool Query::IsNullColumn(int index) const {
  return sqlite3_column_type(statement("sqlite::Query::IsNullColumn"), index) == SQLITE_NULL;
}

const QString &Query::Sql() const {
  return imp_->sql();
}

}  // namespace sqlite
