// A small SQLite database that a test writes itself (types, NULLs, quotes), reached through the
// SQLite 3 ODBC driver like the school databases.
#pragma once

#include <QString>
#include <QTemporaryDir>

class ScratchSqlite {
 public:
  // Runs the statements on a new database file; fails the test when one does not run.
  explicit ScratchSqlite(const char *statements);
  const QString &Path() const { return path_; }

 private:
  QTemporaryDir dir_;
  QString path_;
};
