// Removal of the files of earlier runs: the table files, and on a changed configuration the update
// files, the configuration record, the product's working folders and the attendance cache. File
// name patterns match without regard to letter case, as they do on the system the names come from.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "loglevels.h"
#include "pdewriter.h"
#include "publishedfile.h"
#include "xexception.h"
#include "xfilespec.h"

namespace {
const QString kDeleteUpdateFiles = QStringLiteral("PDEWriter::DeleteUpdateFiles");

QString Failure(const char *what, const QString &files, const QString &reason) {
  return QStringLiteral(
             "Error: Failed while trying to remove %1 Files.\n Please manually remove all %2 files from the "
             "Import Directory, and try extracting again.\n")
             .arg(QLatin1String(what), files) +
         reason + QStringLiteral("\nExiting Extractor.");
}

QString TextOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const XException &e) {
    return e.Text();
  } catch (const std::exception &e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
  }
  return {};
}
}  // namespace

void PDEWriter::DeleteMatchingFiles(const QString &folder, const QString &wildcard) {
  XFileSpec::Folder(folder).DeleteMatching(wildcard);
}

void PDEWriter::DeleteMatchingFolders(const QString &folder, const QString &wildcard,
                                      const std::function<void(const QString &)> &remove) {
  for (const XFileSpec &entry : XFileSpec::Folder(folder).List(wildcard, true)) {
    Log(kDebug, QStringLiteral("Iterating ") + wildcard.left(4) + QStringLiteral(" Folder"),
        kDeleteUpdateFiles);
    remove(entry.Path());
    Log(kDebug, QStringLiteral("Deleted ") + wildcard.left(4) + QStringLiteral(" Folder"),
        kDeleteUpdateFiles);
  }
}

void PDEWriter::RemoveAbandonedUpdateCopies(const QString &importFolder, qint64 maxAgeSeconds,
                                            const QStringList &keep) {
  const auto canonical = [](const QString &path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  };
  QSet<QString> kept;
  for (const QString &path : keep) kept.insert(canonical(path));
  const QDateTime now = QDateTime::currentDateTime();
  const QString pattern = QStringLiteral("Update *.pdu") + PublishedFile::WorkingCopySuffix();
  for (const XFileSpec &entry : XFileSpec::Folder(importFolder).List(pattern)) {
    if (entry.IsFolder()) continue;
    const QString &path = entry.Path();
    if (maxAgeSeconds > 0 && QFileInfo(path).lastModified().secsTo(now) < maxAgeSeconds) continue;
    if (kept.contains(canonical(path))) continue;
    entry.Delete();
    Log(kDebug, QStringLiteral("Removed unfinished update file ") + path,
        QStringLiteral("PDEWriter::RemoveAbandonedUpdateCopies"));
  }
}

void PDEWriter::DeletePDEFiles() {
  const QString method = QStringLiteral("PDEWriter::DeletePDEFiles");
  try {
    Log(kDebug, QStringLiteral("DeletePDEFiles: Assigned import folder"), method);
    DeleteMatchingFiles(PDEFolder(), QStringLiteral("*.pde"));
  } catch (...) {
    LogAndThrow(kCritical,
                Failure("PDE", QStringLiteral(".pde (except for CustomFieldConfig.pde)"),
                        TextOf(std::current_exception())),
                method);
  }
}

void PDEWriter::RemoveStaleFiles(const QString &importFolder,
                                 const std::function<void(const QString &)> &remove) {
  const auto log = [this](const char *text) { Log(kDebug, QLatin1String(text), kDeleteUpdateFiles); };
  const auto removeFiles = [&remove](const QString &folder, const QString &wildcard) {
    for (const XFileSpec &entry : XFileSpec::Folder(folder).List(wildcard))
      if (!entry.IsFolder()) remove(entry.Path());
  };
  log("DeleteUpdateFiles: Assigned import folder");
  removeFiles(importFolder, QStringLiteral("*.pdu"));
  // Working copies of update files that runs before this one never finished.
  removeFiles(importFolder, QStringLiteral("Update *.pdu") + PublishedFile::WorkingCopySuffix());
  log("Deleted pdu files");

  log("Changed FileName to SchoolConfig");
  const QString record = ConfigRecordPath(importFolder);
  if (QFileInfo::exists(record)) remove(record);
  log("Deleted SchoolConfig");

  QDir parent(importFolder);
  const bool hasParent = parent.cdUp();
  log("Got Parent Folder");
  const QString pat = parent.filePath(QStringLiteral("PAT"));
  log("Appended PAT");
  if (hasParent && QFileInfo(pat).isDir()) {
    log("Found PAT Folder");
    remove(pat);
    log("Deleted PAT Folder");
  }

  log("Reset PDE Folder");
  const QString dat = QDir(importFolder).filePath(QStringLiteral("DAT"));
  log("Appended DAT Folder");
  if (QFileInfo(dat).isDir()) {
    log("Found DAT Folder");
    remove(dat);
    log("Deleted DAT Folder");
  }

  log("Assigned AATP Iterator");
  DeleteMatchingFolders(importFolder, QStringLiteral("AATP*"), remove);
  log("Assigned AATD Iterator");
  DeleteMatchingFolders(importFolder, QStringLiteral("AATD*"), remove);
}

void PDEWriter::RemoveStaleFilesReported(const QString &importFolder,
                                         const std::function<void(const QString &)> &remove) {
  try {
    RemoveStaleFiles(importFolder, remove);
  } catch (...) {
    LogAndThrow(kCritical, Failure("PDU", QStringLiteral(".pdu"), TextOf(std::current_exception())),
                kDeleteUpdateFiles);
  }
}

void PDEWriter::DropGlobalAttendanceTables() {
  const QString global = RunSettings().globalFolder;
  if (!global.isEmpty() && QFileInfo(global).isDir() && SetAttendanceDatabase(global)) {
    DropAttendanceTable(QStringLiteral("PERIOD_ATT"));
    DropAttendanceTable(QStringLiteral("DAILY_ATT"));
  }
}

void PDEWriter::DeleteUpdateFiles(const QString &importFolder) {
  RemoveStaleFilesReported(importFolder, [](const QString &path) { XFileSpec(path).Delete(); });
  DeleteAttendanceDatabase();
  DropGlobalAttendanceTables();
}
