// The raw fetch floor of a run: its SELECT statements sent through the same ODBC driver, every row
// fetched in blocks into columns bound as text and discarded. Nothing is converted, kept or written,
// so its time is what the database, the network and the driver cost the run at the least.
#pragma once

#include <sql.h>

#include <QString>
#include <QStringList>
#include <cstdint>

struct FloorResult {
  bool connected = false;
  double seconds = 0;
  double cpuSeconds = 0;  // this process's processor time (user and system): the driver's part
  int64_t statements = 0;
  int64_t rows = 0;
  int64_t failed = 0;  // statements the database refused (a check for a missing column, say)
};

class FetchFloor {
 public:
  // connection: a full ODBC connection string ("DSN=...;UID=...;PWD=..." or "DRIVER=...").
  explicit FetchFloor(const QString &connection);
  ~FetchFloor();
  FetchFloor(const FetchFloor &) = delete;
  FetchFloor &operator=(const FetchFloor &) = delete;

  // Connects, runs every statement in order and disconnects; the time covers all of it.
  // Not connected: nothing ran.
  FloorResult Run(const QStringList &statements);

 private:
  int64_t fetchAll(SQLHSTMT statement);

  QString connection_;
  SQLHENV environment_ = SQL_NULL_HENV;
};
