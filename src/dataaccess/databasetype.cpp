// Display names of the database types and the choice of the embedded SQLite path.
#include "databasetype.h"

#include <QFileInfo>
#include <array>

QString DatabaseTypeName(int type) {
  static const std::array<const char *, 22> names = {"",
                                                     "dBase IV (ODBC)",
                                                     "dBase IV (XBase)",
                                                     "FoxPro (ODBC)",
                                                     "FoxPro (DBF)",
                                                     "MSSQL",
                                                     "MySQL",
                                                     "SQLite",
                                                     "DB2",
                                                     "Access",
                                                     "Postgres",
                                                     "Oracle (ODBC)",
                                                     "Oracle (OLE)",
                                                     "Oracle Microsoft OLE (MSDAORA)",
                                                     "Sybase (OLE)",
                                                     "Sybase ODBC",
                                                     "Progress",
                                                     "Mimer",
                                                     "Informix",
                                                     "Top Speed",
                                                     "Lotus Notes",
                                                     "CA-Datacom"};
  if (type < 0 || type >= int(names.size())) return {};
  return QString::fromLatin1(names[size_t(type)]);
}

int EffectiveDatabaseType(int type, const QString &dataSource) {
  if (type != DatabaseType::MSSQL) return type;
  const QString lower = dataSource.toLower();
  const bool sqliteName = lower.endsWith(QLatin1String(".db")) || lower.endsWith(QLatin1String(".sqlite")) ||
                          lower.endsWith(QLatin1String(".sqlite3"));
  if (sqliteName && QFileInfo(dataSource).isFile()) return DatabaseType::SQLite;
  return type;
}
