// The start of an extraction: log folder and dated log file with rotation, the finished and
// running-marker files, the header, the copy of the log, and the log style.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "bridge_process.h"

namespace {

const QStringList kComplete = {"--dsn=D", "--user=U", "--pwd=secretword", "--district=1", "--school=2"};

QString logName(const QString &school = "2") {
  return "Infinite_Campus--" + school + "-" + today() + ".log";
}

void touch(const QString &path, const QDateTime &time = QDateTime(QDate(2020, 1, 1), QTime(1, 0))) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("old\r\n");
  file.setFileTime(time, QFileDevice::FileModificationTime);
}

TEST(RunValidation, SampleRunAfterTheExtractionStart) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  touch(out + "/finished_bridge.tmp");
  touch(out + "/finished.tmp");
  const BridgeResult result = bridge.run(QStringList{"run", "--path=" + out, "--validate=0"} + kComplete);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(timeless(result.output),
            "log\tInformational\tTIME\tLogManager::setupLogFile\tLog file " + out.toUtf8() + "/" +
                logName().toUtf8() +
                " setup.\n"
                "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n"
                "start_progress\t10\n"
                "inc_progress\tStart Extraction...\n"
                "inc_progress\tValidate Connection Successful, using Oracle (ODBC) with prefix.\n"
                "inc_progress\tReading Look up Tables\n"
                "inc_progress\tReading Custom Field List...\n"
                "inc_progress\tReading Student Transportation...\n"
                "inc_progress\tReading Student Demographics...\n"
                "inc_progress\tReading Student Grades...\n"
                "inc_progress\tReading Student Period Attendance (08/25/2008 to 08/31/2008)...\n"
                "inc_progress\tReading Cached Period Attendance...\n"
                "inc_progress\tExport complete.\n"
                "end_progress\n");
  EXPECT_EQ(result.error, "");
  EXPECT_TRUE(icbtest::readBytes(out + "/BridgeStatus.tmp").endsWith("\tExtract Running\r\n"));
  EXPECT_EQ(icbtest::readBytes(out + "/finished_bridge.tmp"), "finished\r\n");
  EXPECT_FALSE(QFile::exists(out + "/finished.tmp"));
  const QByteArray log = icbtest::readBytes(out + "/" + logName());
  EXPECT_TRUE(log.contains("Kestrane Infinite Campus Bridge File\r\n"));
  EXPECT_TRUE(log.contains("AppBase::LogHeader: Command: run\r\n"));
  EXPECT_TRUE(log.contains("AppBase::LogHeader: pwd is internal only.\r\n"));
  EXPECT_TRUE(log.contains("AppBase::LogHeader: dsn=D\r\n"));
  EXPECT_FALSE(log.contains("secretword"));
}

TEST(Run, FailedExtractionLeavesStatusFinishedFileAndLogCopy) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  const QString logs = bridge.path("logs");
  // A copy left by an earlier run of the day is replaced.
  touch(out + "/" + logName());
  const BridgeResult result =
      bridge.run(QStringList{"run", "--path=" + out, "--logpath=" + logs, "--log=consoleoff"} + kComplete);
  EXPECT_EQ(result.exitCode, 1);
  // Console records of the extraction are off; the header's title line and errors still show.
  EXPECT_FALSE(result.output.contains("LogManager::setupLogFile"));
  EXPECT_FALSE(result.output.contains("log\tProgress"));
  QByteArray status = icbtest::readBytes(out + "/Data ExtractorStatus.tmp");
  EXPECT_TRUE(status.endsWith("\tFailed\tFailed on extraction.\r\n")) << status.toStdString();
  EXPECT_EQ(icbtest::readBytes(out + "/finished_bridge.tmp"), "finished\r\n");
  const QByteArray log = icbtest::readBytes(logs + "/" + logName());
  EXPECT_FALSE(log.isEmpty());
  // The copy is made when the extraction ends; the log goes on with the task's teardown records.
  const QByteArray copy = icbtest::readBytes(out + "/" + logName());
  EXPECT_TRUE(copy.contains("AppBase::LogHeader: Command: run\r\n"));
  EXPECT_NE(copy, "old\r\n");
  EXPECT_TRUE(log.startsWith(copy));
  EXPECT_FALSE(log.contains("secretword"));
}

TEST(Run, LogInTheOutputFolderIsNotLostToItsOwnCopy) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  bridge.run(QStringList{"run", "--path=" + out, "--log=off"} + kComplete);
  const QByteArray log = icbtest::readBytes(out + "/" + logName());
  EXPECT_TRUE(log.contains("AppBase::LogHeader: Command: run\r\n"));
}

TEST(Run, LogOffStillWritesLevelsZeroToThree) {
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  const QString logs = bridge.path("logs");
  const BridgeResult result =
      bridge.run(QStringList{"run", "--path=" + out, "--logpath=" + logs, "--log=off"} + kComplete);
  EXPECT_EQ(result.exitCode, 1);
  const QString log = QString::fromUtf8(icbtest::readBytes(logs + "/" + logName()));
  // No record above level 3 reaches either output, except the header the run always writes.
  for (const QString &line : QString::fromUtf8(timeless(result.output)).split(QLatin1Char('\n'))) {
    if (!line.startsWith("log\t")) continue;
    const QString level = line.section('\t', 1, 1);
    EXPECT_TRUE(level == "Emergency    " || level == "Alert        " || level == "Critical     " ||
                level == "Error        " || line.endsWith("Kestrane Infinite Campus Bridge started."))
        << line.toStdString();
  }
  EXPECT_FALSE(log.contains("Informational LogManager::setupLogFile"));
  EXPECT_TRUE(log.contains(QRegularExpression(": (Emergency|Alert    |Critical |Error    )     ")))
      << log.toStdString();
}

TEST(Run, EighthLogFileRemovesTheOldestOfTheName) {
  BridgeProcess bridge;
  const QString logs = bridge.path("logs");
  QStringList expected;
  for (int day = 7; day >= 1; --day) {
    const QDate date = QDate::currentDate().addDays(-day);
    const QString name = "Infinite_Campus--2-" + date.toString("yyyy-MM-dd") + ".log";
    touch(logs + "/" + name, QDateTime(date, QTime(3, 0)));
    if (day != 7) expected.append(name);
  }
  const QStringList others = {"Infinite_Campus--20-2001-01-01.log",
                              "Infinite_Campus--20-" + today() + ".log"};
  for (const QString &other : others) touch(logs + "/" + other);
  bridge.run(QStringList{"run", "--path=" + bridge.path("out"), "--logpath=" + logs, "--log=off"} +
             kComplete);
  expected.append(logName());
  expected.append(others);
  expected.sort();
  EXPECT_EQ(QDir(logs).entryList(QDir::Files, QDir::Name), expected);
}

TEST(Run, SchoolValueCannotLeaveTheLogFolder) {
  BridgeProcess bridge;
  const QString logs = bridge.path("a/logs");
  bridge.run({"run", "--path=" + bridge.path("out"), "--logpath=" + logs, "--log=off", "--dsn=D", "--user=U",
              "--pwd=P", "--district=1", "--school=../../escape"});
  const QStringList written = QDir(logs).entryList(QDir::Files);
  ASSERT_EQ(written.size(), 1);
  EXPECT_FALSE(written.first().contains('/'));
  EXPECT_TRUE(written.first().startsWith("Infinite_Campus--"));
  EXPECT_EQ(QDir(bridge.path("a")).entryList(QDir::Files), QStringList());
  EXPECT_EQ(QDir(bridge.home.path()).entryList(QStringList{"*.log"}, QDir::Files), QStringList());
}

TEST(Run, RunningMarkerDecidesTheSchemaLogging) {
  // Only observable through the task; here the marker is rewritten at every start.
  BridgeProcess bridge;
  const QString out = bridge.path("out");
  touch(out + "/BridgeStatus.tmp");
  bridge.run(QStringList{"run", "--path=" + out, "--validate=2"} + kComplete);
  EXPECT_TRUE(icbtest::readBytes(out + "/BridgeStatus.tmp").endsWith("\tExtract Running\r\n"));
}

}  // namespace

namespace {

TEST(Run, UnwritableLogFolderFallsBackToDocuments) {
  BridgeProcess bridge;
  const QString blocked = bridge.path("blocked");
  touch(blocked);  // a file where the log folder should be
  const QString documents = bridge.path("Documents");
  const BridgeResult result = bridge.run(
      QStringList{"run", "--path=" + bridge.path("out"), "--logpath=" + blocked, "--validate=2"} + kComplete);
  EXPECT_EQ(result.exitCode, 2);
  const QByteArray name = logName().toUtf8();
  EXPECT_EQ(timeless(result.output),
            "log\tError        \tTIME\tLogManager::setupLogFile\tLog file " + blocked.toUtf8() + "/" + name +
                " cannot be opened.\n"
                "log\tInformational\tTIME\tLogManager::setupLogFile\tLog file " +
                documents.toUtf8() + "/" + name +
                " setup.\n"
                "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n");
  EXPECT_EQ(result.error, "error\tLog File Error\tCould not write to: " + blocked.toUtf8() +
                              "/Infinite_Campus--2. Will now write to: " + documents.toUtf8() +
                              "/Infinite_Campus--2\n");
  EXPECT_TRUE(
      icbtest::readBytes(documents + "/" + logName()).contains("AppBase::LogHeader: Command: run\r\n"));
}

}  // namespace
