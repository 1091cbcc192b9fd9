// The attendance steps across runs: start a table, read the school's marks window by window, send
// what changed, and move the update date so that each run re-reads only the overlap.
#include "attendancewriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "attendance_test_support.h"
#include "test_support.h"
#include "xexception.h"

namespace {

QDate d(const char *iso) {
  return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

const QStringList kHeaders = {"AttStdRef", "AttDate", "AttPerRef", "AttAttCodeRef"};

// The school database's marks, filtered by date like the attendance query.
class FakeSource : public AttendanceSource {
 public:
  struct Mark {
    QString stdkey;
    QDate date;
    QString period;
    QString code;
  };
  void SetDateFilter(const QDate &from, const QDate &to) override {
    from_ = from;
    to_ = to;
    windows << (from.isValid() ? from.toString(Qt::ISODate) : QStringLiteral("none")) + ".." +
                   to.toString(Qt::ISODate);
  }
  void Open() override {
    pending_.clear();
    for (const Mark &m : marks) {
      if ((!from_.isValid() || m.date >= from_) && m.date <= to_) pending_ << m;
    }
    ++opened;
  }
  bool Next(QStringList &values) override {
    if (pending_.isEmpty()) return false;
    const Mark m = pending_.takeFirst();
    values = {m.stdkey, m.date.toString("MM/dd/yyyy"), m.period, m.code};
    if (failAfter >= 0 && ++delivered > failAfter) values[2] = "";
    return true;
  }
  void Close() override { ++closed; }

  QList<Mark> marks;
  QStringList windows;
  int opened = 0;
  int closed = 0;
  int failAfter = -1;
  int delivered = 0;

 private:
  QDate from_;
  QDate to_;
  QList<Mark> pending_;
};

struct RunResult {
  QStringList windows;
  QStringList sent;
  QDate savedUpdateDate;
};

class AttendanceWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  // One run: start PERIOD_ATT with the record's date, read, send every change, and save the record's
  // date as the last day read minus one (the record's rule).
  RunResult run(const QDate &today, const QStringList &headers = kHeaders) {
    RunResult result;
    AttendanceWriter writer(task_);
    const AttendanceDateFormat dates = AttendanceDateFormat::Default();
    const QDate updateDate =
        writer.StartTable("PERIOD_ATT", true, false, saved_, overlap_, dir_.path(), dates);
    source_.windows.clear();
    const QDate lastDay =
        writer.WriteTable(source_, headers, updateDate, yearStart_, yearEnd_, false, today, dates);
    result.windows = source_.windows;
    AttendanceCache &cache = writer.Cache();
    cache.BeginSending();
    for (const QString &header : writer.HeaderSets().periodHeaders) {
      cache.SendChanges(AttendanceTable::Period, header, [&](const AttendanceChange &c) {
        result.sent << QStringList{c.stdkey, c.attdate, c.period, c.code}.join('|');
        return true;
      });
    }
    cache.CommitSent();
    result.sent.sort();
    saved_ = lastDay.addDays(-1);
    result.savedUpdateDate = saved_;
    return result;
  }

  QTemporaryDir dir_;
  RecordingTask task_;
  FakeSource source_;
  QDate saved_;
  QString overlap_ = "14";
  QDate yearStart_ = d("2026-08-20");
  QDate yearEnd_ = d("2027-06-05");
};

TEST_F(AttendanceWriterTest, ThreeRunsEachReadFromTheLastDayReadLessTheOverlap) {
  const struct {
    QDate today;
    QStringList windows;
    QDate saved;
  } runs[] = {
      {d("2026-09-10"),
       {"2026-08-20..2026-08-26", "2026-08-26..2026-09-01", "2026-09-01..2026-09-07",
        "2026-09-07..2026-09-10"},
       d("2026-09-09")},
      {d("2026-09-12"),
       {"2026-08-26..2026-09-01", "2026-09-01..2026-09-07", "2026-09-07..2026-09-12"},
       d("2026-09-11")},
      {d("2026-09-13"),
       {"2026-08-28..2026-09-03", "2026-09-03..2026-09-09", "2026-09-09..2026-09-13"},
       d("2026-09-12")},
  };
  for (const auto &r : runs) {
    const RunResult result = run(r.today);
    EXPECT_EQ(result.windows, r.windows) << r.today.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(result.savedUpdateDate, r.saved);
  }
}

TEST_F(AttendanceWriterTest, RunsSendOnlyWhatChanged) {
  source_.marks = {{"S1", d("2026-09-01"), "1", "A"}, {"S2", d("2026-09-08"), "2", "T"}};
  EXPECT_EQ(run(d("2026-09-10")).sent, (QStringList{"S1|2026-09-01|1|A", "S2|2026-09-08|2|T"}));
  EXPECT_TRUE(run(d("2026-09-11")).sent.isEmpty()) << "an unchanged rerun sends nothing";

  source_.marks[1].code = "E";
  EXPECT_EQ(run(d("2026-09-12")).sent, (QStringList{"S2|2026-09-08|2|E"}));

  // A mark deleted inside the overlap is sent once as an empty code.
  source_.marks.removeAt(1);
  EXPECT_EQ(run(d("2026-09-13")).sent, (QStringList{"S2|2026-09-08|2|"}));
  EXPECT_TRUE(run(d("2026-09-14")).sent.isEmpty());

  // A changed configuration deletes the cache and clears the update date: everything again.
  AttendanceCache cache(task_);
  EXPECT_TRUE(cache.DeleteDatabase(dir_.path()));
  saved_ = QDate();
  EXPECT_EQ(run(d("2026-09-15")).sent, (QStringList{"S1|2026-09-01|1|A"}));
}

// The school's data may hold two marks of one key; the last one merged is kept. Whichever order the
// database returns them in, the same one is kept and sent.
TEST_F(AttendanceWriterTest, MarksSharingAKeyLeaveTheSameCacheInEitherOrder) {
  const QList<FakeSource::Mark> marks = {{"S1", d("2026-09-01"), "1", "T"},
                                         {"S1", d("2026-09-01"), "1", "A"},
                                         {"S2", d("2026-09-02"), "1", "E"}};
  QStringList sent[2];
  for (int reversed = 0; reversed < 2; ++reversed) {
    ASSERT_TRUE(AttendanceCache(task_).DeleteDatabase(dir_.path()));
    saved_ = QDate();
    source_.marks = marks;
    if (reversed) std::reverse(source_.marks.begin(), source_.marks.end());
    sent[reversed] = run(d("2026-09-10")).sent;
  }
  EXPECT_EQ(sent[0].size(), 2);
  EXPECT_EQ(sent[0], sent[1]);
}

TEST_F(AttendanceWriterTest, PeriodRangeIsSentAsOneRowPerPeriod) {
  source_.marks = {{"S1", d("2026-09-01"), "3", "A"}};
  // The fake source gives the period value twice: as range start and range end.
  class RangeSource : public FakeSource {
   public:
    bool Next(QStringList &values) override {
      if (!FakeSource::Next(values)) return false;
      values.insert(3, "5");
      return true;
    }
  };
  RangeSource range;
  range.marks = source_.marks;
  AttendanceWriter writer(task_);
  const AttendanceDateFormat dates = AttendanceDateFormat::Default();
  const QDate update = writer.StartTable("PERIOD_ATT", true, false, QDate(), "", dir_.path(), dates);
  writer.WriteTable(range, {"AttStdRef", "AttDate", "AttStartPerRef", "AttEndPerRef", "AttAttCodeRef"},
                    update, yearStart_, yearEnd_, false, d("2026-09-03"), dates);
  EXPECT_EQ(writer.HeaderSets().periodHeaders, (std::set<QString>{"AttPerRef"}));
  QStringList sent;
  writer.Cache().SendChanges(AttendanceTable::Period, "AttPerRef", [&](const AttendanceChange &c) {
    sent << c.period + "=" + c.code;
    return true;
  });
  writer.Cache().CommitSent();
  sent.sort();
  EXPECT_EQ(sent, (QStringList{"3=A", "4=A", "5=A"}));
}

TEST_F(AttendanceWriterTest, LogsAndJobTexts) {
  source_.marks = {{"S1", d("2026-09-01"), "1", "A"}};
  saved_ = d("2026-09-05");
  run(d("2026-09-06"));
  const struct {
    const char *text;
    int level;
    const char *method;
  } expected[] = {
      {"StartAttTable: After: Update Date is: 09/05/2026", 8, "PDEWriter::StartAttTable"},
      {"StartAttTable: Before StartTable: Update Date is: 08/22/2026", 8, "PDEWriter::StartAttTable"},
      {"Reading PERIOD_ATT (08/22/2026 to 08/28/2026)...", 7, "BridgeTaskBase::PutJobText"},
      {"Reading PERIOD_ATT (08/28/2026 to 09/03/2026)...", 7, "BridgeTaskBase::PutJobText"},
      {"Reading PERIOD_ATT (09/03/2026 to 09/06/2026)...", 7, "BridgeTaskBase::PutJobText"},
      {"Write Attendance Table: Done Filtering Attendance", 8, "PDEWriter::WriteAttendanceTable"},
      {"Write Attendance Table: Table Opened", 8, "PDEWriter::WriteAttendanceTable"},
  };
  for (const auto &e : expected) {
    const QList<LoggedLine> lines = task_.Matching(e.text);
    ASSERT_FALSE(lines.isEmpty()) << e.text;
    EXPECT_EQ(lines[0].text, e.text);
    EXPECT_EQ(lines[0].level, e.level) << e.text;
    EXPECT_EQ(lines[0].method, e.method) << e.text;
  }
  ASSERT_EQ(task_.Matching("Start Attendance Table at: ").size(), 1);
  EXPECT_EQ(task_.Matching("Start Attendance Table at: ")[0].level, 7);
  EXPECT_EQ(source_.opened, 3);
}

TEST_F(AttendanceWriterTest, FailureKeepsTheRowsWrittenAndIsThrownOn) {
  AttendanceWriter writer(task_);
  const AttendanceDateFormat dates = AttendanceDateFormat::Default();
  const QDate update = writer.StartTable("PERIOD_ATT", true, false, QDate(), "", dir_.path(), dates);
  // The third column is a range start here; the second record's range is empty and fails the run.
  const QStringList headers = {"AttStdRef", "AttDate", "AttStartPerRef", "AttAttCodeRef", "AttEndPerRef"};
  class TwoEnds : public FakeSource {
   public:
    bool Next(QStringList &values) override {
      if (!FakeSource::Next(values)) return false;
      values << values[2];
      return true;
    }
  } twoEnds;
  twoEnds.marks = {{"S1", d("2026-09-01"), "1", "A"}, {"S2", d("2026-09-02"), "1", "B"}};
  twoEnds.failAfter = 1;
  try {
    writer.WriteTable(twoEnds, headers, update, yearStart_, yearEnd_, false, d("2026-09-03"), dates);
    ADD_FAILURE() << "no failure";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), "SQLite Attendance: Unsupported header: AttPerRef, cannot continue.");
  }
  EXPECT_EQ(task_.Matching("Write Attendance Table: Failed with Error.  Cleaning up.").size(), 1);
  EXPECT_GE(twoEnds.closed, 1);
  EXPECT_FALSE(writer.Cache().IsMerging());
  EXPECT_EQ(CacheRows(writer.Cache().Database(), "PERIOD_ATT", "perkey"),
            (QStringList{"S1|2026-09-01|1|AttPerRef|||||||<null>|A"}));
}

TEST_F(AttendanceWriterTest, UnknownTableOrUnreadableCacheFailsTheStart) {
  AttendanceWriter writer(task_);
  const AttendanceDateFormat dates = AttendanceDateFormat::Default();
  EXPECT_THROW(writer.StartTable("STUDENT_ATT", true, false, QDate(), "", dir_.path(), dates), XException);

  ASSERT_TRUE(QDir(dir_.path()).mkpath("Attendance"));
  QFile file(dir_.path() + "/Attendance/Attendance.db");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(4096, 'x'));
  file.close();
  try {
    writer.StartTable("PERIOD_ATT", true, false, QDate(), "", dir_.path(), dates);
    ADD_FAILURE() << "no failure";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith("Attendance: The attendance cache cannot be opened: "))
        << e.Text().toStdString();
  }
  EXPECT_EQ(task_.Matching("Set Database: ").size(), 1);
}

}  // namespace
