// One `icbridge run` as the front-end starts it: the built program in a child process, timed, with
// its peak memory, and the SELECT statements it sent as its log records them (the query texts of
// level 9, the existence checks of level 8 and the schema query of the first run).
#pragma once

#include <QString>
#include <QStringList>

struct BridgeRunResult {
  int exitCode = -1;
  double seconds = 0;
  double cpuSeconds = 0;     // the child's processor time, user and system
  double peakMegabytes = 0;  // the child's maximum resident set
  QStringList statements;    // in the order they were sent
};

struct BridgeRunRequest {
  QString program;     // the icbridge binary
  QString outputPath;  // --path
  QString logPath;     // --logpath: a folder of this run alone, so its log holds nothing else
  QString dsn;         // --dsn (a DSN name or a SQLite school file)
  QString odbcSysIni;  // ODBCSYSINI for the child, or empty
  QStringList extra;   // further options
};

BridgeRunResult RunBridge(const BridgeRunRequest &request);

// The SELECT statements a run's log file records, in order.
QStringList StatementsOfLog(const QString &logFile);
