// Starting and killing a private test server through the fixture's own script.
#include "own_school_server.h"

#include <signal.h>

#include <QFile>

#include "run_to_end.h"
#include "test_support.h"

namespace icbtest {

namespace {

QString FirstLine(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readLine()).trimmed();
}

}  // namespace

OwnSchoolServer::OwnSchoolServer()
    : OwnSchoolServer({{QStringLiteral("tiny"), binaryPath(QStringLiteral("fixtures/tiny.hsql"))}}) {}

OwnSchoolServer::OwnSchoolServer(const QMap<QString, QString> &loadFiles) {
  if (Available() && !loadFiles.isEmpty()) Start(loadFiles);
}

OwnSchoolServer::~OwnSchoolServer() {
  Kill();
}

bool OwnSchoolServer::Available() {
  return !QStringLiteral(ICB_JAVA).isEmpty() && !QStringLiteral(ICB_HSQLDB_JAR).isEmpty();
}

bool OwnSchoolServer::Start(const QMap<QString, QString> &loadFiles) {
  Kill();
  QStringList arguments = {QStringLiteral("-B"),
                           sourcePath(QStringLiteral("tests/fixtures/school_server.py")),
                           QStringLiteral("start"),
                           QStringLiteral("--state"),
                           state_.path(),
                           QStringLiteral("--java"),
                           QStringLiteral(ICB_JAVA),
                           QStringLiteral("--jar"),
                           QStringLiteral(ICB_HSQLDB_JAR),
                           QStringLiteral("--classes"),
                           binaryPath(QStringLiteral("fixtures/server/classes")),
                           QStringLiteral("--psqlodbc"),
                           QStringLiteral(ICB_PSQLODBC_DRIVER),
                           QStringLiteral("--sqliteodbc"),
                           QStringLiteral(ICB_SQLITEODBC_DRIVER)};
  for (auto it = loadFiles.cbegin(); it != loadFiles.cend(); ++it) arguments << it.key() + '=' + it.value();
  if (RunToEnd(QStringLiteral("python3"), arguments, 120000) != 0) return false;
  pid_ = FirstLine(state_.filePath(QStringLiteral("server.pid"))).toLongLong();
  return pid_ > 0;
}

void OwnSchoolServer::Kill() {
  if (pid_ > 0) ::kill(pid_t(pid_), SIGKILL);
  pid_ = 0;
}

QString OwnSchoolServer::Connection(const QString &database) const {
  return pid_ > 0 ? FirstLine(state_.filePath(database + QStringLiteral(".connection"))) : QString();
}

}  // namespace icbtest
