// A small RAM disk (tmpfs) mounted over a folder, to fill it up under a running bridge. The mount
// lives in a mount namespace of this test process's own, so it goes away with the process whatever
// happens; mounting needs root (CAP_SYS_ADMIN).
#pragma once

#include <QString>

class SmallDisk {
 public:
  SmallDisk() = default;
  ~SmallDisk();
  SmallDisk(const SmallDisk &) = delete;
  SmallDisk &operator=(const SmallDisk &) = delete;

  // Mounts a tmpfs of sizeBytes over folder (created when missing). False with the reason when this
  // process may not mount.
  bool Mount(const QString &folder, qint64 sizeBytes, QString &why);
  // Fills the disk with a file of its own ("filler" beside folder's files) until about freeBytes
  // are left (whole blocks).
  bool FillLeaving(qint64 freeBytes);
  // Removes the filler.
  void Empty();
  qint64 FreeBytes() const;

 private:
  QString folder_;
};
