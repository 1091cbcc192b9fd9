// Hostile values and the equality query used to check them.
#include "hostile_values.h"

#include "odbcsession.h"
#include "sqlliteral.h"

QStringList HostileValues() {
  return {
      QStringLiteral("O'Brien"), QStringLiteral("' OR '1'='1"),  QStringLiteral("1; DELETE FROM School; --"),
      QStringLiteral("x' --"),   QStringLiteral("/* note */ 7"), QStringLiteral("''"),
      QStringLiteral("a\"b")};
}

QStringList SelectEqual(OdbcSession &session, const QString &table, const QString &column,
                        const QString &value) {
  QueryDescription &q = session.Query();
  q.ClearQuery();
  const ODBCField *field = q.AddField(q.AddTable(table, QStringLiteral("h")), column, true);
  q.AddCondition(QString(), field, QStringLiteral("="), SqlQuote(value));
  QStringList values;
  if (!session.OpenQuery()) return values;
  for (bool row = session.GetFirstRecord(); row; row = session.GetNextRecord())
    values << session.GetFieldText(field);
  session.CloseQuery();
  return values;
}
