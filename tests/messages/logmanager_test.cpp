// Log records on the console and in the dated log file: styles, level limits, level 9 as Base64,
// and the rotation that keeps seven files of one run name and no other name's files.
#include "logmanager.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "sismessagewriter.h"
#include "test_support.h"

namespace {

const QString kToday = QDate::currentDate().toString("yyyy-MM-dd");

struct LogFixture {
  QTemporaryDir dir;
  QBuffer output;
  QBuffer error;
  std::unique_ptr<SISMessageWriter> writer;
  std::unique_ptr<LogManager> manager;

  explicit LogFixture(const QString &name = "School") {
    output.open(QIODevice::WriteOnly);
    error.open(QIODevice::WriteOnly);
    writer = std::make_unique<SISMessageWriter>(&output, &error);
    manager = std::make_unique<LogManager>(*writer, "Infinite Campus", name);
  }
  QString logPath(const QString &name = "School") const { return dir.filePath(name + "-" + kToday + ".log"); }
  QByteArray fileBytes() const { return icbtest::readBytes(manager->currentFileName()); }
  // Console lines with the time field replaced, so they compare as bytes.
  QByteArray console() const {
    return QString::fromUtf8(output.data())
        .replace(QRegularExpression("\t\\d\\d:\\d\\d:\\d\\d\t"), "\tTIME\t")
        .toUtf8();
  }
};

QByteArray withoutTimes(QByteArray bytes) {
  return QString::fromUtf8(bytes).replace(QRegularExpression(":\\d\\d:\\d\\d:\\d\\d: "), ":TIME: ").toUtf8();
}

TEST(LogManagerLevels, NamesArePaddedToThirteen) {
  const QList<QPair<int, QString>> cases = {{-1, "None         "}, {0, "Emergency    "}, {1, "Alert        "},
                                            {2, "Critical     "},  {3, "Error        "}, {4, "Warning      "},
                                            {5, "Progress     "},  {6, "             "}, {7, "Informational"},
                                            {8, "Debug        "},  {9, "Proprietary  "}};
  for (const auto &[level, name] : cases) EXPECT_EQ(LogManager::paddedLevelName(level), name) << level;
}

TEST(LogManagerSetup, WithoutFolderNoFileIsMade) {
  LogFixture log;
  EXPECT_FALSE(log.manager->setupLogFile());
  log.manager->log(3, "kept on console", "M::m");
  EXPECT_EQ(log.console(), "log\tError        \tTIME\tM::m\tkept on console\n");
  EXPECT_TRUE(log.manager->currentFileName().isEmpty());
}

TEST(LogManagerSetup, FolderIsCreatedAndSetupIsLogged) {
  LogFixture log;
  const QString folder = log.dir.filePath("a/b");
  log.manager->setFolder(folder);
  ASSERT_TRUE(QDir(folder).exists());
  ASSERT_TRUE(QFile::exists(QDir(folder).filePath("School-" + kToday + ".log")));
  const QString path = QDir(folder).filePath("School-" + kToday + ".log");
  EXPECT_EQ(log.console(),
            ("log\tInformational\tTIME\tLogManager::setupLogFile\tLog file " + path + " setup.\n").toUtf8());
  EXPECT_EQ(withoutTimes(log.fileBytes()),
            ("Infinite Campus:TIME: Informational LogManager::setupLogFile: Log file " + path + " setup.\r\n")
                .toUtf8());
}

struct StyleCase {
  const char *name;
  int style;
  bool consoleRecords;  // records of levels 4 to 7 on the console
  bool fileRecords;     // records of levels 4 to 9 in the file
};

class LogManagerStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(LogManagerStyles, LevelsThreeAndLowerAlwaysReachBothOutputs) {
  LogFixture log;
  log.manager->setStyle(0);
  log.manager->setFolder(log.dir.path());
  log.output.buffer().clear();
  log.output.seek(0);
  QFile::resize(log.manager->currentFileName(), 0);
  log.manager->setStyle(GetParam().style);
  for (int level = -1; level <= 9; ++level) log.manager->log(level, QString("level %1").arg(level), "M::m");

  QByteArray console;
  QByteArray file;
  for (int level = 0; level <= 9; ++level) {
    const QString padded = LogManager::paddedLevelName(level);
    const bool low = level <= 3;
    if (level <= 7 && (low || GetParam().consoleRecords))
      console += QString("log\t%1\tTIME\tM::m\tlevel %2\n").arg(padded).arg(level).toUtf8();
    if (level == 9 || !(low || GetParam().fileRecords)) continue;
    file += QString("Infinite Campus:TIME: %1 M::m: level %2\r\n").arg(padded).arg(level).toUtf8();
  }
  if (GetParam().fileRecords) {
    file +=
        "proprietary:" + QString("Infinite Campus:TIME: Proprietary   M::m: level 9").toUtf8().toBase64() +
        "\r\n";
  }
  EXPECT_EQ(log.console(), console);
  // The Base64 text holds the time too; compare it after decoding.
  QByteArray written = log.fileBytes();
  const qsizetype proprietary = written.indexOf("proprietary:");
  if (proprietary >= 0) {
    const qsizetype end = written.indexOf("\r\n", proprietary);
    const QByteArray decoded = QByteArray::fromBase64(written.mid(proprietary + 12, end - proprietary - 12));
    written = written.left(proprietary) +
              "proprietary:" + withoutTimes(decoded + ": ").chopped(2).toBase64() + written.mid(end);
  }
  EXPECT_EQ(withoutTimes(written), file);
}

INSTANTIATE_TEST_SUITE_P(Styles, LogManagerStyles,
                         ::testing::Values(StyleCase{"Both", -1, true, true},
                                           StyleCase{"Off", 0, false, false},
                                           StyleCase{"ConsoleOff", -2, false, true},
                                           StyleCase{"FileOff", -3, true, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(LogManagerFile, SecondSetupOnTheSameDayAppends) {
  LogFixture log;
  log.manager->setStyle(0);
  log.manager->setFolder(log.dir.path());
  log.manager->log(3, "first", "M::m");
  log.manager->setupLogFile();
  log.manager->log(3, "second", "M::m");
  EXPECT_EQ(withoutTimes(log.fileBytes()),
            "Infinite Campus:TIME: Error         M::m: first\r\nInfinite Campus:TIME: Error         M::m: "
            "second\r\n");
}

void touch(const QString &path, const QDateTime &time) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("old\r\n");
  file.setFileTime(time, QFileDevice::FileModificationTime);
}

TEST(LogManagerRotation, TheEighthFileRemovesTheOldestOfTheName) {
  LogFixture log("Infinite_Campus--7");
  QStringList earlier;
  for (int day = 7; day >= 1; --day) {
    const QDate date = QDate::currentDate().addDays(-day);
    const QString name = "Infinite_Campus--7-" + date.toString("yyyy-MM-dd") + ".log";
    touch(log.dir.filePath(name), QDateTime(date, QTime(2, 0)));
    earlier.append(name);
  }
  // Other run names that begin with the same text are not this run's logs.
  const QStringList others = {"Infinite_Campus--70-" + kToday + ".log", "Infinite_Campus--70-2000-01-01.log",
                              "Infinite_Campus--7-notes.log", "Infinite_Campus--7-2000-01-01.log.bak"};
  for (const QString &other : others)
    touch(log.dir.filePath(other), QDateTime(QDate(2000, 1, 1), QTime(1, 0)));

  log.manager->setStyle(0);
  log.manager->setFolder(log.dir.path());

  QStringList expected = earlier.mid(1);
  expected.append("Infinite_Campus--7-" + kToday + ".log");
  expected.append(others);
  expected.sort();
  EXPECT_EQ(QDir(log.dir.path()).entryList(QDir::Files, QDir::Name), expected);
}

TEST(LogManagerRotation, TheOpenFileIsNeverDeleted) {
  LogFixture log("School");
  // Files dated after today sort after today's and would be kept by a plain first-to-go rule.
  for (int day = 1; day <= 8; ++day) {
    touch(log.dir.filePath("School-" + QDate::currentDate().addDays(day).toString("yyyy-MM-dd") + ".log"),
          QDateTime::currentDateTime());
  }
  log.manager->setStyle(0);
  log.manager->setFolder(log.dir.path());
  const QStringList left = QDir(log.dir.path()).entryList(QDir::Files, QDir::Name);
  EXPECT_EQ(left.size(), 7);
  EXPECT_TRUE(left.contains("School-" + kToday + ".log"));
  log.manager->log(3, "still written", "M::m");
  EXPECT_TRUE(log.fileBytes().contains("still written"));
}

TEST(LogManagerHeader, BlockIsWrittenToTheFileAndTheTitleToTheConsole) {
  LogFixture log;
  log.manager->setStyle(0);
  log.manager->setFolder(log.dir.path());
  log.manager->writeHeader("Kestrane Infinite Campus Bridge", "2.3.3.2", "Oct 30 2014 19:24:20");
  const QString text = QString::fromUtf8(log.fileBytes());
  const QString dashes(73, '-');
  EXPECT_TRUE(text.startsWith("\r\nInfinite Campus:")) << text.toStdString();
  EXPECT_TRUE(text.contains(dashes + "\r\nKestrane Infinite Campus Bridge File\r\n"));
  EXPECT_TRUE(text.contains(": Built on       : Oct 30 2014 19:24:20\r\n"));
  EXPECT_TRUE(text.contains(": Version        : 2.3.3.2\r\n"));
  EXPECT_TRUE(text.contains(
      QRegularExpression(": Generated on   : [A-Z][a-z]{2} \\d\\d \\d{4} \\d\\d:\\d\\d:\\d\\d [AP]M\r\n")));
  EXPECT_TRUE(text.contains(": " + dashes + "\r\n"));
  EXPECT_EQ(log.console(), "log\tInformational\tTIME\t\tKestrane Infinite Campus Bridge started.\n");
}

TEST(LogManagerHeader, WithoutFileOnlyTheTitleLineAppears) {
  LogFixture log;
  log.manager->setStyle(0);
  log.manager->writeHeader("T", "", "");
  EXPECT_EQ(log.console(), "log\tInformational\tTIME\t\tT started.\n");
  log.output.buffer().clear();
  log.output.seek(0);
  log.manager->writeHeader("", "", "");
  EXPECT_EQ(log.console(), "");
}

}  // namespace
