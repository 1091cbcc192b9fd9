// XFileSpec: path composition and the folder operations, on std::filesystem.
#include "xfilespec.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "xexception.h"

namespace fs = std::filesystem;

namespace {

constexpr QChar kSeparator = u'/';

fs::path ToFsPath(const QString &path) {
  return fs::path(QFile::encodeName(path).toStdString());
}

QString FromFsPath(const fs::path &path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The path without a trailing separator, as the file system calls expect it ("/" stays "/").
QString Trimmed(const QString &path) {
  if (path.size() > 1 && path.endsWith(kSeparator)) return path.chopped(1);
  return path;
}

[[noreturn]] void ThrowCreateError(const QString &path, const std::error_code &error) {
  throw XException::Printf(error.value(), "Error creating spec: %s", qUtf8Printable(path));
}

}  // namespace

XFileSpec XFileSpec::Folder(const QString &path) {
  XFileSpec spec(path);
  if (!spec.path_.isEmpty() && !spec.path_.endsWith(kSeparator)) spec.path_ += kSeparator;
  return spec;
}

size_t XFileSpec::MaxPathBytes() {
#ifdef PATH_MAX
  return PATH_MAX;
#else
  return 4096;
#endif
}

void XFileSpec::SetPath(const QString &path) {
  QString converted = path;
  converted.replace(u'\\', kSeparator);
  if (converted.startsWith(QStringLiteral("./"))) {
    converted.remove(0, 2);
  } else if (converted.startsWith(u'.')) {
    throw XException::Printf(0, "No support for relative paths: %s", qUtf8Printable(path));
  }
  path_ = converted;
}

QByteArray XFileSpec::NativePath() const {
  return QFile::encodeName(path_);
}

QString XFileSpec::FileName() const {
  return path_.mid(path_.lastIndexOf(kSeparator) + 1);
}

QString XFileSpec::FolderPath() const {
  return path_.left(path_.lastIndexOf(kSeparator) + 1);
}

bool XFileSpec::IsFolder() const {
  return path_.endsWith(kSeparator);
}

void XFileSpec::CheckAppendedLength(const QString &appended, qsizetype keptLength) const {
  const size_t appendedBytes = static_cast<size_t>(QFile::encodeName(appended).size());
  const size_t keptBytes = static_cast<size_t>(QFile::encodeName(path_.left(keptLength)).size());
  if (keptBytes + appendedBytes + 1 > MaxPathBytes())
    throw XException::Printf(0, "Appended length (%u) would make path length exceed maximum %u.",
                             static_cast<unsigned>(appendedBytes), static_cast<unsigned>(MaxPathBytes()));
}

void XFileSpec::SetFileName(const QString &name) {
  QString converted = name;
  converted.replace(u'\\', kSeparator);
  const qsizetype folderLength = FolderPath().size();
  CheckAppendedLength(converted, folderLength);
  path_ = path_.left(folderLength) + converted;
}

void XFileSpec::AddFolder(const QString &name) {
  QString converted = name;
  converted.replace(u'\\', kSeparator);
  if (!converted.endsWith(kSeparator)) converted += kSeparator;
  const qsizetype folderLength = FolderPath().size();
  CheckAppendedLength(converted, folderLength);
  path_ = path_.left(folderLength) + converted;
}

bool XFileSpec::Parent() {
  const QString folder = FolderPath();
  if (folder.size() <= 1) return false;  // the root, or no folder at all
  const qsizetype cut = folder.lastIndexOf(kSeparator, folder.size() - 2);
  if (cut < 0) return false;
  path_ = folder.left(cut + 1);
  return true;
}

bool XFileSpec::Exists() const {
  std::error_code error;
  const fs::file_status status = fs::status(ToFsPath(Trimmed(path_)), error);
  if (error && status.type() != fs::file_type::not_found) return true;
  return fs::exists(status);
}

void XFileSpec::Create() const {
  std::error_code error;
  const QString folder = Trimmed(FolderPath());
  if (!folder.isEmpty()) {
    fs::create_directories(ToFsPath(folder), error);
    if (error) ThrowCreateError(path_, error);
  }
  if (IsFolder()) return;
  if (fs::exists(ToFsPath(path_), error)) return;
  std::ofstream file(ToFsPath(path_), std::ios::binary | std::ios::app);
  if (!file) ThrowCreateError(path_, std::make_error_code(std::errc::io_error));
}

void XFileSpec::Delete() const {
  const fs::path target = ToFsPath(Trimmed(path_));
  std::error_code error;
  const fs::file_status status = fs::symlink_status(target, error);
  if (status.type() == fs::file_type::not_found) return;
  if (status.type() == fs::file_type::directory) {
    fs::remove_all(target, error);
  } else {
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, error);
    error.clear();
    fs::remove(target, error);
  }
  if (error) throw XException::Printf(error.value(), "Could not delete spec: %s", qUtf8Printable(path_));
}

void XFileSpec::DeleteMatching(const QString &wildcard) const {
  for (const XFileSpec &entry : List(wildcard.isEmpty() ? QStringLiteral("*.*") : wildcard))
    if (!entry.IsFolder()) entry.Delete();
}

std::vector<XFileSpec> XFileSpec::List(const QString &wildcard, bool foldersOnly) const {
  std::vector<XFileSpec> entries;
  std::error_code error;
  const QString folder = FolderPath();
  for (fs::directory_iterator it(ToFsPath(folder.isEmpty() ? QStringLiteral(".") : folder), error), end;
       !error && it != end; it.increment(error)) {
    const QString name = FromFsPath(it->path().filename());
    if (!MatchesWildcard(name, wildcard)) continue;
    std::error_code typeError;
    const bool isFolder = it->is_directory(typeError);
    if (foldersOnly && !isFolder) continue;
    XFileSpec entry;
    entry.path_ = folder + name + (isFolder ? QString(kSeparator) : QString());
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(),
            [](const XFileSpec &a, const XFileSpec &b) { return a.path_ < b.path_; });
  return entries;
}

bool XFileSpec::MatchesWildcard(const QString &name, const QString &wildcard) {
  if (wildcard.isEmpty() || wildcard == QStringLiteral("*.*")) return true;
  // Iterative match with backtracking to the last "*".
  qsizetype n = 0, w = 0, starW = -1, starN = 0;
  while (n < name.size()) {
    if (w < wildcard.size() &&
        (wildcard.at(w) == u'?' || wildcard.at(w).toCaseFolded() == name.at(n).toCaseFolded())) {
      ++n, ++w;
    } else if (w < wildcard.size() && wildcard.at(w) == u'*') {
      starW = w++, starN = n;
    } else if (starW >= 0) {
      w = starW + 1, n = ++starN;
    } else {
      return false;
    }
  }
  while (w < wildcard.size() && wildcard.at(w) == u'*') ++w;
  return w == wildcard.size();
}
