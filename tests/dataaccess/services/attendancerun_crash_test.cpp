// Kills attendance runs of the task chain at random moments: a child program reads the period marks
// of a school database through ODBC in date windows, merges them into the attendance cache, writes
// and publishes the update file and marks the rows as sent. Between runs the school's marks change.
// Proves that no published update file is partial, that the cache never records as sent a code no
// published file carries, and that after a last clean run the published files, applied in the order
// they appeared, give exactly the school's marks (deleted ones as an empty code).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "child_runs.h"
#include "database.h"
#include "query.h"
#include "school_databases.h"
#include "test_support.h"

namespace {

const QDate kToday(2026, 9, 20);
const QDate kYearStart(2026, 8, 1);
const QDate kYearEnd(2027, 6, 30);
// Marks are dated within the days every run reads again (the overlap before the saved date).
constexpr int kDays = 11;
constexpr int kStudents = 30;
constexpr int kPeriods = 6;

using Key = QString;  // "personID|mm/dd/yyyy|periodID", as the update file writes a mark

QString Shown(const QString &isoDate) {
  return QDate::fromString(isoDate, Qt::ISODate).toString(QStringLiteral("MM/dd/yyyy"));
}

class AttendanceRunCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    schoolPath_ = dir_.filePath(QStringLiteral("school.db"));
    folder_ = dir_.filePath(QStringLiteral("import"));
    ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), schoolPath_));
    QFile::setPermissions(schoolPath_, QFile::ReadOwner | QFile::WriteOwner);
    school_.Open(schoolPath_, QString(), SQLITE_OPEN_READWRITE);
    school_.Execute(QStringLiteral("BEGIN; DELETE FROM Attendance"));
    for (int s = 0; s < kStudents; ++s)
      for (int day = 0; day < kDays; ++day)
        for (int p = 1; p <= kPeriods; ++p)
          if (random_.bounded(10) < 3) upsert(2000 + s, kToday.addDays(-day), p, code());
    school_.Execute(QStringLiteral("COMMIT"));
  }

  QString code() { return QStringLiteral("ATEU").mid(int(random_.bounded(4)), 1); }

  void removeMark(int person, const QDate &date, int period) {
    sqlite::Query remove(
        school_, QStringLiteral("DELETE FROM Attendance WHERE personID=?1 AND date=?2 AND periodID=?3"));
    remove.Bind(1, (long long)person);
    remove.Bind(2, date.toString(Qt::ISODate));
    remove.Bind(3, (long long)period);
    remove.Step();
  }

  void upsert(int person, const QDate &date, int period, const QString &status) {
    removeMark(person, date, period);
    sqlite::Query insert(school_, QStringLiteral("INSERT INTO Attendance (personID, calendarID, periodID, "
                                                 "date, status) VALUES (?1, 101, ?2, ?3, ?4)"));
    insert.Bind(1, (long long)person);
    insert.Bind(2, (long long)period);
    insert.Bind(3, date.toString(Qt::ISODate));
    insert.Bind(4, status);
    insert.Step();
  }

  // Between runs the school changes some codes, deletes some marks and adds one.
  void changeMarks() {
    school_.Execute(QStringLiteral("BEGIN"));
    const int changes = 1 + int(random_.bounded(6));
    for (int i = 0; i < changes; ++i) {
      sqlite::Query pick(school_, QStringLiteral("SELECT personID, date, periodID FROM Attendance "
                                                 "ORDER BY random() LIMIT 1"));
      if (!pick.Step()) break;
      const int person = int(pick.Int64Column(0));
      const QDate date = QDate::fromString(pick.StringColumn(1), Qt::ISODate);
      const int period = int(pick.Int64Column(2));
      pick.Finalize();
      if (random_.bounded(4) == 0) {
        removeMark(person, date, period);
      } else {
        upsert(person, date, period, code());
      }
    }
    upsert(2000 + int(random_.bounded(kStudents)), kToday.addDays(-int(random_.bounded(kDays))),
           1 + int(random_.bounded(kPeriods)), code());
    school_.Execute(QStringLiteral("COMMIT"));
  }

  QMap<Key, QString> schoolMarks() {
    QMap<Key, QString> marks;
    sqlite::Query query(school_, QStringLiteral("SELECT personID, date, periodID, status FROM Attendance"));
    while (query.Step())
      marks[query.StringColumn(0) + '|' + Shown(query.StringColumn(1)) + '|' + query.StringColumn(2)] =
          query.StringColumn(3);
    return marks;
  }

  // Starts a run; with a moment, kills it that many microseconds after its start. True when it
  // finished by itself (its length is then the run length).
  bool runChild(qint64 killAtUs = -1) {
    QProcess child;
    child.setProgram(QStringLiteral(ICB_ATTENDANCE_RUN_CHILD));
    child.setArguments({schoolPath_, folder_, kToday.toString(Qt::ISODate), kYearStart.toString(Qt::ISODate),
                        kYearEnd.toString(Qt::ISODate)});
    QElapsedTimer timer;
    timer.start();
    child.start();
    EXPECT_TRUE(child.waitForStarted());
    if (killAtUs >= 0) childruns::KillAt(child, timer, killAtUs);
    child.waitForFinished(60000);
    collectPublished();
    if (child.exitStatus() == QProcess::NormalExit) {
      runLength_.Finished(timer.nsecsElapsed() / 1000);
      EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
      return true;
    }
    return false;
  }

  // Takes in every update file that appeared since the last look, in the order they appeared
  // (one run publishes at most one). A published file must be complete: the run's opening, the
  // attendance block ended by its asterisk line, and the timing block at the very end.
  void collectPublished() {
    static const QRegularExpression complete(
        QStringLiteral(
            "^/{91}\\r\\n.*// Cached Period Attendance\\r\\nAttStdRef\\tAttDate\\tAttPerRef\\t[^\\r]*"
            "\\r\\n(?:[^\\r]*\\r\\n)*?\\*\\r\\n\\r\\n.*//  Timing \\r\\n//  Start: [0-9:]+\\r\\n"
            "//  End: [0-9:]+\\r\\n//  Difference: [0-9:]+\\r\\n\\r\\n$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QStringList files = QDir(folder_).entryList({QStringLiteral("*.PDU")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
      if (seenFiles_.contains(name)) continue;
      seenFiles_.insert(name);
      const QString text = QString::fromLatin1(icbtest::readBytes(folder_ + '/' + name));
      ASSERT_TRUE(complete.match(text).hasMatch()) << "partial update file " << name.toStdString();
      applyFile(text);
    }
  }

  // The product's view: each published mark replaces the one before; history keeps every code
  // published per mark.
  void applyFile(const QString &text) {
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    qsizetype i = lines.indexOf(QStringLiteral("// Cached Period Attendance")) + 2;
    for (; i < lines.size() && lines[i] != QLatin1String("*"); ++i) {
      const QStringList fields = lines[i].split('\t');
      ASSERT_EQ(fields.size(), 10) << lines[i].toStdString();
      const Key key = fields[0] + '|' + fields[1] + '|' + fields[2];
      view_[key] = fields[3];
      history_[key].insert(fields[3]);
    }
  }

  // The code the cache records as sent, per mark (marks never sent are left out).
  QMap<Key, QString> sentMarks() {
    QMap<Key, QString> sent;
    sqlite::Database cache;
    cache.Open(folder_ + QStringLiteral("/Attendance/Attendance.db"), QString(), SQLITE_OPEN_READWRITE);
    sqlite::Query query(cache, QStringLiteral("SELECT stdkey, attdate, perkey, oldcode FROM PERIOD_ATT "
                                              "WHERE oldcode IS NOT NULL"));
    while (query.Step())
      sent[query.StringColumn(0) + '|' + Shown(query.StringColumn(1)) + '|' + query.StringColumn(2)] =
          query.StringColumn(3);
    return sent;
  }

  void killAtRandom(int runs) {
    ASSERT_TRUE(runChild());  // the first run reads the year and saves the record
    ASSERT_TRUE(runChild());
    int killed = 0;
    int killedAfterPublishing = 0;
    for (int run = 0; run < runs; ++run) {
      changeMarks();
      const qsizetype filesBefore = seenFiles_.size();
      if (!runChild(runLength_.RandomMoment(random_))) {
        ++killed;
        // Killed after its update file took its final name, before or while marking the rows.
        if (seenFiles_.size() > filesBefore) ++killedAfterPublishing;
      }
      if (HasFatalFailure()) return;
      const QMap<Key, QString> sent = sentMarks();
      for (auto it = sent.begin(); it != sent.end(); ++it) {
        ASSERT_TRUE(history_.value(it.key()).contains(it.value()))
            << "run " << run << ": " << it.key().toStdString() << " recorded as sent with code '"
            << it.value().toStdString() << "' that no published file carries";
      }
    }
    ASSERT_TRUE(runChild());
    EXPECT_GE(killed, runs / 4) << "too few runs were killed to prove anything";

    // Every change reached a published file: the product's view is the school's marks.
    const QMap<Key, QString> truth = schoolMarks();
    for (auto it = truth.begin(); it != truth.end(); ++it)
      EXPECT_EQ(view_.value(it.key(), QStringLiteral("<never sent>")), it.value()) << it.key().toStdString();
    for (auto it = view_.begin(); it != view_.end(); ++it) {
      if (!truth.contains(it.key())) {
        EXPECT_EQ(it.value(), QString()) << "deleted " << it.key().toStdString();
      }
    }
    EXPECT_EQ(sentMarks(), view_);
    std::printf("%d runs, %d killed (%d after publishing), %lld published update files\n", runs, killed,
                killedAfterPublishing, static_cast<long long>(seenFiles_.size()));
  }

  QTemporaryDir dir_;
  QString schoolPath_;
  QString folder_;
  sqlite::Database school_;
  QRandomGenerator random_{20261208};
  childruns::RunLength runLength_;
  QSet<QString> seenFiles_;
  QMap<Key, QString> view_;
  QMap<Key, QSet<QString>> history_;
};

TEST_F(AttendanceRunCrash, KilledRunsLoseNoChangeAndPublishNoPartialFile) {
  killAtRandom(200);
}

// A longer series, started by hand: ICB_CRASH_RUNS=2000 services_tests --gtest_filter=*LongSeries*
TEST_F(AttendanceRunCrash, LongSeries) {
  const int runs = qEnvironmentVariableIntValue("ICB_CRASH_RUNS");
  if (runs <= 0) GTEST_SKIP() << "set ICB_CRASH_RUNS to run";
  killAtRandom(runs);
}

}  // namespace
