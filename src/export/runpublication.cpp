// The commit of a run's files: the commit list, its steps and their replay.
#include "runpublication.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "publishedfile.h"
#include "xexception.h"
#include "xfilespec.h"

namespace {
const QString kListName = QStringLiteral("icbridge.commit");
const QByteArray kEndLine = "end\n";

QByteArray Field(const QString &path) {
  return path.toUtf8();
}

// A working copy that is gone was renamed by an earlier attempt at this list.
void Rename(const QString &from, const QString &to, DiskSync &sync) {
  if (!QFileInfo::exists(from)) return;
  std::error_code error;
  std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                          std::filesystem::path(to.toStdU16String()), error);
  if (error)
    throw XException(QStringLiteral("Error closing file: ") + QDir::toNativeSeparators(to), error.value());
  sync.SyncFolder(QFileInfo(to).absolutePath());
}

void WriteSynced(const QString &path, const QByteArray &bytes, DiskSync &sync) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush() || !sync.SyncFile(file))
    throw XException(QStringLiteral("Error writing to file: ") + QDir::toNativeSeparators(path));
  file.close();
}
}  // namespace

QByteArray CommitList::Render() const {
  QByteArray text;
  for (const QString &path : deletions) text += "delete\t" + Field(path) + '\n';
  for (const auto &[from, to] : renames) text += "rename\t" + Field(from) + '\t' + Field(to) + '\n';
  return text + kEndLine;
}

bool CommitList::Parse(const QByteArray &text, CommitList &list) {
  list = CommitList();
  if (!text.endsWith(kEndLine)) return false;
  const QList<QByteArray> lines = text.chopped(kEndLine.size()).split('\n');
  for (const QByteArray &line : lines) {
    if (line.isEmpty()) continue;
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() == 2 && fields[0] == "delete")
      list.deletions << QString::fromUtf8(fields[1]);
    else if (fields.size() == 3 && fields[0] == "rename")
      list.renames.append({QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2])});
    else
      return false;
  }
  return true;
}

void CommitList::Apply(DiskSync &sync, int limit) const {
  int step = 0;
  const auto more = [&] { return limit < 0 || step++ < limit; };
  for (const QString &path : deletions) {
    if (!more()) return;
    XFileSpec(path).Delete();  // nothing to do for a path that is gone
  }
  for (const auto &[from, to] : renames) {
    if (!more()) return;
    Rename(from, to, sync);
  }
}

RunPublication::RunPublication(DiskSync &sync) : sync_(sync) {}

RunPublication::~RunPublication() {
  Abandon();
}

void RunPublication::Stage(std::unique_ptr<PublishedFile> file) {
  file->Complete();
  list_.renames.append({file->WorkingPath(), file->FinalPath()});
  files_.push_back(std::move(file));
}

void RunPublication::StageRename(const QString &workingPath, const QString &finalPath) {
  list_.renames.append({workingPath, finalPath});
}

void RunPublication::DeleteOnCommit(const QString &path) {
  // A file the commit publishes replaces the old one by its rename; deleting it in a replay of the
  // list would remove the new one, and deleting a working copy would lose it.
  if (!IsStaged(path) && !list_.deletions.contains(path)) list_.deletions << path;
}

bool RunPublication::IsStaged(const QString &path) const {
  const auto canonical = [](const QString &name) {
    return QDir::cleanPath(QFileInfo(name).absoluteFilePath());
  };
  const QString wanted = canonical(path);
  for (const auto &[from, to] : list_.renames)
    if (canonical(to) == wanted || canonical(from) == wanted) return true;
  return false;
}

QString RunPublication::ListPath(const QString &folder) {
  return QDir(folder).filePath(kListName);
}

void RunPublication::Commit(const QString &folder, int stopAfterSteps) {
  // Deletions staged before a file of the same name was staged must not reach the list.
  CommitList list = list_;
  list.deletions.clear();
  for (const QString &path : list_.deletions)
    if (!IsStaged(path)) list.deletions << path;

  const QString listPath = ListPath(folder);
  const QString working = listPath + PublishedFile::WorkingCopySuffix();
  WriteSynced(working, list.Render(), sync_);
  Rename(working, listPath, sync_);
  // From here the list owns the working copies: a commit cut short is finished from it.
  for (auto &file : files_) file->Release();
  files_.clear();
  list_ = CommitList();
  list.Apply(sync_, stopAfterSteps);
  if (stopAfterSteps >= 0) return;
  QFile::remove(listPath);
  sync_.SyncFolder(folder);
}

void RunPublication::Abandon() {
  files_.clear();  // each removes its own working copy
  for (const auto &[from, to] : list_.renames) QFile::remove(from);
  list_ = CommitList();
}

bool RunPublication::RollForward(const QString &folder, DiskSync &sync) {
  const QString listPath = ListPath(folder);
  // A list that never took its name was written by a run that had not begun to publish.
  QFile::remove(listPath + PublishedFile::WorkingCopySuffix());
  QFile file(listPath);
  if (!file.open(QIODevice::ReadOnly)) return false;
  CommitList list;
  const bool complete = CommitList::Parse(file.readAll(), list);
  file.close();
  if (!complete)
    throw XException(QStringLiteral("The commit list is damaged: ") + QDir::toNativeSeparators(listPath));
  list.Apply(sync);
  QFile::remove(listPath);
  sync.SyncFolder(folder);
  return true;
}
