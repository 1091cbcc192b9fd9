// `icbridge test --group=schema` on copies of the tiny school, on both engines: a missing optional
// column is named with its export and the import column it drops, and the check passes; a missing
// required column says the run would fail, and the check fails. No import file is written.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

#include "../e2e/bridge_process.h"
#include "own_school_server.h"
#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

// A case's expected test line and its check's error and warning log lines, as "level<TAB>message", are in
// expected/schema/<case name>.txt.
struct SchemaCase {
  const char *table;  // with column: removed from the copy; none: the copy as it is
  const char *column;
  int exitCode;
};

const SchemaCase kCases[] = {
    {nullptr, nullptr, 0}, {"AttendanceExcuse", "description", 0}, {"PeriodSchedule", "name", 1}};

std::string CaseName(const SchemaCase &c) {
  return c.table ? std::string(c.table) + "_" + c.column : "whole_school";
}

class SchemaCheck : public ::testing::TestWithParam<std::tuple<bool, SchemaCase>> {
 protected:
  // A copy of the tiny school without the case's column, in a SQLite file or on a server of its own;
  // the data source to give the bridge.
  QString SchoolCopy(bool server, const SchemaCase &c) {
    const QString drop =
        c.table ? QStringLiteral("ALTER TABLE \"%1\" DROP COLUMN \"%2\"").arg(c.table, c.column) : "";
    if (!server) {
      const QString copy = bridge_.path(QStringLiteral("school.db"));
      EXPECT_TRUE(icbtest::CopyTinySchool(copy, drop));
      return copy;
    }
    const QByteArray load =
        icbtest::readBytes(icbtest::binaryPath(QStringLiteral("fixtures/tiny.hsql"))).trimmed() + "\n" +
        (c.table ? "SQL " + drop.toUtf8() + "\n" : QByteArray());
    QFile file(bridge_.path(QStringLiteral("school.hsql")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(load) == load.size());
    file.close();
    EXPECT_TRUE(server_.Start({{QStringLiteral("copy"), file.fileName()}}));
    bridge_.extraEnvironment.insert(QStringLiteral("ODBCSYSINI"), server_.OdbcFolder());
    return QStringLiteral("icb_copy");
  }

  BridgeProcess bridge_;
  icbtest::OwnSchoolServer server_{QMap<QString, QString>()};
};

TEST_P(SchemaCheck, NamesWhatIsMissingAndWhetherARunWouldSucceed) {
  const auto &[server, c] = GetParam();
  if (server && !icbtest::OwnSchoolServer::Available()) GTEST_SKIP() << "no Java or HSQLDB on this machine";
  const BridgeResult result = bridge_.run({"test", "--group=schema", "--dsn=" + SchoolCopy(server, c),
                                           "--user=SA", "--pwd=sa", "--district=1", "--school=10"});
  QByteArray testLine, details;
  for (const QByteArray &line : result.output.split('\n')) {
    const QList<QByteArray> fields = line.split('\t');
    if (fields.first() == "test") testLine = line;
    if (fields.size() == 5 && fields[3] == "ExpEngine::CheckSchema" && fields[1].trimmed() != "Informational")
      details += fields[1].trimmed() + '\t' + fields[4] + '\n';
  }
  EXPECT_EQ(result.exitCode, c.exitCode) << result.output.toStdString();
  const QString expected = "tests/engine/expected/schema/" + QString::fromStdString(CaseName(c)) + ".txt";
  EXPECT_EQ(testLine + '\n' + details, icbtest::readBytes(icbtest::sourcePath(expected)));
  QDirIterator written(bridge_.home.path(), {"*.pef", "*.PDE", "*.PDU", "SchoolConfig.xml"}, QDir::Files,
                       QDirIterator::Subdirectories);
  EXPECT_FALSE(written.hasNext()) << "the check wrote " << written.next().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothEngines, SchemaCheck,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kCases)),
                         [](const auto &info) {
                           return (std::get<0>(info.param) ? "Server_" : "Sqlite_") +
                                  CaseName(std::get<1>(info.param));
                         });

}  // namespace
