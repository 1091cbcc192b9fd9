// The SQL Server dialect server killed while `icbridge run` reads from it: a clear error line and
// exit code 1 long before the time-outs, the previous run's published files left as they were, no
// mark recorded as sent; and the next run, with the server back, sends every change made before the
// failed run, and only those.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "bridge_process.h"
#include "import_folder.h"
#include "own_school_server.h"
#include "school_marks.h"

namespace {

struct LostCase {
  const char *name;
  // The job text after which the server is killed.
  const char *killAfter;
};

const LostCase kCases[] = {
    {"in the middle of the table exports", "Reading Student Demographics..."},
    {"in the attendance windows", "Reading Student Period Attendance..."},
};

class LostConnection : public ::testing::TestWithParam<LostCase> {
 protected:
  void SetUp() override {
    if (!icbtest::OwnSchoolServer::Available()) GTEST_SKIP() << "no Java or HSQLDB on this machine";
    book_.FillAtRandom();
    ASSERT_TRUE(StartServer());
    bridge_.extraEnvironment.insert(QStringLiteral("ODBCSYSINI"), server_.OdbcFolder());
  }

  // The server with the book's marks as they stand.
  bool StartServer() {
    QString error;
    const QString loadFile = bridge_.path(QStringLiteral("school.hsql"));
    if (!schoolcopy::CreateServerLoadFile(loadFile, book_, error)) {
      ADD_FAILURE() << error.toStdString();
      return false;
    }
    return server_.Start({{QStringLiteral("tiny"), loadFile}});
  }

  void StartRun(QProcess &process) {
    bridge_.start(process,
                  {QStringLiteral("run"), QStringLiteral("--path=") + folder_,
                   QStringLiteral("--logpath=") + bridge_.path(QStringLiteral("logs")),
                   QStringLiteral("--dsn=icb_tiny"), QStringLiteral("--user=SA"), QStringLiteral("--pwd=sa"),
                   QStringLiteral("--district=1"), QStringLiteral("--school=10")});
    ASSERT_TRUE(process.waitForStarted());
  }

  int CleanRun() {
    QProcess process;
    StartRun(process);
    process.waitForFinished(120000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardOutput().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  icbtest::OwnSchoolServer server_{QMap<QString, QString>()};
  BridgeProcess bridge_;
  const QString folder_ = bridge_.path(QStringLiteral("import"));
  MarkBook book_{QDate::currentDate(), 1612};
};

TEST_P(LostConnection, FailsAtOnceLeavesThePublishedFilesAndTheNextRunSendsEveryChange) {
  const LostCase &lost = GetParam();
  ASSERT_EQ(CleanRun(), 0);
  ProductView view(folder_);
  view.TakeNewFiles("first run");
  importfolder::ExpectViewHolds(view.Codes(), book_.Codes(), "first run");
  const QMap<QString, QByteArray> published = importfolder::PublishedFiles(folder_);
  const QMap<MarkKey, QString> sent = importfolder::SentMarks(folder_);

  const QMap<MarkKey, QString> before = book_.Codes();
  for (int i = 0; i < 3; ++i) book_.ChangeAtRandom();
  const QMap<MarkKey, QString> changes = ChangedMarks(before, book_.Codes());
  ASSERT_FALSE(changes.isEmpty());
  ASSERT_TRUE(StartServer());

  QProcess run;
  StartRun(run);
  QByteArray output;
  for (bool seen = false; !seen && run.state() != QProcess::NotRunning;) {
    run.waitForReadyRead(1);
    while (run.canReadLine()) {
      const QByteArray line = run.readLine();
      output += line;
      seen = seen || line == QByteArray("inc_progress\t") + lost.killAfter + '\n';
    }
  }
  server_.Kill();
  QElapsedTimer timer;
  timer.start();
  ASSERT_TRUE(run.waitForFinished(120000));
  output += run.readAllStandardOutput();
  const QByteArray error = run.readAllStandardError();
  EXPECT_LT(timer.elapsed(), 30000) << "the run took long to notice the lost server";
  EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.exitCode(), 1);
  EXPECT_TRUE(output.contains(QByteArray("inc_progress\t") + lost.killAfter)) << output.toStdString();
  // The front-end's error line names what went wrong.
  static const QRegularExpression errorLine(
      QStringLiteral("^log\\tError +\\t[0-9:]+\\tBridgeTaskBase::BeginExecute\\t.*connection.*$"),
      QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
  EXPECT_TRUE(errorLine.match(QString::fromUtf8(output)).hasMatch()) << output.toStdString();
  EXPECT_FALSE(output.contains("PWD=sa") || output.contains("Password=sa") || error.contains("PWD=sa"));
  EXPECT_TRUE(
      icbtest::readBytes(folder_ + QStringLiteral("/Data ExtractorStatus.tmp")).contains("\tFailed\t"));

  // What the product reads is the previous run's, byte for byte, whatever the failed run had finished.
  EXPECT_EQ(importfolder::PublishedFiles(folder_), published) << "after the failed run";
  EXPECT_EQ(importfolder::SentMarks(folder_), sent);

  ASSERT_TRUE(StartServer());
  ASSERT_EQ(CleanRun(), 0);
  const QStringList files = importfolder::UpdateFileNames(folder_);
  QList<QPair<MarkKey, QString>> marks;
  ASSERT_TRUE(importfolder::ReadUpdateFile(icbtest::readBytes(folder_ + '/' + files.last()), marks));
  QMap<MarkKey, QString> sentNow;
  for (const auto &[key, code] : marks) sentNow.insert(key, code);
  EXPECT_EQ(sentNow, changes);
  view.TakeNewFiles("run after the server came back");
  importfolder::ExpectViewHolds(view.Codes(), book_.Codes(), "run after the server came back");
}

INSTANTIATE_TEST_SUITE_P(ServerKilled, LostConnection, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LostCase> &info) {
                           return QString::fromLatin1(info.param.name).replace(' ', '_').toStdString();
                         });

}  // namespace
