// A server that goes away under an open connection: the next query fails with the layer's error
// text within seconds, and the layer is left without a record set (no crash, no hang).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "databasetype.h"
#include "odbcsession.h"
#include "own_school_server.h"
#include "recording_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// A session connected to a server of its own, as the engine sets one up.
class ServerStopped : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!icbtest::OwnSchoolServer::Available()) GTEST_SKIP() << "no Java or HSQLDB on this machine";
    ASSERT_TRUE(server.Running());
    session.SetDatabaseType(DatabaseType::MSSQL);
    session.SetTimeouts(10, 600);
    session.Query().Options() = {false, true, true};
    session.Connect(server.Connection());
  }

  icbtest::OwnSchoolServer server;
  RecordingTask task;
  OdbcSession session{task, 3};
};

TEST_F(ServerStopped, QueryAfterTheServerWentAwayFailsQuickly) {
  const ODBCField *id =
      session.Query().AddField(session.Query().AddTable("District", "D"), "districtID", true);
  ASSERT_TRUE(session.OpenQuery());
  ASSERT_TRUE(session.GetFirstRecord());
  EXPECT_EQ(session.GetFieldInt(id), 1);

  server.Kill();
  QElapsedTimer timer;
  timer.start();
  try {
    session.OpenQuery();
    ADD_FAILURE() << "a query ran on a stopped server";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith(QLatin1String("While executing query: "))) << e.what();
    EXPECT_FALSE(e.Text().contains(QLatin1String("PWD=sa")));
  }
  EXPECT_LT(timer.elapsed(), 15000);
  EXPECT_FALSE(session.GetFirstRecord());
  EXPECT_EQ(session.GetRecordCount(), -1);
  for (const auto &record : task.logs) EXPECT_FALSE(record.message.contains(QLatin1String("Password=sa")));
}

TEST_F(ServerStopped, ServerKilledInTheMiddleOfAQueryEndsItWithAnError) {
  // Minutes of work for the server; it is killed a second into it.
  std::thread killer([this] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    server.Kill();
  });
  QElapsedTimer timer;
  timer.start();
  try {
    session.RunQuery(
        QStringLiteral("SELECT COUNT(*) FROM INFORMATION_SCHEMA.COLUMNS a, "
                       "INFORMATION_SCHEMA.COLUMNS b, INFORMATION_SCHEMA.COLUMNS c"));
    ADD_FAILURE() << "the query finished although its server was killed";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith(QLatin1String("While executing query: "))) << e.what();
    EXPECT_FALSE(e.Text().contains(QLatin1String("PWD=sa")));
  }
  killer.join();
  EXPECT_LT(timer.elapsed(), 15000);
  EXPECT_FALSE(session.HasRecordSet());
}

}  // namespace
