// The start of an extraction (log file, finished files, running marker, log header) and the
// run itself through the task, with the copy of the run's log into the output folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "bridgetaskbase.h"
#include "sisconfig.h"
#include "statusfiles.h"

namespace {
const QString kRunningMarker = QStringLiteral("BridgeStatus.tmp");
}  // namespace

void SISConfig::startExtraction(const QString &folder) {
  QString logFolder = value(QStringLiteral("logpath"));
  if (logFolder.isEmpty()) logFolder = folder;
  logFolder = BridgeTaskBase::CleanPathName(logFolder);
  const QString baseName =
      BridgeTaskBase::CleanFileName(appShortName_ + QStringLiteral("-") + siteLabel() + QStringLiteral("-") +
                                    value(QStringLiteral("school")));
  logManager().setFolder(logFolder);
  if (!logManager().setName(baseName)) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    emit writeError(QStringLiteral("Log File Error"),
                    QStringLiteral("Could not write to: ") + QDir(logFolder).filePath(baseName) +
                        QStringLiteral(". Will now write to: ") + documents + QStringLiteral("/") + baseName);
    logManager().setFolder(documents);
  }
  StatusFiles::remove(folder, QStringLiteral("finished.tmp"));
  StatusFiles::remove(folder, appFinishedFile_);
  values_[QStringLiteral("logSchema")] =
      StatusFiles::containsSuccess(folder, kRunningMarker) ? QStringLiteral("false") : QStringLiteral("true");
  StatusFiles::write(folder, kRunningMarker, StatusFiles::timeStamp() + QStringLiteral("\tExtract Running"));
  LogHeader(QString());
  if (value(QStringLiteral("log")) == QLatin1String("extract")) logManager().setStyle(-2);
}

int SISConfig::commandRun(int flags) {
  if (logMode_ == QLatin1String("extract")) logManager().setStyle(-2);
  const QString logFileName = QFileInfo(logManager().currentFileName()).fileName();
  QString message;
  const bool succeeded = task().BeginExecute(values_, flags, message);
  copyLogToOutputFolder(logFileName);
  return succeeded ? 0 : 1;
}

void SISConfig::copyLogToOutputFolder(const QString &logFileName) {
  const QString source = logManager().currentFileName();
  if (logFileName.isEmpty() || source.isEmpty()) return;
  const QString target = QDir(value(QStringLiteral("path"))).filePath(logFileName);
  // When the log folder is the output folder the log is already there; never delete it.
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) return;
  // A copy left by an earlier run of the same day is stale: replace it.
  const QString temporary = target + QStringLiteral(".part");
  QFile::remove(temporary);
  if (!QFile::copy(source, temporary)) {
    QFile::remove(temporary);
    return;
  }
  QFile::remove(target);
  QFile::rename(temporary, target);
}
