// Successive attendance runs on a copy of the tiny school, read through ODBC: each run reads from
// the date the previous one saved less the overlap, up to today, in windows of at most six days;
// the record saves where it read up to; each update file carries exactly the marks that changed,
// deleted ones inside the overlap as an empty code.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "bridgeconfigrecord.h"
#include "database.h"
#include "fullreaddates.h"
#include "query.h"
#include "school_attendance_run.h"
#include "school_databases.h"
#include "test_support.h"
#include "xexception.h"

namespace {

void ChangeSchool(const QString &path, const char *sql) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
  char *error = nullptr;
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// The rows of the update file's attendance block as "student date period code", sorted.
QStringList SentMarks(const QString &updateFile) {
  const QString text = QString::fromLatin1(icbtest::readBytes(updateFile));
  const qsizetype block = text.indexOf(QStringLiteral("// Cached Period Attendance\r\n"));
  if (block < 0) return {QStringLiteral("<no attendance block>")};
  QStringList lines = text.mid(block).split(QStringLiteral("\r\n"));
  QStringList marks;
  for (qsizetype i = 2; i < lines.size() && lines[i] != QLatin1String("*"); ++i) {
    const QStringList fields = lines[i].split(QLatin1Char('\t'));
    marks << fields.mid(0, 4).join(QLatin1Char(' '));
  }
  marks.sort();
  return marks;
}

const QDate kYearStart(2026, 7, 1);
const QDate kYearEnd(2027, 6, 30);

// Records in the cache that the whole year was read the day before today, so that the next run is
// a plain one: these tests are about the overlap, not the weekly full-year read.
void WholeYearReadTheDayBefore(const QString &import, const QDate &today) {
  sqlite::Database cache;
  cache.Open(import + QStringLiteral("/Attendance/Attendance.db"), QString(), SQLITE_OPEN_READWRITE);
  fullreaddates::Record(cache, AttendanceTable::Period, today.addDays(-1), kYearStart);
}

struct RunCase {
  const char *changeBefore;  // SQL run on the school before the run
  QDate today;
  QDate firstWindowStart;
  const char *savedUpdateDate;
  const char *savedUpdateDateTime;
  QStringList sent;
};

TEST(AttendanceRuns, ThreeRunsReadFromTheSavedDateLessTheOverlapAndSendOnlyChanges) {
  QTemporaryDir dir;
  const QString school = dir.filePath(QStringLiteral("school.db"));
  ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), school));
  const QString import = dir.filePath(QStringLiteral("import"));

  const RunCase runs[] = {
      // No record: from the school year start; the marks of 3 and 4 August.
      {"",
       QDate(2026, 8, 5),
       kYearStart,
       "04-Aug-2026",
       "04-Aug-2026 6:30:00",
       {"1001 08/03/2026 101111 A", "1001 08/03/2026 101112 A", "1001 08/03/2026 101113 A",
        "1001 08/04/2026 101121 T", "1002 08/03/2026 101112 A", "1004 08/03/2026 101111 A",
        "1005 08/03/2026 101111 A"}},
      // From 4 August less 14 days: a changed and a deleted mark inside the overlap, a new mark.
      {"UPDATE Attendance SET status='A' WHERE attendanceID=4; DELETE FROM Attendance WHERE attendanceID=5;",
       QDate(2026, 8, 12),
       QDate(2026, 7, 21),
       "11-Aug-2026",
       "11-Aug-2026 6:30:00",
       {"1001 08/04/2026 101121 A", "1002 08/03/2026 101112 ", "1013 08/10/2026 201111 A"}},
      // From 11 August less 14 days: the date moved on instead of sliding back.
      {"UPDATE Attendance SET status='T' WHERE attendanceID=9;",
       QDate(2026, 8, 20),
       QDate(2026, 7, 28),
       "19-Aug-2026",
       "19-Aug-2026 6:30:00",
       {"1004 08/20/2026 102112 A", "1013 08/10/2026 201111 T"}},
  };
  for (const RunCase &run : runs) {
    SCOPED_TRACE(run.savedUpdateDate);
    ChangeSchool(school, run.changeBefore);
    if (QFile::exists(import + QStringLiteral("/Attendance/Attendance.db")))
      WholeYearReadTheDayBefore(import, run.today);
    SchoolAttendanceRun task(school, import, run.today, XTime(6, 30, 0));
    ASSERT_NO_THROW(task.Run(kYearStart, kYearEnd));

    const auto &windows = task.Windows();
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows.front().first, run.firstWindowStart);
    EXPECT_EQ(windows.back().second, run.today);
    for (size_t i = 0; i < windows.size(); ++i) {
      EXPECT_LE(windows[i].first.daysTo(windows[i].second), 6);
      if (i > 0) {
        EXPECT_EQ(windows[i].first, windows[i - 1].second) << "windows meet";
      }
    }
    EXPECT_EQ(task.LastUpdateDate(), run.today);

    const auto record = bridgeconfig::ReadFile(task.PDEFolder() + QStringLiteral("SchoolConfig.xml"));
    EXPECT_EQ(bridgeconfig::Value(record, "UpdateDate"), QString::fromLatin1(run.savedUpdateDate));
    EXPECT_EQ(bridgeconfig::Value(record, "UpdateDateTime"), QString::fromLatin1(run.savedUpdateDateTime));
    ASSERT_FALSE(task.PublishedUpdateFile().isEmpty());
    EXPECT_EQ(SentMarks(task.PublishedUpdateFile()), run.sent);
    QFile::remove(task.PublishedUpdateFile());
  }
}

// A run whose query the school database refuses for the window starting on refusedFrom.
class RefusedWindowRun : public SchoolAttendanceRun {
 public:
  using SchoolAttendanceRun::SchoolAttendanceRun;
  QDate refusedFrom;

 protected:
  int OpenQueryCode() override {
    if (!Windows().empty() && Windows().back().first == refusedFrom) return 1629;
    return SchoolAttendanceRun::OpenQueryCode();
  }
};

// A window that was not read is not a week without marks: the run fails, no mark of the cache loses
// its code, and the next run sends no deletion, only the one mark dated after the first run's span.
TEST(AttendanceRuns, AWindowWhoseQueryDidNotOpenFailsTheRunAndBlanksNoMark) {
  QTemporaryDir dir;
  const QString school = dir.filePath(QStringLiteral("school.db"));
  ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), school));
  const QString import = dir.filePath(QStringLiteral("import"));
  const QDate today(2026, 8, 12);
  SchoolAttendanceRun(school, import, QDate(2026, 8, 5), XTime(6, 30, 0)).Run(kYearStart, kYearEnd);
  WholeYearReadTheDayBefore(import, today);
  {
    RefusedWindowRun refused(school, import, today, XTime(6, 30, 0));
    refused.refusedFrom = QDate(2026, 8, 2);  // the window of the marks of 3 and 4 August
    EXPECT_THROW(refused.Run(kYearStart, kYearEnd), XException);
    EXPECT_TRUE(refused.PublishedUpdateFile().isEmpty());
  }
  {
    sqlite::Database cache;
    cache.Open(import + QStringLiteral("/Attendance/Attendance.db"), QString(), SQLITE_OPEN_READONLY);
    sqlite::Query blanked(cache, QStringLiteral("SELECT count(*) FROM PERIOD_ATT WHERE newcode = ''"));
    ASSERT_TRUE(blanked.Step());
    EXPECT_EQ(blanked.Int64Column(0), 0);
  }
  SchoolAttendanceRun next(school, import, today, XTime(6, 30, 0));
  next.Run(kYearStart, kYearEnd);
  EXPECT_EQ(SentMarks(next.PublishedUpdateFile()), QStringList{"1013 08/10/2026 201111 A"});
}

}  // namespace
