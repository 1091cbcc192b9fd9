// The query time-out: a query or a fetch call still running when its time is up is cancelled, fails
// with the time-out named in the error text, and leaves the connection usable; on a slow link (a
// scripted driver whose fetches wait) a result whose fetches together outlast it still arrives.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "databasetype.h"
#include "engine_connection.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "school_databases.h"
#include "scratch_sqlite.h"
#include "scripted_driver.h"
#include "xexception.h"

namespace {

// Counts to a billion: minutes of work for SQLite.
const char kEndless[] =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000) "
    "SELECT COUNT(*) FROM c";

struct TimeoutCase {
  const char *name;
  int commandSeconds;
  bool expectTimeout;
  const char *sql;
};

void PrintTo(const TimeoutCase &c, std::ostream *os) {
  *os << c.name;
}

class QueryTimeout : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(QueryTimeout, EndsTheQueryAtItsTimeAndKeepsTheSessionUsable) {
  const TimeoutCase &c = GetParam();
  ScratchSqlite db("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (1), (2);");
  RecordingTask task;
  OdbcSession session(task, 0);
  session.SetDatabaseType(DatabaseType::SQLite);
  session.SetTimeouts(5, c.commandSeconds);
  session.Connect(session.BuildConnectionString(db.Path(), std::nullopt, std::nullopt));

  QElapsedTimer timer;
  timer.start();
  bool timedOut = false;
  try {
    session.RunQuery(QString::fromLatin1(c.sql));
  } catch (const XException &e) {
    timedOut = true;
    EXPECT_TRUE(e.Text().startsWith(QLatin1String("While executing query: "))) << e.what();
    EXPECT_TRUE(e.Text().contains(QLatin1String("Query timeout expired"))) << e.what();
  }
  EXPECT_EQ(timedOut, c.expectTimeout);
  if (c.expectTimeout) {
    EXPECT_LT(timer.elapsed(), (c.commandSeconds + 3) * 1000);
  }

  // The connection still answers.
  ASSERT_EQ(session.RunQuery(QStringLiteral("SELECT COUNT(*) FROM t")), 0);
  EXPECT_EQ(session.GetRecordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, QueryTimeout,
                         ::testing::Values(TimeoutCase{"EndlessQueryCancelled", 1, true, kEndless},
                                           TimeoutCase{"QuickQueryUnderTheTimeout", 1, false,
                                                       "SELECT x FROM t"},
                                           TimeoutCase{"NoTimeoutWhenQuick", 0, false, "SELECT x FROM t"}),
                         [](const auto &info) { return std::string(info.param.name); });

struct FetchTimeoutCase {
  const char *name;
  int fetchDelayMs;  // every fetch call
  int stalledFetch;  // the call (from 0) that waits stallMs instead
  int stallMs;
  bool expectTimeout;
};

// One second of time-out; four rows a fetch, so the 14 rows take five fetch calls.
const FetchTimeoutCase kFetchCases[] = {
    {"SlowLinkEachFetchInTime", 400, -1, 0, false},
    {"OneFetchOutlastsTheTime", 0, 2, 2500, true},
};

class FetchTimeout : public ::testing::TestWithParam<std::tuple<Engine, FetchTimeoutCase>> {};

TEST_P(FetchTimeout, BoundsEachFetchCall) {
  const auto &[engine, c] = GetParam();
  if (engine == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  OdbcConnection connection;
  ASSERT_EQ(OpenTinySchool(connection, engine), QString());
  ScriptedDriver driver;
  driver.rowsetCap = 4;
  driver.fetchDelay = std::chrono::milliseconds(c.fetchDelayMs);
  driver.stalledFetch = c.stalledFetch;
  driver.stall = std::chrono::milliseconds(c.stallMs);
  const QString query = QString::fromLatin1(kStudentNamesQuery);

  QElapsedTimer timer;
  timer.start();
  try {
    RecordSet records(connection.Handle(), query, 1, true, driver);
    EXPECT_FALSE(c.expectTimeout) << "a fetch call outlasted the time-out unnoticed";
    EXPECT_EQ(StudentNames(records), kStudentNames);
  } catch (const XException &e) {
    EXPECT_TRUE(c.expectTimeout) << e.what();
    EXPECT_TRUE(e.Text().contains(QLatin1String("Query timeout expired"))) << e.what();
    EXPECT_LT(timer.elapsed(), c.stallMs + 3000);
  }

  // The connection still answers.
  RecordSet again(connection.Handle(), query, 1);
  EXPECT_EQ(StudentNames(again), kStudentNames);
}

INSTANTIATE_TEST_SUITE_P(Drivers, FetchTimeout,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kFetchCases)),
                         EngineCaseName<FetchTimeoutCase>);

}  // namespace
