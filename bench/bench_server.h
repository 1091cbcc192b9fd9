// The SQL Server dialect test server with the bench schools loaded, for the benchmarks: started
// through the fixtures' server script into a state folder of its own, stopped when destroyed.
#pragma once

#include <QString>
#include <QStringList>

class BenchServer {
 public:
  // sizes: the schools to load ("bench", "bench20k"), each from <build>/fixtures/<size>.hsql.
  explicit BenchServer(const QStringList &sizes);
  ~BenchServer();
  BenchServer(const BenchServer &) = delete;
  BenchServer &operator=(const BenchServer &) = delete;

  // Empty when the server is running; otherwise why it is not.
  const QString &Problem() const { return problem_; }
  // ODBCSYSINI for programs that reach it: its odbc.ini names the DSN "icb_<size>".
  QString OdbcSysIni() const { return state_; }
  static QString Dsn(const QString &size) { return QStringLiteral("icb_") + size; }
  // The full connection string of a size's school (driver, host, port, database, user, password):
  // the keys the DSN holds, so a program that never reads ODBCSYSINI reaches the same school.
  QString ConnectionString(const QString &size) const;

 private:
  QString state_;
  QString problem_;
  bool started_ = false;
};
