// The files of one run become visible together, once the run has succeeded. Every output file is
// written under a working name and staged here; Commit writes a commit list naming every step
// (stale files to delete, working copies to rename to their final names), syncs it, carries the
// steps out and removes the list. A run that fails before the list exists leaves every published
// byte as it was; a run killed after it is finished by RollForward, which the next run calls before
// it touches the folder. Every step can be repeated: a deletion removes what is still there, a
// rename moves a working copy that is still there, so replaying a list that was half carried out
// ends in the same folder as carrying it out once.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class DiskSync;
class PublishedFile;

// The steps of a commit, in the order they are carried out: deletions first, then renames.
struct CommitList {
  QStringList deletions;                   // files or folders
  QList<QPair<QString, QString>> renames;  // working copy, final name

  QByteArray Render() const;
  // False when the text is not a complete list.
  static bool Parse(const QByteArray &text, CommitList &list);
  bool IsEmpty() const { return deletions.isEmpty() && renames.isEmpty(); }
  int Steps() const { return int(deletions.size() + renames.size()); }
  // Carries out the steps; the first `limit` of them only when limit >= 0 (a commit cut short).
  void Apply(DiskSync &sync, int limit = -1) const;
};

class RunPublication {
 public:
  explicit RunPublication(DiskSync &sync);
  ~RunPublication();
  RunPublication(const RunPublication &) = delete;
  RunPublication &operator=(const RunPublication &) = delete;

  // Completes the file on disk under its working name; it takes its final name with the commit.
  void Stage(std::unique_ptr<PublishedFile> file);
  // A finished working copy made by other means (the rebuilt attendance cache).
  void StageRename(const QString &workingPath, const QString &finalPath);
  // A stale file or folder removed with the commit.
  void DeleteOnCommit(const QString &path);
  // Whether path is the working copy or the final name of a staged file.
  bool IsStaged(const QString &path) const;

  // Publishes everything staged in one step, recorded in the commit list of folder. With
  // stopAfterSteps >= 0 the commit ends as a process killed after that many steps would end it.
  void Commit(const QString &folder, int stopAfterSteps = -1);
  // Removes the working copies of the files staged; nothing published changes.
  void Abandon();

  // The commit list of a folder, and the working name it is written under first.
  static QString ListPath(const QString &folder);
  // Finishes a commit cut short in folder. True when a list was found and carried out.
  static bool RollForward(const QString &folder, DiskSync &sync);

 private:
  DiskSync &sync_;
  std::vector<std::unique_ptr<PublishedFile>> files_;
  CommitList list_;
};
