// `icbridge test --group=schema` on copies of the tiny school with a column removed, on both engines:
// a missing optional column is named with its export and the import column it drops and the check
// passes; a missing required column says that the run would fail and the check fails. No file is
// written into the import folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "../e2e/bridge_process.h"
#include "own_school_server.h"
#include "school_databases.h"
#include "tiny_run.h"

namespace {

enum class Engine { Sqlite, Server };

struct SchemaCase {
  const char *name;
  const char *table;  // the column removed from the copy; none: the copy as it is
  const char *column;
  int exitCode;
  QByteArray testLine;
  // The details of the check: its error and warning log lines, as "level<TAB>message".
  QList<QByteArray> details;
};

const SchemaCase kCases[] = {
    {"whole school",
     nullptr,
     nullptr,
     0,
     "test\tsuccess\tschema\tSchema Validated: a run would succeed and write every import column.",
     {}},
    {"optional column removed",
     "AttendanceExcuse",
     "description",
     0,
     "test\tsuccess\tschema\tA run would succeed but leave out some import columns, see the log.",
     {"Warning\tThe database has no column AttendanceExcuse.description: Attendance Codes leaves out "
      "AttCodeDesc."}},
    {"required column removed",
     "PeriodSchedule",
     "name",
     1,
     "test\tfail\tschema\tA run would fail: the database lacks a table or column it needs, see the log.",
     {"Error\tThe database has no column PeriodSchedule.name, which Bell Schedule, Tumble and Days need: a "
      "run would fail."}},
};

// The "test" line and the check's own error and warning lines of the bridge's output.
void Split(const QByteArray &output, QByteArray &testLine, QList<QByteArray> &details) {
  for (const QByteArray &line : output.split('\n')) {
    const QList<QByteArray> fields = line.split('\t');
    if (fields.first() == "test") testLine = line;
    if (fields.size() == 5 && fields[0] == "log" && fields[3] == "ExpEngine::CheckSchema" &&
        (fields[1].trimmed() == "Error" || fields[1].trimmed() == "Warning"))
      details << fields[1].trimmed() + '\t' + fields[4];
  }
}

class SchemaCheck : public ::testing::TestWithParam<std::tuple<Engine, SchemaCase>> {
 protected:
  // A copy of the tiny school with the case's column removed; the data source to give the bridge.
  QString SchoolCopy(Engine engine, const SchemaCase &c) {
    if (engine == Engine::Sqlite) {
      const QString copy = bridge_.path(QStringLiteral("school.db"));
      EXPECT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), copy));
      if (c.table) {
        EXPECT_TRUE(icbtest::SqliteExec(
            copy, QStringLiteral("ALTER TABLE \"%1\" DROP COLUMN \"%2\"").arg(c.table, c.column)));
      }
      return copy;
    }
    QByteArray load = icbtest::readBytes(icbtest::binaryPath(QStringLiteral("fixtures/tiny.hsql")));
    if (!load.endsWith('\n')) load += '\n';
    if (c.table)
      load += QStringLiteral("SQL ALTER TABLE \"%1\" DROP COLUMN \"%2\"\n").arg(c.table, c.column).toUtf8();
    const QString loadFile = bridge_.path(QStringLiteral("school.hsql"));
    QFile file(loadFile);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(load) == load.size());
    file.close();
    EXPECT_TRUE(server_.Start({{QStringLiteral("copy"), loadFile}}));
    bridge_.extraEnvironment.insert(QStringLiteral("ODBCSYSINI"), server_.OdbcFolder());
    return QStringLiteral("icb_copy");
  }

  BridgeProcess bridge_;
  icbtest::OwnSchoolServer server_{QMap<QString, QString>()};
};

TEST_P(SchemaCheck, NamesWhatIsMissingAndWhetherARunWouldSucceed) {
  const auto &[engine, c] = GetParam();
  if (engine == Engine::Server && !icbtest::OwnSchoolServer::Available())
    GTEST_SKIP() << "no Java or HSQLDB on this machine";
  const QString dsn = SchoolCopy(engine, c);
  const BridgeResult result =
      bridge_.run({QStringLiteral("test"), QStringLiteral("--group=schema"), QStringLiteral("--dsn=") + dsn,
                   QStringLiteral("--user=SA"), QStringLiteral("--pwd=sa"), QStringLiteral("--district=1"),
                   QStringLiteral("--school=10")});
  QByteArray testLine;
  QList<QByteArray> details;
  Split(result.output, testLine, details);
  EXPECT_EQ(result.exitCode, c.exitCode) << result.output.toStdString();
  EXPECT_EQ(testLine, c.testLine);
  EXPECT_EQ(details, c.details);
  QDirIterator written(bridge_.home.path(), {"*.pef", "*.PDE", "*.PDU", "SchoolConfig.xml"}, QDir::Files,
                       QDirIterator::Subdirectories);
  EXPECT_FALSE(written.hasNext()) << "the check wrote " << written.next().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    BothEngines, SchemaCheck,
    ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server), ::testing::ValuesIn(kCases)),
    [](const auto &info) {
      std::string name = std::string(std::get<0>(info.param) == Engine::Sqlite ? "Sqlite_" : "Server_") +
                         std::get<1>(info.param).name;
      for (char &ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
