// Connections that fail: an unknown data source, a missing driver, a server that does not answer.
// The error texts carry the masked connection string and never the password.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "databasetype.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

const QString kSecret = QStringLiteral("s3cr3t;pw");

struct FailedConnect {
  QString thrown;
  QString diagnostic;
};

FailedConnect connectAndFail(RecordingTask &task, int type, const QString &dataSource, int timeout = 5) {
  OdbcSession session(task, 0);
  session.SetDatabaseType(type);
  session.SetTimeouts(timeout, timeout);
  const QString connection = session.BuildConnectionString(dataSource, QStringLiteral("sa"), kSecret);
  try {
    session.Connect(connection);
  } catch (const ConnectError &e) {
    EXPECT_FALSE(session.IsConnected());
    return {e.Text(), e.Diagnostic()};
  }
  ADD_FAILURE() << "connected to " << dataSource.toStdString();
  return {};
}

void expectNoSecret(const RecordingTask &task, const FailedConnect &failure) {
  EXPECT_FALSE(failure.thrown.contains(QLatin1String("s3cr3t")));
  EXPECT_FALSE(failure.diagnostic.contains(QLatin1String("s3cr3t")));
  for (const auto &record : task.logs)
    EXPECT_FALSE(record.message.contains(QLatin1String("s3cr3t"))) << record.message.toStdString();
}

TEST(ConnectFailure, UnknownDataSourceNameIsReportedAsMissing) {
  RecordingTask task;
  const FailedConnect failure = connectAndFail(task, DatabaseType::MSSQL, QStringLiteral("icb_no_such_dsn"));
  EXPECT_EQ(failure.thrown,
            QStringLiteral("Failed to connect to data source with connection string: "
                           "Provider=MSDASQL;Persist Security Info=False;Data Source=icb_no_such_dsn;"
                           "User ID=sa;Password=***********; The driver says: [unixODBC][Driver Manager]"
                           "Data source name not found and no default driver specified"));
  EXPECT_TRUE(failure.diagnostic.startsWith(QLatin1String("Error number: ")))
      << failure.diagnostic.toStdString();
  EXPECT_NE(task.find(QStringLiteral("Failed to connect to data source with connection string.")), nullptr);
  expectNoSecret(task, failure);

  OdbcSession session(task, 0);
  QString message;
  EXPECT_EQ(
      session.HandleException_ValidateConnection(ConnectError(failure.thrown, failure.diagnostic), message),
      2);
  EXPECT_EQ(message, QStringLiteral("Connection Failed: Data Source does not exist."));
  EXPECT_TRUE(task.anyContains(QStringLiteral("Exception Occured: Error number: ")));
}

TEST(ConnectFailure, OtherFailuresAreNotAMissingDataSource) {
  RecordingTask task;
  OdbcSession session(task, 0);
  QString message = QStringLiteral("unchanged");
  EXPECT_EQ(session.HandleException_ValidateConnection(XException(QStringLiteral("Login failed\nfor user")),
                                                       message),
            1);
  EXPECT_EQ(message, QStringLiteral("unchanged"));
  EXPECT_NE(task.find(QStringLiteral("Exception Occured :Login failed\nfor user")), nullptr);
  // The test is on the first line only, and case-sensitive.
  EXPECT_EQ(session.HandleException_ValidateConnection(
                XException(QStringLiteral("x\nData source name not found")), message),
            1);
  EXPECT_EQ(session.HandleException_ValidateConnection(
                XException(QStringLiteral("data source name not found")), message),
            1);
  EXPECT_EQ(session.HandleException_ValidateConnection(
                XException(QStringLiteral("[DM] Data source name not found, and")), message),
            2);
}

TEST(ConnectFailure, ServerThatIsDownFailsWithinTheTimeout) {
  RecordingTask task;
  OdbcSession session(task, 0);
  session.SetDatabaseType(DatabaseType::Postgres);
  session.SetTimeouts(3, 3);
  // Nothing listens on port 1 of the loopback address.
  const QString connection = QStringLiteral(
                                 "DRIVER=PostgreSQL Unicode;Servername=127.0.0.1;Port=1;Database=school;"
                                 "UID=SA;PWD=") +
                             kSecret;
  QElapsedTimer timer;
  timer.start();
  EXPECT_THROW(session.Connect(connection), ConnectError);
  EXPECT_LT(timer.elapsed(), 10000);
  for (const auto &record : task.logs) EXPECT_FALSE(record.message.contains(QLatin1String("s3cr3t")));
}

TEST(ConnectFailure, MissingSqliteFileIsNotCreated) {
  RecordingTask task;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("school.db"));
  OdbcSession session(task, 0);
  session.SetDatabaseType(DatabaseType::SQLite);
  EXPECT_THROW(session.Connect(session.BuildConnectionString(path, std::nullopt, std::nullopt)),
               ConnectError);
  EXPECT_FALSE(QFile::exists(path));
}

TEST(EffectiveDatabaseType, AnExistingSqliteFileTurnsSqlServerIntoSqlite) {
  const QString existing = icbtest::sourcePath(QStringLiteral("tests/dataaccess/CMakeLists.txt"));
  QTemporaryDir dir;
  const QString db = dir.filePath(QStringLiteral("school.SQLite3"));
  QFile file(db);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const struct {
    int type;
    QString dsn;
    int effective;
  } cases[] = {
      {5, db, 7},       {5, dir.filePath(QStringLiteral("missing.db")), 5},
      {5, existing, 5}, {5, QStringLiteral("icb_tiny"), 5},
      {10, db, 10},     {5, dir.path(), 5},
  };
  for (const auto &c : cases)
    EXPECT_EQ(EffectiveDatabaseType(c.type, c.dsn), c.effective) << c.dsn.toStdString();
}

}  // namespace
