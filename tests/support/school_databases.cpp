#include "school_databases.h"

#include <sys/types.h>

#include <QFile>
#include <csignal>

#include "test_support.h"

namespace icbtest {

namespace {

QString serverFile(const QString &name) {
  return binaryPath(QStringLiteral("fixtures/server/") + name);
}

QString firstLine(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readLine()).trimmed();
}

// The fixture records the server's process id; a leftover file of a crashed run names no live process.
bool serverProcessRuns() {
  bool ok = false;
  const qint64 pid = firstLine(serverFile(QStringLiteral("server.pid"))).toLongLong(&ok);
  return ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

}  // namespace

QString schoolDbPath(const QString &size) {
  return binaryPath(QStringLiteral("fixtures/") + size + ".db");
}

QString sqliteConnectionString(const QString &size) {
  return QStringLiteral("DRIVER=SQLite3;DATABASE=") + schoolDbPath(size);
}

bool schoolServerAvailable() {
  return serverProcessRuns() && QFile::exists(serverFile(QStringLiteral("tiny.connection")));
}

QString schoolServerConnectionString(const QString &size) {
  if (!serverProcessRuns()) return {};
  return firstLine(serverFile(size + QStringLiteral(".connection")));
}

bool schoolServerExpected() {
  return qEnvironmentVariable("ODBCSYSINI") == binaryPath(QStringLiteral("fixtures/server"));
}

QString schoolServerDsn(const QString &size) {
  return QStringLiteral("icb_") + size;
}

}  // namespace icbtest
