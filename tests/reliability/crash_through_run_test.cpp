// Kills `icbridge run` itself at random moments while the school's marks keep changing: a full run
// (lookups, table exports, attendance windows and merge, update file, marking, configuration record)
// on a copy of the tiny school whose marks lie within the days every run reads again. Proves that
// no table file, control file, update file or configuration record is ever partial, that the cache
// never records as sent a code no published file carries, that every finished run leaves the
// product holding the school's marks, and that after a last clean run the update files, applied in
// name order, give exactly the school's marks (deleted ones as an empty code).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QElapsedTimer>
#include <QList>
#include <cstdio>
#include <optional>

#include "bridge_process.h"
#include "child_runs.h"
#include "database.h"
#include "import_folder.h"
#include "school_marks.h"
#include "scratch.h"

namespace {

// The step a run is in, from the last job text it sent.
QString StepOf(const QString &jobText) {
  if (jobText.isEmpty() || jobText == QLatin1String("Starting Execution..."))
    return QStringLiteral("start-up");
  if (jobText == QLatin1String("Reading Current School Year...") ||
      jobText.endsWith(QLatin1String(" LUT...")))
    return QStringLiteral("lookups");
  if (jobText.startsWith(QLatin1String("Reading PERIOD_ATT")) ||
      jobText == QLatin1String("Reading School Start and End Dates...") ||
      jobText == QLatin1String("Reading Student Period Attendance..."))
    return QStringLiteral("attendance windows and merge");
  if (jobText == QLatin1String("Reading Cached Period Attendance...") ||
      jobText.startsWith(QLatin1String("Daily ")))
    return QStringLiteral("update file");
  if (jobText == QLatin1String("Export complete.")) return QStringLiteral("after the record");
  return QStringLiteral("table exports");
}

QString JobText(const QByteArray &line) {
  return line.startsWith("inc_progress\t") ? QString::fromUtf8(line.mid(13)).trimmed() : QString();
}

// A job text of a clean run and how long the run took until the next one (the first, empty, stands
// for the start-up).
struct JobMark {
  QString text;
  qint64 lastsUs = 0;
};

// Where a run is killed: that long after the job text anchor arrived (after the start when empty).
struct KillPlan {
  QString anchor;
  qint64 delayUs = 0;
};

class CrashThroughRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge_.home.isValid());
    book_.FillAtRandom();
    QString error;
    ASSERT_TRUE(schoolcopy::CreateSqlite(school_, book_, error)) << error.toStdString();
  }

  QStringList Arguments() const {
    return SchoolRunArguments(folder_, bridge_.path(QStringLiteral("logs")), school_) +
           (reconcile_ ? QStringList{QStringLiteral("--reconcile")} : QStringList());
  }

  // One run, killed as the plan says. True when it finished by itself; step names the step the
  // last job text it sent belongs to.
  bool Run(const std::optional<KillPlan> &plan, QString *step = nullptr) {
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    bridge_.start(child, Arguments());
    EXPECT_TRUE(child.waitForStarted());
    QByteArray output;
    if (plan) {
      for (bool seen = plan->anchor.isEmpty(); !seen && child.state() != QProcess::NotRunning;) {
        child.waitForReadyRead(1);
        while (child.canReadLine()) {
          const QByteArray line = child.readLine();
          output += line;
          seen = seen || JobText(line) == plan->anchor;
        }
      }
      QElapsedTimer sinceAnchor;
      sinceAnchor.start();
      childruns::KillAt(child, sinceAnchor,
                        runLength_[reconcile_].Scaled(plan->delayUs, profiledUs_[reconcile_]));
    }
    EXPECT_TRUE(child.state() == QProcess::NotRunning || child.waitForFinished(60000));
    output += child.readAllStandardOutput();
    if (step) {
      QString last;
      for (const QByteArray &line : output.split('\n'))
        if (!JobText(line).isEmpty()) last = JobText(line);
      *step = StepOf(last);
    }
    if (child.exitStatus() != QProcess::NormalExit) return false;
    runLength_[reconcile_].Finished(timer.nsecsElapsed() / 1000);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString() << child.readAllStandardError().toStdString();
    return true;
  }

  // A run held still just before or just after ("before", "after") its update file takes its final
  // name, and killed there. False when it never got there.
  bool RunKilledAtTheRename(const char *moment) {
    bridge_.extraEnvironment = {{QStringLiteral("LD_PRELOAD"), QStringLiteral(ICB_PAUSE_RENAME_LIBRARY)},
                                {QStringLiteral("ICB_PAUSE_RENAME_SUFFIX"), QStringLiteral(".PDU")},
                                {QStringLiteral("ICB_PAUSE_RENAME_AT"), QLatin1String(moment)},
                                {QStringLiteral("ICB_PAUSE_RENAME_MS"), QStringLiteral("10000")}};
    QProcess child;
    child.setReadChannel(QProcess::StandardError);
    bridge_.start(child, Arguments());
    bridge_.extraEnvironment.clear();
    EXPECT_TRUE(child.waitForStarted());
    bool paused = false;
    while (!paused && child.state() != QProcess::NotRunning) {
      child.waitForReadyRead(5);
      while (child.canReadLine()) paused = paused || child.readLine().startsWith("paused ");
    }
    childruns::SignalWhileRunning(child);
    child.waitForFinished(60000);
    return paused;
  }

  // A clean run, timed job text by job text as they arrive.
  QList<JobMark> ProfiledRun() {
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    bridge_.start(child, Arguments());
    EXPECT_TRUE(child.waitForStarted());
    QList<JobMark> marks{{QString(), 0}};
    qint64 since = 0;
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
      child.waitForReadyRead(1);
      while (child.canReadLine()) {
        const QString text = JobText(child.readLine());
        if (text.isEmpty()) continue;
        const qint64 now = timer.nsecsElapsed() / 1000;
        marks.last().lastsUs = now - since;
        marks.append({text, 0});
        since = now;
      }
    }
    marks.last().lastsUs = timer.nsecsElapsed() / 1000 - since;
    profiledUs_[reconcile_] = timer.nsecsElapsed() / 1000;
    runLength_[reconcile_].Finished(profiledUs_[reconcile_]);
    EXPECT_EQ(child.exitCode(), 0);
    return marks;
  }

  // A step drawn at random, so that the short steps (the update file, its publication, the marking
  // and the record) are hit as often as the long table exports; then a job text of that step and a
  // moment before the next one.
  KillPlan RandomPlan(const QList<JobMark> &profile) {
    QStringList steps;
    for (const JobMark &mark : profile)
      if (!steps.contains(StepOf(mark.text))) steps << StepOf(mark.text);
    const QString step = steps[random_.bounded(int(steps.size()))];
    QList<JobMark> candidates;
    for (const JobMark &mark : profile)
      if (StepOf(mark.text) == step) candidates << mark;
    const JobMark &mark = candidates[random_.bounded(int(candidates.size()))];
    return {mark.text, qint64(random_.bounded(quint64(mark.lastsUs) + 1))};
  }

  // After every run, killed or not: nothing the product reads is partial, and no mark is recorded
  // as sent with a code that no published file carried.
  void ExpectConsistent(const std::string &context) {
    view_.TakeNewFiles(context);
    importfolder::ExpectCompleteTables(folder_, reference_, context);
    const QMap<MarkKey, QString> sent = importfolder::SentMarks(folder_);
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
      EXPECT_TRUE(view_.Carried(it.key(), it.value()))
          << context << ": " << it.key().toStdString() << " recorded as sent with code '"
          << it.value().toStdString() << "' that no published file carries";
  }

  void KillAtRandom(int runs) {
    ASSERT_TRUE(Run(std::nullopt));  // the first run exports everything and saves the record
    reference_ = importfolder::TableFiles(folder_);
    ASSERT_FALSE(reference_.isEmpty());
    ExpectConsistent("first run");
    const QList<JobMark> profile = ProfiledRun();
    reconcile_ = true;
    const QList<JobMark> reconcileProfile = ProfiledRun();
    int killed = 0, changes = 0, killedAfterPublishing = 0;
    QMap<QString, int> killedAt;
    for (int run = 0; run < runs && !HasFailure(); ++run) {
      changes += book_.ChangeAtRandom();
      QString error;
      ASSERT_TRUE(schoolcopy::WriteMarks(school_, book_, error)) << error.toStdString();
      const qsizetype filesBefore = view_.Files();
      const QMap<QString, quint64> identities = importfolder::Identities(folder_);
      QString step;
      reconcile_ = run % 3 == 2;  // every third run reads the whole year again
      const bool finished = Run(RandomPlan(reconcile_ ? reconcileProfile : profile), &step);
      const std::string context =
          "run " + std::to_string(run) + (finished ? "" : " killed in " + step.toStdString());
      importfolder::ExpectFromOneRun(folder_, identities, context);
      ExpectConsistent(context);
      if (finished) {
        importfolder::ExpectViewHolds(view_.Codes(), book_.Codes(), context);
        continue;
      }
      ++killed;
      if (view_.Files() > filesBefore) {
        ++killedAfterPublishing;
        if (step != QLatin1String("after the record")) step = QStringLiteral("after publication");
      }
      ++killedAt[step];
    }
    reconcile_ = false;
    ASSERT_TRUE(Run(std::nullopt));
    ExpectConsistent("last run");
    EXPECT_GE(killed, runs / 2) << "too few runs were killed to prove anything";

    importfolder::ExpectViewHolds(view_.Codes(), book_.Codes(), "last run");
    EXPECT_EQ(importfolder::SentMarks(folder_), view_.Codes());
    std::printf("%d runs, %d killed (%d after publishing), %d changes, %lld update files with %lld marks\n",
                runs, killed, killedAfterPublishing, changes, static_cast<long long>(view_.Files()),
                view_.MarkLines());
    for (auto it = killedAt.cbegin(); it != killedAt.cend(); ++it)
      std::printf("  killed in %s: %d\n", qPrintable(it.key()), it.value());
  }

  BridgeProcess bridge_{FastScratchParent()};
  const QString folder_ = bridge_.path(QStringLiteral("import"));
  const QString school_ = bridge_.path(QStringLiteral("school.db"));
  MarkBook book_{QDate::currentDate(), 20261208};
  QRandomGenerator random_{16};
  bool reconcile_ = false;
  // The kill delays, measured on the profiled run, follow the length of the latest finished run of
  // the same kind (plain or reconcile).
  childruns::RunLength runLength_[2];
  qint64 profiledUs_[2] = {0, 0};
  ProductView view_{folder_};
  QMap<QString, QByteArray> reference_;
};

TEST_F(CrashThroughRun, KilledRunsLoseNoChangeAndPublishNoPartialFile) {
  KillAtRandom(20);
}

// The moments on either side of the update file's rename last microseconds: held open by a rename
// that pauses, and the run killed there. Before it, no file appears and no mark is recorded as sent;
// after it, the file is published and the next run records what it carried; no change is lost.
TEST_F(CrashThroughRun, KilledJustBeforeOrJustAfterTheUpdateFileIsRenamed) {
  ASSERT_TRUE(Run(std::nullopt));
  reference_ = importfolder::TableFiles(folder_);
  ExpectConsistent("first run");
  for (int round = 0; round < 6 && !HasFailure(); ++round) {
    const bool after = round % 2 == 1;
    book_.ChangeAtRandom();
    QString error;
    ASSERT_TRUE(schoolcopy::WriteMarks(school_, book_, error)) << error.toStdString();
    const qsizetype filesBefore = view_.Files();
    ASSERT_TRUE(RunKilledAtTheRename(after ? "after" : "before")) << "the run never renamed its update file";
    const std::string context = "killed " + std::string(after ? "after" : "before") + " the rename";
    ExpectConsistent(context);
    EXPECT_EQ(view_.Files() - filesBefore, after ? 1 : 0) << context;
  }
  ASSERT_TRUE(Run(std::nullopt));
  ExpectConsistent("last run");
  importfolder::ExpectViewHolds(view_.Codes(), book_.Codes(), "last run");
  EXPECT_EQ(importfolder::SentMarks(folder_), view_.Codes());
}

// A table file of megabytes takes many writes: runs killed while it is read and written leave the
// file of the run before, whole, under its name.
TEST_F(CrashThroughRun, KilledWhileALargeTableFileIsWrittenLeaveTheOneBefore) {
  {
    sqlite::Database school;
    school.Open(school_, QString(), SQLITE_OPEN_READWRITE);
    school.Execute(
        QStringLiteral("UPDATE \"v_ProgramParticipation\" SET \"userWarning\" = "
                       "printf('%.*c', 4000000, 'n') WHERE \"personID\" = 1002"));
  }
  ASSERT_TRUE(Run(std::nullopt));
  reference_ = importfolder::TableFiles(folder_);
  ASSERT_GT(reference_.value(QStringLiteral("StudentNotes.pef")).size(), 4000000);
  const QString notes = QStringLiteral("Reading Student Notes...");
  qint64 notesUs = 0;
  for (const JobMark &mark : ProfiledRun())
    if (mark.text == notes) notesUs = mark.lastsUs;
  ASSERT_GT(notesUs, 0);
  int killedInNotes = 0;
  for (int run = 0; run < 20 && !HasFailure(); ++run) {
    QString step;
    if (Run(KillPlan{notes, qint64(random_.bounded(quint64(notesUs)))}, &step)) continue;
    importfolder::ExpectCompleteTables(folder_, reference_, "run " + std::to_string(run));
    if (step == QLatin1String("table exports")) ++killedInNotes;
  }
  EXPECT_GE(killedInNotes, 10) << "too few runs were killed while the notes were written";
  std::printf("20 runs, %d killed while the %lld-byte table file was read and written\n", killedInNotes,
              static_cast<long long>(reference_.value(QStringLiteral("StudentNotes.pef")).size()));
}

// The long series, started by hand: ICB_CRASH_RUNS=300 reliability_tests --gtest_filter=*LongSeries*
TEST_F(CrashThroughRun, LongSeries) {
  const int runs = qEnvironmentVariableIntValue("ICB_CRASH_RUNS");
  if (runs <= 0) GTEST_SKIP() << "set ICB_CRASH_RUNS to run";
  KillAtRandom(runs);
}

}  // namespace
