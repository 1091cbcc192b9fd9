// The bridge configuration record: its bytes, the saved update dates, reading old and damaged
// records, the change check and the removal of everything an earlier configuration left.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "memorywriter.h"
#include "test_support.h"

namespace {

void WriteFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

void SetRun(MemoryWriter &writer) {
  BridgeRunSettings &run = writer.RunSettings();
  run.sisName = QStringLiteral("Infinite Campus");
  run.school = QStringLiteral("12");
  run.district = QStringLiteral("North");
  run.schoolYear = QStringLiteral("2025");
  run.dsn = QStringLiteral("Campus");
  run.masterFile = QStringLiteral("/srv/master.db");
  run.globalFolder = QStringLiteral("/srv/global");
}

// The record a run with SetRun's settings writes, with the given update values.
QByteArray Record(const QByteArray &dsn = "Campus", const QByteArray &updateDate = "08-Mar-2026",
                  const QByteArray &updateDateTime = "08-Mar-2026 14:05:07",
                  const QByteArray &district = "North", const QByteArray &school = "12",
                  const QByteArray &version = "2.3.3.2") {
  return "<SchoolConfig>\r\n"
         "<SIS SISValue=\"Infinite Campus\"/>\r\n"
         "<LastBridgeVersion LastBridgeVersionValue=\"" +
         version +
         "\"/>\r\n"
         "<LastSchoolNumber LastSchoolNumberValue=\"" +
         school +
         "\"/>\r\n"
         "<LastDistrict LastDistrictValue=\"" +
         district +
         "\"/>\r\n"
         "<LastSchoolYear LastSchoolYearValue=\"2025\"/>\r\n"
         "<LastDSN LastDSNValue=\"" +
         dsn +
         "\"/>\r\n"
         "<LastMasterFile LastMasterFileValue=\"/srv/master.db\"/>\r\n"
         "<LastMasterFolder LastMasterFolderValue=\"\"/>\r\n"
         "<LastSecurityFile LastSecurityFileValue=\"\"/>\r\n"
         "<GlobalFolder GlobalFolderValue=\"/srv/global\"/>\r\n"
         "<UpdateDate UpdateDateValue=\"" +
         updateDate +
         "\"/>\r\n"
         "<UpdateDateTime UpdateDateTimeValue=\"" +
         updateDateTime +
         "\"/>\r\n"
         "<OverlapInDays OverlapValue=\"14\"/>\r\n"
         "<LastBridgeLogLevel LastBridgeLogLevelValue=\"7\"/>\r\n"
         "</SchoolConfig>\r\n";
}

TEST(ConfigRecord, WrittenByteForByteWithEscapedValues) {
  MemoryWriter writer;
  SetRun(writer);
  writer.RunSettings().dsn = QStringLiteral("Campus \"Live\" & <Prod>");
  writer.SetLastUpdate(QDate(2026, 3, 9), QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)));
  writer.SaveBridgeConfig();
  const QString path = writer.ImportPath("SchoolConfig.xml");
  EXPECT_EQ(icbtest::readBytes(path), Record("Campus &quot;Live&quot; &amp; &lt;Prod&gt;"));
  EXPECT_EQ(bridgeconfig::Value(bridgeconfig::ReadFile(path), "LastDSN"),
            QStringLiteral("Campus \"Live\" & <Prod>"));
  EXPECT_EQ(QDir(writer.PDEFolder()).entryList(QDir::Files), QStringList{"SchoolConfig.xml"});
}

struct UpdateDateCase {
  QDate date;
  QDateTime dateTime;
  const char *updateDate;
  const char *updateDateTime;
};

TEST(ConfigRecord, SavesBothUpdateDatesOneDayEarlier) {
  const UpdateDateCase cases[] = {
      {QDate(2026, 3, 9), QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)), "08-Mar-2026",
       "08-Mar-2026 14:05:07"},
      {QDate(), QDateTime(QDate(2026, 3, 1), QTime(9, 0, 0)), "28-Feb-2026", "28-Feb-2026 9:00:00"},
      {QDate(1600, 1, 1), QDateTime(QDate(2026, 1, 1), QTime(0, 30, 0)), "31-Dec-2025",
       "31-Dec-2025 0:30:00"},
      {QDate(2026, 3, 9), QDateTime(), "08-Mar-2026", ""},
      {QDate(), QDateTime(), "", ""},
  };
  for (const auto &c : cases) {
    MemoryWriter writer;
    writer.SetLastUpdate(c.date, c.dateTime);
    writer.SaveBridgeConfig();
    const auto entries = bridgeconfig::ReadFile(writer.ImportPath("SchoolConfig.xml"));
    EXPECT_EQ(bridgeconfig::Value(entries, "UpdateDate"), QString::fromLatin1(c.updateDate)) << c.updateDate;
    EXPECT_EQ(bridgeconfig::Value(entries, "UpdateDateTime"), QString::fromLatin1(c.updateDateTime))
        << c.updateDate;
  }
}

TEST(ConfigRecord, TheFrameReadsTheUpdateDatesBack) {
  MemoryWriter writer;
  WriteFile(writer.ImportPath("SchoolConfig.xml"), Record());
  EXPECT_EQ(writer.ReadLastUpdateDate(writer.PDEFolder()), QDate(2026, 3, 8));
  EXPECT_EQ(writer.ReadLastUpdateDateTime(writer.PDEFolder()), QDateTime(QDate(2026, 3, 8), QTime(14, 5, 7)));
  WriteFile(writer.ImportPath("SchoolConfig.xml"), Record("Campus", "", ""));
  EXPECT_FALSE(writer.ReadLastUpdateDate(writer.PDEFolder()).isValid());
  EXPECT_FALSE(writer.ReadLastUpdateDateTime(writer.PDEFolder()).isValid());
  QFile::remove(writer.ImportPath("SchoolConfig.xml"));
  EXPECT_FALSE(writer.ReadLastUpdateDate(writer.PDEFolder()).isValid());
}

struct ParseCase {
  const char *name;
  QByteArray bytes;
  const char *element;
  const char *value;
  int entries;
};

TEST(ConfigRecord, ReadsWhatEarlierVersionsWroteAndNothingDamaged) {
  const ParseCase cases[] = {
      {"escaped",
       "<SchoolConfig>\r\n<LastDSN LastDSNValue=\"a &amp; b &lt;c&gt; &quot;d&quot; "
       "&apos;\"/>\r\n</SchoolConfig>\r\n",
       "LastDSN", "a & b <c> \"d\" '", 1},
      {"unescaped from an earlier version",
       "<SchoolConfig>\r\n<LastDSN LastDSNValue=\"R&D x>y a<b\"/>\r\n</SchoolConfig>\r\n", "LastDSN",
       "R&D x>y a<b", 1},
      {"single byte text", "<SchoolConfig>\r\n<LastDSN LastDSNValue=\"Caf\xE9\"/>\r\n</SchoolConfig>\r\n",
       "LastDSN", "Caf\xC3\xA9", 1},
      {"attribute name in another case is skipped",
       "<SchoolConfig>\r\n<LastDistrict lastdistrictvalue=\"3\"/>\r\n<LastSchoolYear "
       "LastSchoolYearValue=\"2025\"/>\r\n"
       "</SchoolConfig>\r\n",
       "LastDistrict", "", 1},
      {"unknown element is skipped",
       "<?xml version=\"1.0\"?>\r\n<SchoolConfig>\r\n<Other OtherValue=\"1\"/>\r\n<SIS SISValue=\"IC\"/>\r\n"
       "</SchoolConfig>\r\n",
       "SIS", "IC", 1},
      {"truncated record", Record().left(400), "SIS", "", 0},
      {"empty file", "", "SIS", "", 0},
      {"binary garbage", QByteArray("\x00\xff<<\"=/>\x01<SchoolConfig", 21), "SIS", "", 0},
      {"unterminated value", "<SchoolConfig>\r\n<SIS SISValue=\"IC/>\r\n</SchoolConfig>\r\n", "SIS", "", 0},
  };
  for (const auto &c : cases) {
    const auto entries = bridgeconfig::Parse(c.bytes);
    EXPECT_EQ(entries.size(), c.entries) << c.name;
    EXPECT_EQ(bridgeconfig::Value(entries, QString::fromLatin1(c.element)), QString::fromUtf8(c.value))
        << c.name;
  }
}

struct ChangeCase {
  const char *name;
  QByteArray stored;  // empty: no record at all
  bool changed;
  const char *difference;
};

TEST(ConfigRecord, ChangeCheck) {
  const ChangeCase cases[] = {
      {"no record", "", true, nullptr},
      {"same run", Record(), false, nullptr},
      {"district differs only in letter case", Record("Campus", "", "", "NORTH"), false, nullptr},
      {"dsn differs only in letter case", Record("CAMPUS"), false, nullptr},
      {"update dates take no part", Record("Campus", "01-Jan-2020", ""), false, nullptr},
      {"district", Record("Campus", "", "", "South"), true, "District Changed. Old=South new=North"},
      {"first difference in file order", Record("Other", "", "", "North", "13"), true,
       "School Changed. Old=13 new=12"},
      {"version", Record("Campus", "", "", "North", "12", "2.3.3.1"), true,
       "Version Changed. Old=2.3.3.1 new=2.3.3.2"},
      {"truncated record", Record().left(300), true, nullptr},
  };
  for (const auto &c : cases) {
    MemoryWriter writer;
    SetRun(writer);
    if (!c.stored.isEmpty()) WriteFile(writer.ImportPath("SchoolConfig.xml"), c.stored);
    WriteFile(writer.ImportPath("Update 20260301000000.PDU"), "x");
    writer.SetLastUpdate(QDate(2026, 3, 1), QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
    writer.StartPDEWriter();

    EXPECT_EQ(writer.FindLog("Bridge Configuration Changed.") != nullptr, c.changed) << c.name;
    EXPECT_EQ(writer.FindLog("Bridge Configuration Did Not Change.") != nullptr, !c.changed) << c.name;
    int changedLines = 0;
    for (const auto &record : writer.logs) changedLines += record.message.contains("Changed. Old=") ? 1 : 0;
    EXPECT_EQ(changedLines, c.difference ? 1 : 0) << c.name;
    if (c.difference) {
      const LogRecord *line = writer.FindLog(QString::fromLatin1(c.difference));
      ASSERT_NE(line, nullptr) << c.name;
      EXPECT_EQ(line->level, 7);
    }
    EXPECT_EQ(QFile::exists(writer.ImportPath("Update 20260301000000.PDU")), !c.changed) << c.name;
    EXPECT_EQ(writer.LastUpdateDate().isValid(), !c.changed) << c.name;
    // The date-time stands in for a missing update date when the record is saved: it goes too.
    EXPECT_EQ(writer.LastUpdateDateTime().isValid(), !c.changed) << c.name;
    EXPECT_NE(writer.FindLog("Import Folder: " + writer.PDEFolder()), nullptr);
  }
}

TEST(ConfigRecord, GlobalFolderAndOverlapComeFromTheRecord) {
  MemoryWriter writer;
  WriteFile(
      writer.ImportPath("SchoolConfig.xml"),
      "<SchoolConfig>\r\n<GlobalFolder GlobalFolderValue=\"/g\"/>\r\n<OverlapInDays OverlapValue=\"21\"/>\r\n"
      "</SchoolConfig>\r\n");
  writer.StartPDEWriter();
  EXPECT_EQ(writer.RunSettings().globalFolder, QStringLiteral("/g"));
  EXPECT_EQ(writer.OverlapDays(), QStringLiteral("21"));
}

TEST(ConfigRecord, DeleteUpdateFilesInItsOrder) {
  MemoryWriter writer;
  const QString import = writer.PDEFolder();
  for (const char *name :
       {"Update 20260301000000.PDU", "old.pdu", "Students.pef", "Infinite Campus.PDE", "SchoolConfig.xml",
        "DAT/a.txt", "AATP1/x", "aatp2/y", "AATD9/z", "AATX/keep", "../PAT/p.txt"})
    WriteFile(import + name, "x");

  writer.logs.clear();
  writer.DeleteUpdateFiles(import);

  QStringList left = QDir(import).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  left.sort();
  EXPECT_EQ(left, (QStringList{"AATX", "Infinite Campus.PDE", "Students.pef"}));
  EXPECT_FALSE(QFileInfo::exists(import + "../PAT"));

  const QStringList expected = {
      "DeleteUpdateFiles: Assigned import folder",
      "Deleted pdu files",
      "Changed FileName to SchoolConfig",
      "Deleted SchoolConfig",
      "Got Parent Folder",
      "Appended PAT",
      "Found PAT Folder",
      "Deleted PAT Folder",
      "Reset PDE Folder",
      "Appended DAT Folder",
      "Found DAT Folder",
      "Deleted DAT Folder",
      "Assigned AATP Iterator",
      "Iterating AATP Folder",
      "Deleted AATP Folder",
      "Iterating AATP Folder",
      "Deleted AATP Folder",
      "Assigned AATD Iterator",
      "Iterating AATD Folder",
      "Deleted AATD Folder",
  };
  QStringList logged;
  for (const auto &record : writer.logs) {
    if (record.method != "PDEWriter::DeleteUpdateFiles") continue;
    EXPECT_EQ(record.level, 8) << record.message.toStdString();
    logged << record.message;
  }
  EXPECT_EQ(logged, expected);
}

TEST(ConfigRecord, DeleteUpdateFilesInAnEmptyFolderFindsNothingToDelete) {
  MemoryWriter writer;
  writer.DeleteUpdateFiles(writer.PDEFolder());
  EXPECT_EQ(writer.FindLog("Found PAT Folder"), nullptr);
  EXPECT_EQ(writer.FindLog("Found DAT Folder"), nullptr);
  EXPECT_EQ(writer.FindLog("Iterating AATP Folder"), nullptr);
  EXPECT_NE(writer.FindLog("Deleted SchoolConfig"), nullptr);
}

TEST(ConfigRecord, FinishRunSavesTheRecordAndReportsCompletion) {
  MemoryWriter writer;
  SetRun(writer);
  writer.SetLastUpdate(QDate(2026, 3, 9), QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)));
  writer.StartImport();
  writer.StartTable("T", "T.pef");
  writer.FinishRun();
  EXPECT_EQ(icbtest::readBytes(writer.ImportPath("SchoolConfig.xml")), Record());
  EXPECT_TRUE(writer.Headers().empty());
  const LogRecord *complete = writer.FindLog("Export complete.");
  ASSERT_NE(complete, nullptr);
  EXPECT_EQ(complete->level, 5);
}

}  // namespace
