// Starting and stopping the bench schools' server with the fixtures' script.
#include "bench_server.h"

#include <QFile>
#include <QProcess>

namespace {

constexpr int kStartMilliseconds = 600 * 1000;  // bench20k takes a while to load

int runScript(const QStringList &arguments, QString *output) {
  QProcess script;
  script.setProcessChannelMode(QProcess::MergedChannels);
  script.start(QStringLiteral(ICB_PYTHON),
               QStringList{QStringLiteral("-B"), QStringLiteral(ICB_SERVER_SCRIPT)} + arguments);
  if (!script.waitForFinished(kStartMilliseconds)) {
    script.kill();
    script.waitForFinished();
    if (output) *output = QStringLiteral("the server script did not finish");
    return -1;
  }
  if (output) *output = QString::fromUtf8(script.readAll());
  return script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
}

}  // namespace

BenchServer::BenchServer(const QStringList &sizes)
    : state_(QStringLiteral(ICB_BINARY_DIR "/fixtures/benchserver")) {
  QStringList arguments = {QStringLiteral("start"),
                           QStringLiteral("--state"),
                           state_,
                           QStringLiteral("--java"),
                           QStringLiteral(ICB_JAVA_PROGRAM),
                           QStringLiteral("--jar"),
                           QStringLiteral(ICB_HSQLDB_JAR_FILE),
                           QStringLiteral("--classes"),
                           QStringLiteral(ICB_BINARY_DIR "/fixtures/server/classes"),
                           QStringLiteral("--psqlodbc"),
                           QStringLiteral(ICB_PSQLODBC),
                           QStringLiteral("--sqliteodbc"),
                           QStringLiteral(ICB_SQLITEODBC)};
  for (const QString &size : sizes) {
    const QString load = QStringLiteral(ICB_BINARY_DIR "/fixtures/") + size + QStringLiteral(".hsql");
    if (!QFile::exists(load)) {
      problem_ = load + QStringLiteral(" is missing: build the target icb_school_bench");
      return;
    }
    arguments << size + QLatin1Char('=') + load;
  }
  QString output;
  if (runScript(arguments, &output) != 0) {
    problem_ = QStringLiteral("the bench server did not start: ") + output;
    return;
  }
  started_ = true;
}

QString BenchServer::ConnectionString(const QString &size) const {
  QFile file(state_ + QLatin1Char('/') + size + QStringLiteral(".connection"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).trimmed();
}

BenchServer::~BenchServer() {
  if (started_) runScript({QStringLiteral("stop"), QStringLiteral("--state"), state_}, nullptr);
}
