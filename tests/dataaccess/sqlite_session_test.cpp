// The connection and record layer on a SQLite file through the SQLite 3 ODBC driver: connecting,
// walking and counting, every getter on every column type, NULLs, quotes and existence checks.
#include <gtest/gtest.h>

#include "databasetype.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "scratch_sqlite.h"
#include "test_support.h"
#include "xexception.h"

namespace {

const char *kTyped = R"sql(
CREATE TABLE Typed (id INTEGER, small SMALLINT, big BIGINT, price DECIMAL(10,4), ratio DOUBLE, flag BIT,
                    born DATE, stamp DATETIME, name VARCHAR(40), note TEXT, tm TIME, raw BLOB);
INSERT INTO Typed VALUES (1, -7, 9000000000, '-12.3450', 2.5, 1, '2009-09-08', '2009-09-08 09:05:07',
                          'O''Brien', 'line one' || char(10) || 'line	two', '13:45:00', x'00FF10');
INSERT INTO Typed VALUES (2, 0, 0, '3.00005', 3.0, 0, '1900-01-01', '2026-02-02 00:00:00',
                          '  Zoë Ω  ', 'N/A', '00:30:15', x'');
INSERT INTO Typed VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
CREATE VIEW TypedView AS SELECT id, name FROM Typed;
CREATE TABLE Empty (x INTEGER);
CREATE TABLE Wide (t VARCHAR(5));
INSERT INTO Wide VALUES ('short'), ('a text far longer than its declared five characters');
)sql";

class SqliteSession : public ::testing::Test {
 protected:
  SqliteSession() : db_(kTyped), session_(task_, 0) {
    session_.SetDatabaseType(DatabaseType::SQLite);
    session_.Connect(session_.BuildConnectionString(db_.Path(), std::nullopt, std::nullopt));
  }

  // Selects every column of Typed ordered by id, fields in column order.
  void selectTyped() {
    QueryDescription &q = session_.Query();
    q.ClearQuery();
    const ODBCTable *t = q.AddTable("Typed", "t");
    for (const char *column :
         {"id", "small", "big", "price", "ratio", "flag", "born", "stamp", "name", "note", "tm", "raw"})
      fields_[column] = q.AddField(t, column, true);
    q.AddOrder(fields_["id"]);
    ASSERT_TRUE(session_.OpenQuery());
  }

  RecordingTask task_;
  ScratchSqlite db_;
  OdbcSession session_;
  std::map<std::string, const ODBCField *> fields_;
};

TEST_F(SqliteSession, ConnectsReadOnlyAndLogs) {
  EXPECT_TRUE(session_.IsConnected());
  EXPECT_NE(task_.find(QStringLiteral("Open in Read Only Access Mode.")), nullptr);
  EXPECT_NE(task_.find(QStringLiteral("Connected to data source.")), nullptr);
  EXPECT_EQ(session_.ConnectionString(), QStringLiteral("Database=") + db_.Path());
  session_.Disconnect();
  EXPECT_FALSE(session_.IsConnected());
}

TEST_F(SqliteSession, CountsWalksAndWalksAgain) {
  selectTyped();
  EXPECT_EQ(session_.GetRecordCount(), 3);
  const char *countLogs[] = {
      "GetRecordCount: Finishing Getting Record Count.", "GetRecordCount: Validating RecordCount.",
      "GetRecordCount: Driver supports RecordCount", "GetRecordCount: Found Record Count of 3"};
  for (const char *text : countLogs) EXPECT_NE(task_.find(QString::fromLatin1(text)), nullptr) << text;
  QStringList ids;
  for (bool row = session_.GetFirstRecord(); row; row = session_.GetNextRecord())
    ids << session_.GetFieldText(fields_["id"]);
  EXPECT_EQ(ids, QStringList({"1", "2", "3"}));
  EXPECT_FALSE(session_.GetNextRecord());
  ASSERT_TRUE(session_.GetFirstRecord());
  EXPECT_EQ(session_.GetFieldInt(fields_["id"]), 1);
}

TEST_F(SqliteSession, NoRowsIsNotAnError) {
  QueryDescription &q = session_.Query();
  q.AddField(q.AddTable("Empty", ""), "x", true);
  ASSERT_TRUE(session_.OpenQuery());
  EXPECT_FALSE(session_.GetFirstRecord());
  EXPECT_EQ(session_.GetRecordCount(), 0);
}

struct TextCase {
  const char *column;
  const char *row1;
  const char *row2;
  const char *row3;
};

TEST_F(SqliteSession, ValuesAsTextByColumnType) {
  selectTyped();
  const TextCase cases[] = {
      {"id", "1", "2", "3"},
      {"small", "-7", "0", ""},
      {"big", "9000000000", "0", ""},
      // The SQLite driver reports DECIMAL columns as character data: their text is the stored text.
      {"price", "-12.345", "3.00005", ""},
      {"ratio", "2.5", "3", ""},
      {"flag", "True", "False", ""},
      {"born", "2009/09/08 0:00:00", "1900/01/01 0:00:00", ""},
      {"stamp", "2009/09/08 9:05:07", "2026/02/02 0:00:00", ""},
      {"name", "O'Brien", "  Zo\xc3\xab ?  ", ""},
      {"note", "line one\nline\ttwo", "N/A", ""},
      {"raw", "", "", ""},
  };
  const char *TextCase::*rows[] = {&TextCase::row1, &TextCase::row2, &TextCase::row3};
  bool row = session_.GetFirstRecord();
  for (auto member : rows) {
    ASSERT_TRUE(row);
    for (const auto &c : cases)
      EXPECT_EQ(session_.GetFieldText(fields_[c.column]), QString::fromUtf8(c.*member))
          << c.column << " id " << session_.GetFieldText(fields_["id"]).toStdString();
    row = session_.GetNextRecord();
  }
  EXPECT_FALSE(row);
}

TEST_F(SqliteSession, TypedGetters) {
  selectTyped();
  ASSERT_TRUE(session_.GetFirstRecord());
  EXPECT_EQ(session_.GetFieldInt(fields_["small"]), -7);
  EXPECT_EQ(session_.GetFieldLong(fields_["ratio"]), 2);
  EXPECT_EQ(session_.GetFieldInt(fields_["price"]), -12);
  EXPECT_DOUBLE_EQ(session_.GetFieldDouble(fields_["ratio"]), 2.5);
  EXPECT_DOUBLE_EQ(session_.GetFieldMoney(fields_["price"]), -12.345);
  EXPECT_TRUE(session_.GetFieldBool(fields_["flag"]));
  EXPECT_EQ(session_.GetFieldBoolText(fields_["flag"]), QStringLiteral("1"));
  EXPECT_EQ(session_.GetFieldDate(fields_["born"]), XDate(2009, 9, 8));
  EXPECT_EQ(session_.GetFieldDateTime(fields_["stamp"]), XDateTime(XDate(2009, 9, 8), XTime(9, 5, 7)));
  EXPECT_EQ(session_.GetFieldTime(fields_["stamp"]), XTime(9, 5, 7));
  EXPECT_EQ(session_.GetFieldTime(fields_["tm"]), XTime(13, 45, 0));
  EXPECT_EQ(session_.GetFieldDateOrNull(fields_["born"]), XDate(2009, 9, 8));
  EXPECT_EQ(session_.GetFieldString(fields_["note"]), QStringLiteral("line one\nlinetwo"));
  EXPECT_EQ(session_.GetFieldOneLine(fields_["note"]), QStringLiteral("line one linetwo"));
  EXPECT_EQ(session_.GetFieldBytes(fields_["raw"]), QByteArray("\x00\xff\x10", 3));
  EXPECT_EQ(session_.GetFieldBytes(fields_["name"]), QByteArray("O'Brien"));
  EXPECT_FALSE(session_.IsFieldNull(fields_["name"]));

  ASSERT_TRUE(session_.GetNextRecord());
  EXPECT_EQ(session_.GetFieldString(fields_["name"]), QString::fromUtf8("Zo\xc3\xab ?"));
  EXPECT_EQ(session_.GetFieldBytes(fields_["name"]), QByteArray("  Zo\xeb ?  "));
  EXPECT_EQ(session_.GetFieldStringNoNA(fields_["note"]), QString());
  EXPECT_EQ(session_.GetFieldStringNoZero(fields_["small"]), QString());
  EXPECT_EQ(session_.GetFieldOneLineNoZero(fields_["small"]), QString());
  EXPECT_EQ(session_.GetFieldDateOrNull(fields_["born"]), XDate());
  EXPECT_EQ(session_.GetFieldBoolText(fields_["flag"]), QStringLiteral("0"));
  EXPECT_EQ(session_.GetFieldTime(fields_["tm"]), XTime(0, 30, 15));

  ASSERT_TRUE(session_.GetNextRecord());
  for (const auto &[name, field] : fields_) {
    if (name == "id") continue;
    EXPECT_TRUE(session_.IsFieldNull(field)) << name;
    EXPECT_EQ(session_.GetFieldInt(field), 0) << name;
    EXPECT_FALSE(session_.GetFieldBool(field)) << name;
    EXPECT_TRUE(session_.GetFieldDate(field).IsNull()) << name;
    EXPECT_TRUE(session_.GetFieldBytes(field).isEmpty()) << name;
  }
  EXPECT_EQ(session_.GetFieldText(nullptr), QString());
  EXPECT_EQ(session_.GetFieldBoolText(nullptr), QString());
  EXPECT_EQ(session_.GetFieldOneLine(nullptr), QString());
}

TEST_F(SqliteSession, ReadsByNameWithBehaviourFour) {
  RecordingTask task;
  OdbcSession byName(task, Behaviour::ReadByName);
  byName.SetDatabaseType(DatabaseType::SQLite);
  byName.Connect(byName.BuildConnectionString(db_.Path(), std::nullopt, std::nullopt));
  QueryDescription &q = byName.Query();
  const ODBCTable *t = q.AddTable("Typed", "t");
  const ODBCField *name = q.AddField(t, "name", true);
  const ODBCField *id = q.AddField(t, "id", true);
  // A field added out of select order still reads its own column by name.
  const ODBCField *late = q.AddField(*t, "id");
  q.AddCondition("", id, "=", "1");
  ASSERT_TRUE(byName.OpenQuery());
  ASSERT_TRUE(byName.GetFirstRecord());
  EXPECT_EQ(byName.GetFieldText(name), QStringLiteral("O'Brien"));
  EXPECT_EQ(byName.GetFieldInt(late), 1);
}

TEST_F(SqliteSession, LongerThanDeclaredValuesAreReadWhole) {
  QueryDescription &q = session_.Query();
  const ODBCField *t = q.AddField(q.AddTable("Wide", "w"), "t", true);
  ASSERT_TRUE(session_.OpenQuery());
  QStringList values;
  for (bool row = session_.GetFirstRecord(); row; row = session_.GetNextRecord())
    values << session_.GetFieldText(t);
  EXPECT_EQ(values, QStringList({"short", "a text far longer than its declared five characters"}));
}

TEST_F(SqliteSession, ExistenceChecksSeeMissingTablesAndColumns) {
  const struct {
    const char *table;
    const char *column;  // nullptr: table check
    bool exists;
  } cases[] = {
      {"Typed", nullptr, true},    {"TypedView", nullptr, true},     {"typed", nullptr, true},
      {"Missing", nullptr, false}, {"Typed", "name", true},          {"TypedView", "name", true},
      {"typed", "NAME", true},     {"Typed", "gone", false},         {"Missing", "name", false},
      {"Typ'ed", nullptr, false},  {"Typed", "x' OR '1'='1", false},
  };
  for (const auto &c : cases) {
    const bool answer = c.column ? session_.FieldExists(c.table, c.column) : session_.TableExists(c.table);
    EXPECT_EQ(answer, c.exists) << c.table << "." << (c.column ? c.column : "");
  }
  EXPECT_TRUE(task_.anyContains(QStringLiteral("Table Exists query:SELECT name FROM sqlite_master")));
  EXPECT_NE(task_.find(QStringLiteral("Field Valid.")), nullptr);
  EXPECT_NE(task_.find(QStringLiteral("Query RecordCount = 0")), nullptr);
}

TEST_F(SqliteSession, CheckedDescriptionRefusesAMissingColumn) {
  RecordingTask task;
  OdbcSession checked(task, Behaviour::CheckExistence | Behaviour::DumpTableOnMissingField);
  checked.SetDatabaseType(DatabaseType::SQLite);
  checked.Connect(checked.BuildConnectionString(db_.Path(), std::nullopt, std::nullopt));
  QueryDescription &q = checked.Query();
  const ODBCTable *t = q.AddTable("Typed", "t");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(q.AddField(t, "gone", false), nullptr);
  EXPECT_NE(q.AddField(t, "name", true), nullptr);
  EXPECT_EQ(q.AddTable("Missing", "m", false), nullptr);
  EXPECT_NE(task.find(QStringLiteral("Typed contents:")), nullptr);
  EXPECT_NE(task.find(QStringLiteral("stamp")), nullptr);  // a column name of the dump
}

TEST_F(SqliteSession, FailedQueryThrowsWithTheDriverText) {
  try {
    session_.RunQuery(QStringLiteral("SELECT x FROM Nowhere"));
    ADD_FAILURE() << "no exception";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith(QLatin1String("While executing query: Error number: "))) << e.what();
    EXPECT_TRUE(e.Text().contains(QLatin1String("Nowhere"))) << e.what();
  }
  EXPECT_TRUE(
      task_.anyContains(QStringLiteral("RunQuery: While executing: SELECT x FROM Nowhere, Error number: ")));
  EXPECT_FALSE(session_.HasRecordSet());
  EXPECT_FALSE(session_.GetFirstRecord());
  EXPECT_EQ(session_.GetRecordCount(), -1);
}

TEST_F(SqliteSession, TrialQueryAndSchemaLog) {
  EXPECT_TRUE(session_.TrialQuery(QStringLiteral("SELECT * FROM Typed")));
  EXPECT_FALSE(session_.TrialQuery(QStringLiteral("SELECT * FROM Missing")));
  session_.logSchema();
  EXPECT_NE(task_.find(QStringLiteral("Logging Schema...")), nullptr);
  EXPECT_NE(task_.find(QStringLiteral("SELECT name as table_name, sql as column_name FROM sqlite_master ")),
            nullptr);
  EXPECT_TRUE(task_.anyContains(QStringLiteral("Empty::CREATE TABLE Empty (x INTEGER)")));
}

}  // namespace

// A condition-only field declared before the selected ones takes no column of the result, so every
// selected field still reads its own value; after a new description none of them is left over.
TEST_F(SqliteSession, ConditionOnlyFieldsDoNotShiftTheColumnsRead) {
  QueryDescription &q = session_.Query();
  for (int pass = 0; pass < 2; ++pass) {
    q.ClearQuery();
    const ODBCTable *t = q.AddTable("Typed", "t");
    const ODBCField *id = q.AddField(t, "id", true, true);
    const ODBCField *name = q.AddField(t, "name", true);
    const ODBCField *small = q.AddField(t, "small", true);
    q.AddCondition(QString(), id, "=", "1");
    ASSERT_TRUE(session_.OpenQuery());
    ASSERT_TRUE(session_.GetFirstRecord());
    EXPECT_EQ(session_.GetFieldText(name), "O'Brien");
    EXPECT_EQ(session_.GetFieldText(small), "-7");
    EXPECT_THROW(session_.GetFieldText(id), XException);
    EXPECT_EQ(name->Ordinal(), 0);
  }
}
