// The kinds of database the data-access layer can speak to. One number picks the connection
// string, the date literal, the existence queries and the builder's dialect rules.
#pragma once

#include <QString>

namespace DatabaseType {
enum : int {
  Unknown = 0,
  DBaseOdbc = 1,
  DBaseXBase = 2,
  FoxProOdbc = 3,
  FoxProDbf = 4,
  MSSQL = 5,
  MySQL = 6,
  SQLite = 7,
  DB2 = 8,
  Access = 9,
  Postgres = 10,
  OracleOdbc = 11,
  OracleOle = 12,
  OracleMsdaora = 13,
  SybaseOle = 14,
  SybaseOdbc = 15,
  Progress = 16,
  Mimer = 17,
  Informix = 18,
  TopSpeed = 19,
  LotusNotes = 20,
  CADatacom = 21,
};
}  // namespace DatabaseType

// The display name used in log lines; empty for 0 and any value outside the known range.
QString DatabaseTypeName(int type);

// A "dsn" value that names an existing SQLite file (".db", ".sqlite", ".sqlite3") turns the SQL
// Server type into the SQLite type for the run; every other value keeps its type.
int EffectiveDatabaseType(int type, const QString &dataSource);
