// The export of cached attendance: only rows whose code changed since they were last sent are
// written, each once; the marks hold only once the file carrying them is published; the period
// export falls back to the "AttPerRef" header; a missing cache table is skipped with its job text.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "attendancecache.h"
#include "attendanceheadermap.h"
#include "database.h"
#include "query.h"
#include "row_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// A task whose student check rejects the keys the test names.
class AttendanceTask : public RowTask {
 public:
  explicit AttendanceTask(const QString &folder) {
    SetPDEFolder(folder);
    EXPECT_TRUE(SetAttendanceDatabase(folder));
    connect(this, &AppTaskBase::writeProgressIncrement, this,
            [this](const QString &text) { jobTexts << text; });
  }
  QStringList rejected;
  QStringList jobTexts;

 protected:
  bool IsStudentIncluded(const QString &key) override { return !rejected.contains(key); }
};

AttendanceCacheRow Mark(const char *key, QDate date, const char *period, const char *code,
                        const char *header = "AttTimeFrameRef") {
  return {key, date, period, header, code, "Sick", "1", "1", "0", "0", "0"};
}

void Merge(AttendanceTask &task, AttendanceTable table, const QList<AttendanceCacheRow> &rows) {
  AttendanceCache &cache = task.Attendance();
  cache.CreateTable(table);
  cache.BeginMerge(table);
  for (const AttendanceCacheRow &row : rows) cache.MergeRow(row);
  cache.FinishMerge();
}

// The table file's lines, sorted (the cache answers changed rows in no particular order).
QStringList SortedLines(const QString &path) {
  const QByteArray bytes = icbtest::readBytes(path);
  EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n")) << path.toStdString();
  QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  lines.sort();
  return lines;
}

QString OldCode(AttendanceTask &task, const QString &table, const QString &key) {
  sqlite::Query query(task.Attendance().Database(),
                      QStringLiteral("SELECT oldcode FROM %1 WHERE stdkey = ?1").arg(table));
  query.Bind(1, key);
  if (!query.Step()) return QStringLiteral("<no row>");
  return query.IsNullColumn(0) ? QStringLiteral("<null>") : query.StringColumn(0);
}

const QDate kDay(2026, 9, 1);

TEST(CachedAttendance, DailyRowsAreSentOnceAndAgainOnlyWhenTheirCodeChanges) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  Merge(task, AttendanceTable::Daily, {Mark("1001", kDay, "AM", "A"), Mark("1002", kDay, "AM", "T")});
  const QString file = dir.path() + QStringLiteral("/StudentDailyAtt.pef");

  struct Run {
    QList<AttendanceCacheRow> merge;  // marks read before the run
    QStringList lines;                // the table file afterwards
  };
  const Run runs[] = {
      {{}, {"1001\t09/01/2026\tAM\tA\tSick\t1\t1\t0\t0\t0", "1002\t09/01/2026\tAM\tT\tSick\t1\t1\t0\t0\t0"}},
      {{Mark("1001", kDay, "AM", "A"), Mark("1002", kDay, "AM", "T")}, {}},
      {{Mark("1001", kDay, "AM", "E"), Mark("1002", kDay, "AM", "T")},
       {"1001\t09/01/2026\tAM\tE\tSick\t1\t1\t0\t0\t0"}},
      {{}, {}},
  };
  for (const Run &run : runs) {
    if (!run.merge.isEmpty()) Merge(task, AttendanceTable::Daily, run.merge);
    task.StartImport();
    task.CreateStudentDailyAttendanceFromDB(false);
    EXPECT_EQ(SortedLines(file), run.lines);
  }
  EXPECT_EQ(task.Headers().back()->FieldNames(),
            QStringList({"AttStdRef", "AttDate", "AttTimeFrameRef", "AttAttCodeRef", "AttAttReasonRef",
                         "AttExcused", "AttAbs", "AttTardy", "AttTruant", "AttDiscipline"}));
  EXPECT_EQ(task.Headers().back()->name, QStringLiteral("Cached Daily Attendance"));
}

TEST(CachedAttendance, ARowNeverSentIsMarkedWithItsCode) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  Merge(task, AttendanceTable::Daily, {Mark("1003", kDay, "AM", "U")});
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1003"), QStringLiteral("<null>"));
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(false);
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1003"), QStringLiteral("U"));
}

TEST(CachedAttendance, RowsOfRejectedStudentsAreNeitherWrittenNorMarked) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  Merge(task, AttendanceTable::Daily, {Mark("1001", kDay, "AM", "A"), Mark("1013", kDay, "AM", "A")});
  task.rejected << QStringLiteral("1013");
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(true);
  const QString file = dir.path() + QStringLiteral("/StudentDailyAtt.pef");
  EXPECT_EQ(SortedLines(file), QStringList({"1001\t09/01/2026\tAM\tA\tSick\t1\t1\t0\t0\t0"}));
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1013"), QStringLiteral("<null>"));
  // Without the filter, in the next run, the row goes out.
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(false);
  EXPECT_EQ(SortedLines(file), QStringList({"1013\t09/01/2026\tAM\tA\tSick\t1\t1\t0\t0\t0"}));
}

TEST(CachedAttendance, PeriodExportWithoutHeadersAssumesAttPerRef) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  Merge(task, AttendanceTable::Period, {Mark("1001", kDay, "3", "A", "AttPerRef")});
  ASSERT_TRUE(task.AttendanceHeaders().periodHeaders.empty());
  task.StartImport();
  task.CreateStudentPeriodAttendanceFromDB(false);
  EXPECT_TRUE(
      task.Logged(QStringLiteral("CreateStudentPeriodAttendanceFromDB: Either no data returned or No Period "
                                 "Timeframe header set, assuming AttPerRef")));
  EXPECT_EQ(SortedLines(dir.path() + QStringLiteral("/StudentPeriodAtt.pef")),
            QStringList({"1001\t09/01/2026\t3\tA\tSick\t1\t1\t0\t0\t0"}));
  EXPECT_EQ(task.Headers().back()->name, QStringLiteral("Cached Period Attendance"));
  EXPECT_EQ(task.Headers().back()->FieldNames().at(2), QStringLiteral("AttPerRef"));
}

TEST(CachedAttendance, MissingTablesAreSkippedWithTheirJobText) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(false);
  task.CreateStudentPeriodAttendanceFromDB(false);
  EXPECT_EQ(task.jobTexts, QStringList({"Daily Attendance Table does not exist, skipping",
                                        "Period Attendance Table does not exist, skipping"}));
  EXPECT_TRUE(task.Headers().empty());
  EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/StudentDailyAtt.pef")));
}

TEST(CachedAttendance, NoTimeFrameHeadersWriteNoDailyTable) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  Merge(task, AttendanceTable::Daily, {Mark("1001", kDay, "AM", "A")});
  task.AttendanceHeaders().timeFrameHeaders.clear();
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(false);
  EXPECT_TRUE(task.Headers().empty());
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1001"), QStringLiteral("<null>"));
}

TEST(CachedAttendance, TwoTimeFrameHeadersEachKeepTheirRowsInAnImportRun) {
  QTemporaryDir dir;
  AttendanceTask task(dir.path());
  task.AttendanceHeaders().timeFrameHeaders.insert(QStringLiteral("AttTimeSlot"));
  Merge(task, AttendanceTable::Daily,
        {Mark("1001", kDay, "AM", "A", "AttTimeFrameRef"), Mark("1002", kDay, "2", "T", "AttTimeSlot")});
  task.StartImport();
  task.CreateStudentDailyAttendanceFromDB(false);

  const struct {
    const char *file;
    const char *periodHeader;
    const char *line;
  } tables[] = {{"StudentDailyAtt.pef", "AttTimeFrameRef",
                 "1001	09/01/2026	AM	A	Sick	1	1	0	0	0"},
                {"StudentDailyAtt_AttTimeSlot.pef", "AttTimeSlot",
                 "1002	09/01/2026	2	T	Sick	1	1	0	0	0"}};
  ASSERT_EQ(task.Headers().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(task.Headers()[i]->fileName, QLatin1String(tables[i].file));
    EXPECT_EQ(task.Headers()[i]->FieldNames().at(2), QLatin1String(tables[i].periodHeader));
    EXPECT_EQ(SortedLines(dir.path() + QLatin1Char('/') + QLatin1String(tables[i].file)),
              QStringList{QLatin1String(tables[i].line)});
  }
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1001"), QStringLiteral("A"));
  EXPECT_EQ(OldCode(task, "DAILY_ATT", "1002"), QStringLiteral("T"));

  // An update run writes both passes as blocks of its one file.
  Merge(task, AttendanceTable::Daily,
        {Mark("1001", kDay, "AM", "E", "AttTimeFrameRef"), Mark("1002", kDay, "2", "E", "AttTimeSlot")});
  task.StartUpdate();
  task.CreateStudentDailyAttendanceFromDB(false);
  task.FinishUpdate();
  const QByteArray update = icbtest::readBytes(task.PublishedUpdateFile());
  EXPECT_TRUE(update.contains("\tAttTimeFrameRef\t"));
  EXPECT_TRUE(update.contains("\tAttTimeSlot\t"));
  EXPECT_TRUE(update.contains("1001\t09/01/2026\tAM\tE\t"));
  EXPECT_TRUE(update.contains("1002\t09/01/2026\t2\tE\t"));
  for (size_t i = 2; i < task.Headers().size(); ++i)
    EXPECT_EQ(task.Headers()[i]->fileName, QStringLiteral("StudentDailyAtt.pef"));
}

TEST(CachedAttendance, AnUpdateRunThatNeverPublishesSendsTheSameRowsAgain) {
  QTemporaryDir dir;
  {
    AttendanceTask task(dir.path());
    Merge(task, AttendanceTable::Period, {Mark("1001", kDay, "3", "A", "AttPerRef")});
    task.StartUpdate();
    task.CreateStudentPeriodAttendanceFromDB(false);
    // The run ends here, before its update file is finished and published.
  }
  EXPECT_TRUE(QDir(dir.path()).entryList({"Update *.PDU"}, QDir::Files).isEmpty());
  AttendanceTask task(dir.path());
  EXPECT_EQ(OldCode(task, "PERIOD_ATT", "1001"), QStringLiteral("<null>"));
  task.StartUpdate();
  task.CreateStudentPeriodAttendanceFromDB(false);
  task.FinishUpdate();
  const QStringList published = QDir(dir.path()).entryList({"Update *.PDU"}, QDir::Files);
  ASSERT_EQ(published.size(), 1);
  const QByteArray bytes = icbtest::readBytes(dir.path() + QLatin1Char('/') + published.first());
  EXPECT_TRUE(
      bytes.contains("// Cached Period Attendance\r\nAttStdRef\tAttDate\tAttPerRef\tAttAttCodeRef\t"
                     "AttAttReasonRef\tAttExcused\tAttAbs\tAttTardy\tAttTruant\tAttDiscipline\r\n"
                     "1001\t09/01/2026\t3\tA\tSick\t1\t1\t0\t0\t0\r\n*\r\n"));
  EXPECT_EQ(OldCode(task, "PERIOD_ATT", "1001"), QStringLiteral("A"));
}

// A table file that cannot be created fails the run instead of leaving the attendance out silently;
// its rows stay unsent.
TEST(CachedAttendance, AnAttendanceFileThatCannotBeCreatedFailsTheExport) {
  for (const bool update : {false, true}) {
    QTemporaryDir dir;
    AttendanceTask task(dir.path());
    Merge(task, AttendanceTable::Daily, {Mark("1001", kDay, "AM", "A")});
    // The import folder becomes a file once the cache beside it is open.
    const QString import = dir.filePath(QStringLiteral("import"));
    ASSERT_TRUE(task.SetPDEFolder(import));
    ASSERT_TRUE(QDir(import).removeRecursively());
    QFile blocker(import);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    if (update) {
      EXPECT_THROW(task.StartUpdate(), XException);
    } else {
      task.StartImport();
    }
    const QString reason = update ? QStringLiteral("No update file is open.")
                                  : QStringLiteral("Could not open file ( 20 ): ") + import +
                                        QStringLiteral("/StudentDailyAtt.pef");
    try {
      task.CreateStudentDailyAttendanceFromDB(false);
      ADD_FAILURE() << "no failure, update run " << update;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QStringLiteral("CreateStudentDailyAttendanceFromDB Error: ") + reason);
    }
    EXPECT_EQ(OldCode(task, "DAILY_ATT", "1001"), QStringLiteral("<null>"));
    EXPECT_FALSE(task.Attendance().IsSending());
  }
}

}  // namespace
