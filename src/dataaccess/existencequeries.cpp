// Table and column existence queries for each database type. The SQLite checks ask the catalogue
// for rows (a query over sqlite_master or a LIKE on the CREATE text would "succeed" for anything).
#include "existencequeries.h"

#include "databasetype.h"
#include "sqlliteral.h"
#include "xexception.h"

namespace {

QString fill(const char *pattern, const QString &first, const QString &second = QString()) {
  QString text = QString::fromLatin1(pattern);
  const qsizetype a = text.indexOf(QLatin1String("%s"));
  if (a >= 0) text.replace(a, 2, first);
  const qsizetype b = text.indexOf(QLatin1String("%s"), a + first.size());
  if (b >= 0) text.replace(b, 2, second);
  return text;
}

// A Postgres relation name as a literal: the caller may pass it in double quotes.
QString postgresName(const QString &name) {
  QString bare = name;
  bare.remove(QLatin1Char('"'));
  return SqlQuote(bare);
}

}  // namespace

QString TableExistsUndefinedText() {
  return QStringLiteral("DB Type not defined for TableExists yet, feel free to do so.");
}
QString FieldExistsUndefinedText() {
  return QStringLiteral("DB Type not defined for FieldExists yet, feel free to do so.");
}

ExistenceQuery TableExistsQuery(int type, const QString &t, const QueryOptions &options, bool trialQueries) {
  using T = ExistenceTest;
  const QString q = SqlQuoteInner(t);
  if (trialQueries) return {fill("SELECT * FROM %s", t), T::Opens};
  switch (type) {
    case DatabaseType::DBaseOdbc:
    case DatabaseType::FoxProOdbc:
      return {fill("SELECT * FROM %s", t), T::Opens};
    case DatabaseType::FoxProDbf:
    case DatabaseType::SybaseOle:
      return {fill("SELECT COUNT(*) FROM %s", t), T::Opens};
    case DatabaseType::TopSpeed:
    case DatabaseType::LotusNotes:
    case DatabaseType::CADatacom:
      return {fill("Select COUNT(*) From %s", t), T::Opens};
    case DatabaseType::MSSQL:
      return {
          fill("SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('%s')",
               q),
          T::Rows};
    case DatabaseType::SybaseOdbc:
      return {
          fill("SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('%s')",
               q),
          T::Rows};
    case DatabaseType::MySQL:
      return {fill("SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = '%s')", q),
              T::Rows};
    case DatabaseType::SQLite:
      return {
          fill(
              "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = '%s' COLLATE NOCASE",
              q),
          T::Rows};
    case DatabaseType::Access:
      return {
          fill("SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='%s'", q), T::Rows,
          options.QuoteTables ? fill("Select COUNT(*) From \"%s\"", t) : fill("Select COUNT(*) From %s", t),
          T::Rows};
    case DatabaseType::Postgres:
      return {fill("SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = %s",
                   postgresName(t)),
              T::Rows};
    case DatabaseType::OracleOdbc:
    case DatabaseType::OracleOle:
    case DatabaseType::OracleMsdaora:
      return {
          fill("SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s')", q),
          T::Rows};
    case DatabaseType::Progress:
      return {fill("SELECT DISTINCT tbl FROM sysprogress.\"SYSTABLES\" WHERE UPPER(tbl) = UPPER('%s')", q),
              T::Opens};
    case DatabaseType::Informix:
      return {fill("SELECT COUNT(*) FROM systables WHERE tabname = '%s'", q), T::Value,
              fill("Select COUNT(*) From %s", t), T::Opens};
    case DatabaseType::DBaseXBase:
      return {QString(), T::NoAnswer};
    default:
      throw XException(TableExistsUndefinedText());
  }
}

ExistenceQuery FieldExistsQuery(int type, const QString &t, const QString &f, const QueryOptions &options,
                                bool trialQueries) {
  using T = ExistenceTest;
  const QString qt = SqlQuoteInner(t);
  const QString qf = SqlQuoteInner(f);
  if (trialQueries) return {fill("SELECT %s FROM %s", f, t), T::Opens};
  switch (type) {
    case DatabaseType::DBaseOdbc:
    case DatabaseType::FoxProOdbc:
    case DatabaseType::SybaseOle:
      return {fill("SELECT %s FROM %s", f, t), T::Opens};
    case DatabaseType::FoxProDbf:
      return {fill("SELECT COUNT(%s) FROM %s", f, t), T::Opens};
    case DatabaseType::MSSQL:
    case DatabaseType::SybaseOdbc:
      return {
          fill("SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE "
               "UPPER(sysobjects.name) = UPPER('%s') AND UPPER(syscolumns.name) = UPPER('%s')",
               qt, qf),
          T::Rows};
    case DatabaseType::MySQL:
      return {fill("SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = '%s' AND "
                   "column_name = "
                   "'%s')",
                   qt, qf),
              T::Rows};
    case DatabaseType::SQLite:
      return {fill("SELECT name FROM pragma_table_info('%s') WHERE name = '%s' COLLATE NOCASE", qt, qf),
              T::Rows};
    case DatabaseType::Access: {
      const char *pattern =
          options.QuoteFields
              ? (options.QuoteTables ? "Select COUNT(\"%s\") From \"%s\"" : "Select COUNT(\"%s\") From %s")
              : (options.QuoteTables ? "Select COUNT(%s) From \"%s\"" : "Select COUNT(%s) From %s");
      return {fill(pattern, f, t), T::Rows};
    }
    case DatabaseType::Postgres:
      return {
          fill(
              "SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = %s AND pg_class.oid = "
              "attrelid  AND attnum > 0 AND attname='%s'",
              postgresName(t), qf),
          T::Rows};
    case DatabaseType::OracleOdbc:
    case DatabaseType::OracleOle:
    case DatabaseType::OracleMsdaora:
      return {fill("SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s') AND "
                   "UPPER(column_name) = UPPER('%s')",
                   qt, qf),
              T::Rows};
    case DatabaseType::Progress:
      return {
          fill(
              "SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = '%s' AND \"_file-recid\" = "
              "(SELECT ROWID FROM pub.\"_file\" WHERE \"_file-name\" = '%s')",
              qf, qt),
          T::Rows};
    case DatabaseType::Informix:
      return {fill("select tabid from systables where tabname='%s' and colname = '%s' ", qt, qf), T::Value,
              fill("Select COUNT(%s) From %s", f, t), T::Value};
    case DatabaseType::TopSpeed:
      return {options.QuoteFields ? fill("Select COUNT(\"%s\") From %s", f, t)
                                  : fill("Select COUNT(%s) From %s", f, t),
              T::Opens};
    case DatabaseType::LotusNotes:
      return {fill("SELECT \"%s\" FROM \"%s\"", f, t), T::Opens};
    case DatabaseType::CADatacom:
      return {fill("Select COUNT(%s) From %s", f, t), T::Rows};
    case DatabaseType::DBaseXBase:
      return {QString(), T::NoAnswer};
    default:
      throw XException(FieldExistsUndefinedText());
  }
}
