#include "test_support.h"

#include <QFile>

namespace icbtest {

QString sourcePath(const QString &relative) {
  return QStringLiteral(ICB_SOURCE_DIR "/") + relative;
}

QString binaryPath(const QString &relative) {
  return QStringLiteral(ICB_BINARY_DIR "/") + relative;
}

QByteArray readBytes(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace icbtest

void PrintTo(const QString &text, std::ostream *os) {
  *os << '"' << text.toUtf8().toStdString() << '"';
}

void PrintTo(const QByteArray &bytes, std::ostream *os) {
  *os << '"' << bytes.toPercentEncoding(" !#$&'()*+,/:;=?@[]<>{}|^~`\"").toStdString() << '"';
}
