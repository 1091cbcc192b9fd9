// The engine runs of the end-to-end engine tests.
#include "tiny_run.h"

#include <QFile>
#include <algorithm>

#include "run_to_end.h"
#include "school_databases.h"

namespace icbtest {

ParameterMap RunParameters(const QString &folder, const QString &dsn, const ParameterMap &extra) {
  ParameterMap parameters{
      {QStringLiteral("appTitle_"), QStringLiteral("Kestrane Infinite Campus Bridge")},
      {QStringLiteral("appType_"), QStringLiteral("Data Extractor")},
      {QStringLiteral("appShortName_"), QStringLiteral("Infinite Campus")},
      {QStringLiteral("appVersion_"), QStringLiteral("2.3.3.2")},
      {QStringLiteral("appAlias_"), QStringLiteral("ic_de")},
      {QStringLiteral("appBuildDate_"), QStringLiteral("Oct 30 2014 19:24:20")},
      {QStringLiteral("path"), folder},
      {QStringLiteral("dsn"), dsn},
      {QStringLiteral("user"), QStringLiteral("SA")},
      {QStringLiteral("pwd"), QStringLiteral("sa")},
      {QStringLiteral("district"), QStringLiteral("1")},
      {QStringLiteral("school"), QStringLiteral("10")},
  };
  for (auto it = extra.begin(); it != extra.end(); ++it) parameters[it.key()] = it.value();
  return parameters;
}

QString RunEngine(const ParameterMap &parameters, int flags, const QDate &today) {
  FixedClockEngine engine;
  engine.today = today;
  QString failure;
  QObject::connect(&engine, &AppTaskBase::writeLog,
                   [&failure](int level, const QString &text, const QString &) {
                     if (level >= 0 && level <= 3 && failure.isEmpty()) failure = text;
                   });
  QString message;
  if (engine.BeginExecute(parameters, flags, message)) return {};
  return failure.isEmpty() ? message : failure;
}

}  // namespace icbtest

namespace icbtest {

QList<QByteArray> SortedLines(const QByteArray &bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  std::sort(lines.begin(), lines.end());
  return lines;
}

bool SqliteExec(const QString &db, const QString &statement) {
  return RunToEnd(QStringLiteral("sqlite3"), {db, statement}, 30000) == 0;
}

bool CopyTinySchool(const QString &db, const QString &statement) {
  if (!QFile::copy(schoolDbPath(QStringLiteral("tiny")), db)) return false;
  QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
  return statement.isEmpty() || SqliteExec(db, statement);
}

}  // namespace icbtest
