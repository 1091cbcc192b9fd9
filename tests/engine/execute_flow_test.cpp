// The run as a whole on copies of the tiny school: the log of the run's values, a school without a
// school year or a table without a required column (an error, the previous run's files untouched),
// an optional column the database lacks, the yearID links, the school's date range, and name
// abbreviation.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

const QString kExpectedF1 = QStringLiteral(ICB_SOURCE_DIR "/tests/engine/expected/tiny/e13-f1/");

// Every file of a folder with its bytes, the log copies left out (they carry the clock).
QMap<QString, QByteArray> Snapshot(const QString &folder) {
  QMap<QString, QByteArray> files;
  for (const QString &name : QDir(folder).entryList(QDir::Files))
    if (!name.endsWith(QLatin1String(".log")) && !name.endsWith(QLatin1String(".tmp")))
      files[name] = icbtest::readBytes(folder + QLatin1Char('/') + name);
  return files;
}

class ExecuteFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = dir_.filePath(QStringLiteral("school.db"));
    ASSERT_TRUE(icbtest::CopyTinySchool(db_));
    out_ = dir_.filePath(QStringLiteral("out"));
  }
  QString Run(const ParameterMap &extra = {}, int flags = 3) {
    return icbtest::RunEngine(icbtest::RunParameters(out_, db_, extra), flags);
  }

  QTemporaryDir dir_;
  QString db_, out_;
};

TEST_F(ExecuteFlow, LogsTheRunValuesInOrder) {
  icbtest::FixedClockEngine engine;
  QStringList lines;
  QObject::connect(&engine, &AppTaskBase::writeLog,
                   [&lines](int level, const QString &text, const QString &method) {
                     if (level == 7 && method == QLatin1String("ExpEngine::Execute")) lines << text;
                   });
  const ParameterMap parameters = icbtest::RunParameters(out_, db_,
                                                         {{"inactivedate", "11/01/2026"},
                                                          {"filterhealthhist", "true"},
                                                          {"filtercustom", "TRUE"},
                                                          {"defaultcal", "1011"}});
  QString message;
  ASSERT_TRUE(engine.BeginExecute(parameters, 1, message)) << message.toStdString();
  EXPECT_EQ(lines, QStringList({"MSSQL DSN: " + db_, "District Id: 1", "School Id: 10", "School Year: 2026",
                                "Inactive Cutoff: 2026-11-01", "Filter Health History: True",
                                "Filter Custom Fields: False", "Default Calendar: 1011"}));
}

// A district or school without a school year, an inactive date that is not a date, or a table that
// lacks a required column fails the run before anything is published: the files of the previous run
// stay as they were.
TEST_F(ExecuteFlow, FailedRunsLeaveThePreviousRunsFilesUnchanged) {
  ASSERT_EQ(Run().toStdString(), "");
  const QMap<QString, QByteArray> before = Snapshot(out_);
  ASSERT_TRUE(before.contains(QStringLiteral("Sections.pef")));
  ASSERT_TRUE(before.contains(QStringLiteral("SchoolConfig.xml")));

  EXPECT_TRUE(Run({{"district", "99"}}).contains(QStringLiteral("No active school year")));
  EXPECT_EQ(Snapshot(out_), before);
  EXPECT_TRUE(Run({{"school", "12"}}).contains(QStringLiteral("No active school year")));
  EXPECT_EQ(Snapshot(out_), before);
  for (const char *date : {"13/45/2026", "2026-11-01", "soon"}) {
    EXPECT_TRUE(Run({{"inactivedate", date}}).contains(QStringLiteral("inactive date"))) << date;
    EXPECT_EQ(Snapshot(out_), before) << date;
  }

  ASSERT_TRUE(icbtest::SqliteExec(db_, QStringLiteral("ALTER TABLE Period DROP COLUMN seq")));
  EXPECT_FALSE(Run().isEmpty());
  const QMap<QString, QByteArray> after = Snapshot(out_);
  EXPECT_EQ(after.value(QStringLiteral("SchoolConfig.xml")),
            before.value(QStringLiteral("SchoolConfig.xml")));
  EXPECT_EQ(after.value(QStringLiteral("Infinite Campus.PDE")),
            before.value(QStringLiteral("Infinite Campus.PDE")));
  for (const QString &name : before.keys()) {
    if (!name.endsWith(QLatin1String(".pef"))) continue;
    EXPECT_EQ(after.value(name), before.value(name)) << name.toStdString();
  }
}

TEST_F(ExecuteFlow, AnOptionalColumnTheDatabaseLacksLeavesItsImportColumnOut) {
  ASSERT_TRUE(icbtest::SqliteExec(db_, QStringLiteral("ALTER TABLE PeriodSchedule DROP COLUMN seq")));
  ASSERT_EQ(Run({}, 1).toStdString(), "");
  const QByteArray control = icbtest::readBytes(out_ + QStringLiteral("/Infinite Campus.PDE"));
  EXPECT_TRUE(control.contains("// Days\r\nDayKey\tDayName\tDayCalRef\r\n#include \"Days.pef\"\r\n"));
  QList<QByteArray> expected;
  for (const QByteArray &line :
       icbtest::SortedLines(icbtest::readBytes(kExpectedF1 + QStringLiteral("Days.pef"))))
    expected << (line.isEmpty() ? line : line.left(line.lastIndexOf('\t')) + '\r');
  EXPECT_EQ(icbtest::SortedLines(icbtest::readBytes(out_ + QStringLiteral("/Days.pef"))), expected);
}

// Schools whose calendars and years link by yearID use it, not endYear (here made useless).
TEST_F(ExecuteFlow, YearIdLinksCalendarsAndYearsWhereTheSchoolHasIt) {
  for (const char *statement :
       {"ALTER TABLE SchoolYear ADD COLUMN yearID INTEGER", "ALTER TABLE Calendar ADD COLUMN yearID INTEGER",
        "UPDATE SchoolYear SET yearID = endYear * 7", "UPDATE Calendar SET yearID = endYear * 7",
        "UPDATE Calendar SET endYear = endYear + 1"})
    ASSERT_TRUE(icbtest::SqliteExec(db_, QString::fromLatin1(statement))) << statement;
  ASSERT_EQ(Run({}, 1).toStdString(), "");
  for (const char *file : {"Sections.pef", "Terms.pef", "Calendar.pef", "AttCodes.pef"})
    EXPECT_EQ(icbtest::SortedLines(icbtest::readBytes(out_ + QLatin1Char('/') + QLatin1String(file))),
              icbtest::SortedLines(icbtest::readBytes(kExpectedF1 + QLatin1String(file))))
        << file;
}

TEST_F(ExecuteFlow, SchoolDateRangeRunsFromTheEarliestCalendarStartToTheLatestEnd) {
  icbtest::FixedClockEngine engine;
  engine.SetDataSourceName(db_);
  engine.Connect(engine.BuildConnectionString());
  engine.Run().district = QStringLiteral("1");
  engine.Run().school = QStringLiteral("10");
  engine.Run().year = QStringLiteral("2026");
  XDate start, end;
  engine.DetermineSchoolStartEndDates(start, end);
  EXPECT_EQ(start, XDate(2026, 8, 1));
  EXPECT_EQ(end, XDate(2027, 6, 30));
}

TEST(AbbreviateName, VowelsThenOneLetterFromEachWordsEnd) {
  const struct {
    const char *name;
    const char *abbreviated;
  } cases[] = {
      {"Bus Route", "Bus Route"},
      {"Fourteen chars", "Fourteen chars"},
      {"Home Room Teacher", "Hm Rom Teacher"},
      {"Supercalifragilistic", "Sprclfrglistic"},
      {"Parent Guardian Name Long", "Prn Grd Nm Lng"},
      {"Bcdfg Hjklm Npqrst", "Bcd Hjkl Npqrs"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ExpEngine::AbbreviateName(QString::fromLatin1(c.name), 14), QString::fromLatin1(c.abbreviated))
        << c.name;
}

}  // namespace

namespace {

// A database without Student.structureID cannot tell a student's enrollments apart: students are
// included by personID alone, with one warning per export, instead of every row being rejected.
TEST_F(ExecuteFlow, WithoutStructureIdStudentsAreIncludedByPersonIdWithAWarning) {
  ASSERT_TRUE(icbtest::SqliteExec(db_, QStringLiteral("ALTER TABLE Student DROP COLUMN structureID")));
  icbtest::FixedClockEngine engine;
  int warnings = 0;
  QObject::connect(&engine, &AppTaskBase::writeLog,
                   [&warnings](int level, const QString &text, const QString &) {
                     if (level == 4 && text.startsWith(QLatin1String("No structureID in"))) ++warnings;
                   });
  QString message;
  ASSERT_TRUE(engine.BeginExecute(icbtest::RunParameters(out_, db_, {{"defaultcal", "1011"}}), 2, message));
  EXPECT_EQ(warnings, 1);
  const QByteArray update = icbtest::readBytes(
      out_ + QLatin1Char('/') + QDir(out_).entryList({QStringLiteral("Update *.PDU")}).value(0));
  EXPECT_TRUE(update.contains("\r\n1001\t08/03/2026\t101111\tAE\t")) << update.toStdString();
}

// An export that fails leaves nothing behind for the next one: no DISTINCT, no description, no
// attendance window field.
TEST_F(ExecuteFlow, AFailedExportLeavesNoStateForTheNextOne) {
  icbtest::FixedClockEngine engine;
  const ParameterMap parameters = icbtest::RunParameters(out_, db_);
  QString message;
  ASSERT_TRUE(engine.BeginExecute(parameters, 0, message)) << message.toStdString();
  engine.SetDataSourceName(db_);
  engine.Connect(engine.BuildConnectionString());
  using namespace exportdef;
  const ExportDef broken{.title = "Broken",
                         .file = "Broken.pef",
                         .tables = {{"Attendance", "A"}},
                         .columns = {Out("A.date", "AttDate", nullptr, kRequired, kAttendanceDateField),
                                     Out("A.noSuchColumn", "Missing", nullptr, kRequired)},
                         .distinct = true};
  EXPECT_ANY_THROW(engine.RunTableExport(broken));
  EXPECT_FALSE(engine.Options().Distinct);
  EXPECT_TRUE(engine.Query().Conditions().empty());
  EXPECT_TRUE(engine.Query().Fields().empty());
  EXPECT_ANY_THROW(engine.FilterAttendance(QDate(2026, 9, 1), QDate(2026, 9, 7)));
  EXPECT_FALSE(QFile::exists(out_ + QStringLiteral("/Broken.pef")));
}

}  // namespace
