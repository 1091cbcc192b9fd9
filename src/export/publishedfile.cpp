// Working copy, sync and rename of the export files.
#include "publishedfile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "xexception.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
const QString kPartSuffix = QStringLiteral(".part");
constexpr int kMaxUniqueAttempts = 100000;

[[noreturn]] void ThrowFileError(const char *format, const QString &path, int code = 0) {
  throw XException(QString::fromLatin1(format).arg(QDir::toNativeSeparators(path)), code);
}

}  // namespace

bool DiskSync::SyncFile([[maybe_unused]] QFile &file) {
#ifdef Q_OS_UNIX
  return ::fsync(file.handle()) == 0;
#else
  return true;
#endif
}

// Makes a finished rename survive a power cut as well as a killed process.
void DiskSync::SyncFolder([[maybe_unused]] const QString &folder) {
#ifdef Q_OS_UNIX
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
#endif
}

DiskSync &DiskSync::System() {
  static DiskSync system;
  return system;
}

QString PublishedFile::WorkingCopySuffix() {
  return kPartSuffix;
}

QString PublishedFile::FinalPathOf(const QString &workingPath) {
  return workingPath.endsWith(kPartSuffix) ? workingPath.chopped(kPartSuffix.size()) : workingPath;
}

PublishedFile::PublishedFile(const QString &finalPath, bool replace, DiskSync &sync)
    : finalPath_(finalPath), file_(finalPath + kPartSuffix), replace_(replace), sync_(sync) {}

PublishedFile::~PublishedFile() {
  if (!published_) Discard();
}

bool PublishedFile::OpenWorkingCopy(QIODevice::OpenMode mode, int &errorCode) {
  errno = 0;
  if (file_.open(mode)) {
    ownsWorkingCopy_ = true;
    return true;
  }
  errorCode = errno;
  return false;
}

std::unique_ptr<PublishedFile> PublishedFile::CreateReplacing(const QString &finalPath, DiskSync &sync) {
  std::unique_ptr<PublishedFile> file(new PublishedFile(finalPath, true, sync));
  QDir().mkpath(QFileInfo(finalPath).absolutePath());
  int code = 0;
  if (!file->OpenWorkingCopy(QIODevice::WriteOnly | QIODevice::Truncate, code))
    throw XException(
        QStringLiteral("Could not open file ( %1 ): %2").arg(code).arg(QDir::toNativeSeparators(finalPath)),
        code);
  return file;
}

std::unique_ptr<PublishedFile> PublishedFile::CreateUnique(const std::function<QString(int)> &candidate,
                                                           DiskSync &sync) {
  int code = 0;
  QString lastPath;
  for (int attempt = 0; attempt < kMaxUniqueAttempts; ++attempt) {
    lastPath = candidate(attempt);
    if (attempt == 0) QDir().mkpath(QFileInfo(lastPath).absolutePath());
    if (QFileInfo::exists(lastPath)) continue;
    std::unique_ptr<PublishedFile> file(new PublishedFile(lastPath, false, sync));
    if (!file->OpenWorkingCopy(QIODevice::WriteOnly | QIODevice::NewOnly, code)) {
      if (code != EEXIST) break;
      continue;
    }
    // Another writer may have published this name between the check above and the creation of
    // the working copy; the name is ours only if it is still free now that we hold the copy.
    if (!QFileInfo::exists(lastPath)) return file;
  }
  throw XException(
      QStringLiteral("Could not open file ( %1 ): %2").arg(code).arg(QDir::toNativeSeparators(lastPath)),
      code);
}

void PublishedFile::Write(const QByteArray &bytes) {
  if (!file_.isOpen() || file_.write(bytes) != bytes.size())
    ThrowFileError("Error writing to file: %1", finalPath_, errno);
}

void PublishedFile::Complete() {
  if (completed_) return;
  if (!file_.isOpen()) ThrowFileError("Error closing file: %1", finalPath_);
  if (!file_.flush() || !sync_.SyncFile(file_))
    ThrowFileError("Error writing to file: %1", finalPath_, errno);
  file_.close();
  if (file_.error() != QFileDevice::NoError) ThrowFileError("Error closing file: %1", finalPath_, errno);
  completed_ = true;
}

void PublishedFile::Publish(const std::function<void(const QString &workingPath)> &beforeRename) {
  if (published_) return;
  Complete();
  if (beforeRename) beforeRename(file_.fileName());

  if (replace_) {
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file_.fileName().toStdU16String()),
                            std::filesystem::path(finalPath_.toStdU16String()), error);
    if (error) ThrowFileError("Error closing file: %1", finalPath_, error.value());
  } else if (!QFile::rename(file_.fileName(), finalPath_)) {
    // QFile::rename never replaces an existing file, so a name taken meanwhile stays intact.
    ThrowFileError("Error closing file: %1", finalPath_);
  }
  published_ = true;
  sync_.SyncFolder(QFileInfo(finalPath_).absolutePath());
}

void PublishedFile::Discard() {
  if (published_ || !ownsWorkingCopy_) return;
  file_.close();
  QFile::remove(file_.fileName());
  ownsWorkingCopy_ = false;
}
