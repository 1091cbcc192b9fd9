// A run's files are published together: a commit cut short after any of its steps is finished by
// the next run's roll-forward into exactly the folder a whole commit gives, a run that is abandoned
// leaves every byte of the folder as it was, and a commit list that never took its name is ignored.
#include "runpublication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QTemporaryDir>

#include "publishedfile.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// Every file under folder (relative path -> bytes).
QMap<QString, QByteArray> Contents(const QString &folder) {
  QMap<QString, QByteArray> files;
  for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
    const QString path = it.next();
    files.insert(QDir(folder).relativeFilePath(path), icbtest::readBytes(path));
  }
  return files;
}

void Put(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

const QMap<QString, QByteArray> kBefore = {{"A.pef", "old A"},
                                           {"B.pef", "old B"},
                                           {"ICB.PDE", "old control"},
                                           {"Update 1.PDU", "old update"},
                                           {"DAT/x", "old dat"}};
const QMap<QString, QByteArray> kAfter = {
    {"A.pef", "new A.pef"}, {"B.pef", "new B.pef"}, {"ICB.PDE", "new ICB.PDE"}};

// The previous run's folder, and a run that rewrites two table files and the control file, removes
// a stale update file and folder, and asks to delete a file it also publishes (which must stay).
struct Folder {
  QTemporaryDir dir;
  QString Path(const char *name) const { return dir.filePath(QLatin1String(name)); }

  Folder() {
    for (auto it = kBefore.cbegin(); it != kBefore.cend(); ++it) Put(dir.filePath(it.key()), it.value());
  }

  void Stage(RunPublication &run) const {
    for (const char *name : {"A.pef", "B.pef", "ICB.PDE"}) {
      auto file = PublishedFile::CreateReplacing(Path(name));
      file->Write(QByteArray("new ") + name);
      run.Stage(std::move(file));
    }
    run.DeleteOnCommit(Path("Update 1.PDU"));
    run.DeleteOnCommit(Path("DAT"));
    run.DeleteOnCommit(Path("A.pef"));
  }
};

TEST(RunPublication, ACommitCutShortAtAnyStepIsFinishedByTheNextRun) {
  constexpr int kSteps = 5;  // two deletions, three renames
  for (int cut = -1; cut <= kSteps; ++cut) {
    Folder folder;
    {
      RunPublication run(DiskSync::System());
      folder.Stage(run);
      run.Commit(folder.dir.path(), cut);
    }  // a run killed after its commit list was written: its working copies stay
    const std::string context = "cut after " + std::to_string(cut) + " steps";
    EXPECT_EQ(RunPublication::RollForward(folder.dir.path(), DiskSync::System()), cut >= 0) << context;
    EXPECT_EQ(Contents(folder.dir.path()), kAfter) << context;
    EXPECT_FALSE(RunPublication::RollForward(folder.dir.path(), DiskSync::System())) << context;
  }
}

TEST(RunPublication, AnAbandonedRunOrAListThatNeverTookItsNameChangesNothing) {
  Folder folder;
  {
    RunPublication run(DiskSync::System());
    folder.Stage(run);
    run.Abandon();
  }
  EXPECT_EQ(Contents(folder.dir.path()), kBefore);

  const QString list = RunPublication::ListPath(folder.dir.path());
  Put(list + PublishedFile::WorkingCopySuffix(), "delete\t" + folder.Path("A.pef").toUtf8() + "\nend\n");
  EXPECT_FALSE(RunPublication::RollForward(folder.dir.path(), DiskSync::System()));
  EXPECT_EQ(Contents(folder.dir.path()), kBefore);

  Put(list, "delete\t" + folder.Path("A.pef").toUtf8() + "\n");  // no end line: not a list
  EXPECT_THROW(RunPublication::RollForward(folder.dir.path(), DiskSync::System()), XException);
  EXPECT_TRUE(QFile::exists(folder.Path("A.pef")));
}

}  // namespace
