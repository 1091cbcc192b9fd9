// Opening the tiny school on either test engine.
#include "engine_connection.h"

#include "school_databases.h"

QString OpenTinySchool(OdbcConnection &connection, Engine engine, bool readWrite) {
  const QString tiny = QStringLiteral("tiny");
  const QString text = engine == Engine::Sqlite ? icbtest::sqliteConnectionString(tiny)
                                                : icbtest::schoolServerConnectionString(tiny);
  return connection.Open(text, 10, readWrite);
}
