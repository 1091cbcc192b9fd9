// A run's files published together: in a run through the task frame every table file, the import
// control file, the update file and the configuration record wait under their working names, and
// the stale files of a changed configuration stay, until the run has succeeded; then one commit
// (RunPublication) makes all of it visible. A failed run leaves the folder as it found it.
#include <QDir>
#include <QFileInfo>
#include <utility>

#include "attendancecache.h"
#include "delimitedoutput.h"
#include "loglevels.h"
#include "pdewriter.h"
#include "publishedfile.h"
#include "runpublication.h"
#include "xexception.h"

namespace {
const QString kCommitRun = QStringLiteral("PDEWriter::CommitRun");

}  // namespace

QString PDEWriter::RebuiltCachePath() const {
  return QDir(QDir(PDEFolder()).filePath(QStringLiteral("Attendance")))
      .filePath(AttendanceCache::DefaultFileName() + PublishedFile::WorkingCopySuffix());
}

void PDEWriter::RecoverImportFolder() {
  if (RunPublication::RollForward(PDEFolder(), DiskSync::System()))
    Log(kInformational, QStringLiteral("Finished publishing the files of a run that was cut short."),
        QStringLiteral("PDEWriter::RecoverImportFolder"));
  RemoveRebuiltCache();
}

// A cache rebuilt by a run that never published it is of no use to anyone.
void PDEWriter::RemoveRebuiltCache() {
  QFile::remove(RebuiltCachePath() + QStringLiteral("-journal"));
  QFile::remove(RebuiltCachePath());
}

void PDEWriter::BeginRunPublication() {
  publication_ = std::make_unique<RunPublication>(DiskSync::System());
  staleFilesDeferred_ = false;
  stagedUpdateFile_.clear();
}

void PDEWriter::PublishOrStage(std::unique_ptr<PublishedFile> &file) {
  if (!publication_) {
    PublishOrAbandon(*file);
    return;
  }
  file->Complete();
  FileAboutToBePublished(file->WorkingPath());
  publication_->Stage(std::move(file));
}

// The cache is rebuilt from nothing in a file of its own, which replaces the old one at the commit;
// the old one serves nobody meanwhile, but stays whole should the run fail.
void PDEWriter::StageStaleFileRemoval() {
  staleFilesDeferred_ = true;
  Attendance().Close();
  Attendance().SetFileName(AttendanceCache::DefaultFileName() + PublishedFile::WorkingCopySuffix());
  Attendance().DeleteDatabase(PDEFolder());
}

void PDEWriter::CommitRun() {
  if (!publication_) return;
  const bool rebuiltCache = staleFilesDeferred_;
  const bool cacheWasOpen = Attendance().IsOpen();
  if (rebuiltCache) StageRebuiltCache();

  const std::unique_ptr<RunPublication> publication = std::move(publication_);
  publication->Commit(PDEFolder());
  staleFilesDeferred_ = false;
  Log(kDebug, QStringLiteral("Published the files of the run."), kCommitRun);
  if (stagedUpdateFile_.isEmpty()) return;

  publishedUpdateFile_ = std::exchange(stagedUpdateFile_, QString());
  Log(kInformational, QStringLiteral("Update file: ") + publishedUpdateFile_, kCommitRun);
  // The rebuilt cache marks the rows the update file carries when it is opened under its name. A
  // failure to mark them fails the run, although its files are published: the next opening of the
  // cache finds the file published and marks them then.
  if (rebuiltCache && cacheWasOpen && !SetAttendanceDatabase(PDEFolder()))
    LogAndThrow(kError,
                QStringLiteral("Attendance: the rows in ") + publishedUpdateFile_ +
                    QStringLiteral(" could not be marked as sent; the next run marks them."),
                kCommitRun);
  UpdateFilePublished(publishedUpdateFile_);
}

// The rebuilt cache is closed whole, keeping the rows prepared as sent with the update file, and
// takes the old one's name with the commit; the stale files go in the same step.
void PDEWriter::StageRebuiltCache() {
  Attendance().CloseKeepingPrepared();
  RemoveStaleFilesReported(PDEFolder(), [this](const QString &path) { publication_->DeleteOnCommit(path); });
  Attendance().SetFileName(AttendanceCache::DefaultFileName());
  const QString cache = Attendance().DatabasePathIn(PDEFolder());
  // A journal left beside the old cache must never meet the new one.
  publication_->DeleteOnCommit(cache + QStringLiteral("-journal"));
  if (QFileInfo::exists(RebuiltCachePath()))
    publication_->StageRename(RebuiltCachePath(), cache);
  else
    publication_->DeleteOnCommit(cache);
  DropGlobalAttendanceTables();
  Attendance().Close();
}

void PDEWriter::AbandonRun() {
  if (!publication_) return;
  const QString method = QStringLiteral("PDEWriter::AbandonRun");
  try {
    if (Attendance().IsSending()) Attendance().RollbackSent();
  } catch (const XException &e) {
    // Marks left prepared are dropped by the next opening: their file is never published.
    Log(kWarning, QStringLiteral("Attendance: ") + e.Text(), method);
  }
  tableOutput_.reset();
  tableFile_.reset();
  updateOutput_.reset();
  updateFile_.reset();
  updateMode_ = false;
  publication_->Abandon();
  publication_.reset();
  stagedUpdateFile_.clear();
  if (staleFilesDeferred_) {
    try {
      Attendance().Close();
    } catch (const XException &e) {
      Log(kWarning, QStringLiteral("Attendance: ") + e.Text(), method);
    }
    Attendance().SetFileName(AttendanceCache::DefaultFileName());
    RemoveRebuiltCache();
    staleFilesDeferred_ = false;
  }
  Log(kInformational, QStringLiteral("Nothing of this run was published."), method);
}
