// One run per import folder: a run holds an exclusive lock on the file "icbridge.lock" in its
// import folder from before it reads anything there until it has published its last file. The
// lock is the operating system's (flock), so it ends with the process that holds it, however that
// process ends: a killed run never blocks the next one.
#pragma once

#include <QString>

class ImportFolderLock {
 public:
  enum class Outcome { Held, HeldElsewhere, Unavailable };

  ImportFolderLock() = default;
  ~ImportFolderLock();
  ImportFolderLock(const ImportFolderLock &) = delete;
  ImportFolderLock &operator=(const ImportFolderLock &) = delete;

  // Takes the lock of folder (made when missing) without waiting. Unavailable when the lock file
  // cannot be made or locked at all, which leaves the run to find out what is wrong with the folder.
  Outcome Take(const QString &folder);
  void Release();

  static QString LockFileName();

 private:
  int fd_ = -1;
};
