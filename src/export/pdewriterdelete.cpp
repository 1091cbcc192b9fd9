// Removal of the files of earlier runs: the table files, and on a changed configuration the update
// files, the configuration record, the product's working folders and the attendance cache. File
// name patterns match without regard to letter case, as they do on the system the names come from.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>

#include "pdewriter.h"
#include "publishedfile.h"
#include "xexception.h"

namespace {
constexpr int kCritical = 2;
constexpr int kDebug = 8;
const QString kDeleteUpdateFiles = QStringLiteral("PDEWriter::DeleteUpdateFiles");

QRegularExpression Wildcard(const QString &pattern) {
  return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                            QRegularExpression::CaseInsensitiveOption);
}

QStringList MatchingEntries(const QString &folder, const QString &wildcard, QDir::Filters kind) {
  const QRegularExpression pattern = Wildcard(wildcard);
  QStringList paths;
  QDirIterator it(folder, kind | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    it.next();
    if (pattern.match(it.fileName()).hasMatch()) paths << it.filePath();
  }
  paths.sort();
  return paths;
}

[[noreturn]] void ThrowDeleteError(const QString &path, int code) {
  throw XException(QStringLiteral("Could not delete spec: %1").arg(QDir::toNativeSeparators(path)), code);
}

void DeleteFile(const QString &path) {
  QFile file(path);
  file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
  errno = 0;
  if (!file.remove()) ThrowDeleteError(path, errno);
}

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
  for (const QString &path : MatchingEntries(folder, wildcard, QDir::Files)) DeleteFile(path);
}

void PDEWriter::DeleteTree(const QString &path) {
  errno = 0;
  if (!QDir(path).removeRecursively()) ThrowDeleteError(path, errno);
}

void PDEWriter::DeleteMatchingFolders(const QString &folder, const QString &wildcard) {
  for (const QString &path : MatchingEntries(folder, wildcard, QDir::Dirs)) {
    Log(kDebug, QStringLiteral("Iterating ") + wildcard.left(4) + QStringLiteral(" Folder"),
        kDeleteUpdateFiles);
    DeleteTree(path);
    Log(kDebug, QStringLiteral("Deleted ") + wildcard.left(4) + QStringLiteral(" Folder"),
        kDeleteUpdateFiles);
  }
}

void PDEWriter::RemoveAbandonedUpdateCopies(const QString &importFolder, qint64 maxAgeSeconds) {
  const QDateTime now = QDateTime::currentDateTime();
  const QString pattern = QStringLiteral("Update *.pdu") + PublishedFile::WorkingCopySuffix();
  for (const QString &path : MatchingEntries(importFolder, pattern, QDir::Files)) {
    if (maxAgeSeconds > 0 && QFileInfo(path).lastModified().secsTo(now) < maxAgeSeconds) continue;
    DeleteFile(path);
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

void PDEWriter::RemoveStaleFiles(const QString &importFolder) {
  const auto log = [this](const char *text) { Log(kDebug, QLatin1String(text), kDeleteUpdateFiles); };
  log("DeleteUpdateFiles: Assigned import folder");
  DeleteMatchingFiles(importFolder, QStringLiteral("*.pdu"));
  RemoveAbandonedUpdateCopies(importFolder, 0);
  log("Deleted pdu files");

  log("Changed FileName to SchoolConfig");
  const QString record = ConfigRecordPath(importFolder);
  if (QFileInfo::exists(record)) DeleteFile(record);
  log("Deleted SchoolConfig");

  QDir parent(importFolder);
  const bool hasParent = parent.cdUp();
  log("Got Parent Folder");
  const QString pat = parent.filePath(QStringLiteral("PAT"));
  log("Appended PAT");
  if (hasParent && QFileInfo(pat).isDir()) {
    log("Found PAT Folder");
    DeleteTree(pat);
    log("Deleted PAT Folder");
  }

  log("Reset PDE Folder");
  const QString dat = QDir(importFolder).filePath(QStringLiteral("DAT"));
  log("Appended DAT Folder");
  if (QFileInfo(dat).isDir()) {
    log("Found DAT Folder");
    DeleteTree(dat);
    log("Deleted DAT Folder");
  }

  log("Assigned AATP Iterator");
  DeleteMatchingFolders(importFolder, QStringLiteral("AATP*"));
  log("Assigned AATD Iterator");
  DeleteMatchingFolders(importFolder, QStringLiteral("AATD*"));
}

void PDEWriter::DeleteUpdateFiles(const QString &importFolder) {
  try {
    RemoveStaleFiles(importFolder);
  } catch (...) {
    LogAndThrow(kCritical, Failure("PDU", QStringLiteral(".pdu"), TextOf(std::current_exception())),
                kDeleteUpdateFiles);
  }
  DeleteAttendanceDatabase();
  const QString global = RunSettings().globalFolder;
  if (!global.isEmpty() && QFileInfo(global).isDir() && SetAttendanceDatabase(global)) {
    DropAttendanceTable(QStringLiteral("PERIOD_ATT"));
    DropAttendanceTable(QStringLiteral("DAILY_ATT"));
  }
}
