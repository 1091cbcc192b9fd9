// Running the built program as a child process and reading back the statements it logged.
#include "bridge_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <chrono>
#include <string>
#include <vector>

extern char **environ;

namespace {

// The message of a log record after "<method>: ", or an empty text when the record is not the
// method's.
QString messageOf(const QString &record, const QString &method) {
  const qsizetype at = record.indexOf(method + QStringLiteral(": "));
  return at < 0 ? QString() : record.mid(at + method.size() + 2);
}

bool isSelect(const QString &text) {
  return text.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
}

}  // namespace

QStringList StatementsOfLog(const QString &logFile) {
  QFile file(logFile);
  QStringList statements;
  if (!file.open(QIODevice::ReadOnly)) return statements;
  const QList<QByteArray> lines = file.readAll().split('\n');
  for (QByteArray line : lines) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith("proprietary:")) {
      const QString record = QString::fromUtf8(QByteArray::fromBase64(line.mid(12)));
      const QString sql = messageOf(record, QStringLiteral("ODBCDataAccess::RunQuery"));
      if (isSelect(sql)) statements << sql;
      continue;
    }
    const QString record = QString::fromUtf8(line);
    for (const char *check : {"DoTableExists: Table Exists query:", "DoFieldExists: Field Exists query:"}) {
      const qsizetype at = record.indexOf(QLatin1String(check));
      if (at >= 0) statements << record.mid(at + qsizetype(qstrlen(check)));
    }
    const QString schema = messageOf(record, QStringLiteral("ODBCDataAccess::logSchema"));
    if (isSelect(schema)) statements << schema;
  }
  return statements;
}

BridgeRunResult RunBridge(const BridgeRunRequest &request) {
  std::vector<std::string> arguments = {
      request.program.toStdString(), "run", "--path=" + request.outputPath.toStdString(),
      "--logpath=" + request.logPath.toStdString(), "--dsn=" + request.dsn.toStdString()};
  for (const QString &option : request.extra) arguments.push_back(option.toStdString());
  std::vector<char *> argv;
  for (std::string &argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  std::vector<std::string> variables;
  for (char **variable = environ; *variable; ++variable)
    if (std::string(*variable).rfind("ODBCSYSINI=", 0) != 0) variables.emplace_back(*variable);
  if (!request.odbcSysIni.isEmpty()) variables.push_back("ODBCSYSINI=" + request.odbcSysIni.toStdString());
  std::vector<char *> envp;
  for (std::string &variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  // The protocol lines go nowhere: the front-end's reading of them is not the run's cost.
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);

  BridgeRunResult result;
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &files, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return result;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
  result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  for (const QString &log : QDir(request.logPath).entryList({QStringLiteral("*.log")}, QDir::Files))
    result.statements << StatementsOfLog(QDir(request.logPath).filePath(log));
  return result;
}
