// An output file that appears under its final name only when it is complete: the bytes go to a
// working copy "<final name>.part" in the same folder, which is flushed to disk and renamed over
// the final name by Publish. A file that is never published leaves no trace under the final name.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>

// How a finished working copy reaches the disk: its data before the rename, so that a power cut
// cannot publish an empty or partial file, and its folder after it, so that the rename lasts.
class DiskSync {
 public:
  virtual ~DiskSync() = default;
  // False when the file's data could not be forced to the disk.
  virtual bool SyncFile(QFile &file);
  virtual void SyncFolder(const QString &folder);
  // The operating system's own.
  static DiskSync &System();
};

class PublishedFile {
 public:
  // A file that replaces any earlier file of the same name when it is published.
  static std::unique_ptr<PublishedFile> CreateReplacing(const QString &finalPath,
                                                        DiskSync &sync = DiskSync::System());
  // A file that never replaces a published one: candidate(0), candidate(1), ... name the final
  // paths to try; the first whose final name is free and whose working copy this process could
  // create exclusively is taken, so concurrent writers never share a name.
  static std::unique_ptr<PublishedFile> CreateUnique(const std::function<QString(int attempt)> &candidate,
                                                     DiskSync &sync = DiskSync::System());

  ~PublishedFile();
  PublishedFile(const PublishedFile &) = delete;
  PublishedFile &operator=(const PublishedFile &) = delete;

  void Write(const QByteArray &bytes);
  // Flushes, syncs and closes the working copy, which keeps its working name.
  void Complete();
  // Flushes, syncs and closes the working copy and renames it to the final name. beforeRename is
  // called with the working copy's path once it is complete on disk and before it is renamed, so
  // what depends on the file being published can be recorded durably in between.
  void Publish(const std::function<void(const QString &workingPath)> &beforeRename = {});
  // Closes and removes the working copy; the final name is left as it was.
  void Discard();
  // The working copy is no longer this object's to remove: a commit list names it.
  void Release() { ownsWorkingCopy_ = false; }

  // What is appended to the final name to name the working copy.
  static QString WorkingCopySuffix();
  // The final name of a working copy.
  static QString FinalPathOf(const QString &workingPath);

  const QString &FinalPath() const { return finalPath_; }
  QString WorkingPath() const { return file_.fileName(); }
  bool IsPublished() const { return published_; }

 private:
  PublishedFile(const QString &finalPath, bool replace, DiskSync &sync);
  bool OpenWorkingCopy(QIODevice::OpenMode mode, int &errorCode);

  QString finalPath_;
  QFile file_;
  bool replace_;
  DiskSync &sync_;
  bool published_ = false;
  bool completed_ = false;
  bool ownsWorkingCopy_ = false;  // only a copy this object created is ever removed
};
