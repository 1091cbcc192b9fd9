// Mounting, filling and emptying the test's RAM disk.
#include "small_disk.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

const char kFiller[] = "/filler";

// Once per process: a mount namespace of its own whose mounts do not reach the rest of the system.
bool PrivateMounts(QString &why) {
  static int result = [] {
    if (::unshare(CLONE_NEWNS) != 0) return errno;
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return errno;
    return 0;
  }();
  if (result != 0)
    why = QStringLiteral("no mount namespace of its own: ") + QString::fromLocal8Bit(std::strerror(result));
  return result == 0;
}

}  // namespace

SmallDisk::~SmallDisk() {
  if (!folder_.isEmpty()) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

bool SmallDisk::Mount(const QString &folder, qint64 sizeBytes, QString &why) {
  if (!PrivateMounts(why)) return false;
  QDir().mkpath(folder);
  const QByteArray options = "size=" + QByteArray::number(sizeBytes);
  if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
    why = QStringLiteral("cannot mount a tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  folder_ = folder;
  return true;
}

qint64 SmallDisk::FreeBytes() const {
  struct statvfs disk {};
  if (::statvfs(QFile::encodeName(folder_).constData(), &disk) != 0) return -1;
  return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

bool SmallDisk::FillLeaving(qint64 freeBytes) {
  QFile filler(folder_ + QLatin1String(kFiller));
  if (!filler.open(QIODevice::Append)) return false;
  const QByteArray block(4096, 'x');
  while (FreeBytes() > freeBytes) {
    if (filler.write(block) != block.size() || !filler.flush()) return false;
  }
  return true;
}

void SmallDisk::Empty() {
  QFile::remove(folder_ + QLatin1String(kFiller));
}
