// Opening the tiny school on either test engine; its students' names.
#include "engine_connection.h"

#include "fieldvalue.h"
#include "school_databases.h"

const char kStudentNamesQuery[] =
    "SELECT \"personID\", \"lastName\" FROM \"Identity\" WHERE \"personID\" BETWEEN 1001 AND 1014 "
    "ORDER BY \"personID\"";

const QStringList kStudentNames = {"1001 O'Brien", "1002 Jones",    "1003 Garcia", "1004 Chen",
                                   "1005 Patel",   "1006 Kowalski", "1007 Smith",  "1008 Núñez",
                                   "1009 Nguy?n",  "1010 Williams", "1011 Lee",    "1012 Martin",
                                   "1013 Haddad",  "1014 Anderson"};

QStringList StudentNames(RecordSet &records) {
  QStringList rows;
  for (bool row = records.First(); row; row = records.Next())
    rows << fieldvalue::Text(records.Column(0), records.Cell(0)) + QLatin1Char(' ') +
                fieldvalue::Text(records.Column(1), records.Cell(1));
  return rows;
}

QString OpenTinySchool(OdbcConnection &connection, Engine engine, bool readWrite) {
  const QString tiny = QStringLiteral("tiny");
  const QString text = engine == Engine::Sqlite ? icbtest::sqliteConnectionString(tiny)
                                                : icbtest::schoolServerConnectionString(tiny);
  return connection.Open(text, 10, readWrite);
}
