// The run summary in the log: one line per table file whose row count is the file's line count,
// one totals line with the attendance marks of the update file; a failed run's log ends with the
// table files it published before it failed, and no totals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

const QRegularExpression kTableLine(
    QStringLiteral(R"(^Table file (\S+) \((.+)\): (\d+) rows? in \d+\.\d s$)"));
const QRegularExpression kTotalsLine(QStringLiteral(
    R"(^Run summary: (\d+) table files? with (\d+) rows?, (\d+) attendance marks? sent, in \d+\.\d s$)"));

int LineCount(const QString &path) {
  return int(icbtest::readBytes(path).count("\r\n"));
}

// The rows of the attendance blocks of an update file: the lines between each block's field names
// and its closing "*".
int MarkCount(const QString &path) {
  int marks = 0;
  bool inBlock = false;
  int afterHeading = 0;
  for (const QByteArray &line : icbtest::readBytes(path).split('\n')) {
    const QByteArray text = line.trimmed();
    if (text.startsWith("// Cached ")) {
      inBlock = true;
      afterHeading = 0;
    } else if (inBlock && text == "*") {
      inBlock = false;
    } else if (inBlock && ++afterHeading > 1) {
      ++marks;
    }
  }
  return marks;
}

class RunSummary : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = dir_.filePath(QStringLiteral("school.db"));
    ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath("tiny"), db_));
    QFile::setPermissions(db_, QFile::ReadOwner | QFile::WriteOwner);
    out_ = dir_.filePath(QStringLiteral("out"));
  }
  // Runs the engine and keeps its Informational lines of the summary's two kinds.
  bool Run() {
    icbtest::FixedClockEngine engine;
    QObject::connect(
        &engine, &AppTaskBase::writeLog, [this](int level, const QString &text, const QString &) {
          if (level == 7 && (kTableLine.match(text).hasMatch() || kTotalsLine.match(text).hasMatch()))
            lines_ << text;
        });
    QString message;
    return engine.BeginExecute(icbtest::RunParameters(out_, db_, {{"filterhealthhist", "true"}}), 3, message);
  }

  QTemporaryDir dir_;
  QString db_, out_;
  QStringList lines_;
};

TEST_F(RunSummary, EveryTableFileWithItsRowsAndTheTotals) {
  ASSERT_TRUE(Run());
  ASSERT_FALSE(lines_.isEmpty());
  const QRegularExpressionMatch totals = kTotalsLine.match(lines_.takeLast());
  ASSERT_TRUE(totals.hasMatch());
  QStringList files;
  int rows = 0;
  for (const QString &line : lines_) {
    const QRegularExpressionMatch table = kTableLine.match(line);
    ASSERT_TRUE(table.hasMatch()) << line.toStdString();
    files << table.captured(1);
    EXPECT_EQ(table.captured(3).toInt(), LineCount(out_ + QLatin1Char('/') + table.captured(1)))
        << line.toStdString();
    rows += table.captured(3).toInt();
  }
  files.sort();
  EXPECT_EQ(files, QDir(out_).entryList({QStringLiteral("*.pef")}, QDir::Files, QDir::Name));
  EXPECT_EQ(totals.captured(1).toInt(), files.size());
  EXPECT_EQ(totals.captured(2).toInt(), rows);
  const QStringList updates = QDir(out_).entryList({QStringLiteral("Update *.PDU")}, QDir::Files);
  ASSERT_EQ(updates.size(), 1);
  const int marks = MarkCount(out_ + QLatin1Char('/') + updates.first());
  EXPECT_GT(marks, 0);
  EXPECT_EQ(totals.captured(3).toInt(), marks);
}

TEST_F(RunSummary, AFailedRunShowsHowFarItGot) {
  // Bell Schedule, the second export, needs the period schedule's name.
  ASSERT_TRUE(icbtest::SqliteExec(db_, QStringLiteral("ALTER TABLE PeriodSchedule DROP COLUMN name")));
  ASSERT_FALSE(Run());
  ASSERT_EQ(lines_.size(), 1) << lines_.join('\n').toStdString();
  const QRegularExpressionMatch table = kTableLine.match(lines_.first());
  EXPECT_EQ(table.captured(1), QStringLiteral("AttCodes.pef"));
  EXPECT_EQ(table.captured(2), QStringLiteral("Attendance Codes"));
}

}  // namespace
