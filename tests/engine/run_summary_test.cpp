// The run summary in the log: one line per table file with the file's line count, one totals line
// with the marks of the update file; a failed run's log holds the table files published before it.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

const QRegularExpression kTable(QStringLiteral(R"(^Table file (\S+) \((.+)\): (\d+) rows? in \d+\.\d s$)"));
const QRegularExpression kTotals(QStringLiteral(
    R"(^Run summary: (\d+) table files? with (\d+) rows?, (\d+) attendance marks? sent, in \d+\.\d s$)"));
// A mark of an update file: student key, date, ...
const QRegularExpression kMark(QStringLiteral(R"(^\d+\t\d\d/\d\d/\d{4}\t)"),
                               QRegularExpression::MultilineOption);

// The summary lines of a run on a copy of the tiny school that a statement changed first.
QStringList SummaryOfRun(const QString &out, const QString &statement = {}) {
  QTemporaryDir dir;
  const QString db = dir.filePath(QStringLiteral("school.db"));
  EXPECT_TRUE(icbtest::CopyTinySchool(db, statement));
  icbtest::FixedClockEngine engine;
  QStringList lines;
  QObject::connect(&engine, &AppTaskBase::writeLog,
                   [&lines](int level, const QString &text, const QString &) {
                     if (level == 7 && (kTable.match(text).hasMatch() || kTotals.match(text).hasMatch()))
                       lines << text;
                   });
  QString message;
  engine.BeginExecute(icbtest::RunParameters(out, db, {{"filterhealthhist", "true"}}), 3, message);
  return lines;
}

TEST(RunSummary, EveryTableFileWithItsRowsAndTheTotals) {
  QTemporaryDir out;
  QStringList lines = SummaryOfRun(out.path());
  ASSERT_FALSE(lines.isEmpty());
  const QRegularExpressionMatch totals = kTotals.match(lines.takeLast());
  ASSERT_TRUE(totals.hasMatch());
  QStringList files;
  int rows = 0;
  for (const QString &line : lines) {
    const QRegularExpressionMatch table = kTable.match(line);
    files << table.captured(1);
    rows += table.captured(3).toInt();
    EXPECT_EQ(table.captured(3).toInt(), icbtest::readBytes(out.filePath(table.captured(1))).count("\r\n"))
        << line.toStdString();
  }
  files.sort();
  EXPECT_EQ(files, QDir(out.path()).entryList({QStringLiteral("*.pef")}, QDir::Files, QDir::Name));
  EXPECT_EQ(totals.captured(1).toInt(), files.size());
  EXPECT_EQ(totals.captured(2).toInt(), rows);
  const QStringList updates = QDir(out.path()).entryList({QStringLiteral("Update *.PDU")});
  ASSERT_EQ(updates.size(), 1);
  // kMark matches only at a line's start, so count() sees each mark once.
  const qsizetype marks = QString::fromLatin1(icbtest::readBytes(out.filePath(updates.first()))).count(kMark);
  EXPECT_GT(marks, 0);
  EXPECT_EQ(totals.captured(3).toInt(), marks);
}

// Bell Schedule, the second export, needs the period schedule's name.
TEST(RunSummary, AFailedRunShowsHowFarItGot) {
  QTemporaryDir out;
  const QStringList lines =
      SummaryOfRun(out.path(), QStringLiteral("ALTER TABLE PeriodSchedule DROP COLUMN name"));
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(
      lines.first().startsWith(QLatin1String("Table file AttCodes.pef (Attendance Codes): 5 rows in ")))
      << lines.first().toStdString();
}

}  // namespace
