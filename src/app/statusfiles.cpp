// Status file helpers: each makes the folder when missing and works on one named file in it.
#include "statusfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace StatusFiles {
namespace {
QString filePath(const QString &folder, const QString &name) {
  QDir dir(folder.isEmpty() ? defaultFolder() : folder);
  dir.mkpath(QStringLiteral("."));
  return dir.filePath(name);
}
}  // namespace

QString defaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
         QStringLiteral("/Kestrane Software/Logs");
}

bool remove(const QString &folder, const QString &name) {
  return QFile::remove(filePath(folder, name));
}

bool write(const QString &folder, const QString &name, const QString &text) {
  QFile file(filePath(folder, name));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray bytes = text.toLatin1() + "\r\n";
  return file.write(bytes) == bytes.size();
}

bool containsSuccess(const QString &folder, const QString &name) {
  QFile file(filePath(folder, name));
  if (!file.open(QIODevice::ReadOnly)) return false;
  return QString::fromLatin1(file.readAll()).contains(QLatin1String("Succeeded"), Qt::CaseInsensitive);
}

QString timeStamp() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

}  // namespace StatusFiles
