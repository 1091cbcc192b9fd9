// The full-year attendance reconcile, on the SQLite school file and on the SQL Server dialect server:
// old marks corrected after a first run (reconcile/corrections.tsv) reach the product through a run
// with --reconcile, and by themselves through a plain run eight days later. Each such run sends
// exactly the corrections, the run after it sends none of them again, and the update files applied
// in order give what a first run on the corrected school sends.
#include <QRegularExpression>

#include "import_folder.h"
#include "school_copy_run.h"

namespace {

struct Correction {
  QString phase;  // "switch" or "week"
  SchoolMark before;
  QString after;  // empty: deleted
};

QList<Correction> ReadCorrections(const QDate &today) {
  QList<Correction> corrections;
  for (const QString &line :
       QString::fromUtf8(icbtest::readBytes(ICB_RECONCILE_DATA "/corrections.tsv")).split('\n')) {
    const QStringList f = line.split('\t');
    if (line.startsWith('#') || f.size() != 7) continue;
    const int calendar = f[3].toInt(), period = calendar * 1000 + 100 + f[4].toInt();
    corrections.append({f[0], {f[2].toInt(), calendar, today.addDays(-f[1].toInt()), period, f[5]}, f[6]});
  }
  EXPECT_EQ(corrections.size(), 4);
  return corrections;
}

// What the update files published since `before` carry, applied in order.
QMap<MarkKey, QString> SentSince(const QString &folder, const QStringList &before) {
  QMap<MarkKey, QString> sent;
  for (const QString &name : importfolder::UpdateFileNames(folder)) {
    if (before.contains(name)) continue;
    QList<QPair<MarkKey, QString>> marks;
    EXPECT_TRUE(importfolder::ReadUpdateFile(icbtest::readBytes(folder + '/' + name), marks))
        << name.toStdString();
    for (const auto &[key, code] : marks) sent.insert(key, code);
  }
  return sent;
}

// How many more steps a run reported than the progress total it announced.
int ProgressOverrun(const QByteArray &output) {
  static const QRegularExpression total(QStringLiteral("^start_progress\\t(\\d+)$"),
                                        QRegularExpression::MultilineOption);
  return int(output.count("\ninc_progress\t")) - total.match(QString::fromUtf8(output)).captured(1).toInt();
}

class Reconcile : public SchoolCopyRun {
 protected:
  Reconcile() : SchoolCopyRun(2323) {}

  void SetUp() override {
    SchoolCopyRun::SetUp();
    if (IsSkipped()) return;
    corrections_ = ReadCorrections(book_.Today());
    for (const Correction &correction : corrections_) book_.Put(correction.before);
    ASSERT_TRUE(MakeSchool());
  }

  // A run into folder, on a clock daysLater ahead; its standard output, with the log lines.
  QByteArray Run(const QString &folder, const QStringList &switches = {}, int daysLater = 0) {
    const QMap<QString, QString> environment = bridge_.extraEnvironment;
    if (daysLater) bridge_.extraEnvironment.insert("LD_PRELOAD", ICB_SHIFT_CLOCK_LIBRARY);
    bridge_.extraEnvironment.insert("ICB_SHIFT_CLOCK_DAYS", QString::number(daysLater));
    const BridgeResult result = bridge_.run(Arguments(folder) + switches);
    bridge_.extraEnvironment = environment;
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString() << result.error.toStdString();
    return result.output;
  }

  // Corrects the marks of phase in the book and the school; what the product must receive for them.
  QMap<MarkKey, QString> Correct(const QString &phase) {
    QMap<MarkKey, QString> expected;
    for (const Correction &correction : corrections_) {
      if (correction.phase != phase) continue;
      SchoolMark mark = correction.before;
      mark.status = correction.after;
      book_.Put(mark);
      expected.insert(mark.Key(), correction.after);
    }
    EXPECT_FALSE(expected.isEmpty()) << phase.toStdString();
    EXPECT_TRUE(MakeSchool());
    return expected;
  }

  // The product's view holds what a first run on the school as it stands sends, and nothing more
  // than the empty codes of deleted marks.
  void ExpectViewOfAFirstRun(const QString &freshFolder) {
    Run(freshFolder);
    const QMap<MarkKey, QString> first = SentSince(freshFolder, {});
    QMap<MarkKey, QString> view = view_.Codes();
    view.removeIf([](const auto &mark) { return mark.value().isEmpty(); });
    EXPECT_EQ(view, first) << freshFolder.toStdString();
    EXPECT_EQ(first, book_.Codes());
  }

  // One run into the import folder: what it sent.
  QMap<MarkKey, QString> RunAndTake(const std::string &context, QByteArray *output,
                                    const QStringList &switches = {}, int daysLater = 0) {
    const QStringList before = importfolder::UpdateFileNames(folder_);
    *output = Run(folder_, switches, daysLater);
    view_.TakeNewFiles(context);
    return SentSince(folder_, before);
  }

  QList<Correction> corrections_;
  ProductView view_{folder_};
};

TEST_P(Reconcile, OldCorrectionsAreSentOnceOnRequestAndAWeekLater) {
  const QString line = QStringLiteral("Reconciling attendance with the whole school year: ");
  const QMap<MarkKey, QString> nothing;
  QByteArray output;
  RunAndTake("first run", &output);
  EXPECT_FALSE(output.contains(line.toUtf8())) << "a first run reads the whole year anyway";

  const QMap<MarkKey, QString> fixes = Correct(QStringLiteral("switch"));
  EXPECT_EQ(RunAndTake("plain run", &output), nothing) << "older than any plain run reads";
  // The table exports' share of the total is an estimate; a reconcile counts its extra windows.
  const int plainOverrun = ProgressOverrun(output);
  EXPECT_EQ(RunAndTake("reconcile", &output, {QStringLiteral("--reconcile")}), fixes);
  EXPECT_TRUE(output.contains((line + "the --reconcile switch was given.").toUtf8())) << output.toStdString();
  EXPECT_LE(ProgressOverrun(output), plainOverrun);
  ExpectViewOfAFirstRun(bridge_.path(QStringLiteral("fresh-after-the-reconcile")));
  EXPECT_EQ(RunAndTake("run after the reconcile", &output), nothing);
  EXPECT_FALSE(output.contains(line.toUtf8()));

  const QMap<MarkKey, QString> weekFixes = Correct(QStringLiteral("week"));
  EXPECT_EQ(RunAndTake("eight days later", &output, {}, 8), weekFixes);
  EXPECT_TRUE(output.contains((line + "8 days since the last full read.").toUtf8())) << output.toStdString();
  EXPECT_LE(ProgressOverrun(output), plainOverrun);
  ExpectViewOfAFirstRun(bridge_.path(QStringLiteral("fresh-a-week-later")));
}

INSTANTIATE_TEST_SUITE_P(BothEngines, Reconcile, ::testing::Values(Engine::Sqlite, Engine::Server),
                         EngineName);

}  // namespace
