// A prepared statement on a sqlite::Database: prepare, bind values, step through the result rows
// and read columns by name (ignoring case) or by index. The statement is finalised on destruction.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <string_view>

struct sqlite3_stmt;

namespace sqlite {

class Database;

// The statement behind a Query: the database, the prepared statement, its text and the part of the
// text that was not compiled (a second statement, if any).
class QueryImp {
 public:
  QueryImp(Database &database, const QString &sql);
  QueryImp(const QueryImp &) = delete;
  QueryImp &operator=(const QueryImp &) = delete;
  virtual ~QueryImp();

  void prepare();
  void finalize();

  Database &database() const { return database_; }
  sqlite3_stmt *statement() const { return statement_; }
  const QString &sql() const { return sql_; }
  const QString &tail() const { return tail_; }
  void setSql(const QString &sql) { sql_ = sql; }

 private:
  Database &database_;
  sqlite3_stmt *statement_ = nullptr;
  QString sql_;
  QString tail_;
};

class Query {
 public:
  // Without a text the statement is prepared later with Prepare.
  explicit Query(Database &database, const QString &sql = QString());
  Query(const Query &) = delete;
  Query &operator=(const Query &) = delete;
  virtual ~Query();

  void Prepare(const QString &sql);
  void PrepareFormat(const char *format, ...);

  // True when a row is available, false when the statement is done.
  bool Step();
  // Makes the statement ready to run again; bound values stay until rebound.
  void Reset();
  void Finalize();
  bool IsPrepared() const;

  // Parameters are numbered from 1, as in SQLite.
  void Bind(int index, const QString &value);
  void Bind(int index, const QByteArray &utf8);
  void Bind(int index, long long value);
  void BindNull(int index);
  // Binds bytes without copying them: they must stay unchanged until the statement is stepped and
  // reset, or rebound. For statements run many times from reused buffers.
  void BindStatic(int index, std::string_view utf8);

  int ColumnCount() const;
  QString ColumnName(int index) const;
  // The index of the result column named name, compared without regard to case.
  int FindColumn(const QString &name) const;
  QString StringColumn(const QString &name) const;
  QString StringColumn(int index) const;
  // The column's bytes as SQLite holds them (UTF-8), valid until the next step or reset.
  QByteArray Utf8Column(int index) const;
  long long Int64Column(int index) const;
  bool IsNullColumn(int index) const;
  // The column's bytes without a copy, valid until the next step or reset.
  std::string_view TextView(int index) const;

  const QString &Sql() const;

 private:
  sqlite3_stmt *statement(const char *place) const;
  void checkBind(int rc, const char *place) const;

  std::unique_ptr<QueryImp> imp_;
};

}  // namespace sqlite
