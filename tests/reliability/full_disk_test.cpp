// The import folder's disk filling up under `icbridge run` (a small RAM disk filled to a chosen free
// space): in a table export, in the update file, and while the cache records what a published update
// file carried. Each time: an error line naming the failure, exit code 1, nothing the product reads
// partial or changed (but for a run published whole before the disk filled), no working copy left,
// no mark recorded as sent that no published file carries; and the next run, with room again, gets
// the product every mark.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "bridge_process.h"
#include "database.h"
#include "import_folder.h"
#include "school_marks.h"
#include "small_disk.h"

namespace {

constexpr qint64 kDiskBytes = 4 << 20;
constexpr qint64 kPage = 4096;

struct DiskCase {
  const char *name;
  bool attendanceOnly;
  // Free space left for the failing run, from the size of the update file that run writes.
  qint64 (*freeSpace)(qint64 updateFileSize);
  // What the error line names.
  const char *failure;
  // Whether the failed run published its files (update file and configuration record) before the
  // disk filled.
  bool updateFilePublished;
};

const DiskCase kCases[] = {
    // No room left: the run's table files, which wait beside those of the run before until the run
    // is published, do not fit.
    {"in_a_table_export", false, [](qint64) { return qint64(0); }, "while writing file \\[", false},
    // The cache's journal of the sending transaction fits, the update file does not.
    {"in_the_update_file", true, [](qint64 update) { return update / 2; }, "Update \\d{14}\\.PDU", false},
    // The update file is published; recording the marks it carried as sent fills the disk. The run
    // gets that far from 12 pages beside the update file on, and marking fits from 48 on.
    {"in_the_marking", true, [](qint64 update) { return update + 24 * kPage; }, "disk is full", true},
};

class FullDisk : public ::testing::TestWithParam<DiskCase> {
 protected:
  void SetUp() override {
    QString why;
    if (!disk_.Mount(folder_, kDiskBytes, why)) GTEST_SKIP() << why.toStdString();
    // Every mark of the last 40 days: an update file of tens of kilobytes when everything is sent.
    book_.FillAtRandom(100);
    QString error;
    ASSERT_TRUE(schoolcopy::CreateSqlite(school_, book_, error)) << error.toStdString();
    sqlite::Database school;
    school.Open(school_, QString(), SQLITE_OPEN_READWRITE);
    school.Execute(
        QStringLiteral("UPDATE \"v_ProgramParticipation\" SET \"userWarning\" = printf('%.*c', 12000, 'w') "
                       "WHERE \"personID\" = 1002"));
  }

  // Returns the exit code (-1 when the run did not exit by itself) and the standard output.
  int Run(bool attendanceOnly, QByteArray *output = nullptr) {
    QStringList arguments = SchoolRunArguments(folder_, bridge_.path(QStringLiteral("logs")), school_);
    if (attendanceOnly) arguments << QStringLiteral("--att");
    QProcess process;
    bridge_.start(process, arguments);
    process.waitForFinished(60000);
    if (output) *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  // Every mark becomes pending again, as after a run that merged them and died before its update
  // file: the next run rewrites none of them and writes them all into its update file.
  void ForgetSentMarks() {
    sqlite::Database cache;
    cache.Open(folder_ + QStringLiteral("/Attendance/Attendance.db"), QString(), SQLITE_OPEN_READWRITE);
    cache.Execute(QStringLiteral("UPDATE PERIOD_ATT SET oldcode = NULL"));
  }

  BridgeProcess bridge_;
  const QString folder_ = bridge_.path(QStringLiteral("import"));
  const QString school_ = bridge_.path(QStringLiteral("school.db"));
  SmallDisk disk_;
  MarkBook book_{QDate::currentDate(), 3, 40};
};

TEST_P(FullDisk, FailsWithoutPartialFilesOrMarksRecordedAsSent) {
  const DiskCase &full = GetParam();
  ASSERT_EQ(Run(false), 0);
  ProductView view(folder_);
  view.TakeNewFiles("first run");
  const qint64 updateFileSize =
      icbtest::readBytes(folder_ + '/' + importfolder::UpdateFileNames(folder_).last()).size();
  ForgetSentMarks();
  const QMap<MarkKey, QString> sent = importfolder::SentMarks(folder_);
  const QMap<QString, QByteArray> published = importfolder::PublishedFiles(folder_);

  ASSERT_TRUE(disk_.FillLeaving(full.freeSpace(updateFileSize)));
  QByteArray output;
  EXPECT_EQ(Run(full.attendanceOnly, &output), 1) << output.toStdString();
  const QRegularExpression errorLine(
      QStringLiteral("^log\\tError +\\t[0-9:]+\\tBridgeTaskBase::BeginExecute\\t.*") + full.failure,
      QRegularExpression::MultilineOption);
  EXPECT_TRUE(errorLine.match(QString::fromUtf8(output)).hasMatch()) << output.toStdString();
  // A new update file is complete, and the cache records as sent only what it carries.
  EXPECT_EQ(view.TakeNewFiles(full.name), full.updateFilePublished ? 1 : 0) << output.toStdString();
  QMap<QString, QByteArray> now = importfolder::PublishedFiles(folder_);
  QMap<QString, QByteArray> expected = published;
  for (const QString &name : importfolder::UpdateFileNames(folder_))
    if (!published.contains(name)) now.remove(name);
  if (full.updateFilePublished) {
    now.remove(QStringLiteral("SchoolConfig.xml"));
    expected.remove(QStringLiteral("SchoolConfig.xml"));
  }
  importfolder::ExpectSameFiles(now, expected, full.name);
  EXPECT_EQ(QDir(folder_).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
  const QMap<MarkKey, QString> sentAfter = importfolder::SentMarks(folder_);
  if (!full.updateFilePublished) {
    EXPECT_EQ(sentAfter, sent);
  }
  for (auto it = sentAfter.cbegin(); it != sentAfter.cend(); ++it)
    EXPECT_TRUE(view.Carried(it.key(), it.value()))
        << it.key().toStdString() << " recorded as sent, never published";

  disk_.Empty();
  ASSERT_EQ(Run(full.attendanceOnly, &output), 0) << output.toStdString();
  view.TakeNewFiles("run with room again");
  importfolder::ExpectViewHolds(view.Codes(), book_.Codes(), "run with room again");
  EXPECT_EQ(importfolder::SentMarks(folder_), view.Codes());
}

INSTANTIATE_TEST_SUITE_P(DiskFull, FullDisk, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DiskCase> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
