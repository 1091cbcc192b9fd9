// The export of cached attendance: only rows whose code changed since they were last sent are
// written, each once; the marks hold only once the file carrying them is published; the period
// export falls back to the "AttPerRef" header; a missing cache table is skipped with its job text.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A task whose student check rejects the keys the test names, with a hook run in the last step
// before a file is renamed to its published name.
class AttendanceTask : public RowTask {
 public:
  explicit AttendanceTask(const QString &folder, bool openCache = true) {
    SetPDEFolder(folder);
    if (openCache) {
      EXPECT_TRUE(SetAttendanceDatabase(folder));
    }
    connect(this, &AppTaskBase::writeProgressIncrement, this,
            [this](const QString &text) { jobTexts << text; });
  }
  QStringList rejected;
  QStringList jobTexts;
  std::function<void()> beforeRename;
  XDateTime clock;  // the run's time stamps; empty: the local clock

 protected:
  bool IsStudentIncluded(const QString &key) override { return !rejected.contains(key); }
  XDateTime Now() const override { return clock.IsEmpty() ? RowTask::Now() : clock; }
  void FileAboutToBePublished(const QString &workingPath) override {
    RowTask::FileAboutToBePublished(workingPath);
    if (beforeRename) beforeRename();
  }
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

QStringList UpdateFiles(const QString &folder, const char *pattern = "Update *.PDU") {
  return QDir(folder).entryList({QLatin1String(pattern)}, QDir::Files);
}

// Sends the cached period rows in an update run that publishes; its file must carry them.
void SendInUpdateRun(AttendanceTask &task, const QString &folder) {
  task.StartUpdate();
  task.CreateStudentPeriodAttendanceFromDB(false);
  task.FinishUpdate();
  ASSERT_FALSE(task.PublishedUpdateFile().isEmpty());
  EXPECT_TRUE(icbtest::readBytes(task.PublishedUpdateFile()).contains("\r\n1001\t09/01/2026\t3\tA\t"));
  EXPECT_EQ(OldCode(task, "PERIOD_ATT", "1001"), QStringLiteral("A"));
  EXPECT_TRUE(UpdateFiles(folder, "Update *.PDU.part").isEmpty());
}

// An update file that did not take its published name leaves its rows unsent, in the run and after
// the cache is closed and opened again: its name taken meanwhile by a file of someone else, or a
// failure in the last step before the rename (the marks must not be committed before it).
TEST(CachedAttendance, AnUpdateFileThatWasNotPublishedLeavesItsRowsUnsent) {
  for (const bool nameTaken : {true, false}) {
    QTemporaryDir dir;
    QString takenName;
    {
      AttendanceTask task(dir.path());
      Merge(task, AttendanceTable::Period, {Mark("1001", kDay, "3", "A", "AttPerRef")});
      task.StartUpdate();
      task.CreateStudentPeriodAttendanceFromDB(false);
      if (nameTaken) {
        const QStringList working = UpdateFiles(dir.path(), "Update *.PDU.part");
        ASSERT_EQ(working.size(), 1);
        takenName = dir.filePath(working.first().chopped(5));
        QFile other(takenName);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("someone else's");
      } else {
        task.beforeRename = [] { throw XException(QStringLiteral("failed just before the rename")); };
      }
      EXPECT_THROW(task.FinishUpdate(), XException) << nameTaken;
      EXPECT_EQ(OldCode(task, "PERIOD_ATT", "1001"), QStringLiteral("<null>")) << nameTaken;
    }
    if (nameTaken) {
      EXPECT_EQ(icbtest::readBytes(takenName), QByteArray("someone else's"));
      ASSERT_TRUE(QFile::remove(takenName));
    }
    AttendanceTask next(dir.path());
    EXPECT_EQ(OldCode(next, "PERIOD_ATT", "1001"), QStringLiteral("<null>")) << nameTaken;
    SendInUpdateRun(next, dir.path());
  }
}

// A run killed after its marks were prepared but before the rename, and the next run more than a day
// later: the next run's sweep of old working copies neither takes the copy for published nor removes
// it while the cache still names it; the rows are sent again.
TEST(CachedAttendance, ARunKilledBeforeTheRenameIsSettledByTheNextRunADayLater) {
  QTemporaryDir dir;
  fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    AttendanceTask task(dir.path());
    task.clock = XDateTime(XDate(2026, 9, 1), XTime(18, 0, 0));
    Merge(task, AttendanceTable::Period, {Mark("1001", kDay, "3", "A", "AttPerRef")});
    task.StartUpdate();
    task.CreateStudentPeriodAttendanceFromDB(false);
    task.beforeRename = [] { _exit(0); };
    task.FinishUpdate();
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const QString workingPath = dir.filePath(QStringLiteral("Update 20260901180000.PDU.part"));
  ASSERT_TRUE(QFile::exists(workingPath));
  QFile copy(workingPath);
  ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
  ASSERT_TRUE(copy.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
  copy.close();

  AttendanceTask next(dir.path(), false);
  next.StartUpdate();  // sweeps before the cache is opened
  EXPECT_TRUE(QFile::exists(workingPath)) << "removed while the cache names it";
  ASSERT_TRUE(next.SetAttendanceDatabase(dir.path()));
  EXPECT_EQ(OldCode(next, "PERIOD_ATT", "1001"), QStringLiteral("<null>"));
  // Settled now, the old copy goes with this run's sweep.
  SendInUpdateRun(next, dir.path());
}

}  // namespace
