// The defaults command reading the front-end's "MVConfig.xml": where it is found, the setting
// lines per school configuration, and the files it refuses.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "bridge_process.h"

namespace {

const QByteArray kPair = "start_progress\t0\nend_progress\n";

void writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

const QByteArray kTwoSchools =
    "<?xml version=\"1.0\"?>\n<MVSchoolConfFile>\n"
    " <Schools>\n"
    "  <MVSchoolConf SISImportFolder=\"/data/out\" SISDSN=\"campus\" SISUserName=\"reader\" "
    "SISPassword=\"Xk6=\" SISSchoolDistrict=\"12\" SchoolNumber=\"7\"/>\n"
    " </Schools>\n"
    " <MVSchoolConf SISDSN=\"second\" SISSchoolDistrict=\"3\"/>\n"
    "</MVSchoolConfFile>\n";

const QByteArray kTwoSchoolsLines =
    "start_progress\t2\n"
    "start_setting\n"
    "setting\tdefault\tpath\t/data/out\n"
    "setting\tconnection\tdsn\tcampus\n"
    "setting\tconnection\tuser\treader\n"
    "setting\tconnection\tpwdencode\tXk6=\n"
    "setting\tschool\tdistrict\t12\n"
    "setting\tschool\tschool\t7\n"
    "end_setting\n"
    "start_setting\n"
    "setting\tdefault\tpath\t\n"
    "setting\tconnection\tdsn\tsecond\n"
    "setting\tconnection\tuser\t\n"
    "setting\tconnection\tpwdencode\t\n"
    "setting\tschool\tdistrict\t3\n"
    "setting\tschool\tschool\t\n"
    "end_setting\n"
    "end_progress\n";

TEST(Defaults, FileInThePathFolderWithTwoSchools) {
  BridgeProcess bridge;
  writeFile(bridge.path("conf/MVConfig.xml"), kTwoSchools);
  // A file in the product folder must not be read when the path folder holds one.
  writeFile(bridge.appData() + "/Mollivar/MVZidazoviRizoro/MVConfig.xml",
            "<MVSchoolConfFile><MVSchoolConf SISDSN=\"wrong\"/></MVSchoolConfFile>");
  const BridgeResult result = bridge.run({"defaults", "--path=" + bridge.path("conf")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(timeless(result.output), kTwoSchoolsLines);
  EXPECT_EQ(result.error, "");
}

TEST(Defaults, ProductFolderOfTheBridge) {
  BridgeProcess bridge;
  writeFile(bridge.appData() + "/Mollivar/MVZidazoviRizoro/MVConfig.xml", kTwoSchools);
  const BridgeResult result = bridge.run({"defaults"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(timeless(result.output),
            "log\tInformational\tTIME\tSISConfig::AppDataPath\tappPath: " + bridge.appData().toUtf8() +
                "/Mollivar/MVZidazoviRizoro\n" + kTwoSchoolsLines);
}

TEST(Defaults, AnotherProductFolderIsSearched) {
  BridgeProcess bridge;
  writeFile(bridge.appData() + "/Mollivar/Other/MVConfig.xml", kTwoSchools);
  const BridgeResult result =
      bridge.run({"defaults", "--path=" + bridge.appData() + "/Mollivar/Missing/deeper"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(timeless(result.output), kTwoSchoolsLines);
}

struct Refused {
  const char *name;
  QByteArray content;  // empty: no file at all
  QByteArray output;
};

class DefaultsRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(DefaultsRefused, ExitOneWithTheProgressPair) {
  BridgeProcess bridge;
  const QString folder = bridge.appData() + "/Mollivar/MVZidazoviRizoro";
  QDir().mkpath(folder);
  if (!GetParam().content.isEmpty()) writeFile(folder + "/MVConfig.xml", GetParam().content);
  const QString out = bridge.path("out");
  const BridgeResult result = bridge.run({"defaults", "--path=" + folder});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(timeless(result.output), GetParam().output);
  EXPECT_EQ(result.error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, DefaultsRefused,
    ::testing::Values(Refused{"WrongRoot", "<MVSchoolConf SISDSN=\"x\"/>", kPair},
                      Refused{"Malformed", "<MVSchoolConfFile><MVSchoolConf></MVSchoolConfFile>", kPair},
                      Refused{"Empty", " ", kPair},
                      Refused{"Missing", "",
                              kPair + "log\tWarning      \tTIME\tSISConfig::commandDefaults\tNo default "
                                      "MVConfig.xml file found\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Defaults, OutsideAnyProductFolder) {
  BridgeProcess bridge;
  const BridgeResult result = bridge.run({"defaults", "--path=" + bridge.path("nowhere")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(timeless(result.output), kPair);
}

TEST(Defaults, ValuesCannotForgeLines) {
  BridgeProcess bridge;
  writeFile(bridge.path("conf/MVConfig.xml"),
            "<MVSchoolConfFile><MVSchoolConf SISDSN=\"a&#9;b&#10;error&#9;x\"/></MVSchoolConfFile>");
  const BridgeResult result = bridge.run({"defaults", "--path=" + bridge.path("conf")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.output.contains("setting\tconnection\tdsn\ta b error x\n"))
      << result.output.toStdString();
}

}  // namespace
