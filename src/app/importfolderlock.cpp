// The import folder's lock file and its flock.
#include "importfolderlock.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

ImportFolderLock::~ImportFolderLock() {
  Release();
}

QString ImportFolderLock::LockFileName() {
  return QStringLiteral("icbridge.lock");
}

ImportFolderLock::Outcome ImportFolderLock::Take([[maybe_unused]] const QString &folder) {
#ifdef Q_OS_UNIX
  Release();
  if (!QDir().mkpath(folder)) return Outcome::Unavailable;
  const QByteArray path = QFile::encodeName(QDir(folder).filePath(LockFileName()));
  fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return Outcome::Unavailable;
  int result;
  do {
    result = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return Outcome::Held;
  const bool busy = errno == EWOULDBLOCK;
  Release();
  return busy ? Outcome::HeldElsewhere : Outcome::Unavailable;
#else
  return Outcome::Unavailable;
#endif
}

void ImportFolderLock::Release() {
#ifdef Q_OS_UNIX
  if (fd_ >= 0) ::close(fd_);
#endif
  fd_ = -1;
}
