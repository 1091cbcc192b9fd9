// Commands run in-process against a scripted task: requirements with their missing and warning
// lines, params, test, the list loaders, validation mode, password handling and status files.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app_harness.h"
#include "statusfiles.h"
#include "test_support.h"

namespace {

const QByteArray kPair = "start_progress\t0\nend_progress\n";

struct CommandCase {
  const char *name;
  QStringList arguments;
  int exitCode;
  QByteArray output;
  QByteArray error;
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, AnswerWithTheExpectedLines) {
  AppHarness app;
  EXPECT_EQ(app.run(GetParam().arguments), GetParam().exitCode);
  EXPECT_EQ(app.out(), GetParam().output);
  EXPECT_EQ(app.err(), GetParam().error);
}

const QStringList kConnection = {"--dsn=D", "--user=U", "--pwd=P"};

INSTANTIATE_TEST_SUITE_P(
    Requirements, Commands,
    ::testing::Values(
        CommandCase{"RunWithoutSchool",
                    QStringList{"run", "--path=/nonexistent/x", "--district=1"} + kConnection, 1,
                    "warning\tschool\tRequired parameter missing.\n" + kPair,
                    "missing\tschool\tSchool Number missing or blank.\n"},
        CommandCase{"PasswordInNeitherForm",
                    {"run", "--path=/x", "--dsn=D", "--user=U", "--district=1", "--school=2"},
                    1,
                    "warning\tconnection\tRequired parameter missing.\n" + kPair,
                    "missing\tpwdencode\tPassword missing or blank.\n"},
        CommandCase{
            "ParamsWithNothing",
            {"params"},
            1,
            "warning\tparams\tRequired parameter missing.\n" + kPair,
            "missing\tgroup\tGroup missing or blank.\nmissing\tparamkey\tParam Key missing or blank.\n"},
        CommandCase{"UnknownParamkey",
                    {"params", "--paramkey=nothing"},
                    1,
                    "warning\tparamkey\tnothing does not exist in this Application.\n" + kPair,
                    // The failed first alternative's line stays held and goes out with the next warning.
                    "missing\tgroup\tGroup missing or blank.\n"},
        CommandCase{"UnknownGroup",
                    {"params", "--group=nothing"},
                    1,
                    "warning\tgroup\tNo parameters for this group\n" + kPair,
                    ""},
        CommandCase{
            "ConnectionGroup",
            {"params", "--group=connection"},
            0,
            "start_progress\t5\n"
            "params\tdsnheader\theader\tData Source Name and Login Information\t\t\n"
            "params\tdsnlabel\tlabel\tPlease enter the Data Source Name of the ODBC Data Source that you set "
            "up to connect to the Infinite Campus Database\t\t\n"
            "params\tdsn\tedit\tODBC DSN\tName of DSN from existing Data Source\t\n"
            "params\tuser\tedit\tUsername\tUsername corresponding to ODBC DSN\t\n"
            "params\tpwdencode\tpassword\tPassword\tPassword  corresponding to ODBC DSN\t\n"
            "end_progress\n",
            ""},
        CommandCase{"CommandNamesAreCaseSensitive",
                    {"Run"},
                    1,
                    "",
                    "error\tApp Problem\tThis command has not been defined: Run\n"},
        CommandCase{"CommandWordCannotForgeLines",
                    {"x\tversion\nerror"},
                    1,
                    "",
                    "error\tApp Problem\tThis command has not been defined: x version error\n"},
        CommandCase{
            "TestOfAnUndefinedGroup",
            {"test", "--group=nothing", "--log=off"},
            1,
            "start_progress\t0\ninc_progress\tBeginning test...\nend_progress\n",
            "error\tGroup Undefined\tGroup is undefined, there is a problem with the bridge, please report "
            "this problem to Kestrane Support.\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Requirements, EncodedPasswordAloneSatisfiesTheConnection) {
  AppHarness app;
  // "Hm3$" decodes to two characters; the connection's second alternative holds.
  EXPECT_EQ(app.run({"test", "--group=connection", "--pwdencode=Xk6=", "--log=off"}), 1);
  EXPECT_EQ(app.bridge->value("pwd"), AppBase::decodePassword("Xk6="));
  EXPECT_FALSE(app.out().contains("Parameter not valid."));
  EXPECT_TRUE(app.out().contains("test\tfail\tconnection\tConnection Failed.\n"));
}

TEST(Requirements, TestOfSchoolChecksTheConnectionFirst) {
  AppHarness app;
  EXPECT_EQ(app.run(QStringList{"test", "--group=school", "--log=off"} + kConnection), 1);
  EXPECT_TRUE(
      app.out().endsWith("start_progress\t0\nwarning\tschool\tRequired parameter missing.\n"
                         "test\tfail\tschool\tParameter not valid.\nend_progress\n"))
      << app.out().toStdString();
  EXPECT_EQ(app.err(),
            "missing\tdistrict\tDistrict missing or blank.\nmissing\tschool\tSchool Number missing or "
            "blank.\n");
}

TEST(Passwords, DecodeTakesTwoAlphabetCharactersPerCharacter) {
  const QString alphabet = "Hm3$Tz8+Wd1&Xk6=";
  struct Case {
    QString encoded;
    QString plain;
  };
  const QList<Case> cases = {
      {"", ""},
      // 'A' is 0x41: digit 4 then digit 1.
      {QString(alphabet[4]) + alphabet[1], "A"},
      {QString(alphabet[7]) + alphabet[0] + alphabet[6] + alphabet[15], "p\x6f"},
      // Characters outside the alphabet count as 3.
      {"??", QString(QChar(0x33))},
      // A last character without partner is dropped.
      {QString(alphabet[4]) + alphabet[1] + alphabet[4], "A"},
      {QString(alphabet[15]) + alphabet[15], QString(QChar(0xFF))},
  };
  for (const Case &c : cases)
    EXPECT_EQ(AppBase::decodePassword(c.encoded), c.plain) << c.encoded.toStdString();
}

TEST(Passwords, ArgumentsAreMaskedWhereverTheyAreShown) {
  AppHarness app;
  const QStringList masked =
      app.bridge->maskedArguments({"icbridge", "run", "--pwd=secret", "--pwdencode=Xk6=", "--pwd", "secret2",
                                   "--dsn=D", "--pwd", "--user=U"});
  EXPECT_EQ(masked, (QStringList{"icbridge", "run", "--pwd=*****", "--pwdencode=*****", "--pwd", "*****",
                                 "--dsn=D", "--pwd", "--user=U"}));
}

TEST(Passwords, UsageStatusFileNeverHoldsThePassword) {
  QTemporaryDir dir;
  AppHarness app;
  EXPECT_EQ(app.run({"help", "--path=" + dir.path(), "--pwd=secret"}), 1);
  const QByteArray status = icbtest::readBytes(dir.filePath("Data ExtractorStatus.tmp"));
  EXPECT_TRUE(status.endsWith("\tFailed\targs: /opt/icbridge/icbridge, help, --path=" + dir.path().toUtf8() +
                              ", --pwd=*****\r\n"))
      << status.toStdString();
  EXPECT_EQ(icbtest::readBytes(dir.filePath("finished_bridge.tmp")), "finished\r\n");
}

TEST(ParameterDefinitions, FlagLabelsAreCutAtFifteen) {
  AppHarness app;
  app.bridge->addParam("global", "exact", "123456789012345", "flag", "", "");
  app.bridge->addParam("global", "long", "1234567890123456", "flag", "", "");
  app.bridge->addParam("global", "edit", "1234567890123456", "edit", "", "");
  EXPECT_EQ(app.bridge->record("exact")->label, "123456789012345");
  EXPECT_EQ(app.bridge->record("long")->label, "123456789012345");
  EXPECT_EQ(app.bridge->record("edit")->label, "1234567890123456");
  EXPECT_EQ(app.bridge->addParam("nogroup", "lost", "Lost", "edit", "", ""), nullptr);
  EXPECT_EQ(app.bridge->record("school")->dependencies.keys(), (QStringList{"", "district"}));
  EXPECT_EQ(app.bridge->record("year")->dependencies.keys(), (QStringList{"", "school"}));
}

TEST(ParameterDefinitions, OptionOrderMatchesTheTables) {
  AppHarness app;
  EXPECT_EQ(app.bridge->switchNames(), (QStringList{"all", "att", "demo", "help", "reconcile"}));
  EXPECT_EQ(app.bridge->record("reconcile"), nullptr) << "a switch of our own, never sent to the front-end";
  EXPECT_EQ(app.bridge->optionNames(),
            (QStringList{"group",        "paramkey",      "path",        "logpath",          "log",
                         "validate",     "inactivedate",  "year",        "teacher",          "dsnheader",
                         "dsnlabel",     "dsn",           "user",        "pwdencode",        "pwd",
                         "schoolheader", "districtlabel", "district",    "schoollabel",      "school",
                         "multical",     "filterheader",  "filterlabel", "filterhealthhist", "filtercustom",
                         "defaultcal"}));
}

struct TestCase {
  const char *name;
  std::function<void(ScriptedTask &)> setUp;
  QString group;
  int exitCode;
  QByteArray output;
  QByteArray error;
  QByteArray statusTail;
};

class TestCommand : public ::testing::TestWithParam<TestCase> {};

TEST_P(TestCommand, ReportsTheOutcomeAndTheStatusFile) {
  QTemporaryDir dir;
  AppHarness app(GetParam().setUp);
  const int code = app.run(QStringList{"test", "--group=" + GetParam().group, "--path=" + dir.path(),
                                       "--log=off", "--district=1", "--school=2"} +
                           kConnection);
  EXPECT_EQ(code, GetParam().exitCode);
  EXPECT_EQ(app.out(), GetParam().output);
  EXPECT_EQ(app.err(), GetParam().error);
  EXPECT_TRUE(icbtest::readBytes(dir.filePath("Data ExtractorStatus.tmp")).endsWith(GetParam().statusTail));
}

INSTANTIATE_TEST_SUITE_P(
    Groups, TestCommand,
    ::testing::Values(
        TestCase{"ConnectionSucceeds", [](ScriptedTask &t) { t.connectionValid = true; }, "connection", 0,
                 "start_progress\t0\ninc_progress\tBeginning test...\ntest\tsuccess\tconnection\tConnection "
                 "Successful.\nend_progress\n",
                 "", "\tSucceeded\tSucceeded\r\n"},
        TestCase{"ConnectionFails",
                 {},
                 "connection",
                 1,
                 "start_progress\t0\ninc_progress\tBeginning test...\ntest\tfail\tconnection\tConnection "
                 "Failed.\nend_progress\n",
                 "",
                 "\tFailed\tConnection Failed.\r\n"},
        TestCase{
            "SchoolValidated", [](ScriptedTask &t) { t.schoolValid = true; }, "school", 0,
            "start_progress\t0\ninc_progress\tBeginning test...\ntest\tsuccess\tschool\tDistrict and School "
            "Validated.\nend_progress\n",
            "", "\tSucceeded\tSucceeded\r\n"},
        TestCase{
            "SchoolNotValid",
            {},
            "school",
            1,
            "start_progress\t0\ninc_progress\tBeginning test...\ntest\tfail\tschool\tDistrict and School Not "
            "Valid.\nend_progress\n",
            "",
            "\tFailed\tDistrict and School Not Valid.\r\n"},
        TestCase{
            "AThrownTestIsAFailure", [](ScriptedTask &t) { t.throwOnTest = true; }, "connection", 1,
            "start_progress\t0\ninc_progress\tBeginning test...\nend_progress\n",
            "error\tKestrane Infinite Campus Bridge Problem\tKestrane Infinite Campus Bridge threw an "
            "uncaught "
            "exception, please contact Kestrane Software Support to fix this issue.\n",
            "\tFailed\tKestrane Infinite Campus Bridge threw an uncaught exception, please contact Kestrane "
            "Software Support to fix this issue.\r\n"},
        TestCase{
            "UndefinedGroup",
            {},
            "nothing",
            1,
            "start_progress\t0\ninc_progress\tBeginning test...\nend_progress\n",
            "error\tGroup Undefined\tGroup is undefined, there is a problem with the bridge, please report "
            "this "
            "problem to Kestrane Support.\n",
            "\tFailed\tGroup is undefined, there is a problem with the bridge, please report this problem to "
            "Kestrane Support.\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

struct ListCase {
  const char *name;
  QString paramkey;
  bool available;
  QByteArray output;
};

class ListLoaders : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListLoaders, SendRowsOrTheirFailureWarning) {
  AppHarness app([&](ScriptedTask &t) {
    t.listsAvailable = GetParam().available;
    t.entries = {{"1", "North"}, {"2", ""}, {"3", "3"}};
  });
  const int code =
      app.run(QStringList{"params", "--paramkey=" + GetParam().paramkey, "--district=1"} + kConnection);
  EXPECT_EQ(code, GetParam().available ? 0 : 1);
  EXPECT_EQ(app.out(), "start_progress\t0\n" + GetParam().output + "end_progress\n");
  EXPECT_EQ(app.err(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Types, ListLoaders,
    ::testing::Values(
        ListCase{"Districts", "district", true,
                 "district_list\tdistrict\t1\tNorth "
                 "(1)\t\ndistrict_list\tdistrict\t2\t\t\ndistrict_list\tdistrict\t3\t3\t\n"},
        ListCase{
            "Schools", "school", true,
            "school_list\tschool\t1\tNorth (1)\t\nschool_list\tschool\t2\t\t\nschool_list\tschool\t3\t3\t\n"},
        ListCase{
            "Teachers", "teacher", true,
            "bridgelist\tteacher\t1\tNorth (1)\t\nbridgelist\tteacher\t2\t\t\nbridgelist\tteacher\t3\t3\t\n"},
        ListCase{"DistrictsFail", "district", false,
                 "warning\tLoading District Failed\tLoading Districts failed.  Consult the logs to discover "
                 "what the "
                 "problem is.\n"},
        ListCase{
            "SchoolsFail", "school", false,
            "warning\tLoading Schools Failed\tLoading Schools failed.  Consult the logs to discover what the "
            "problem is.\n"},
        ListCase{"TeachersFail", "teacher", false,
                 "warning\tteacher\tLoading Bridgelist failed.  Consult the logs to discover what the "
                 "problem is.\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParamData, PerTypeHandlers) {
  AppHarness app;
  ParamRecord record;
  record.name = "k";
  QString message;
  struct Case {
    QString type;
    QStringList choices;
    int code;
    QByteArray output;
    QByteArray error;
  };
  const QList<Case> cases = {
      {"list", {}, 0, "list\tk\t1\tList 1\t\nlist\tk\t2\tList 2\t\nlist\tk\t3\tList 3\t\n", ""},
      {"file", {"*.dat", "*.exe"}, 0, "file\tk\t*.dat\t\nfile\tk\t*.exe\t\n", ""},
      {"number", {"min=3", "max=9"}, 0, "number\tk\tmin=3\t\nnumber\tk\tmax=9\t\n", ""},
      {"date", {}, 0, "", ""},
      {"date", {"2009-09-08", "2010-06-18"}, 0, "date\tk\t2009-09-08\t2010-06-18\t\n", ""},
      {"date", {"a", "b", "c"}, 0, "date\tk\ta\tb\tc\n", ""},
      {"date",
       {"a"},
       1,
       "",
       "error\tDate Settings Incorrect\tIncorrect application settings for this date parameter: k\n"},
      {"tree", {}, 1, "", "error\tApp Problem\tMethod to handle parameter has not been defined for: k\n"},
      {"hidden", {}, 1, "", "error\tApp Problem\tMethod to handle parameter has not been defined for: k\n"},
      {"edit", {}, 1, "", "error\tNo Parameter Return Type Set\tNo parameter return set for type: edit\n"},
  };
  for (const Case &c : cases) {
    app.output.buffer().clear();
    app.output.seek(0);
    app.error.buffer().clear();
    app.error.seek(0);
    record.type = c.type;
    record.choices = c.choices;
    EXPECT_EQ(app.bridge->emitParamData(record, message), c.code) << c.type.toStdString();
    EXPECT_EQ(app.out(), "start_progress\t0\n" + c.output + "end_progress\n") << c.type.toStdString();
    EXPECT_EQ(app.err(), c.error) << c.type.toStdString();
  }
}

struct ValidationCase {
  const char *name;
  QStringList arguments;
  int exitCode;
  QByteArray output;
};

class Validation : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(Validation, ReplaysTheFixedAnswers) {
  AppHarness app;
  EXPECT_EQ(app.run(GetParam().arguments), GetParam().exitCode);
  QByteArray out = app.out();
  // The test command's log header line comes first; it is not part of the replay.
  if (out.startsWith("log\t")) out = out.mid(out.indexOf('\n') + 1);
  EXPECT_EQ(out, GetParam().output);
}

const QByteArray kVersionLine = "version\tic_de\t2.3.3.2\t2.00.0043\tInfinite Campus (Data Extractor)\t";

INSTANTIATE_TEST_SUITE_P(
    Rows, Validation,
    ::testing::Values(
        ValidationCase{"Version1", {"version", "--validate=1"}, 1, "start_progress\t1\n"},
        ValidationCase{"Version2", {"version", "--validate=2"}, 2, ""},
        ValidationCase{"Version3", {"version", "--validate=3"}, 3, kPair},
        ValidationCase{"Version7", {"version", "--validate=7"}, 7, kPair},
        ValidationCase{"Defaults0", {"defaults", "--validate=0"}, 0, kPair},
        ValidationCase{"Defaults1", {"defaults", "--validate=1"}, 1, kPair},
        ValidationCase{"Defaults2", {"defaults", "--validate=2"}, 2, ""},
        ValidationCase{"Defaults3", {"defaults", "--validate=3"}, 3, "start_progress\t0\n"},
        ValidationCase{
            "Test0",
            {"test", "--group=school", "--validate=0", "--log=off"},
            0,
            "start_progress\t0\ninc_progress\tBeginning test...\ntest\tsuccess\tschool\tConnection "
            "Successful.\nend_progress\n"},
        ValidationCase{"Test1",
                       {"test", "--group=school", "--validate=1", "--log=off"},
                       1,
                       "start_progress\t0\ntest\tfail\tschool\tParameter not valid.\nend_progress\n"},
        ValidationCase{
            "Test3", {"test", "--group=school", "--validate=3", "--log=off"}, 3, "start_progress\t0\n"},
        ValidationCase{"Test4", {"test", "--group=school", "--validate=4", "--log=off"}, 4, kPair},
        ValidationCase{"Params1Group", {"params", "--group=school", "--validate=1"}, 1, kPair},
        ValidationCase{"Params1Key",
                       {"params", "--paramkey=school", "--validate=1"},
                       1,
                       "warning\tconnection\tRequired parameter missing.\n"},
        ValidationCase{"Params2", {"params", "--group=school", "--validate=2"}, 2, ""},
        ValidationCase{"Params3", {"params", "--group=school", "--validate=3"}, 3, "start_progress\t0\n"},
        ValidationCase{"Params4Group",
                       {"params", "--group=school", "--validate=4"},
                       4,
                       "warning\tgroup\tNo parameters for this group\n" + kPair},
        ValidationCase{"Params4Key",
                       {"params", "--paramkey=school", "--validate=4"},
                       4,
                       "warning\tparamkey\tschool does not exist in this App.\n" + kPair},
        ValidationCase{"Params5", {"params", "--paramkey=school", "--validate=5"}, 5, kPair},
        ValidationCase{"Params0IsTheRealCommand",
                       {"params", "--paramkey=nothing", "--validate=0"},
                       1,
                       "warning\tparamkey\tnothing does not exist in this Application.\n" + kPair}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Validation, VersionZeroIsTheNormalAnswer) {
  AppHarness app;
  EXPECT_EQ(app.run({"version", "--validate=0"}), 0);
  EXPECT_TRUE(app.out().startsWith("start_progress\t1\n" + kVersionLine)) << app.out().toStdString();
  EXPECT_TRUE(app.out().endsWith("/help/DEVidiz.pdf\nend_progress\n"));
}

TEST(RunFlags, SwitchesCombine) {
  struct Case {
    QStringList switches;
    int flags;
  };
  const QList<Case> cases = {{{}, -1},       {{"--all"}, -1},          {{"--demo"}, 1},
                             {{"--att"}, 2}, {{"--demo", "--att"}, 0}, {{"--all", "--att"}, 2}};
  for (const Case &c : cases) {
    QTemporaryDir dir;
    AppHarness app;
    const int code =
        app.run(QStringList{"run", "--path=" + dir.path(), "--log=off", "--district=1", "--school=2"} +
                kConnection + c.switches);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(app.task->beginExecuteCalls, 1);
    EXPECT_EQ(app.task->lastFlags, c.flags) << c.switches.join(' ').toStdString();
  }
}

TEST(Paths, StrayQuoteOfAFolderBecomesTheSeparator) {
  QTemporaryDir dir;
  AppHarness app;
  app.run({"version", "--path=" + dir.path() + "/out\"", "--logpath=a\"b"});
  EXPECT_EQ(app.bridge->value("path"), dir.path() + "/out/");
  EXPECT_EQ(app.bridge->value("logpath"), "a/b");
  EXPECT_TRUE(QFile::exists(dir.filePath("out/finished_bridge.tmp")));
}

TEST(StatusFiles, HelpersWorkOnOneFileInTheFolder) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("new/sub");
  EXPECT_TRUE(StatusFiles::write(folder, "s.tmp", QString("a\tb") + QChar(0xE9) + QChar(0x4E2D)));
  EXPECT_EQ(icbtest::readBytes(QDir(folder).filePath("s.tmp")), "a\tb\xE9?\r\n");
  EXPECT_FALSE(StatusFiles::containsSuccess(folder, "s.tmp"));
  EXPECT_TRUE(StatusFiles::write(folder, "s.tmp", "x SUCCEEDED"));
  EXPECT_EQ(icbtest::readBytes(QDir(folder).filePath("s.tmp")), "x SUCCEEDED\r\n");
  EXPECT_TRUE(StatusFiles::containsSuccess(folder, "s.tmp"));
  EXPECT_FALSE(StatusFiles::containsSuccess(folder, "none.tmp"));
  EXPECT_TRUE(StatusFiles::remove(folder, "s.tmp"));
  EXPECT_FALSE(QFile::exists(QDir(folder).filePath("s.tmp")));
}

TEST(TempLocalDB, FolderIsMadeUnderTheTemporaryFolder) {
  QTemporaryDir dir;
  qputenv("TMPDIR", dir.path().toUtf8());
  AppHarness app;
  EXPECT_EQ(app.bridge->CreateTempLocalDBFolder(""), "");
  const QString path = app.bridge->CreateTempLocalDBFolder("school7");
  qunsetenv("TMPDIR");
  EXPECT_TRUE(QDir(path).exists());
  EXPECT_TRUE(path.endsWith("/localDB"));
  const QString folder = QFileInfo(QFileInfo(path).path()).fileName();
  EXPECT_TRUE(QRegularExpression("^ic_de\\.school7\\.\\d{9}\\.\\d+$").match(folder).hasMatch())
      << folder.toStdString();
  EXPECT_EQ(QFileInfo(QFileInfo(path).path()).path(), QDir(dir.path()).filePath("dsl"));
}

}  // namespace

namespace {

TEST(QtMessages, HandlerSortsQtMessagesIntoLogAndErrorLines) {
  AppHarness app;
  const QtMessageHandler previous = qInstallMessageHandler(&AppBase::qMessageOutput);
  qWarning("Unknown option --x");
  qCritical("bad option");
  qInstallMessageHandler(previous);
  EXPECT_EQ(app.err(), "error\toptions\tbad option\n");
  EXPECT_EQ(app.out(), "");
}

}  // namespace
