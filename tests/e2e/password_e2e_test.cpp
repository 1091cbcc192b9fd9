// Hostile passwords through the connection test and the run, as the front-end starts them: no
// piece of the password reaches standard output, standard error, a log or any file left behind.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

#include "bridge_process.h"
#include "hostile_passwords.h"
#include "school_databases.h"

namespace {

struct Route {
  const char *name;
  QStringList arguments;
  QByteArray testLine;  // the "test" line expected on standard output; empty for the run
};

TEST(HostilePassword, NoPieceReachesOutputLogsOrFiles) {
  const QStringList place = {"--path=out", "--logpath=logs", "--user=U"};
  const QList<Route> routes = {
      {"test, unknown data source", QStringList{"test", "--group=connection", "--dsn=icb_missing"} + place,
       "test\tfail\tconnection\tConnection Failed.\n"},
      {"test, school data source", QStringList{"test", "--group=connection", "--dsn=icb_hostile"} + place,
       "test\tsuccess\tconnection\tConnection Successful.\n"},
      {"run", QStringList{"run", "--dsn=icb_hostile", "--district=1", "--school=10"} + place, {}},
  };
  for (const QString &password : icbtest::HostilePasswords()) {
    for (const Route &route : routes) {
      BridgeProcess bridge;
      QFile dsn(bridge.path("odbc.ini"));
      ASSERT_TRUE(dsn.open(QIODevice::WriteOnly));
      dsn.write("[icb_hostile]\nDriver=SQLite3\nDatabase=" +
                icbtest::schoolDbPath(QStringLiteral("tiny")).toUtf8() + "\n");
      dsn.close();
      bridge.extraEnvironment.insert("ODBCINI", dsn.fileName());
      const BridgeResult result = bridge.run(route.arguments + QStringList{"--pwd=" + password});
      const std::string where = std::string(route.name) + ", password " + password.left(20).toStdString();
      if (!route.testLine.isEmpty()) {
        EXPECT_TRUE(result.output.contains(route.testLine)) << where;
      }
      // The scratch home's random name must not pass for a piece of the password.
      QString seen = icbtest::ReadableText(result.output) + icbtest::ReadableText(result.error);
      for (QDirIterator it(bridge.home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
           it.hasNext();) {
        const QString file = it.next();
        if (file != dsn.fileName()) seen += icbtest::ReadableText(icbtest::readBytes(file));
      }
      seen.replace(bridge.home.path(), QStringLiteral("HOME"));
      EXPECT_EQ(icbtest::PasswordPieces(password, seen), QStringList()) << where;
    }
  }
}

}  // namespace
