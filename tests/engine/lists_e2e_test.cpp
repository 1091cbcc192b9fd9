// The front-end's service commands answered from a real database: the built icbridge runs against
// the SQLite tiny school (a "dsn" naming the file) and the SQL Server dialect server (DSN icb_tiny),
// and its standard output, standard error and exit code are compared byte for byte.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include "../e2e/bridge_process.h"
#include "database.h"
#include "school_databases.h"

namespace {

enum class Engine { Sqlite, Server };

struct Case {
  const char *name;
  // Arguments; "{dsn}", "{user}" and "{pwd}" stand for the engine's connection values.
  QStringList arguments;
  QByteArray output;
  QByteArray error;
  int exitCode;
};

QString DataSource(Engine engine) {
  return engine == Engine::Sqlite ? icbtest::schoolDbPath(QStringLiteral("tiny"))
                                  : icbtest::schoolServerDsn();
}

QStringList Resolve(const QStringList &arguments, Engine engine) {
  QStringList resolved;
  for (QString argument : arguments) {
    argument.replace(QLatin1String("{dsn}"), DataSource(engine));
    argument.replace(QLatin1String("{user}"), QStringLiteral("SA"));
    argument.replace(QLatin1String("{pwd}"), QStringLiteral("sa"));
    resolved << argument;
  }
  return resolved;
}

// The test server's PostgreSQL driver prints the server's greeting on standard error when it
// connects; the bridge has no part in it.
QByteArray WithoutServerGreeting(QByteArray error) {
  return error.replace("INFO:  MHello\nYou have connected to HyperSQL ODBC Server\n", "");
}

// Every run logs only to its file, so the output holds the protocol lines alone.
BridgeResult RunBridge(const BridgeProcess &bridge, const QStringList &arguments) {
  BridgeResult result =
      bridge.run(arguments + QStringList{QStringLiteral("--log=consoleoff"),
                                         QStringLiteral("--logpath=") + bridge.path("logs")});
  result.error = WithoutServerGreeting(result.error);
  return result;
}

const QStringList kConnection{"--dsn={dsn}", "--user={user}", "--pwd={pwd}"};

QStringList With(const QStringList &head, const QStringList &tail = {}) {
  return head + kConnection + tail;
}

// The application logs its start before it reads the log style, so that line reaches the console.
const QByteArray kStarted = "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n";
const QByteArray kTestStart = kStarted + "start_progress\t0\ninc_progress\tBeginning test...\n";

const Case kCases[] = {
    {"connection succeeds", With({"test", "--group=connection"}),
     kTestStart + "test\tsuccess\tconnection\tConnection Successful.\nend_progress\n", "", 0},
    {"school: valid pair", With({"test", "--group=school"}, {"--district=1", "--school=10"}),
     kTestStart + "test\tsuccess\tschool\tDistrict and School Validated.\nend_progress\n", "", 0},
    {"school: no district fails the requirement",
     With({"test", "--group=school"}, {"--district=", "--school=11"}),
     kStarted + "start_progress\t0\nwarning\tschool\tRequired parameter missing.\n"
                "test\tfail\tschool\tParameter not valid.\nend_progress\n",
     "missing\tdistrict\tDistrict missing or blank.\n", 1},
    {"school: wrong school", With({"test", "--group=school"}, {"--district=1", "--school=99"}),
     kTestStart + "test\tfail\tschool\tDistrict and School Not Valid.\nend_progress\n", "", 1},
    {"school: school of another district", With({"test", "--group=school"}, {"--district=1", "--school=20"}),
     kTestStart + "test\tfail\tschool\tDistrict and School Not Valid.\nend_progress\n", "", 1},
    {"school: district value holding SQL",
     With({"test", "--group=school"}, {"--district=1' OR '1'='1", "--school=10"}),
     kTestStart + "test\tfail\tschool\tDistrict and School Not Valid.\nend_progress\n", "", 1},
    {"school: school value holding SQL",
     With({"test", "--group=school"}, {"--district=1", "--school=99' OR 'x'='x"}),
     kTestStart + "test\tfail\tschool\tDistrict and School Not Valid.\nend_progress\n", "", 1},
    {"unknown group", With({"test", "--group=nothing"}), kTestStart + "end_progress\n",
     "error\tGroup Undefined\tGroup is undefined, there is a problem with the bridge, please report this "
     "problem "
     "to Kestrane Support.\n",
     1},
    {"district list", With({"params", "--paramkey=district"}),
     "start_progress\t0\ndistrict_list\tdistrict\t2\tHillview District (2)\t\n"
     "district_list\tdistrict\t1\tLakeside Unified (1)\t\nend_progress\n",
     "", 0},
    {"school list", With({"params", "--paramkey=school"}, {"--district=1"}),
     "start_progress\t0\nschool_list\tschool\t10\tLakeside High School (10)\t\n"
     "school_list\tschool\t11\tLakeside Middle School (11)\t\nend_progress\n",
     "", 0},
    {"teacher list", With({"params", "--paramkey=teacher"}, {"--district=1", "--school=10"}),
     "start_progress\t0\ninc_progress\tLoading Teacher List\ninc_progress\tFound Teachers...\n"
     "bridgelist\tteacher\t5002\tBrown, Charles Edward (5002)\t\n"
     "bridgelist\tteacher\t5010\tHughes, Grant (5010)\t\n"
     "bridgelist\tteacher\t5004\tO'Connor, Liam Patrick (5004)\t\n"
     "bridgelist\tteacher\t5001\tSmith, Ann (5001)\t\n"
     "bridgelist\tteacher\t5003\tPat (5003)\t\nend_progress\n",
     "", 0},
    {"teacher list of a school without teachers",
     With({"params", "--paramkey=teacher"}, {"--district=1", "--school=12"}),
     "start_progress\t0\ninc_progress\tLoading Teacher List\n"
     "warning\tteacher\tLoading Bridgelist failed.  Consult the logs to discover what the problem "
     "is.\nend_progress\n",
     "", 1},
    {"teacher list without a school", With({"params", "--paramkey=teacher"}, {"--district=1"}),
     "start_progress\t0\n"
     "warning\tteacher\tLoading Bridgelist failed.  Consult the logs to discover what the problem "
     "is.\nend_progress\n",
     "missing\tschool\tschool missing or blank.\n", 1},
};

class ServiceCommands : public ::testing::TestWithParam<std::tuple<Engine, Case>> {};

TEST_P(ServiceCommands, AnswerFromTheDatabase) {
  const auto &[engine, c] = GetParam();
  if (engine == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  BridgeProcess bridge;
  const BridgeResult result = RunBridge(bridge, Resolve(c.arguments, engine));
  EXPECT_EQ(timeless(result.output), c.output) << c.name;
  EXPECT_EQ(result.error, c.error) << c.name;
  EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
}

INSTANTIATE_TEST_SUITE_P(BothEngines, ServiceCommands,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto &info) {
                           return std::string(std::get<0>(info.param) == Engine::Sqlite ? "Sqlite"
                                                                                        : "Server") +
                                  "_" + std::to_string(info.index % std::size(kCases));
                         });

// A connection that cannot be made: every service command reports it in its own way, and the
// password appears in no line and no log.
struct FailureCase {
  const char *name;
  const char *dsn;
  Engine engine;  // the server cases need its ODBC set-up
};

const char kHiddenPassword[] = "Secr3t-pw";

struct CommandFailure {
  QStringList arguments;
  QByteArray output;
  QByteArray error;
};

const CommandFailure kCommandFailures[] = {
    {{"test", "--group=connection"},
     kTestStart + "test\tfail\tconnection\tConnection Failed.\nend_progress\n",
     ""},
    {{"test", "--group=school", "--district=1", "--school=10"},
     kTestStart + "test\tfail\tschool\tDistrict and School Not Valid.\nend_progress\n",
     ""},
    {{"params", "--paramkey=district"},
     "start_progress\t0\nwarning\tLoading District Failed\tLoading Districts failed.  Consult the logs to "
     "discover "
     "what the problem is.\nend_progress\n",
     ""},
    {{"params", "--paramkey=school", "--district=1"},
     "start_progress\t0\nwarning\tLoading Schools Failed\tLoading Schools failed.  Consult the logs to "
     "discover "
     "what the problem is.\nend_progress\n",
     ""},
    {{"params", "--paramkey=teacher", "--district=1", "--school=10"},
     "start_progress\t0\ninc_progress\tLoading Teacher List\nlog\tError        "
     "\tTIME\tExpEngine::LoadBridgeList\t"
     "Bridge List Failed\nwarning\tteacher\tLoading Bridgelist failed.  Consult the logs to discover what "
     "the problem "
     "is.\nend_progress\n",
     ""},
};

// Every file under the folder, as bytes.
QByteArray AllFiles(const QString &folder) {
  QByteArray bytes;
  QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) bytes += icbtest::readBytes(files.next());
  return bytes;
}

class FailedConnections : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedConnections, ReportEachCommandsFailureWithoutThePassword) {
  const FailureCase &f = GetParam();
  if (f.engine == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  for (const CommandFailure &command : kCommandFailures) {
    BridgeProcess bridge;
    const QString dsn = QString::fromLatin1(f.dsn).replace(QLatin1String("{home}"), bridge.path("nothing"));
    const QStringList arguments = command.arguments + QStringList{"--dsn=" + dsn, "--user=SA",
                                                                  QStringLiteral("--pwd=") + kHiddenPassword};
    QElapsedTimer timer;
    timer.start();
    const BridgeResult result = RunBridge(bridge, arguments);
    EXPECT_LT(timer.elapsed(), 30000) << f.name;
    EXPECT_EQ(timeless(result.output), command.output) << f.name << " " << arguments.join(' ').toStdString();
    EXPECT_EQ(result.error, command.error) << f.name;
    EXPECT_EQ(result.exitCode, 1) << f.name;
    const QByteArray everything = result.output + result.error + AllFiles(bridge.home.path());
    EXPECT_FALSE(everything.contains(kHiddenPassword)) << f.name;
  }
}

const FailureCase kFailures[] = {
    {"a DSN the driver manager does not know", "icb_nosuch", Engine::Server},
    {"a wrong password", "icb_tiny", Engine::Server},
    {"a SQLite school file that does not exist", "{home}/missing.db", Engine::Sqlite},
};
INSTANTIATE_TEST_SUITE_P(Sources, FailedConnections, ::testing::ValuesIn(kFailures),
                         [](const auto &info) { return "Source" + std::to_string(info.index); });

const QByteArray kConnectionFailed =
    kTestStart + "test\tfail\tconnection\tConnection Failed.\nend_progress\n";

TEST(ConnectionTest, ADatabaseWithoutADistrictTableFails) {
  BridgeProcess bridge;
  const QString path = bridge.path("other.db");
  {
    sqlite::Database database;
    database.Open(path, QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    database.Execute(QStringLiteral("CREATE TABLE School (schoolID INTEGER, name TEXT)"));
  }
  const BridgeResult result =
      RunBridge(bridge, {"test", "--group=connection", "--dsn=" + path, "--user=u", "--pwd=p"});
  EXPECT_EQ(timeless(result.output), kConnectionFailed);
  EXPECT_EQ(result.error, QByteArray());
  EXPECT_EQ(result.exitCode, 1);
}

// The test server's ODBC set-up with one more DSN whose port nothing listens on.
class DownServerDsn {
 public:
  DownServerDsn() : previous_(qgetenv("ODBCSYSINI")) {
    const QString source = QString::fromLocal8Bit(previous_);
    QFile::copy(source + "/odbcinst.ini", folder_.filePath("odbcinst.ini"));
    const QString entries = QString::fromUtf8(icbtest::readBytes(source + "/odbc.ini"));
    const QString driver = QRegularExpression("Driver=([^\n]*)").match(entries).captured(1);
    QFile ini(folder_.filePath("odbc.ini"));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[icb_down]\nDriver=%1\nServername=127.0.0.1\nPort=1\nDatabase=tiny\n")
                  .arg(driver)
                  .toUtf8());
    ini.close();
    qputenv("ODBCSYSINI", QFile::encodeName(folder_.path()));
  }
  ~DownServerDsn() { qputenv("ODBCSYSINI", previous_); }

 private:
  QByteArray previous_;
  QTemporaryDir folder_;
};

TEST(ConnectionTest, AServerThatIsDownFailsAtOnce) {
  ICBTEST_REQUIRE_SCHOOL_SERVER();
  DownServerDsn down;
  BridgeProcess bridge;
  QElapsedTimer timer;
  timer.start();
  const BridgeResult result = RunBridge(bridge, {"test", "--group=connection", "--dsn=icb_down", "--user=SA",
                                                 QStringLiteral("--pwd=") + kHiddenPassword});
  EXPECT_LT(timer.elapsed(), 30000);
  EXPECT_EQ(timeless(result.output), kConnectionFailed);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE((result.output + result.error + AllFiles(bridge.home.path())).contains(kHiddenPassword));
}

}  // namespace
