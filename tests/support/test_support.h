// Helpers shared by the test suites: scratch folders and reading files as bytes.
#pragma once

#include <QByteArray>
#include <QString>

namespace icbtest {

// Path of a file under the source tree (e.g. "tests/fixtures/tiny.db").
QString sourcePath(const QString &relative);
// Path of a file under the build tree (e.g. "icbridge").
QString binaryPath(const QString &relative);
// The whole file as bytes; an empty array when it cannot be read.
QByteArray readBytes(const QString &path);

}  // namespace icbtest

#include <QByteArray>
#include <ostream>

// Readable failure messages for Qt strings in GoogleTest assertions.
void PrintTo(const QString &text, std::ostream *os);
void PrintTo(const QByteArray &bytes, std::ostream *os);
