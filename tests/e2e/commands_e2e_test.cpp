// The service commands as the front-end sees them: usage, version, params, requirements, unknown
// commands, validation rows and the status files, compared byte for byte.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "bridge_process.h"

namespace {

const QByteArray kPair = "start_progress\t0\nend_progress\n";

QByteArray usage() {
  QByteArray text =
      "Usage: \nicbridge\n [command]\n  [--all]\n  [--att]\n  [--demo]\n  [--help]\n  [--reconcile]\n";
  for (const char *option : {"group", "paramkey", "path", "logpath", "log", "validate", "inactivedate",
                             "year", "teacher", "dsn", "user", "pwdencode", "pwd", "district", "school",
                             "multical", "filterhealthhist", "filtercustom", "defaultcal"}) {
    text += QByteArray("   [--") + option + "=value]\n";
  }
  return text + "\n";
}

struct Case {
  const char *name;
  QStringList arguments;
  int exitCode;
  QByteArray output;
  QByteArray error;
};

class Protocol : public ::testing::TestWithParam<Case> {};

TEST_P(Protocol, StdoutStderrAndExitCode) {
  BridgeProcess bridge;
  const BridgeResult result = bridge.run(GetParam().arguments);
  EXPECT_EQ(result.exitCode, GetParam().exitCode);
  EXPECT_EQ(timeless(result.output), GetParam().output);
  EXPECT_EQ(result.error, GetParam().error);
}

const QStringList kConnection = {"--dsn=D", "--user=U", "--pwd=P"};

INSTANTIATE_TEST_SUITE_P(
    Commands, Protocol,
    ::testing::Values(
        Case{"NoArguments",
             {},
             1,
             "log\tError        \tTIME\tAppBase::qMessageOutput\tLacking required argument\n" + kPair,
             usage()},
        Case{"HelpCommand", {"help"}, 1, kPair, usage()},
        Case{"HelpSwitchWithAnyCommand", {"version", "--help"}, 1, kPair, usage()},
        Case{"UnknownOption",
             {"version", "--nothing"},
             1,
             "log\tWarning      \tTIME\tAppBase::qMessageOutput\tUnknown option --nothing\n" + kPair,
             usage()},
        Case{"SecondCommand",
             {"run", "extra"},
             1,
             "log\tError        \tTIME\tAppBase::qMessageOutput\tToo many arguments --extra\n" + kPair,
             usage()},
        Case{"BareDoubleDash",
             {"version", "--"},
             2,
             "log\tWarning      \tTIME\tAppBase::qMessageOutput\t'--' feature not supported, yet\n",
             ""},
        Case{
            "SchoolGroup",
            {"params", "--group=school"},
            0,
            "start_progress\t10\n"
            "params\tschoolheader\theader\tSchool Information\t\t\n"
            "params\tdistrictlabel\tlabel\tPlease select the District that this school belongs to:\t\t\n"
            "params\tdistrict\tdistrict_list\tDistrict\tChoose the district number for your district\t\n"
            "params\tschoollabel\tlabel\tPlease select the School Number of this school:\t\t\n"
            "params\tschool\tschool_list\tSchool Number\tChoose the School or Building number for your "
            "school\t\n"
            "params\tmultical\tflag\tMulti Cal\tSelect this checkbox if your Staff or Students have multiple "
            "Calendars and it is causing issues.  This may cause Staff or Students to appear multiple times "
            "in the "
            "data.\t\n"
            "params\tfilterheader\theader\tExport Options\t\t\n"
            "params\tfilterlabel\tlabel\tYou can include additional data from Infinite Campus by selecting "
            "the "
            "checkboxes below\t\t\n"
            "params\tfilterhealthhist\tflag\tHealth History\tSelect this checkbox to include health history "
            "information\t\n"
            "params\tfiltercustom\tflag\tCustom Fields\tSelect this checkbox iwant to include custom field "
            "information\t\n"
            "end_progress\n",
            ""},
        Case{"ConnectionGroup",
             {"params", "--group=connection"},
             0,
             "start_progress\t5\n"
             "params\tdsnheader\theader\tData Source Name and Login Information\t\t\n"
             "params\tdsnlabel\tlabel\tPlease enter the Data Source Name of the ODBC Data Source that you "
             "set up to "
             "connect to the Infinite Campus Database\t\t\n"
             "params\tdsn\tedit\tODBC DSN\tName of DSN from existing Data Source\t\n"
             "params\tuser\tedit\tUsername\tUsername corresponding to ODBC DSN\t\n"
             "params\tpwdencode\tpassword\tPassword\tPassword  corresponding to ODBC DSN\t\n"
             "end_progress\n",
             ""},
        Case{"ParamsWithNothing",
             {"params"},
             1,
             "warning\tparams\tRequired parameter missing.\n" + kPair,
             "missing\tgroup\tGroup missing or blank.\nmissing\tparamkey\tParam Key missing or blank.\n"},
        Case{"UnknownParamkey",
             {"params", "--paramkey=nothing"},
             1,
             "warning\tparamkey\tnothing does not exist in this Application.\n" + kPair,
             "missing\tgroup\tGroup missing or blank.\n"},
        Case{"ParamkeyWithTabCannotForgeLines",
             {"params", "--paramkey=x\tversion", "--group=g"},
             1,
             "warning\tparamkey\tx version does not exist in this Application.\n" + kPair,
             ""},
        Case{"RunWithoutSchool", QStringList{"run", "--path=out", "--district=1"} + kConnection, 1,
             "warning\tschool\tRequired parameter missing.\n" + kPair,
             "missing\tschool\tSchool Number missing or blank.\n"},
        Case{"PasswordInNeitherForm",
             {"run", "--path=out", "--dsn=D", "--user=U", "--district=1", "--school=2"},
             1,
             "warning\tconnection\tRequired parameter missing.\n" + kPair,
             "missing\tpwdencode\tPassword missing or blank.\n"},
        Case{"UnknownCommandInAnotherCase",
             {"Run"},
             1,
             "",
             "error\tApp Problem\tThis command has not been defined: Run\n"},
        Case{"TestOfUndefinedGroup",
             {"test", "--group=nothing"},
             1,
             "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n"
             "start_progress\t0\ninc_progress\tBeginning test...\nend_progress\n",
             "error\tGroup Undefined\tGroup is undefined, there is a problem with the bridge, please report "
             "this "
             "problem to Kestrane Support.\n"},
        Case{"ValidateVersionSeven", {"version", "--validate=7"}, 7, kPair, ""},
        Case{"ValidateDefaultsThree", {"defaults", "--validate=3"}, 3, "start_progress\t0\n", ""},
        Case{"ValidateParamsFourKey",
             {"params", "--paramkey=dsn", "--validate=4"},
             4,
             "warning\tparamkey\tdsn does not exist in this App.\n" + kPair,
             "missing\tgroup\tGroup missing or blank.\n"},
        Case{"ValidateTestOne",
             {"test", "--group=connection", "--validate=1"},
             1,
             "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n"
             "start_progress\t0\ntest\tfail\tconnection\tParameter not valid.\nend_progress\n",
             ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Lines of the database's own answers depend on the engine and the data source; the command's
// protocol lines around them do not.
QByteArray withoutLogLines(const QByteArray &lines) {
  QByteArray kept;
  for (const QByteArray &line : lines.split('\n')) {
    if (!line.isEmpty() && !line.startsWith("log\t")) kept += line + "\n";
  }
  return kept;
}

TEST(EngineAnswers, UnreachableDataSourceFailsTheTestAndTheList) {
  BridgeProcess bridge;
  BridgeResult result = bridge.run(QStringList{"test", "--group=connection"} + kConnection);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(withoutLogLines(result.output),
            "start_progress\t0\ninc_progress\tBeginning test...\ntest\tfail\tconnection\tConnection Failed.\n"
            "end_progress\n");
  result = bridge.run(QStringList{"params", "--paramkey=district", "--validate=0"} + kConnection);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(
      withoutLogLines(result.output),
      "start_progress\t0\nwarning\tLoading District Failed\tLoading Districts failed.  Consult the logs to "
      "discover what the problem is.\nend_progress\n");
}

TEST(Version, OneVersionLineBetweenTheProgressLines) {
  BridgeProcess bridge;
  const BridgeResult result = bridge.run({"version"});
  EXPECT_EQ(result.exitCode, 0);
  const QString folder = QFileInfo(BridgeProcess::program()).absolutePath();
  EXPECT_EQ(timeless(result.output),
            "start_progress\t1\nversion\tic_de\t2.3.3.2\t2.00.0043\tInfinite Campus (Data "
            "Extractor)\t" +
                folder.toUtf8() + "/help/DEVidiz.pdf\nend_progress\n");
  EXPECT_EQ(result.error, "");
}

QByteArray statusLine(const QString &path) {
  QByteArray bytes = icbtest::readBytes(path);
  // "yyyy/MM/dd hh:mm:ss" then a tab.
  EXPECT_TRUE(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\t")
                  .match(QString::fromLatin1(bytes))
                  .hasMatch())
      << bytes.toStdString();
  return bytes.mid(20);
}

TEST(StatusFiles, HelpWithPathReportsTheArguments) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  const BridgeResult result = bridge.run({"help", "--path=" + out, "--pwd=secret"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(statusLine(out + "/Data ExtractorStatus.tmp"),
            "Failed\targs: " + BridgeProcess::program().toUtf8() + ", help, --path=" + out.toUtf8() +
                ", --pwd=*****\r\n");
  EXPECT_EQ(icbtest::readBytes(out + "/finished_bridge.tmp"), "finished\r\n");
}

TEST(StatusFiles, VersionWithPathSucceedsTwice) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  EXPECT_EQ(bridge.run({"version", "--path=" + out}).exitCode, 0);
  EXPECT_EQ(statusLine(out + "/Data ExtractorStatus.tmp"), "Succeeded\tSucceeded\r\n");
  EXPECT_EQ(icbtest::readBytes(out + "/finished_bridge.tmp"), "finished\r\n");
}

TEST(StatusFiles, NoneWithoutPath) {
  BridgeProcess bridge;
  EXPECT_EQ(bridge.run({"version"}).exitCode, 0);
  EXPECT_EQ(QDir(bridge.home.path()).entryList(QDir::Files), QStringList());
}

TEST(StatusFiles, UnknownCommandAndFailedTestMessages) {
  struct StatusCase {
    QStringList arguments;
    QByteArray status;
  };
  const QList<StatusCase> cases = {
      {{"Run"}, "Failed\tCommand not defined.\r\n"},
      {{"test", "--group=connection", "--dsn=D", "--user=U", "--pwd=P"}, "Failed\tConnection Failed.\r\n"},
      {{"test", "--group=school"}, "Failed\tParameter not valid.\r\n"},
      {{"version", "--validate=2"}, "Failed\tFailed retrieving version.\r\n"},
      {{"defaults", "--validate=1"}, "Failed\tFailed retrieving default settings.\r\n"},
      {{"params", "--group=none"}, "Failed\tFailed retrieving parameters.\r\n"},
  };
  for (const StatusCase &c : cases) {
    BridgeProcess bridge;
    const QString out = bridge.path("out");
    bridge.run(QStringList{c.arguments} << "--path=" + out);
    EXPECT_EQ(statusLine(out + "/Data ExtractorStatus.tmp"), c.status) << c.arguments.join(' ').toStdString();
  }
}

}  // namespace
