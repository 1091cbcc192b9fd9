// The command-line grammar: long options with and without values, switches, the one positional
// command, and the warnings that fail a parse.
#include "optionparser.h"

#include <gtest/gtest.h>

#include <map>

#include "test_support.h"

namespace {

QStringList g_warnings;
void captureWarnings(QtMsgType, const QMessageLogContext &, const QString &text) {
  g_warnings.append(text);
}

struct ParseCase {
  const char *name;
  QStringList arguments;  // after the program name
  bool parsed;
  QString command;
  std::map<QString, QString> values;  // options expected set (others stay null)
  QStringList switchesOn;
  QStringList warnings;
};

class OptionParserCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(OptionParserCases, BindsValuesAndReportsFaults) {
  const ParseCase &c = GetParam();
  QStringList arguments = {"/opt/bridge/icbridge"};
  arguments += c.arguments;
  OptionParser parser(arguments);
  QString command;
  std::map<QString, QString> options;
  std::map<QString, bool> switches;
  parser.addRequiredArgument("command", &command);
  for (const char *name : {"all", "att", "demo", "help"}) parser.addSwitch(name, &switches[name]);
  for (const char *name : {"path", "log", "year", "school"}) parser.addOption(name, &options[name], "");

  g_warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
  const bool parsed = parser.parse(false);
  qInstallMessageHandler(previous);

  EXPECT_EQ(parsed, c.parsed);
  EXPECT_EQ(command, c.command);
  for (const auto &[name, value] : options) {
    const auto expected = c.values.find(name);
    if (expected == c.values.end()) {
      EXPECT_TRUE(value.isNull()) << name.toStdString() << " = " << value.toStdString();
    } else {
      EXPECT_FALSE(value.isNull()) << name.toStdString();
      EXPECT_EQ(value, expected->second) << name.toStdString();
    }
  }
  for (const auto &[name, on] : switches) EXPECT_EQ(on, c.switchesOn.contains(name)) << name.toStdString();
  EXPECT_EQ(g_warnings, c.warnings);
  EXPECT_EQ(parser.programName(), "icbridge");
  EXPECT_FALSE(parser.exitCode().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, OptionParserCases,
    ::testing::Values(
        ParseCase{"ValueAfterEquals", {"run", "--path=/out"}, true, "run", {{"path", "/out"}}, {}, {}},
        ParseCase{"EmptyValueAfterEquals", {"run", "--path="}, true, "run", {{"path", ""}}, {}, {}},
        ParseCase{"ValueAsNextToken", {"--path", "/out", "run"}, true, "run", {{"path", "/out"}}, {}, {}},
        ParseCase{"OptionAtTheEndStoresEmpty", {"run", "--path"}, true, "run", {{"path", ""}}, {}, {}},
        ParseCase{"OptionBeforeOptionStoresEmpty",
                  {"run", "--path", "--log=off"},
                  true,
                  "run",
                  {{"path", ""}, {"log", "off"}},
                  {},
                  {}},
        ParseCase{"OnlyTheFirstEqualsSplits", {"run", "--path=a=b"}, true, "run", {{"path", "a=b"}}, {}, {}},
        // A value given with "=" belongs to its option whatever it looks like: a default calendar or a
        // school that begins with dashes must not set the import folder or fail the command line.
        ParseCase{"ValueAfterEqualsIsNeverAnOption",
                  {"run", "--school=--path=/elsewhere"},
                  true,
                  "run",
                  {{"school", "--path=/elsewhere"}},
                  {},
                  {}},
        ParseCase{"DashValueAfterEquals", {"run", "--year=-1"}, true, "run", {{"year", "-1"}}, {}, {}},
        ParseCase{"Switches", {"--demo", "run", "--att"}, true, "run", {}, {"demo", "att"}, {}},
        ParseCase{"LoneDashIsAnArgument", {"-"}, true, "-", {}, {}, {}},
        ParseCase{
            "SecondPositionalFails", {"run", "extra"}, false, "run", {}, {}, {"Too many arguments --extra"}},
        ParseCase{"SwitchValueBecomesTheCommand",
                  {"--all=yes", "run"},
                  false,
                  "yes",
                  {},
                  {"all"},
                  {"Too many arguments --run"}},
        ParseCase{"ShortOptionIsUnknown", {"run", "-v"}, false, "run", {}, {}, {"Unknown option -v"}},
        ParseCase{
            "UnknownLongOption", {"run", "--nothing=1"}, false, "run", {}, {}, {"Unknown option --nothing"}},
        ParseCase{"LongOptionNamesAreCaseSensitive",
                  {"run", "--Path=x"},
                  false,
                  "run",
                  {},
                  {},
                  {"Unknown option --Path"}},
        ParseCase{"DashValueIsNotAValue",
                  {"run", "--year", "-1"},
                  false,
                  "run",
                  {{"year", ""}},
                  {},
                  {"Unknown option -1"}},
        ParseCase{
            "NoCommand", {"--path=/out"}, false, "", {{"path", "/out"}}, {}, {"Lacking required argument"}},
        ParseCase{"NothingAtAll", {}, false, "", {}, {}, {"Lacking required argument"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OptionParser, BareDoubleDashEndsWithCodeTwo) {
  OptionParser parser(QStringList{"icbridge", "run", "--"});
  QString command;
  parser.addRequiredArgument("command", &command);
  g_warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
  EXPECT_FALSE(parser.parse(false));
  qInstallMessageHandler(previous);
  ASSERT_TRUE(parser.exitCode().has_value());
  EXPECT_EQ(*parser.exitCode(), 2);
  EXPECT_EQ(g_warnings, QStringList{"'--' feature not supported, yet"});
}

TEST(OptionParser, ValueTypesOtherThanTheProgramsOwn) {
  QString required;
  QStringList repeated;
  QStringList collected;
  OptionParser parser(
      QStringList{"p", "--req", "r", "--rep", "a", "--rep=b", "--var", "x", "--unknown", "y", "cmd"});
  parser.addRequiredValueOption("req", &required);
  parser.addRepeatableOption("rep", &repeated);
  parser.addVariableOption("var", &collected);
  ASSERT_TRUE(parser.parse(false));
  EXPECT_EQ(required, "r");
  EXPECT_EQ(repeated, (QStringList{"a", "b"}));
  // While a variable-length option is pending, unknown options are collected as values.
  EXPECT_EQ(collected, (QStringList{"x", "--unknown", "y", "cmd"}));
}

TEST(OptionParser, RequiredValueMissing) {
  QString required;
  QString command;
  OptionParser parser(QStringList{"p", "cmd", "--req", "--other"});
  parser.addRequiredArgument("command", &command);
  parser.addRequiredValueOption("req", &required);
  g_warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
  EXPECT_FALSE(parser.parse(false));
  qInstallMessageHandler(previous);
  EXPECT_EQ(g_warnings, QStringList{"Expected an argument after 'req' option"});
}

TEST(OptionParser, StopAtFirstSwitch) {
  bool help = false;
  QString command;
  OptionParser parser(QStringList{"p", "--help", "--bad"});
  parser.addRequiredArgument("command", &command);
  parser.addSwitch("help", &help);
  EXPECT_TRUE(parser.parse(true));
  EXPECT_TRUE(help);
  EXPECT_TRUE(parser.given("help"));
}

}  // namespace
