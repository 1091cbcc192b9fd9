// The connection and record layer on both test engines with the tiny school: the embedded SQLite
// file (SQLite dialect) and the SQL Server dialect server (MSSQL type, WITH (NOLOCK), sysobjects).
#include <gtest/gtest.h>

#include "databasetype.h"
#include "hostile_values.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "school_databases.h"
#include "test_support.h"
#include "xexception.h"

namespace {

enum class Engine { Sqlite, Server };

std::string engineName(const ::testing::TestParamInfo<Engine> &info) {
  return info.param == Engine::Sqlite ? "Sqlite" : "Server";
}

class TinySchool : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (GetParam() == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
    // As the engine sets the layer up: SQL Server type, quoting on, behaviour 3, long time-outs.
    session_ = std::make_unique<OdbcSession>(task_, 3);
    session_->Query().Options().QuoteFields = true;
    session_->Query().Options().QuoteTables = true;
    session_->SetTimeouts(720, 360);
    const bool sqlite = GetParam() == Engine::Sqlite;
    const QString dsn = sqlite ? icbtest::schoolDbPath(QStringLiteral("tiny")) : icbtest::schoolServerDsn();
    session_->SetDatabaseType(EffectiveDatabaseType(DatabaseType::MSSQL, dsn));
    session_->SetDataSource(dsn);
    ASSERT_EQ(session_->DatabaseType(), sqlite ? DatabaseType::SQLite : DatabaseType::MSSQL);
    session_->Connect(sqlite
                          ? session_->BuildConnectionString(dsn, std::nullopt, std::nullopt)
                          : session_->BuildConnectionString(dsn, QStringLiteral("SA"), QStringLiteral("sa")));
  }

  QueryDescription &query() { return session_->Query(); }

  RecordingTask task_;
  std::unique_ptr<OdbcSession> session_;
};

TEST_P(TinySchool, FeesCountWalkAndWalkAgain) {
  const ODBCTable *fee = query().AddTable("Fee", "F");
  const ODBCField *id = query().AddField(fee, "feeID", true);
  const ODBCField *amount = query().AddField(fee, "amount", true);
  const ODBCField *comments = query().AddField(fee, "comments", true);
  query().AddCondition("", id, "<=", "1014");
  query().AddOrder(id);
  EXPECT_EQ(session_->BuildQuery().contains(QLatin1String("WITH (NOLOCK)")), GetParam() == Engine::Server);
  ASSERT_TRUE(session_->OpenQuery());
  ASSERT_EQ(session_->GetRecordCount(), 4);
  ASSERT_TRUE(session_->GetFirstRecord());  // counting leaves the walk where it was: start again
  const struct {
    int id;
    const char *text;
    double value;
  } expected[] = {{1011, "25", 25.0}, {1012, "40", 40.0}, {1013, "12.5", 12.5}, {1014, "0.5", 0.5}};
  for (const auto &row : expected) {
    EXPECT_EQ(session_->GetFieldInt(id), row.id);
    EXPECT_EQ(session_->GetFieldText(amount), QString::fromLatin1(row.text)) << row.id;
    EXPECT_DOUBLE_EQ(session_->GetFieldMoney(amount), row.value);
    EXPECT_TRUE(session_->IsFieldNull(comments));
    EXPECT_EQ(session_->GetFieldText(comments), QString());
    session_->GetNextRecord();
  }
  EXPECT_FALSE(session_->GetNextRecord());
  ASSERT_TRUE(session_->GetFirstRecord());
  EXPECT_EQ(session_->GetFieldInt(id), 1011);
  session_->CloseQuery();
  EXPECT_TRUE(query().Fields().empty());
  EXPECT_FALSE(session_->GetFirstRecord());
}

TEST_P(TinySchool, DatesTimesFlagsAndLongText) {
  const ODBCTable *cal = query().AddTable("Calendar", "CAL");
  const ODBCField *calendarID = query().AddField(cal, "calendarID", true);
  const ODBCField *start = query().AddField(cal, "startDate", true);
  const ODBCField *summer = query().AddField(cal, "summerSchool", true);
  query().AddCondition("", calendarID, "=", "101");
  ASSERT_TRUE(session_->OpenQuery());
  ASSERT_TRUE(session_->GetFirstRecord());
  EXPECT_EQ(session_->GetFieldDate(start), XDate(2026, 8, 1));
  EXPECT_EQ(session_->GetFieldText(start), QStringLiteral("2026/08/01 0:00:00"));
  EXPECT_FALSE(session_->GetFieldBool(summer));
  EXPECT_EQ(session_->GetFieldBoolText(summer), QStringLiteral("0"));
  session_->CloseQuery();

  const ODBCTable *period = query().AddTable("Period", "P");
  const ODBCField *periodID = query().AddField(period, "periodID", true);
  const ODBCField *startTime = query().AddField(period, "startTime", true);
  query().AddCondition("", periodID, "=", "101111");
  ASSERT_TRUE(session_->OpenQuery());
  ASSERT_TRUE(session_->GetFirstRecord());
  EXPECT_EQ(session_->GetFieldTime(startTime), XTime(8, 0, 0));
  EXPECT_EQ(session_->GetFieldText(startTime), QStringLiteral("1900/01/01 8:00:00"));
  EXPECT_EQ(session_->GetFieldDateOrNull(startTime), XDate());
  session_->CloseQuery();

  const ODBCTable *health = query().AddTable("HealthCondition", "HC");
  const ODBCField *conditionID = query().AddField(health, "conditionID", true);
  const ODBCField *comments = query().AddField(health, "comments", true);
  query().AddCondition("", conditionID, "=", "1");
  ASSERT_TRUE(session_->OpenQuery());
  ASSERT_TRUE(session_->GetFirstRecord());
  EXPECT_EQ(session_->GetFieldText(comments),
            QStringLiteral("Uses inhaler\tbefore PE.\r\nCarries her own inhaler."));
  // Tabs go first (string rule), then carriage return and line feed each become one space.
  EXPECT_EQ(session_->GetFieldOneLine(comments),
            QStringLiteral("Uses inhalerbefore PE.  Carries her own inhaler."));
}

TEST_P(TinySchool, QuoteInsideAValue) {
  const ODBCTable *stu = query().AddTable("Student", "S");
  const ODBCField *personID = query().AddField(stu, "personID", true);
  const ODBCField *lastName = query().AddField(stu, "lastName", true);
  query().AddCondition("", personID, "=", "1001");
  ASSERT_TRUE(session_->OpenQuery());
  ASSERT_TRUE(session_->GetFirstRecord());
  EXPECT_EQ(session_->GetFieldString(lastName), QStringLiteral("O'Brien"));
  session_->CloseQuery();
  EXPECT_EQ(SelectEqual(*session_, "Student", "lastName", "O'Brien").size(), 1);
}

TEST_P(TinySchool, HostileDistrictSchoolAndTeacherValuesMeanWhatTheySay) {
  const struct {
    const char *table;
    const char *column;
  } targets[] = {{"District", "name"}, {"School", "name"}, {"staffMember", "lastName"}};
  for (const auto &target : targets) {
    for (const QString &value : HostileValues()) {
      const QStringList rows = SelectEqual(*session_, target.table, target.column, value);
      for (const QString &row : rows) EXPECT_EQ(row, value) << target.table;
      if (value != QLatin1String("O'Brien")) {
        EXPECT_TRUE(rows.isEmpty()) << target.table << " " << value.toStdString();
      }
    }
  }
  EXPECT_EQ(SelectEqual(*session_, "staffMember", "lastName", "O'Connor").size(), 1);
  EXPECT_EQ(SelectEqual(*session_, "District", "name", "Lakeside Unified").size(), 1);
}

TEST_P(TinySchool, ExistenceChecks) {
  const struct {
    const char *table;
    const char *column;  // nullptr: table check
    bool exists;
  } cases[] = {
      {"District", nullptr, true},           {"district", nullptr, true},
      {"v_SectionInfo", nullptr, true},      {"V_SECTIONINFO", nullptr, true},
      {"NoSuchTable", nullptr, false},       {"Stud", nullptr, false},
      {"Student", "personID", true},         {"student", "LASTNAME", true},
      {"v_SectionInfo", "courseName", true}, {"SchoolYear", "yearID", false},
      {"Student", "noSuchColumn", false},    {"NoSuchTable", "personID", false},
  };
  for (const auto &c : cases) {
    const bool answer = c.column ? session_->FieldExists(c.table, c.column) : session_->TableExists(c.table);
    EXPECT_EQ(answer, c.exists) << c.table << "." << (c.column ? c.column : "");
  }
  // Through the description with check existence on (behaviour 3): an optional column the table
  // lacks is left out, a required one stops the query.
  const ODBCTable *year = query().AddTable("SchoolYear", "SY");
  ASSERT_NE(year, nullptr);
  EXPECT_EQ(query().AddField(year, "yearID", false), nullptr);
  EXPECT_THROW(query().AddField(year, "yearID", true), XException);
  EXPECT_NE(task_.find(QStringLiteral("Required Field does not exist : yearID in table SchoolYear")),
            nullptr);
  EXPECT_NE(query().AddField(year, "endYear", true), nullptr);
}

TEST_P(TinySchool, ConnectAndInspectWritesTheSchemaWhenAsked) {
  ParameterMap parameters{{QStringLiteral("logSchema"), QStringLiteral("true")}};
  RecordingTask task;
  task.UseParameters(parameters);
  OdbcSession session(task, 3);
  session.SetDatabaseType(session_->DatabaseType());
  session.ConnectAndInspect(session_->ConnectionString(), true);
  EXPECT_TRUE(session.KeepConnected());
  EXPECT_NE(task.find(QStringLiteral("Logging Schema...")), nullptr);
  EXPECT_TRUE(task.anyContains(QStringLiteral("Fee::")));
}

// Date cut-offs as the exports write them, against date-time and date columns. The behaviour
// events fall on 4 September 12:30, 5 September 08:05, 6 September 09:00 and 12 October 14:05.
TEST_P(TinySchool, DateLiteralsCompareWithDateTimeAndDateColumns) {
  const struct {
    const char *table;
    const char *key;
    const char *column;
    const char *op;
    XDate date;
    QStringList keys;
  } cases[] = {
      {"BehaviorEvent", "eventID", "timestamp", ">=", XDate(2026, 9, 5), {"2", "3", "4"}},
      {"BehaviorEvent", "eventID", "timestamp", "<", XDate(2026, 9, 5), {"1"}},
      {"BehaviorEvent", "eventID", "timestamp", "<=", XDate(2026, 9, 13), {"1", "2", "3"}},
      {"BehaviorEvent", "eventID", "timestamp", ">", XDate(2026, 12, 9), {}},
      {"BehaviorResolution", "resolutionID", "endDate", ">=", XDate(2026, 9, 7), {"1", "6"}},
      {"BehaviorResolution", "resolutionID", "endDate", "=", XDate(2026, 9, 6), {"3"}},
  };
  for (const auto &c : cases) {
    query().ClearQuery();
    const ODBCTable *table = query().AddTable(c.table, "T");
    const ODBCField *key = query().AddField(table, c.key, true);
    query().AddCondition("", query().AddField(table, c.column, true, true), c.op, session_->SQLDate(c.date));
    query().AddOrder(key);
    ASSERT_TRUE(session_->OpenQuery()) << c.column << c.op;
    QStringList keys;
    for (bool row = session_->GetFirstRecord(); row; row = session_->GetNextRecord())
      // Keys from 990000 are the school's out-of-scope rows, which the scope guard test reads.
      if (session_->GetFieldText(key).toInt() < 990000) keys << session_->GetFieldText(key);
    EXPECT_EQ(keys, c.keys) << c.table << "." << c.column << " " << c.op << " "
                            << session_->SQLDate(c.date).toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, TinySchool, ::testing::Values(Engine::Sqlite, Engine::Server), engineName);

}  // namespace
