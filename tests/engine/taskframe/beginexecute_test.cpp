// The run frame: folder creation, the log and progress sequence of BeginExecute, the ways a run
// fails, and the progress size with and without attendance.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

#include "bridgetaskbase.h"
#include "test_support.h"
#include "xexception.h"

namespace {

struct Signal {
  QString kind;  // "log", "progress", "increment", "warning", "error"
  int level;
  QString text;
  QString method;
};

// A task whose engine step, previous run date and today's date the test decides.
class ScriptedTask : public BridgeTaskBase {
 public:
  ScriptedTask() {
    connect(this, &AppTaskBase::writeLog, this,
            [this](int level, const QString &text, const QString &method) {
              signals_.push_back({QStringLiteral("log"), level, text, method});
            });
    connect(this, &AppTaskBase::writeProgress, this, [this](const QString &type, int total) {
      signals_.push_back({QStringLiteral("progress"), total, type, {}});
    });
    connect(this, &AppTaskBase::writeProgressIncrement, this, [this](const QString &text) {
      signals_.push_back({QStringLiteral("increment"), 0, text, {}});
    });
    connect(this, &AppTaskBase::writeProgressWarning, this, [this](const QString &text) {
      signals_.push_back({QStringLiteral("warning"), 0, text, {}});
    });
    connect(this, &AppTaskBase::writeError, this, [this](const QString &key, const QString &text) {
      signals_.push_back({QStringLiteral("error"), 0, text, key});
    });
  }

  bool Execute(const ParameterMap &parameters, int flags, QString &message) override {
    ++executeCalls;
    executeFlags = flags;
    if (!engine) return AppTaskBase::Execute(parameters, flags, message);
    return engine(message);
  }

  void SetTotals(int setup, int lut, int import, int periodAtt, int dailyAtt) {
    setupTotal_ = setup;
    lutTotal_ = lut;
    importTotal_ = import;
    periodAttTotal_ = periodAtt;
    dailyAttTotal_ = dailyAtt;
  }
  void UseParameters(const ParameterMap &parameters) { parameters_ = &parameters; }

  std::function<bool(QString &)> engine;
  QDate lastUpdate;
  QDate today{2027, 2, 2};
  int executeCalls = 0;
  int executeFlags = 0;
  int lastUpdateReads = 0;
  std::vector<Signal> signals_;

 protected:
  QDate ReadLastUpdateDate(const QString &) override {
    ++lastUpdateReads;
    return lastUpdate;
  }
  QDate Today() const override { return today; }
};

TEST(BeginExecute, SuccessfulRunSendsItsStepsInOrder) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("out/school"));
  ParameterMap parameters{{QStringLiteral("path"), folder}};
  ScriptedTask task;
  task.SetTotals(3, 4, 10, 0, 0);
  task.lastUpdate = QDate(2009, 9, 8);
  task.engine = [](QString &) { return true; };
  QString message;
  ASSERT_TRUE(task.BeginExecute(parameters, 1, message));
  EXPECT_TRUE(QDir(folder).exists());
  EXPECT_EQ(task.PDEFolder(), QDir(folder).absolutePath() + QLatin1Char('/'));
  EXPECT_EQ(task.executeCalls, 1);
  EXPECT_EQ(task.executeFlags, 1);

  const QString method = QStringLiteral("BridgeTaskBase::BeginExecute");
  const Signal expected[] = {
      {"increment", 0, "Starting Execution...", ""},
      {"log", 5, "Starting Execution...", method},
      {"log", 7, "PDE Folder is: " + task.PDEFolder(), ""},
      {"log", 7, "Update Date is: Sep 08 2009", method},
  };
  ASSERT_GE(task.signals_.size(), std::size(expected) + 1);
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(task.signals_[i].kind, expected[i].kind) << i;
    EXPECT_EQ(task.signals_[i].level, expected[i].level) << i;
    EXPECT_EQ(task.signals_[i].text, expected[i].text) << i;
    EXPECT_EQ(task.signals_[i].method, expected[i].method) << i;
  }
  // The progress total comes last: setup + lut + 2 + import.
  const Signal &progress = task.signals_.back();
  EXPECT_EQ(progress.kind, QStringLiteral("progress"));
  EXPECT_EQ(progress.text, QStringLiteral("start_progress"));
  EXPECT_EQ(progress.level, 3 + 4 + 2 + 10);
}

TEST(BeginExecute, FirstRunWithoutRecordHasAnEmptyUpdateDate) {
  QTemporaryDir dir;
  ParameterMap parameters{{QStringLiteral("path"), dir.path()}};
  ScriptedTask task;
  task.engine = [](QString &) { return true; };
  QString message;
  ASSERT_TRUE(task.BeginExecute(parameters, 1, message));
  bool found = false;
  for (const auto &s : task.signals_) found |= s.text == QStringLiteral("Update Date is: ");
  EXPECT_TRUE(found);
}

TEST(BeginExecute, FailuresEndTheRunWithOneErrorMessage) {
  const struct {
    const char *name;
    std::function<bool(QString &)> engine;
    const char *message;   // left in message, "" when untouched
    const char *errorLog;  // logged at level 3
    bool caughtLogged;     // "Caught Exception" at level 7 first
  } cases[] = {
      {"false without a message", [](QString &) { return false; },
       "Bridge execution failed, consult logs for more information.",
       "Bridge execution failed, consult logs for more information.", false},
      {"false with a message",
       [](QString &m) {
         m = QStringLiteral("No school year");
         return false;
       },
       "No school year", "No school year", false},
      {"no engine", nullptr, "Execute not defined correctly in ExpEngine.",
       "Execute not defined correctly in ExpEngine.", false},
      {"XException", [](QString &) -> bool { throw XException(QStringLiteral("While executing query: x")); },
       "", "While executing query: x", true},
      {"other exception", [](QString &) -> bool { throw std::runtime_error("boom"); }, "",
       "Execute failed for an unkown reason, please consult Kestrane support.", false},
  };
  for (const auto &c : cases) {
    QTemporaryDir dir;
    ParameterMap parameters{{QStringLiteral("path"), dir.path()}};
    ScriptedTask task;
    task.engine = c.engine;
    QString message;
    EXPECT_FALSE(task.BeginExecute(parameters, -1, message)) << c.name;
    EXPECT_EQ(message, QString::fromLatin1(c.message)) << c.name;
    const Signal &last = task.signals_.back();
    EXPECT_EQ(last.kind, QStringLiteral("log")) << c.name;
    EXPECT_EQ(last.level, 3) << c.name;
    EXPECT_EQ(last.text, QString::fromLatin1(c.errorLog)) << c.name;
    EXPECT_EQ(last.method, QStringLiteral("BridgeTaskBase::BeginExecute")) << c.name;
    const Signal &before = task.signals_[task.signals_.size() - 2];
    EXPECT_EQ(before.text == QStringLiteral("Caught Exception") && before.level == 7, c.caughtLogged)
        << c.name;
  }
}

TEST(BeginExecute, FolderThatCannotBeMadeStopsBeforeAnythingElse) {
  QTemporaryDir dir;
  const QString blocker = dir.filePath(QStringLiteral("file"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ParameterMap parameters{{QStringLiteral("path"), blocker + QStringLiteral("/sub")}};
  ScriptedTask task;
  task.engine = [](QString &) { return true; };
  QString message;
  EXPECT_FALSE(task.BeginExecute(parameters, -1, message));
  EXPECT_EQ(task.executeCalls, 0);
  const QString text = QStringLiteral("Could not create pde folder: ") + blocker + QStringLiteral("/sub");
  ASSERT_EQ(task.signals_.size(), 4u);
  EXPECT_EQ(task.signals_[2].text, text);
  EXPECT_EQ(task.signals_[2].level, 3);
  EXPECT_EQ(task.signals_[2].method, QStringLiteral("BridgeTaskBase::SetPDEFolder"));
  EXPECT_EQ(task.signals_[3].kind, QStringLiteral("error"));
  EXPECT_EQ(task.signals_[3].method, QStringLiteral("file"));
  EXPECT_EQ(task.signals_[3].text, text);
}

TEST(SetPDEFolder, EndsWithOneSeparator) {
  QTemporaryDir dir;
  ScriptedTask task;
  ASSERT_TRUE(task.SetPDEFolder(dir.path() + QStringLiteral("/a/")));
  EXPECT_EQ(task.PDEFolder(), dir.path() + QStringLiteral("/a/"));
  ASSERT_TRUE(task.SetPDEFolder(dir.path() + QStringLiteral("/b")));
  EXPECT_EQ(task.PDEFolder(), dir.path() + QStringLiteral("/b/"));
}

struct ProgressCase {
  const char *name;
  int flags;
  QDate today;
  QDate lastUpdate;
  const char *filterDaily;
  const char *filterPeriod;
  int dailyAtt;
  int periodAtt;
  int expected;
};

TEST(CalculateProgressSize, AttendanceWindowFromTheLastRun) {
  // setup 3, lut 4, import 10: base 19 with the table exports, 9 without.
  const ProgressCase cases[] = {
      {"tables only", 1, {2027, 2, 2}, {}, "", "", 2, 5, 19},
      {"first run on 2 February: from 3 September before",
       3,
       {2027, 2, 2},
       {},
       "",
       "",
       2,
       5,
       19 + (152 / 6) * 2 + 1 + (152 / 6) * 5 + 1},
      {"first run on 3 September: one step", 2, {2026, 9, 3}, {}, "", "", 2, 5, 9 + 3 + 6},
      {"last run 10 days ago", 2, {2027, 2, 2}, {2027, 1, 23}, "", "", 2, 5, 9 + 3 + 6},
      {"last run 60 days ago", 2, {2027, 2, 2}, {2026, 12, 4}, "", "", 2, 5, 9 + 21 + 51},
      {"last run today", 2, {2027, 2, 2}, {2027, 2, 2}, "", "", 2, 5, 9 + 3 + 6},
      {"last run in the future", 2, {2027, 2, 2}, {2027, 3, 1}, "", "", 2, 5, 9 + 3 + 6},
      {"daily filtered", 2, {2027, 2, 2}, {2026, 12, 4}, "true", "", 2, 5, 9 + 51},
      {"period filtered", 2, {2027, 2, 2}, {2026, 12, 4}, "", "true", 2, 5, 9 + 21},
      {"TRUE in capitals still counts", 2, {2027, 2, 2}, {2026, 12, 4}, "TRUE", "TRUE", 2, 5, 9 + 21 + 51},
      {"no attendance totals", 2, {2027, 2, 2}, {2026, 12, 4}, "", "", 0, 0, 9},
  };
  for (const auto &c : cases) {
    ScriptedTask task;
    ParameterMap parameters{{QStringLiteral("filterdaily"), QString::fromLatin1(c.filterDaily)},
                            {QStringLiteral("filterperiod"), QString::fromLatin1(c.filterPeriod)}};
    task.UseParameters(parameters);
    task.today = c.today;
    task.lastUpdate = c.lastUpdate;
    EXPECT_EQ(task.CalculateProgressSize(c.flags, 3, 4, 10, c.dailyAtt, c.periodAtt, QString()), c.expected)
        << c.name;
    EXPECT_EQ(task.lastUpdateReads, (c.flags & 2) ? 1 : 0) << c.name;
  }
}

TEST(CalculateProgressSize, NotesEveryEmptyTotalInOrder) {
  ScriptedTask task;
  EXPECT_EQ(task.CalculateProgressSize(1, 0, -1, 0, 0, 0, QString()), 1);
  QStringList notes;
  for (const auto &s : task.signals_) {
    EXPECT_EQ(s.level, 7);
    EXPECT_EQ(s.method, QStringLiteral("BridgeTaskBase::CalculateProgressSize"));
    notes << s.text;
  }
  EXPECT_EQ(notes, QStringList({"Calculating Progress Size: Setup total is 0 or less",
                                "Calculating Progress Size: LUT total is 0 or less",
                                "Calculating Progress Size: Import total is 0 or less",
                                "Calculating Progress Size: Daily Att total is 0 or less",
                                "Calculating Progress Size: Period Att total is 0 or less"}));
}

TEST(GetProgressSize, UsesTheMembersInTheirOrder) {
  ScriptedTask task;
  // Setup, LUT, Import, Period Att, Daily Att: period 5 and daily 2 must not swap.
  task.SetTotals(3, 4, 10, 5, 2);
  ParameterMap parameters{{QStringLiteral("filterdaily"), QStringLiteral("true")}};
  task.UseParameters(parameters);
  task.lastUpdate = QDate(2026, 12, 4);
  EXPECT_EQ(task.GetProgressSize(3), 19 + 10 * 5 + 1);
}

TEST(TaskLog, LevelFiveAndSixAlsoReachTheFrontEnd) {
  ScriptedTask task;
  task.Log(5, QStringLiteral("job"), QStringLiteral("m"));
  task.Log(6, QStringLiteral("careful"), QStringLiteral("m"));
  task.Log(7, QStringLiteral("quiet"), QStringLiteral("m"));
  task.PutJobText(QStringLiteral("text"));
  const char *kinds[] = {"increment", "log", "warning", "log", "log", "increment", "log"};
  ASSERT_EQ(task.signals_.size(), std::size(kinds));
  for (size_t i = 0; i < std::size(kinds); ++i)
    EXPECT_EQ(task.signals_[i].kind, QString::fromLatin1(kinds[i])) << i;
  EXPECT_EQ(task.signals_.back().level, 7);
  EXPECT_EQ(task.signals_.back().method, QStringLiteral("BridgeTaskBase::PutJobText"));
  try {
    task.LogAndThrow(2, QStringLiteral("fatal"), QStringLiteral("m"));
    ADD_FAILURE();
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("fatal"));
    EXPECT_EQ(task.signals_.back().text, QStringLiteral("fatal"));
  }
}

TEST(TaskFrame, ListsAndCreate) {
  ScriptedTask task;
  EXPECT_FALSE(task.LoadList(QStringLiteral("x")));
  EXPECT_EQ(task.signals_.back().text, QStringLiteral("Not set up yet."));
  EXPECT_EQ(task.signals_.back().level, 3);
  EXPECT_EQ(task.signals_.back().method, QStringLiteral("BridgeTaskBase::LoadList"));
  const auto made = BridgeTaskBase().Create();
  EXPECT_NE(dynamic_cast<BridgeTaskBase *>(made.get()), nullptr);
}

}  // namespace
