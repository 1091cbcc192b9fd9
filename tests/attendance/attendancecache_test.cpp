// The attendance cache on its own: table layout, merging, blanking, the change query and its
// marks, the stale check, dropping, deleting and files that are not caches.
#include "attendancecache.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "attendance_test_support.h"
#include "reference_merge.h"
#include "sqlerror.h"
#include "test_support.h"

namespace {

QDate d(const char *iso) {
  return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

AttendanceCacheRow mark(const QString &stdkey, const QDate &date, const QString &period, const QString &code,
                        const QString &header = QStringLiteral("AttPerRef"),
                        const QString &reason = QString()) {
  AttendanceCacheRow row;
  row.stdkey = stdkey;
  row.attdate = date;
  row.period = period;
  row.header = header;
  row.code = code;
  row.reason = reason;
  return row;
}

class AttendanceCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    folder_ = dir_.path();
  }
  bool open(AttendanceCache &cache) { return cache.Open(folder_, folder_); }
  QString dbPath() const { return folder_ + "/Attendance/Attendance.db"; }
  void merge(AttendanceCache &cache, AttendanceTable table, const QList<AttendanceCacheRow> &rows) {
    cache.BeginMerge(table);
    for (const AttendanceCacheRow &row : rows) cache.MergeRow(row);
    cache.FinishMerge();
  }
  // Sends the changes of header, marks them and commits; returns "stdkey|date|period|code" lines.
  QStringList send(AttendanceCache &cache, AttendanceTable table, const QString &header, bool commit = true) {
    QStringList sent;
    cache.BeginSending();
    cache.SendChanges(table, header, [&](const AttendanceChange &c) {
      sent << QStringList{c.stdkey, c.attdate, c.period, c.code}.join('|');
      return true;
    });
    if (commit) {
      cache.CommitSent();
    } else {
      cache.RollbackSent();
    }
    sent.sort();
    return sent;
  }

  QTemporaryDir dir_;
  QString folder_;
  RecordingTask task_;
};

TEST_F(AttendanceCacheTest, CreatesBothTablesWithTheirFixedLayout) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  EXPECT_TRUE(QFile::exists(dbPath()));
  const struct {
    AttendanceTable table;
    const char *sql;
  } cases[] = {
      {AttendanceTable::Daily,
       "CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), attdate DATETIME, timeframe VARCHAR(100), reason "
       "VARCHAR(100), "
       "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), discipline "
       "VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), PRIMARY KEY (stdkey, "
       "attdate, timeframe, header))"},
      {AttendanceTable::Period,
       "CREATE TABLE PERIOD_ATT (stdkey VARCHAR(100), attdate DATETIME, perkey VARCHAR(100), reason "
       "VARCHAR(100), "
       "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), discipline "
       "VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), PRIMARY KEY (stdkey, "
       "attdate, perkey, header))"},
  };
  for (const auto &c : cases) {
    EXPECT_FALSE(cache.TableExists(c.table));
    cache.CreateTable(c.table);
    EXPECT_TRUE(cache.TableExists(c.table));
    sqlite::Query q(cache.Database(), "SELECT sql FROM sqlite_master WHERE type='table' AND name=?1");
    q.Bind(1, AttendanceTableName(c.table));
    ASSERT_TRUE(q.Step());
    EXPECT_EQ(q.StringColumn(0), QString::fromLatin1(c.sql));
  }
  // Creating again fails inside SQLite; it is logged and ignored.
  cache.CreateTable(AttendanceTable::Period);
  const QList<LoggedLine> failed = task_.Matching("Attendance: Create Table Failed: ");
  ASSERT_EQ(failed.size(), 1);
  EXPECT_TRUE(failed[0].text.contains("already exists"));
  EXPECT_EQ(failed[0].method, "PDEWriter::StartAttTable");
}

TEST_F(AttendanceCacheTest, MergeUpdatesTheCodeColumnsInsertsNewRowsAndDropsQuotes) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  AttendanceCacheRow first = mark("S'1", d("2026-09-01"), "P'1", "A'B", "AttPerRef", "R'1");
  first.excused = "Y";
  first.absent = "1";
  AttendanceCacheRow undated = mark("S2", QDate(), "1", "T");
  merge(cache, AttendanceTable::Period, {first, undated});
  EXPECT_EQ(cache.MergedWrites(), 2);

  // Merging again updates newcode, excused, absent, tardy, truant, discipline; reason stays.
  AttendanceCacheRow second = first;
  second.code = "X";
  second.reason = "R2";
  second.excused = "N";
  second.absent = "";
  second.tardy = "2";
  second.truant = "t";
  second.discipline = "d'";
  merge(cache, AttendanceTable::Period, {second, undated});
  EXPECT_EQ(cache.MergedWrites(), 1);
  EXPECT_EQ(cache.MergedUnchanged(), 1);
  EXPECT_EQ(
      CacheRows(cache.Database(), "PERIOD_ATT", "perkey"),
      (QStringList{"S1|2026-09-01|P1|AttPerRef|R1|N||2|t|d|<null>|X", "S2||1|AttPerRef|||||||<null>|T"}));
}

TEST_F(AttendanceCacheTest, ChangeRuleSendsNewAndChangedCodesOnceAndRollbackKeepsThem) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  const QDate day = d("2026-09-01");
  merge(cache, AttendanceTable::Period, {mark("S1", day, "1", "A"), mark("S2", day, "1", "T")});

  // A rolled-back send leaves everything to be sent again.
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef", false).size(), 2);
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"),
            (QStringList{"S1|2026-09-01|1|A", "S2|2026-09-01|1|T"}));
  EXPECT_TRUE(send(cache, AttendanceTable::Period, "AttPerRef").isEmpty());

  merge(cache, AttendanceTable::Period, {mark("S1", day, "1", "A"), mark("S2", day, "1", "E")});
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"), (QStringList{"S2|2026-09-01|1|E"}));
  EXPECT_EQ(CacheRows(cache.Database(), "PERIOD_ATT", "perkey"),
            (QStringList{"S1|2026-09-01|1|AttPerRef|||||||A|A", "S2|2026-09-01|1|AttPerRef|||||||E|E"}));
}

TEST_F(AttendanceCacheTest, PreparedMarksFollowWhetherTheFileWasPublished) {
  enum Step { Nothing, Rename, RemoveCopy, TakeFinalName, TakeFinalNameAndDiscard };
  const struct {
    const char *name;
    Step step;        // what happened to the file after PrepareSent
    bool died;        // the run died then, settling nothing; otherwise it rolled back
    bool resentNext;  // the next run sends the rows again
  } cases[] = {
      {"died before the rename", Nothing, true, true},
      {"died after the rename", Rename, true, false},
      {"died; its working copy was swept later", RemoveCopy, true, true},
      {"died after a rename refused by a file of that name", TakeFinalName, true, true},
      {"rolled back a refused rename and discarded the copy", TakeFinalNameAndDiscard, false, true},
  };
  for (const auto &c : cases) {
    QTemporaryDir dir;
    const QString working = dir.filePath("Update.PDU.part");
    const QString published = dir.filePath("Update.PDU");
    {
      AttendanceCache cache(task_);
      ASSERT_TRUE(cache.Open(dir.path(), dir.path()));
      cache.CreateTable(AttendanceTable::Period);
      merge(cache, AttendanceTable::Period, {mark("S1", d("2026-09-01"), "1", "A")});
      cache.BeginSending();
      EXPECT_EQ(cache.SendChanges(AttendanceTable::Period, "AttPerRef",
                                  [](const AttendanceChange &) { return true; }),
                1);
      QFile file(working);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.close();
      cache.PrepareSent(working, published);
      if (c.step == Rename) {
        ASSERT_TRUE(QFile::rename(working, published));
      }
      if (c.step == TakeFinalName || c.step == TakeFinalNameAndDiscard) {
        QFile other(published);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
      }
      if (c.step == RemoveCopy || c.step == TakeFinalNameAndDiscard) {
        ASSERT_TRUE(QFile::remove(working));
      }
      if (c.died) {
        cache.Database().Close();  // what a killed process leaves: nothing settled
      } else {
        cache.RollbackSent();
      }
    }
    EXPECT_EQ(AttendanceCache(task_).PendingWorkingCopies(dir.path()),
              c.died ? QStringList{working} : QStringList())
        << c.name;
    AttendanceCache next(task_);
    ASSERT_TRUE(next.Open(dir.path(), dir.path()));
    EXPECT_TRUE(next.PendingWorkingCopies(dir.path()).isEmpty()) << c.name;
    const QStringList sent = send(next, AttendanceTable::Period, "AttPerRef");
    EXPECT_EQ(sent.size(), c.resentNext ? 1 : 0) << c.name;
    EXPECT_TRUE(send(next, AttendanceTable::Period, "AttPerRef").isEmpty()) << c.name;
  }
}

// Codes differ by letter case ("t" and "T" are different codes): a mark whose code changes only in
// case updates the cached row and is sent again, whichever path of the merge meets it.
TEST_F(AttendanceCacheTest, ACodeChangingOnlyInLetterCaseIsUpdatedAndSentAgain) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  const struct {
    const char *name;
    QStringList codes;  // the same mark read again and again within one run
    QStringList sent;
  } runs[] = {
      {"empty table; the repeated key is looked up", {"T", "t"}, {"S1|2026-09-01|1|t"}},
      {"compared with the student's stored rows", {"T"}, {"S1|2026-09-01|1|T"}},
      {"stored row unchanged, then looked up again", {"T", "t"}, {"S1|2026-09-01|1|t"}},
      {"the same case again", {"t"}, {}},
  };
  for (const auto &run : runs) {
    QList<AttendanceCacheRow> marks;
    for (const QString &code : run.codes) marks << mark("S1", d("2026-09-01"), "1", code);
    merge(cache, AttendanceTable::Period, marks);
    EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"), run.sent) << run.name;
  }
  EXPECT_EQ(CacheRows(cache.Database(), "PERIOD_ATT", "perkey"),
            QStringList{"S1|2026-09-01|1|AttPerRef|||||||t|t"});
}

TEST_F(AttendanceCacheTest, ChangeQueryPerHeaderAndUnnamedRowsGoWithTimeFrames) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Daily);
  const QDate day = d("2026-09-01");
  merge(cache, AttendanceTable::Daily,
        {mark("S1", day, "AM", "A", "AttTimeFrameRef"), mark("S2", day, "PM", "B", ""),
         mark("S3", day, "1", "C", "AttTimeSlot")});
  EXPECT_EQ(send(cache, AttendanceTable::Daily, "AttTimeSlot"), (QStringList{"S3|2026-09-01|1|C"}));
  EXPECT_EQ(send(cache, AttendanceTable::Daily, "AttTimeFrameRef"),
            (QStringList{"S1|2026-09-01|AM|A", "S2|2026-09-01|PM|B"}));
}

TEST_F(AttendanceCacheTest, RowsNotHandedOnAndRowsChangedMeanwhileStayUnsent) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  const QDate day = d("2026-09-01");
  merge(cache, AttendanceTable::Period, {mark("S1", day, "1", "A"), mark("S2", day, "1", "B")});
  cache.BeginSending();
  cache.SendChanges(AttendanceTable::Period, "AttPerRef",
                    [](const AttendanceChange &c) { return c.stdkey == "S1"; });
  cache.CommitSent();
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"), (QStringList{"S2|2026-09-01|1|B"}));
}

TEST_F(AttendanceCacheTest, ChangeQueryIsServedByTheUnsentIndex) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  // Filling the empty table (here from more rows than one batch) drops the index; the rows are sent
  // without it, and marking them sent builds it again.
  QList<AttendanceCacheRow> rows;
  for (int i = 0; i < 100; ++i) rows << mark(QString::number(i), d("2026-09-01"), "1", "A");
  merge(cache, AttendanceTable::Period, rows);
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef").size(), 100);
  sqlite::Query plan(
      cache.Database(),
      "EXPLAIN QUERY PLAN SELECT rowid FROM PERIOD_ATT WHERE newcode IS NOT NULL AND (newcode <> "
      "oldcode OR oldcode IS NULL) AND header = ?1");
  QString details;
  while (plan.Step()) details += plan.StringColumn(3) + ";";
  EXPECT_TRUE(details.contains("PERIOD_ATT_UNSENT")) << details.toStdString();
}

TEST_F(AttendanceCacheTest, BlankingFromADateEmptiesRowsNotReadAgain) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  merge(cache, AttendanceTable::Period,
        {mark("S1", d("2026-08-31"), "1", "A"), mark("S1", d("2026-09-01"), "1", "B"),
         mark("S1", d("2026-09-02"), "1", "C"), mark("S2", QDate(), "1", "D")});
  send(cache, AttendanceTable::Period, "AttPerRef");

  // Blank from 09-01; 09-02 is read again unchanged, 09-01 is gone from the school database.
  cache.BlankNewCode(AttendanceTable::Period, d("2026-09-01"));
  merge(cache, AttendanceTable::Period, {mark("S1", d("2026-09-02"), "1", "C")});
  EXPECT_EQ(cache.MergedUnchanged(), 1);
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"), (QStringList{"S1|2026-09-01|1|"}));
  EXPECT_TRUE(send(cache, AttendanceTable::Period, "AttPerRef").isEmpty());

  // Without an update date every row loses its code, the undated one included.
  cache.BlankNewCode(AttendanceTable::Period, QDate());
  merge(cache, AttendanceTable::Period, {});
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"),
            (QStringList{"S1|2026-08-31|1|", "S1|2026-09-02|1|", "S2||1|"}));
  // A blank not followed by a merge is applied before the table is used.
  merge(cache, AttendanceTable::Period, {mark("S1", d("2026-09-03"), "1", "Z")});
  cache.BlankNewCode(AttendanceTable::Period, d("2026-09-03"));
  EXPECT_EQ(send(cache, AttendanceTable::Period, "AttPerRef"), (QStringList{"S1|2026-09-03|1|"}));
}

// The cache after the literal steps: blank every row from the date, then per row update-or-insert.
void referenceMerge(sqlite::Database &db, const QDate &blankFrom, const QList<AttendanceCacheRow> &rows) {
  attendancetest::ReferenceMerge(db, blankFrom, [&rows](const auto &sink) {
    for (const AttendanceCacheRow &r : rows) sink(r);
  });
}

TEST_F(AttendanceCacheTest, MergeLeavesExactlyWhatBlankingAndUpdateOrInsertLeave) {
  // Random runs over a small key space, with repeated keys inside a run, sends in between, and
  // blank dates before, inside and after the marks. Every fifth run fills an emptied table.
  QRandomGenerator random(20261208);
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  sqlite::Database reference;
  reference.Open(folder_ + "/reference.db", QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  reference.Execute(
      "CREATE TABLE PERIOD_ATT (stdkey VARCHAR(100), attdate DATETIME, perkey VARCHAR(100), reason "
      "VARCHAR(100), "
      "excused VARCHAR(100), absent VARCHAR(100), tardy VARCHAR(100), truant VARCHAR(100), discipline "
      "VARCHAR(100), header VARCHAR(10), oldcode VARCHAR(100), newcode VARCHAR(100), PRIMARY KEY (stdkey, "
      "attdate, "
      "perkey, header))");
  const QDate first = d("2026-09-01");
  for (int run = 0; run < 30; ++run) {
    QList<AttendanceCacheRow> rows;
    const int count = int(random.bounded(120));
    for (int i = 0; i < count; ++i) {
      const int day = int(random.bounded(12)) - 1;
      AttendanceCacheRow row =
          mark(QString("S%1").arg(random.bounded(4)), day < 0 ? QDate() : first.addDays(day),
               QString::number(random.bounded(3)), QString("ABC").mid(int(random.bounded(3)), 1),
               random.bounded(4) == 0 ? "AttSecRef" : "AttPerRef", QString("R%1").arg(random.bounded(3)));
      row.excused = random.bounded(2) ? "Y" : "";
      row.tardy = QString::number(random.bounded(2));
      rows << row;
    }
    const QDate blankFrom = random.bounded(5) == 0 ? QDate() : first.addDays(int(random.bounded(14)));
    const bool emptied = run % 5 == 0;
    if (emptied) {
      cache.Database().Execute("DELETE FROM PERIOD_ATT");
      reference.Execute("DELETE FROM PERIOD_ATT");
    }
    cache.BlankNewCode(AttendanceTable::Period, blankFrom);
    merge(cache, AttendanceTable::Period, rows);
    referenceMerge(reference, blankFrom, rows);
    ASSERT_EQ(CacheRows(cache.Database(), "PERIOD_ATT", "perkey"),
              CacheRows(reference, "PERIOD_ATT", "perkey"))
        << "run " << run;
    if (emptied) {
      // Into an empty table a key's first mark is a write; a later one is a write when its codes
      // differ from the mark before it.
      QHash<QString, QString> last;
      long long writes = 0, unchanged = 0;
      for (const AttendanceCacheRow &r : rows) {
        const QString key =
            QStringList{r.stdkey, r.attdate.toString(Qt::ISODate), r.period, r.header}.join('|');
        const QString codes =
            QStringList{r.code, r.excused, r.absent, r.tardy, r.truant, r.discipline}.join('|');
        const auto before = last.constFind(key);
        ++(before != last.cend() && *before == codes ? unchanged : writes);
        last.insert(key, codes);
      }
      EXPECT_EQ(cache.MergedWrites(), writes) << "run " << run;
      EXPECT_EQ(cache.MergedUnchanged(), unchanged) << "run " << run;
    }
    if (run % 3 == 1) {
      send(cache, AttendanceTable::Period, "AttPerRef");
      send(cache, AttendanceTable::Period, "AttSecRef");
      reference.Execute("UPDATE PERIOD_ATT SET oldcode=newcode WHERE newcode IS NOT NULL");
    }
  }
}

TEST_F(AttendanceCacheTest, StaleCheckReadsTheLastUpdatedTimeOfTheElement) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  const QDateTime now(d("2026-09-10"), QTime(12, 0));
  EXPECT_TRUE(cache.IsStale("PERIOD_ATT", now));
  const QList<LoggedLine> failed = task_.Matching("Check SQLite Update Date: ");
  ASSERT_EQ(failed.size(), 1);
  EXPECT_TRUE(failed[0].text.contains("no such table: UPDATECONFIG"));
  ASSERT_EQ(task_.Matching("UpdateConfig Query: ").size(), 1);
  EXPECT_EQ(task_.Matching("UpdateConfig Query: ")[0].text,
            "UpdateConfig Query: SELECT UPDATED FROM UPDATECONFIG WHERE ELEMENT='PERIOD_ATT'");
  EXPECT_EQ(task_.Matching("UpdateConfig Query: ")[0].level, 9);

  cache.Database().Execute("CREATE TABLE UPDATECONFIG (ELEMENT TEXT, UPDATED TEXT)");
  cache.Database().Execute(
      "INSERT INTO UPDATECONFIG VALUES ('PERIOD_ATT', '2026-09-01 00:00:00.000'), "
      "('PERIOD_ATT', '2026-09-10 01:00:00.000'), ('DAILY_ATT', '2026-09-09 23:59:59.999'), "
      "('OTHER', 'not a date')");
  const struct {
    const char *element;
    bool stale;
  } cases[] = {
      {"PERIOD_ATT", false}, {"DAILY_ATT", true}, {"MISSING", true}, {"OTHER", true}, {"x' OR '1'='1", true}};
  for (const auto &c : cases) EXPECT_EQ(cache.IsStale(c.element, now), c.stale) << c.element;
}

TEST_F(AttendanceCacheTest, DropTableOnlyWhenStale) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  cache.CreateTable(AttendanceTable::Daily);
  cache.Database().Execute("CREATE TABLE UPDATECONFIG (ELEMENT TEXT, UPDATED TEXT)");
  sqlite::Query insert(cache.Database(), "INSERT INTO UPDATECONFIG VALUES ('DAILY_ATT', ?1)");
  insert.Bind(1, QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz"));
  insert.Step();
  cache.DropTable(AttendanceTable::Period);
  cache.DropTable(AttendanceTable::Daily);
  EXPECT_FALSE(cache.TableExists(AttendanceTable::Period));
  EXPECT_TRUE(cache.TableExists(AttendanceTable::Daily));
  cache.DropTable(AttendanceTable::Period);
  ASSERT_EQ(task_.Matching("Failed to Drop table: ").size(), 1);
  EXPECT_TRUE(task_.Matching("Failed to Drop table: ")[0].text.contains("no such table"));
}

TEST_F(AttendanceCacheTest, DeleteDatabaseRemovesTheFileAndANewOneStartsEmpty) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  cache.CreateTable(AttendanceTable::Period);
  merge(cache, AttendanceTable::Period, {mark("S1", d("2026-09-01"), "1", "A")});
  send(cache, AttendanceTable::Period, "AttPerRef");
  EXPECT_TRUE(cache.DeleteDatabase(folder_));
  EXPECT_FALSE(cache.IsOpen());
  EXPECT_FALSE(QFile::exists(dbPath()));
  ASSERT_TRUE(open(cache));
  EXPECT_FALSE(cache.TableExists(AttendanceTable::Period));
}

TEST_F(AttendanceCacheTest, MissingFolderFallsBackToTheImportFolder) {
  AttendanceCache cache(task_);
  ASSERT_TRUE(cache.Open(folder_ + "/nowhere", folder_));
  EXPECT_EQ(cache.DatabasePath(), dbPath());
  ASSERT_EQ(task_.Matching("Folder does not exist").size(), 1);
  EXPECT_EQ(task_.Matching("Folder does not exist")[0].text,
            "Folder does not exist" + folder_ + "/nowhere trying: " + folder_);
}

TEST_F(AttendanceCacheTest, FilesThatAreNotCachesAreRefused) {
  ASSERT_TRUE(QDir(folder_).mkpath("Attendance"));
  const struct {
    const char *name;
    QByteArray content;
  } cases[] = {
      {"text file", QByteArray("this is not a database\r\n").repeated(200)},
      {"truncated header", QByteArray("SQLite format 3\0", 16) + QByteArray(100, '\xff')},
  };
  for (const auto &c : cases) {
    QFile file(dbPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.content);
    file.close();
    RecordingTask task;
    AttendanceCache cache(task);
    EXPECT_FALSE(cache.Open(folder_, folder_)) << c.name;
    EXPECT_FALSE(cache.IsOpen());
    ASSERT_EQ(task.Matching("Set Database: ").size(), 1) << c.name;
    EXPECT_EQ(task.Matching("Tried to set: ").size(), 1);
    // The file is left as it was.
    EXPECT_EQ(icbtest::readBytes(dbPath()), c.content) << c.name;
  }
}

TEST_F(AttendanceCacheTest, FullDiskFailsTheMergeAndLeavesTheCacheAsItWas) {
  {
    AttendanceCache cache(task_);
    ASSERT_TRUE(open(cache));
    cache.CreateTable(AttendanceTable::Period);
    merge(cache, AttendanceTable::Period, {mark("S1", d("2026-09-01"), "1", "A")});
  }
  const QStringList before = [&] {
    AttendanceCache cache(task_);
    EXPECT_TRUE(open(cache));
    return CacheRows(cache.Database(), "PERIOD_ATT", "perkey");
  }();

  // A file-size limit stands in for a full disk: writes past it fail instead of growing the file.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  bool failed = false;
  {
    AttendanceCache cache(task_);
    ASSERT_TRUE(open(cache));
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    try {
      cache.BeginMerge(AttendanceTable::Period);
      for (int i = 0; i < 20000; ++i) {
        cache.MergeRow(mark(QString("S%1").arg(i), d("2026-09-02"), "1", "A", "AttPerRef", QString(60, 'r')));
      }
      cache.FinishMerge();
    } catch (const sqlite::SqlError &e) {
      failed = true;
      EXPECT_TRUE(e.PrimaryCode() == SQLITE_FULL || e.PrimaryCode() == SQLITE_IOERR)
          << e.Text().toStdString();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
  }
  signal(SIGXFSZ, previousHandler);
  EXPECT_TRUE(failed);
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  EXPECT_EQ(CacheRows(cache.Database(), "PERIOD_ATT", "perkey"), before);
}

TEST_F(AttendanceCacheTest, ForeignTableLayoutFailsTheMergeClearly) {
  ASSERT_TRUE(QDir(folder_).mkpath("Attendance"));
  {
    sqlite::Database foreign;
    foreign.Open(dbPath(), QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    foreign.Execute("CREATE TABLE PERIOD_ATT (id INTEGER, note TEXT)");
  }
  AttendanceCache cache(task_);
  ASSERT_TRUE(open(cache));
  EXPECT_THROW(cache.CreateTable(AttendanceTable::Period), sqlite::SqlError);
  EXPECT_THROW(cache.BeginMerge(AttendanceTable::Period), sqlite::SqlError);
  EXPECT_FALSE(cache.IsMerging());
}

}  // namespace
