// SELECT text of the query description: spacing, quoting, NOLOCK hints, groups, orders, errors.
#include <gtest/gtest.h>

#include <functional>

#include "querydescription.h"
#include "recording_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

constexpr int MSSQL = 5;
constexpr int SQLite = 7;

struct BuildCase {
  const char *name;
  int type;
  QueryOptions options;
  std::function<void(QueryDescription &)> describe;
  const char *expected;
};

void studentAndSchool(QueryDescription &q) {
  auto *stu = q.AddTable("Student", "s");
  auto *sch = q.AddTable("School", "sc");
  auto *pid = q.AddField(stu, "personID", true);
  q.AddField(stu, "lastName", true);
  auto *sid = q.AddField(sch, "schoolID", true);
  q.AddCondition("", pid, "=", sid);
}

TEST(BuildQuery, TextForEachShapeOfDescription) {
  const QueryOptions plain;
  const QueryOptions quoted{false, true, true};
  const QueryOptions distinct{true, false, false};
  const BuildCase cases[] = {
      {"one table, no conditions, MSSQL", MSSQL, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("Student", "s");
         q.AddField(t, "personID", true);
         q.AddField(t, "lastName", true);
       },
       "SELECT s.personID, s.lastName FROM Student s WITH (NOLOCK)  "},
      {"one table, no conditions, SQLite", SQLite, plain,
       [](QueryDescription &q) { q.AddField(q.AddTable("Student", "s"), "personID", true); },
       "SELECT s.personID FROM Student s "},
      {"empty alias is written once", SQLite, plain,
       [](QueryDescription &q) { q.AddField(q.AddTable("Student", ""), "personID", true); },
       "SELECT Student.personID FROM Student "},
      {"alias equal to the name is written once", SQLite, quoted,
       [](QueryDescription &q) { q.AddField(q.AddTable("Student", "Student"), "personID", true); },
       "SELECT Student.\"personID\" FROM \"Student\" "},
      {"quoting on, two MSSQL tables: three spaces before WHERE", MSSQL, quoted, studentAndSchool,
       "SELECT s.\"personID\", s.\"lastName\", sc.\"schoolID\" FROM \"Student\" s WITH (NOLOCK) , \"School\" "
       "sc "
       "WITH (NOLOCK)   WHERE s.\"personID\" = sc.\"schoolID\""},
      {"distinct", SQLite, distinct,
       [](QueryDescription &q) { q.AddField(q.AddTable("Student", "s"), "personID", true); },
       "SELECT DISTINCT s.personID FROM Student s "},
      {"prefix without suffix closes with a parenthesis; with suffix no parenthesis", SQLite, plain,
       [](QueryDescription &q) {
         auto *f = q.AddField(q.AddTable("Student", "s"), "birthDate", true);
         q.AddFieldExpression("MAX(", f, "", "maxBirth");
         q.AddFieldExpression("CAST(", f, "AS VARCHAR(10))", "");
       },
       "SELECT s.birthDate, MAX( s.birthDate) as maxBirth, CAST( s.birthDate AS VARCHAR(10)) FROM Student "
       "s "},
      {"field to value and text conditions", SQLite, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("Calendar", "c");
         auto *f = q.AddField(t, "endDate", true);
         q.AddCondition("AND", f, ">=", "'2009-09-01'");
         q.AddCondition("AND", "c.schoolID = 7");
       },
       "SELECT c.endDate FROM Calendar c  WHERE c.endDate >= '2009-09-01' AND c.schoolID = 7 "},
      {"first condition writes its conjunction only when it opens a parenthesis", SQLite, plain,
       [](QueryDescription &q) {
         auto *f = q.AddField(q.AddTable("T", "t"), "x", true);
         q.AddCondition("(", f, "=", "1");
         q.AddCondition("OR", f, "=", "2)");
       },
       "SELECT t.x FROM T t  WHERE ( t.x = 1 OR t.x = 2)"},
      {"levels 0, 1, 0 open before the second and close after the third", SQLite, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("T", "t");
         auto *a = q.AddField(t, "a", true);
         auto *x = q.AddField(t, "x", true);
         q.AddCondition("", a, "=", "1", 0);
         q.AddCondition("AND", x, "IS", "NULL", 1);
         q.AddCondition("OR", x, ">", "'2009-09-01'", 0);
       },
       "SELECT t.a, t.x FROM T t  WHERE t.a = 1 AND (t.x IS NULL OR t.x > '2009-09-01')"},
      {"levels 0, 1, 0, 0: a condition after a closed group stays outside it", SQLite, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("T", "t");
         auto *a = q.AddField(t, "a", true);
         auto *x = q.AddField(t, "x", true);
         q.AddCondition("", a, "=", "1", 0);
         q.AddCondition("AND", x, "IS", "NULL", 1);
         q.AddCondition("OR", x, ">", "'2009-09-01'", 0);
         q.AddCondition("AND", x, "<=", "'2010-06-30'", 0);
       },
       "SELECT t.a, t.x FROM T t  WHERE t.a = 1 AND (t.x IS NULL OR t.x > '2009-09-01') AND t.x <= "
       "'2010-06-30'"},
      {"levels 0, 1, 0, 1, 0: two groups, each closed where it ends", SQLite, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("T", "t");
         auto *a = q.AddField(t, "a", true);
         q.AddCondition("", a, "=", "1", 0);
         q.AddCondition("AND", a, "<", "5", 1);
         q.AddCondition("OR", a, ">", "9", 0);
         q.AddCondition("AND", a, "<>", "7", 1);
         q.AddCondition("OR", a, "=", "3", 0);
       },
       "SELECT t.a FROM T t  WHERE t.a = 1 AND (t.a < 5 OR t.a > 9) AND (t.a <> 7 OR t.a = 3)"},
      {"a level left open is closed at the end", SQLite, plain,
       [](QueryDescription &q) {
         auto *t = q.AddTable("T", "t");
         auto *a = q.AddField(t, "a", true);
         q.AddCondition("", a, "=", "1", 0);
         q.AddCondition("AND", a, "<", "5", 1);
         q.AddCondition("OR", a, ">", "9", 1);
       },
       "SELECT t.a FROM T t  WHERE t.a = 1 AND (t.a < 5 OR t.a > 9)"},
      {"orders: alias when there is one, DESC", SQLite, quoted,
       [](QueryDescription &q) {
         auto *t = q.AddTable("Person", "p");
         auto *last = q.AddField(t, "lastName", true);
         auto *birth = q.AddFieldExpression("MAX(", q.AddField(*t, "birthDate"), "", "newest");
         q.AddOrder(last, false);
         q.AddOrder(birth, true);
       },
       "SELECT p.\"lastName\", p.\"birthDate\", MAX( p.\"birthDate\") as newest FROM \"Person\" p  ORDER BY "
       "p.\"lastName\", newest DESC"},
      {"source text names the FROM entry", MSSQL, plain,
       [](QueryDescription &q) {
         q.AddField(q.AddTable("Student", "s", true, "dbo.Student"), "personID", true);
       },
       "SELECT s.personID FROM dbo.Student s WITH (NOLOCK)  "},
      {"XBase reads the table's file", 2, plain,
       [](QueryDescription &q) { q.AddField(q.AddTable("STUDENT", ""), "ID", true); }, "C:/dbf/STUDENT.dbf"},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    QueryDescription query(task, 0);
    query.Options() = c.options;
    c.describe(query);
    EXPECT_EQ(query.BuildQuery(c.type, QStringLiteral("C:/dbf/")), QString::fromLatin1(c.expected)) << c.name;
  }
}

TEST(BuildQuery, LogsEachStepAtLevelNine) {
  RecordingTask task;
  QueryDescription query(task, 0);
  studentAndSchool(query);
  const QString text = query.BuildQuery(SQLite, QString());
  const char *headings[] = {"BuildQuery: Fields Finished:\n", "BuildQuery: Tables Finished:\n",
                            "BuildQuery: Join Count: 0:\n",   "BuildQuery: Joins Finished:\n",
                            "BuildQuery: Conditions:\n",      "BuildQuery: Conditions Finished:\n",
                            "BuildQuery: Orders Finished:\n", "BuildQuery Finished:"};
  ASSERT_EQ(task.logs.size(), std::size(headings));
  for (size_t i = 0; i < std::size(headings); ++i) {
    EXPECT_TRUE(task.logs[i].message.startsWith(QLatin1String(headings[i])))
        << task.logs[i].message.toStdString();
    EXPECT_EQ(task.logs[i].level, 9);
    EXPECT_EQ(task.logs[i].method, QStringLiteral("ODBCDataAccess::BuildQuery"));
  }
  EXPECT_EQ(task.logs.back().message, QStringLiteral("BuildQuery Finished:") + text);
  EXPECT_EQ(task.logs[0].message,
            QStringLiteral("BuildQuery: Fields Finished:\nSELECT s.personID, s.lastName, sc.schoolID"));
}

TEST(BuildQuery, AccessWarnsAndXBaseRefusesTwoTables) {
  RecordingTask task;
  QueryDescription query(task, 0);
  studentAndSchool(query);
  query.BuildQuery(9, QString());
  const LogRecord *warning = task.find(QStringLiteral("Joins may not work for this DB Type: Access"));
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(warning->level, 4);
  try {
    query.BuildQuery(2, QStringLiteral("C:/dbf/"));
    ADD_FAILURE() << "two XBase tables built";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Cannot use more than 1 table in XBase query"));
  }
}

// Values are read by ordinal: a selected field's ordinal is its place in the select list, and a
// condition-only field, which is not selected, has none.
TEST(QueryDescription, OrdinalsArePositionsInTheSelectListAndRestartOnClear) {
  RecordingTask task;
  QueryDescription query(task, 0);
  auto *t = query.AddTable("T", "t");
  EXPECT_EQ(query.AddField(t, "a", true)->Ordinal(), 0);
  EXPECT_EQ(query.AddField(t, "hidden", true, true)->Ordinal(), QueryDescription::kNotSelected);
  EXPECT_EQ(query.AddField(*t, "b")->Ordinal(), 1);
  EXPECT_EQ(query.Fields().size(), 2u);
  query.ClearQuery();
  EXPECT_TRUE(query.Tables().empty());
  EXPECT_TRUE(query.Fields().empty());
  auto *again = query.AddTable("T", "t");
  EXPECT_EQ(query.AddField(again, "a", true)->Ordinal(), 0);
}

struct FakeSchema : SchemaChecks {
  bool TableExists(const QString &table) override { return table != QLatin1String("Missing"); }
  bool FieldExists(const QString &table, const QString &field) override {
    checked << table + QLatin1Char('.') + field;
    return field != QLatin1String("gone");
  }
  void DumpTableColumns(const QString &table) override { dumped << table; }
  QStringList checked;
  QStringList dumped;
};

TEST(QueryDescription, ExistenceChecksLogOrThrowByRequiredFlag) {
  const struct {
    const char *what;
    int behaviour;
    bool required;
    bool table;  // a missing table, else a missing field
    const char *thrown;
    const char *logged;
    int loggedLevel;
    bool dumped;
  } cases[] = {
      {"optional table", 2, false, true, nullptr, "Table does not exist : Missing", 8, false},
      {"required table", 2, true, true, "Table does not exist : Missing", "Table does not exist : Missing", 2,
       false},
      {"optional field", 2, false, false, nullptr, "Field does not exist : gone in table Student", 8, false},
      {"required field", 2, true, false, "Required Field does not exist : gone in table Student",
       "Field does not exist : gone in table Student", 2, false},
      {"optional field with dump", 0x42, false, false, nullptr,
       "Field does not exist : gone in table Student", 8, true},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    FakeSchema schema;
    QueryDescription query(task, c.behaviour);
    query.SetSchemaChecks(&schema);
    auto *student = query.AddTable("Student", "s");
    try {
      const void *added = c.table ? static_cast<const void *>(query.AddTable("Missing", "m", c.required))
                                  : static_cast<const void *>(query.AddField(student, "gone", c.required));
      EXPECT_EQ(added, nullptr) << c.what;
      EXPECT_EQ(c.thrown, nullptr) << c.what;
    } catch (const XException &e) {
      ASSERT_NE(c.thrown, nullptr) << c.what;
      EXPECT_EQ(e.Text(), QString::fromLatin1(c.thrown)) << c.what;
    }
    const LogRecord *record = task.find(QString::fromLatin1(c.logged));
    ASSERT_NE(record, nullptr) << c.what;
    EXPECT_EQ(record->level, c.loggedLevel) << c.what;
    EXPECT_EQ(schema.dumped.size(), c.dumped ? 1 : 0) << c.what;
    EXPECT_EQ(query.Tables().size(), 1u) << c.what;
    EXPECT_TRUE(query.Fields().empty()) << c.what;
  }
}

TEST(QueryDescription, FieldChecksUseTheUnderlyingTableName) {
  RecordingTask task;
  FakeSchema schema;
  QueryDescription query(task, 2);
  query.SetSchemaChecks(&schema);
  auto *t = query.AddTable("Student", "s", true, "dbo.Student");
  ASSERT_NE(query.AddField(t, "personID", true), nullptr);
  EXPECT_EQ(schema.checked, QStringList{QStringLiteral("Student.personID")});
}

TEST(QueryDescription, NullEntriesAreRefusedWithTheirTexts) {
  RecordingTask task;
  QueryDescription query(task, 0);
  auto *f = query.AddField(query.AddTable("T", "t"), "a", true);
  const struct {
    const char *text;
    std::function<void()> call;
  } throwing[] = {
      {"Table was NULL when searching for: a", [&] { query.AddField(nullptr, "a", true); }},
      {"Primary field NULL in XODBC::AddCondition.", [&] { query.AddCondition("AND", nullptr, "=", f); }},
      {"Primary field NULL in XODBC::AddCondition.", [&] { query.AddCondition("AND", nullptr, "=", "1"); }},
      {"Second field with ais NULL in XODBC::AddCondition.",
       [&] { query.AddCondition("AND", f, "=", static_cast<const ODBCField *>(nullptr)); }},
  };
  for (const auto &c : throwing) {
    try {
      c.call();
      ADD_FAILURE() << c.text;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QString::fromLatin1(c.text));
      const LogRecord *record = task.find(QString::fromLatin1(c.text));
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(record->level, 2);
    }
  }
  EXPECT_TRUE(query.Conditions().empty());
  EXPECT_EQ(query.AddField(nullptr, "b", false), nullptr);
  EXPECT_EQ(task.find(QStringLiteral("Table was NULL when searching for: b"))->level, 8);
  EXPECT_EQ(query.AddOrder(nullptr), nullptr);
  EXPECT_EQ(task.find(QStringLiteral("Field NULL in ODBC::AddOrder."))->level, 4);
  EXPECT_EQ(task.find(QStringLiteral("Primary field NULL in XODBC::AddCondition."))->method,
            QStringLiteral("ODBCDataAccess::AddCondition"));
}

}  // namespace
