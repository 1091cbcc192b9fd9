// The ODBC layer of the task chain on the tiny SQLite school: opening an export's query with its
// log lines, a failing query rethrown with its SQL, the attendance date window replacing itself,
// and values read through the column getters.
#include <gtest/gtest.h>

#include "databasetype.h"
#include "odbcdataaccess.h"
#include "school_databases.h"
#include "test_support.h"
#include "xexception.h"

namespace {

class SchoolTask : public ODBCDataAccess {
 public:
  explicit SchoolTask(int behaviour = 0) : ODBCDataAccess(behaviour) {
    connect(this, &AppTaskBase::writeLog, this,
            [this](int level, const QString &message, const QString &method) {
              logs.push_back({level, message, method});
            });
    SetDatabaseType(DatabaseType::MSSQL);
    Options().QuoteFields = true;
    Options().QuoteTables = true;
    SetDataSourceName(icbtest::schoolDbPath(QStringLiteral("tiny")));
    Connect(BuildConnectionString());
  }
  // The layers below log while they are destroyed, after this object's members are gone.
  ~SchoolTask() override { disconnect(this, &AppTaskBase::writeLog, nullptr, nullptr); }
  struct Line {
    int level;
    QString message;
    QString method;
  };
  int LevelOf(const QString &message) const {
    for (const Line &line : logs)
      if (line.message == message) return line.level;
    return -99;
  }
  using ODBCDataAccess::OpenTable;
  using ODBCDataAccess::SetCurrentField;
  std::vector<Line> logs;
};

TEST(SchoolQuery, ASqliteSchoolFileTurnsTheEngineTypeIntoSqlite) {
  SchoolTask task;
  EXPECT_EQ(task.DatabaseType(), DatabaseType::SQLite);
  EXPECT_TRUE(task.IsConnected());
}

TEST(SchoolQuery, OpenTableLogsTheOpeningAndReadsTheRows) {
  SchoolTask task;
  task.StartTable(QStringLiteral("Staff"), QStringLiteral("Staff.pef"));
  const ODBCTable *staff = task.AddTable(QStringLiteral("staffMember"), QStringLiteral("staff"));
  ODBCField *last = task.AddField(staff, QStringLiteral("lastName"));
  ODBCField *id = task.AddField(staff, QStringLiteral("personID"));
  task.AddCondition(QString(), id, QStringLiteral("="), QStringLiteral("5004"));
  ASSERT_TRUE(task.OpenTable());
  EXPECT_EQ(task.LevelOf(QStringLiteral("Opening Staff table/query.")), 8);
  EXPECT_EQ(task.LevelOf(QStringLiteral("Ran query")), 8);
  EXPECT_EQ(task.LevelOf(QStringLiteral("Opened Staff table/query.")), 8);
  ASSERT_TRUE(task.GetFirstRecord());
  task.SetCurrentField(last);
  EXPECT_EQ(task.ColOneLine(), QStringLiteral("O'Connor"));
  EXPECT_EQ(task.ColUpper(), QStringLiteral("O'CONNOR"));
  task.SetCurrentField(id);
  EXPECT_EQ(task.ColInt(), QStringLiteral("5004"));
  EXPECT_FALSE(task.GetNextRecord());
}

TEST(SchoolQuery, AFailingQueryIsRethrownWithItsSql) {
  SchoolTask task;
  task.StartTable(QStringLiteral("Broken"), QStringLiteral("Broken.pef"));
  const ODBCTable *staff = task.AddTable(QStringLiteral("staffMember"), QStringLiteral("staff"));
  task.AddField(staff, QStringLiteral("noSuchColumn"));
  const QString sql = task.BuildQuery();
  try {
    task.OpenTable();
    FAIL() << "no exception";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith(QStringLiteral("Failed with error [While executing query: ")))
        << e.Text().toStdString();
    EXPECT_TRUE(e.Text().endsWith(QStringLiteral("] while parsing query: ") + sql)) << e.Text().toStdString();
    EXPECT_EQ(task.LevelOf(e.Text()), 2);
  }
}

TEST(SchoolQuery, TheAttendanceWindowReplacesTheEarlierWindow) {
  SchoolTask task;
  const ODBCTable *staff = task.AddTable(QStringLiteral("staffMember"), QStringLiteral("staff"));
  ODBCField *id = task.AddField(staff, QStringLiteral("personID"));
  ODBCField *start = task.AddField(staff, QStringLiteral("startDate"));
  task.AddCondition(QString(), task.AddField(staff, QStringLiteral("schoolID"), true, true),
                    QStringLiteral("="), QStringLiteral("'10'"));
  // The school's staff without the canary rows (keys from 990000) that only the scope guard reads.
  task.AddCondition(QStringLiteral("AND"), id, QStringLiteral("<"), QStringLiteral("990000"));
  task.SetChangeDateField(start);
  const QString base = task.BuildQuery();

  struct Window {
    QDate from, to;
    QString conditions;
    int rows;  // staff of school 10 whose start date lies in the window
  };
  const Window windows[] = {
      {QDate(2015, 1, 1), QDate(2020, 12, 31),
       " AND staff.\"startDate\" >= '2015-01-01' AND staff.\"startDate\" <= '2020-12-31'", 3},
      {QDate(2024, 1, 1), QDate(), " AND staff.\"startDate\" >= '2024-01-01'", 1},
      {QDate(), QDate(2010, 12, 31), " AND staff.\"startDate\" <= '2010-12-31'", 1},
      {QDate(), QDate(), "", 9},
  };
  for (const Window &w : windows) {
    task.FilterAttendance(w.from, w.to);
    EXPECT_EQ(task.BuildQuery(), base + w.conditions) << w.conditions.toStdString();
    ASSERT_TRUE(task.OpenQuery());
    EXPECT_EQ(task.GetRecordCount(), w.rows) << w.conditions.toStdString();
  }
  task.SetFilterDateFields();
  EXPECT_THROW(task.FilterAttendance(QDate(2026, 1, 1), QDate()), XException);
}

}  // namespace
