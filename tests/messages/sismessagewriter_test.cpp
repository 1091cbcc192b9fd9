// The protocol lines as the front-end reads them: kinds, fields, streams and held "missing" lines.
#include "sismessagewriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <functional>

#include "test_support.h"

namespace {

struct Streams {
  QBuffer output;
  QBuffer error;
  std::unique_ptr<SISMessageWriter> writer;
  Streams() {
    output.open(QIODevice::WriteOnly);
    error.open(QIODevice::WriteOnly);
    writer = std::make_unique<SISMessageWriter>(&output, &error);
  }
};

struct LineCase {
  const char *name;
  std::function<void(SISMessageWriter &)> send;
  QByteArray output;
  QByteArray error;
};

class MessageWriterLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(MessageWriterLines, WritesExactBytesOnTheRightStream) {
  Streams streams;
  GetParam().send(*streams.writer);
  EXPECT_EQ(streams.output.data(), GetParam().output);
  EXPECT_EQ(streams.error.data(), GetParam().error);
}

const QString e;  // an empty field

INSTANTIATE_TEST_SUITE_P(
    AllSlots, MessageWriterLines,
    ::testing::Values(
        LineCase{"StartProgressCarriesItsTotal", [](auto &w) { w.outProgress("start_progress", 0); },
                 "start_progress\t0\n", ""},
        LineCase{"EndProgressIsTheKindAlone", [](auto &w) { w.outProgress("end_progress", -1); }, "end_progress\n", ""},
        LineCase{"EmptyIncrementIsKindAlone", [](auto &w) { w.outProgress_increment(QString()); }, "inc_progress\n", ""},
        LineCase{"Increment", [](auto &w) { w.outProgress_increment("Reading..."); }, "inc_progress\tReading...\n", ""},
        LineCase{"EmptyProgressWarningIsAnIncrement", [](auto &w) { w.outProgress_warning(QString()); },
                 "inc_progress\n", ""},
        LineCase{"ProgressWarning", [](auto &w) { w.outProgress_warning("Bad phone"); }, "warn_progress\tBad phone\n",
                 ""},
        LineCase{"VersionWithEmptyGuideKeepsFiveTabs", [](auto &w) { w.outVersion("a", "1", "2", "n", e); },
                 "version\ta\t1\t2\tn\t\n", ""},
        LineCase{"Params", [](auto &w) { w.outParams("dsn", "edit", "ODBC DSN", "Help", e); },
                 "params\tdsn\tedit\tODBC DSN\tHelp\t\n", ""},
        LineCase{"HiddenParam", [](auto &w) { w.outHiddenParam("k", "v", "d"); }, "hidden_param\tk\tv\td\n", ""},
        LineCase{"Tree", [](auto &w) { w.outTree("p", "k", "parent", "n", "d"); }, "tree\tp\tk\tparent\tn\td\n", ""},
        LineCase{"Hidden", [](auto &w) { w.outHidden("k", "t", "n", "h", "d"); }, "hidden\tk\tt\tn\th\td\n", ""},
        LineCase{"File", [](auto &w) { w.outFile("k", "*.dat", e); }, "file\tk\t*.dat\t\n", ""},
        LineCase{"Number", [](auto &w) { w.outNumber("k", "min=3", e); }, "number\tk\tmin=3\t\n", ""},
        LineCase{"Date", [](auto &w) { w.outDate("k", "2009-09-08", "2010-06-18", e); },
                 "date\tk\t2009-09-08\t2010-06-18\t\n", ""},
        LineCase{"Test", [](auto &w) { w.outTest("fail", "school", "Parameter not valid."); },
                 "test\tfail\tschool\tParameter not valid.\n", ""},
        LineCase{"Status", [](auto &w) { w.outStatus("s", "d", "m"); }, "status\ts\td\tm\n", ""},
        LineCase{"Manage", [](auto &w) { w.outManage("s", "m"); }, "manage\ts\tm\n", ""},
        LineCase{"SettingWithoutTotal", [](auto &w) { w.outSetting("start_setting", -1); }, "start_setting\n", ""},
        LineCase{"SettingLine", [](auto &w) { w.outSetting_increment("setting", "connection", "dsn", "D"); },
                 "setting\tconnection\tdsn\tD\n", ""},
        LineCase{"SettingLineWithGrouping", [](auto &w) { w.outSetting_increment("setting", "g", "k", "v", "x"); },
                 "setting\tg\tk\tv\tx\n", ""},
        LineCase{"EachListTypeIsItsOwnKind",
                 [](auto &w) {
                   for (const char *type : {"list", "bridgelist", "school_list", "district_list", "year_list"})
                     w.outList(type, "p", "1", "One", e);
                 },
                 "list\tp\t1\tOne\t\nbridgelist\tp\t1\tOne\t\nschool_list\tp\t1\tOne\t\ndistrict_list\tp\t1\tOne\t\n"
                 "year_list\tp\t1\tOne\t\n",
                 ""},
        LineCase{"UnknownListTypeIsAnError", [](auto &w) { w.outList("tree", "p", "1", "One", e); }, "",
                 "error\tlist\tList type not set up.\n"},
        LineCase{"MissingIsHeldUntilAnError",
                 [](auto &w) {
                   w.outMissing("dsn", "ODBC DSN missing or blank.");
                   w.outMissing("dsn", "ODBC DSN missing or blank.");
                   w.outError("k", "m");
                 },
                 "", "missing\tdsn\tODBC DSN missing or blank.\nerror\tk\tm\n"},
        LineCase{"MissingGoesToErrorBeforeAWarning",
                 [](auto &w) {
                   w.outMissing("a", "A missing or blank.");
                   w.outMissing("b", "B missing or blank.");
                   w.outWarning("g", "Required parameter missing.");
                 },
                 "warning\tg\tRequired parameter missing.\n",
                 "missing\ta\tA missing or blank.\nmissing\tb\tB missing or blank.\n"},
        LineCase{"ClearDropsHeldMissingLines",
                 [](auto &w) {
                   w.outMissing("a", "A");
                   w.clearMessages();
                   w.outWarning("g", "w");
                 },
                 "warning\tg\tw\n", ""},
        LineCase{"MissingWithoutFollowerIsNeverWritten", [](auto &w) { w.outMissing("a", "A"); }, "", ""},
        LineCase{"HeldLinesAreWrittenOnce",
                 [](auto &w) {
                   w.outMissing("a", "A");
                   w.outWarning("g", "w");
                   w.outError("k", "m");
                 },
                 "warning\tg\tw\n", "missing\ta\tA\nerror\tk\tm\n"},
        LineCase{"TabsAndLineBreaksInFieldsCannotForgeLines",
                 [](auto &w) {
                   w.outError("App Problem", "This command has not been defined: x\nversion\tforged");
                   w.outSetting_increment("setting", "school", "school", "7\r\nerror\tx");
                 },
                 "setting\tschool\tschool\t7  error x\n",
                 "error\tApp Problem\tThis command has not been defined: x version forged\n"},
        LineCase{"LogLine", [](auto &w) { w.writeLogLine("Error        ", "10:11:12", "M::m", "text"); },
                 "log\tError        \t10:11:12\tM::m\ttext\n", ""}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
