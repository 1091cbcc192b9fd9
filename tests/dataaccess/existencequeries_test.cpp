// Table and column existence queries of every database type, with their tests.
#include "existencequeries.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "xexception.h"

namespace {

using T = ExistenceTest;

struct QueryCase {
  int type;
  QueryOptions options;
  const char *query;
  T test;
  const char *fallback;
  T fallbackTest;
};

TEST(TableExistsQuery, EveryType) {
  const QueryOptions plain;
  const QueryOptions quoted{false, true, true};
  const QueryCase cases[] = {
      {1, plain, "SELECT * FROM Student", T::Opens, "", T::NoAnswer},
      {3, plain, "SELECT * FROM Student", T::Opens, "", T::NoAnswer},
      {4, plain, "SELECT COUNT(*) FROM Student", T::Opens, "", T::NoAnswer},
      {14, plain, "SELECT COUNT(*) FROM Student", T::Opens, "", T::NoAnswer},
      {19, plain, "Select COUNT(*) From Student", T::Opens, "", T::NoAnswer},
      {20, plain, "Select COUNT(*) From Student", T::Opens, "", T::NoAnswer},
      {21, plain, "Select COUNT(*) From Student", T::Opens, "", T::NoAnswer},
      {5, plain,
       "SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('Student')",
       T::Rows, "", T::NoAnswer},
      {15, plain,
       "SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('Student')",
       T::Rows, "", T::NoAnswer},
      {6, plain, "SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = 'Student')", T::Rows,
       "", T::NoAnswer},
      {7, plain,
       "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = 'Student' COLLATE NOCASE",
       T::Rows, "", T::NoAnswer},
      {9, plain, "SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='Student'", T::Rows,
       "Select COUNT(*) From Student", T::Rows},
      {9, quoted, "SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='Student'", T::Rows,
       "Select COUNT(*) From \"Student\"", T::Rows},
      {10, plain, "SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = 'Student'",
       T::Rows, "", T::NoAnswer},
      {11, plain,
       "SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Student')", T::Rows,
       "", T::NoAnswer},
      {13, plain,
       "SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Student')", T::Rows,
       "", T::NoAnswer},
      {16, plain, "SELECT DISTINCT tbl FROM sysprogress.\"SYSTABLES\" WHERE UPPER(tbl) = UPPER('Student')",
       T::Opens, "", T::NoAnswer},
      {18, plain, "SELECT COUNT(*) FROM systables WHERE tabname = 'Student'", T::Value,
       "Select COUNT(*) From Student", T::Opens},
      {2, plain, "", T::NoAnswer, "", T::NoAnswer},
  };
  for (const auto &c : cases) {
    const ExistenceQuery q = TableExistsQuery(c.type, QStringLiteral("Student"), c.options, false);
    EXPECT_EQ(q.query, QString::fromLatin1(c.query)) << "type " << c.type;
    EXPECT_EQ(q.test, c.test) << "type " << c.type;
    EXPECT_EQ(q.fallbackQuery, QString::fromLatin1(c.fallback)) << "type " << c.type;
    EXPECT_EQ(q.fallbackTest, c.fallbackTest) << "type " << c.type;
  }
}

TEST(FieldExistsQuery, EveryType) {
  const QueryOptions plain;
  const QueryOptions fieldsQuoted{false, true, false};
  const QueryOptions tablesQuoted{false, false, true};
  const QueryOptions bothQuoted{false, true, true};
  const char *sysColumns =
      "SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE "
      "UPPER(sysobjects.name) = UPPER('Student') AND UPPER(syscolumns.name) = UPPER('lastName')";
  const QueryCase cases[] = {
      {1, plain, "SELECT lastName FROM Student", T::Opens, "", T::NoAnswer},
      {3, plain, "SELECT lastName FROM Student", T::Opens, "", T::NoAnswer},
      {14, plain, "SELECT lastName FROM Student", T::Opens, "", T::NoAnswer},
      {4, plain, "SELECT COUNT(lastName) FROM Student", T::Opens, "", T::NoAnswer},
      {5, plain, sysColumns, T::Rows, "", T::NoAnswer},
      {15, plain, sysColumns, T::Rows, "", T::NoAnswer},
      {6, plain,
       "SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = 'Student' AND column_name = "
       "'lastName')",
       T::Rows, "", T::NoAnswer},
      {7, plain, "SELECT name FROM pragma_table_info('Student') WHERE name = 'lastName' COLLATE NOCASE",
       T::Rows, "", T::NoAnswer},
      {9, bothQuoted, "Select COUNT(\"lastName\") From \"Student\"", T::Rows, "", T::NoAnswer},
      {9, tablesQuoted, "Select COUNT(lastName) From \"Student\"", T::Rows, "", T::NoAnswer},
      {9, fieldsQuoted, "Select COUNT(\"lastName\") From Student", T::Rows, "", T::NoAnswer},
      {9, plain, "Select COUNT(lastName) From Student", T::Rows, "", T::NoAnswer},
      {10, plain,
       "SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = 'Student' AND pg_class.oid = "
       "attrelid  AND attnum > 0 AND attname='lastName'",
       T::Rows, "", T::NoAnswer},
      {12, plain,
       "SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('Student') AND "
       "UPPER(column_name) = "
       "UPPER('lastName')",
       T::Rows, "", T::NoAnswer},
      {16, plain,
       "SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = 'lastName' AND \"_file-recid\" = "
       "(SELECT "
       "ROWID FROM pub.\"_file\" WHERE \"_file-name\" = 'Student')",
       T::Rows, "", T::NoAnswer},
      {18, plain, "select tabid from systables where tabname='Student' and colname = 'lastName' ", T::Value,
       "Select COUNT(lastName) From Student", T::Value},
      {19, fieldsQuoted, "Select COUNT(\"lastName\") From Student", T::Opens, "", T::NoAnswer},
      {19, plain, "Select COUNT(lastName) From Student", T::Opens, "", T::NoAnswer},
      {20, plain, "SELECT \"lastName\" FROM \"Student\"", T::Opens, "", T::NoAnswer},
      {21, plain, "Select COUNT(lastName) From Student", T::Rows, "", T::NoAnswer},
      {2, plain, "", T::NoAnswer, "", T::NoAnswer},
  };
  for (const auto &c : cases) {
    const ExistenceQuery q =
        FieldExistsQuery(c.type, QStringLiteral("Student"), QStringLiteral("lastName"), c.options, false);
    EXPECT_EQ(q.query, QString::fromLatin1(c.query)) << "type " << c.type;
    EXPECT_EQ(q.test, c.test) << "type " << c.type;
    EXPECT_EQ(q.fallbackQuery, QString::fromLatin1(c.fallback)) << "type " << c.type;
    EXPECT_EQ(q.fallbackTest, c.fallbackTest) << "type " << c.type;
  }
}

TEST(ExistenceQueries, TrialTemplatesWinOverTheType) {
  const ExistenceQuery table = TableExistsQuery(5, QStringLiteral("Student"), {}, true);
  EXPECT_EQ(table.query, QStringLiteral("SELECT * FROM Student"));
  EXPECT_EQ(table.test, T::Opens);
  const ExistenceQuery field =
      FieldExistsQuery(5, QStringLiteral("Student"), QStringLiteral("lastName"), {}, true);
  EXPECT_EQ(field.query, QStringLiteral("SELECT lastName FROM Student"));
  EXPECT_EQ(field.test, T::Opens);
}

TEST(ExistenceQueries, QuotesInNamesStayInsideTheLiteral) {
  const ExistenceQuery q =
      FieldExistsQuery(5, QStringLiteral("Stu'dent"), QStringLiteral("x') OR ('1'='1"), {}, false);
  EXPECT_EQ(q.query,
            QStringLiteral("SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON "
                           "syscolumns.id=sysobjects.id WHERE UPPER(sysobjects.name) = UPPER('Stu''dent') "
                           "AND UPPER(syscolumns.name) = UPPER('x'') OR (''1''=''1')"));
}

TEST(ExistenceQueries, TypesWithoutChecksThrow) {
  for (int type : {0, 8, 17, 22}) {
    try {
      TableExistsQuery(type, QStringLiteral("T"), {}, false);
      ADD_FAILURE() << type;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QStringLiteral("DB Type not defined for TableExists yet, feel free to do so."));
    }
  }
  for (int type : {8, 17}) {
    try {
      FieldExistsQuery(type, QStringLiteral("T"), QStringLiteral("F"), {}, false);
      ADD_FAILURE() << type;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QStringLiteral("DB Type not defined for FieldExists yet, feel free to do so."));
    }
  }
}

}  // namespace
