// A run publishes all or nothing, and one run at a time works in an import folder, on both engines
// (the SQLite school file and the SQL Server dialect server):
// - a run whose later export fails (a required column is gone) leaves every published byte and
//   every mark recorded as sent as they were, although its earlier exports had read a changed name,
//   and so does one for another school, whose stale files and cache go only with a good run;
//   the next good run carries the name and the changed marks;
// - a second run started while one works stops at once with an error line naming the folder, exit
//   code 1 and no file touched; the first, killed in the middle of its publication, neither blocks
//   nor mixes the next run, which finishes in a whole folder.
#include <signal.h>

#include <QDir>

#include "import_folder.h"
#include "school_copy_run.h"

namespace {

// Statements both engines take.
const QString kRenameStudents = QStringLiteral("UPDATE \"Student\" SET \"firstName\" = 'Zelinda'");
const QString kDropStaffLastName = QStringLiteral("ALTER TABLE \"staffMember\" DROP COLUMN \"lastName\"");

class OneRun : public SchoolCopyRun {
 protected:
  OneRun() : SchoolCopyRun(2121) {}

  // A run of another school: a changed configuration, whose stale files go only with a good run.
  BridgeResult Run(const QString &school = QStringLiteral("10")) {
    return bridge_.run(Arguments(folder_).replaceInStrings(QStringLiteral("--school=10"),
                                                           QStringLiteral("--school=") + school));
  }

  // Every file of the folder but the working copies and the attendance cache, which a running run
  // may be writing.
  QMap<QString, QByteArray> FolderFiles() const {
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder_).entryList(QDir::Files))
      if (!name.endsWith(QLatin1String(".part")))
        files.insert(name, icbtest::readBytes(folder_ + '/' + name));
    return files;
  }
};

TEST_P(OneRun, AFailingExportChangesNoPublishedByteAndTheNextGoodRunCarriesTheName) {
  ASSERT_TRUE(MakeSchool());
  ASSERT_EQ(Run().exitCode, 0);
  ProductView view(folder_);
  view.TakeNewFiles("first run");
  const QMap<QString, QByteArray> published = importfolder::PublishedFiles(folder_);
  const QMap<MarkKey, QString> sent = importfolder::SentMarks(folder_);
  ASSERT_FALSE(published.value(QStringLiteral("Students.pef")).contains("Zelinda"));

  book_.ChangeAtRandom();
  ASSERT_TRUE(MakeSchool({kRenameStudents, kDropStaffLastName}));
  const BridgeResult failed = Run();
  EXPECT_EQ(failed.exitCode, 1) << failed.output.toStdString();
  // It failed late, at the staff, after Student Demographics had read the new name.
  EXPECT_TRUE(failed.output.contains("inc_progress\tReading Staff Demographics...") &&
              failed.output.contains("Required Field does not exist : lastName in table staffMember"))
      << failed.output.toStdString();
  EXPECT_EQ(importfolder::PublishedFiles(folder_), published) << "the failed run changed a published file";
  EXPECT_EQ(importfolder::SentMarks(folder_), sent);
  EXPECT_TRUE(QDir(folder_).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
  const QByteArray cache = icbtest::readBytes(folder_ + QStringLiteral("/Attendance/Attendance.db"));
  EXPECT_EQ(Run(QStringLiteral("11")).exitCode, 1);
  EXPECT_EQ(importfolder::PublishedFiles(folder_), published) << "a failed run of another school";
  EXPECT_EQ(icbtest::readBytes(folder_ + QStringLiteral("/Attendance/Attendance.db")), cache);

  ASSERT_TRUE(MakeSchool({kRenameStudents}));
  ASSERT_EQ(Run().exitCode, 0);
  EXPECT_TRUE(icbtest::readBytes(folder_ + QStringLiteral("/Students.pef")).contains("\tZelinda\t"));
  EXPECT_EQ(view.TakeNewFiles("run after the failed one"), 1);
  importfolder::ExpectViewHolds(view.Codes(), book_.Codes(), "run after the failed one");
  EXPECT_EQ(importfolder::SentMarks(folder_), view.Codes());
}

TEST_P(OneRun, ASecondRunStopsAtOnceAndAKilledRunNeitherBlocksNorMixesTheNext) {
  ASSERT_TRUE(MakeSchool());
  ASSERT_EQ(Run().exitCode, 0);
  ProductView view(folder_);
  view.TakeNewFiles("first run");
  const QMap<QString, QByteArray> reference = importfolder::TableFiles(folder_);
  book_.ChangeAtRandom();
  ASSERT_TRUE(MakeSchool());

  // The first run is held in the middle of its publication, before its update file takes its name.
  const QMap<QString, QString> environment = bridge_.extraEnvironment;
  bridge_.extraEnvironment.insert({{"LD_PRELOAD", ICB_PAUSE_RENAME_LIBRARY},
                                   {"ICB_PAUSE_RENAME_SUFFIX", ".PDU"},
                                   {"ICB_PAUSE_RENAME_AT", "before"},
                                   {"ICB_PAUSE_RENAME_MS", "60000"}});
  QProcess first;
  first.setReadChannel(QProcess::StandardError);
  bridge_.start(first, Arguments(folder_));
  bridge_.extraEnvironment = environment;
  ASSERT_TRUE(first.waitForStarted());
  bool paused = false;
  while (!paused && first.state() != QProcess::NotRunning) {
    first.waitForReadyRead(5);
    while (first.canReadLine()) paused = paused || first.readLine().startsWith("paused ");
  }
  ASSERT_TRUE(paused) << "the first run never reached its publication";

  const QMap<QString, QByteArray> before = FolderFiles();
  const BridgeResult second = Run();
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_TRUE(second.error.contains("error\tpath\tAnother icbridge run holds the import folder " +
                                    QDir(folder_).absolutePath().toUtf8() + '\n'))
      << second.error.toStdString();
  EXPECT_EQ(FolderFiles(), before) << "the second run changed the folder";

  ASSERT_EQ(first.state(), QProcess::Running);
  if (first.processId() > 0) ::kill(pid_t(first.processId()), SIGKILL);
  first.waitForFinished(60000);

  const BridgeResult third = Run();
  ASSERT_EQ(third.exitCode, 0) << third.output.toStdString() << third.error.toStdString();
  importfolder::ExpectCompleteTables(folder_, reference, "third run");
  EXPECT_EQ(view.TakeNewFiles("third run"), 2) << "the killed run's update file, then the third run's";
  importfolder::ExpectViewHolds(view.Codes(), book_.Codes(), "third run");
  EXPECT_EQ(importfolder::SentMarks(folder_), view.Codes());
}

INSTANTIATE_TEST_SUITE_P(BothEngines, OneRun, ::testing::Values(Engine::Sqlite, Engine::Server), EngineName);

}  // namespace
