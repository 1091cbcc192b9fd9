// A test on both engines: a copy of the tiny school holding a mark book's marks, in a SQLite file or
// on a dialect server of the test's own, and the bridge's runs of school 10 on it into an import
// folder, logging to the front-end so that their error lines can be read.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>

#include "bridge_process.h"
#include "database.h"
#include "own_school_server.h"
#include "school_marks.h"

enum class Engine { Sqlite, Server };

inline std::string EngineName(const ::testing::TestParamInfo<Engine> &info) {
  return info.param == Engine::Sqlite ? "Sqlite" : "Server";
}

class SchoolCopyRun : public ::testing::TestWithParam<Engine> {
 protected:
  explicit SchoolCopyRun(quint32 seed) : book_(QDate::currentDate(), seed) {}

  void SetUp() override {
    if (Server() && !icbtest::OwnSchoolServer::Available())
      GTEST_SKIP() << "no Java or HSQLDB on this machine";
    book_.FillAtRandom();
    if (Server()) bridge_.extraEnvironment.insert(QStringLiteral("ODBCSYSINI"), server_.OdbcFolder());
  }

  bool Server() const { return GetParam() == Engine::Server; }

  // The school made anew from the book's marks, with the statements run on it.
  bool MakeSchool(const QStringList &statements = {}) {
    QString error;
    const QString file = bridge_.path(Server() ? QStringLiteral("school.hsql") : QStringLiteral("school.db"));
    bool made = Server() ? schoolcopy::CreateServerLoadFile(file, book_, error)
                         : schoolcopy::CreateSqlite(file, book_, error);
    if (made && Server()) {
      QFile load(file);
      made = load.open(QIODevice::Append);
      for (const QString &statement : statements) load.write("SQL " + statement.toUtf8() + '\n');
      load.close();
      made = made && server_.Start({{QStringLiteral("tiny"), file}});
    } else if (made) {
      sqlite::Database school;
      school.Open(file, QString(), SQLITE_OPEN_READWRITE);
      for (const QString &statement : statements) school.Execute(statement);
    }
    EXPECT_TRUE(made) << error.toStdString();
    return made;
  }

  // The command line of a run into folder.
  QStringList Arguments(const QString &folder) const {
    QStringList arguments =
        SchoolRunArguments(folder, bridge_.path(QStringLiteral("logs")),
                           Server() ? QStringLiteral("icb_tiny") : bridge_.path(QStringLiteral("school.db")));
    arguments.removeAll(QStringLiteral("--log=off"));
    if (Server()) arguments.replaceInStrings("--user=U", "--user=SA").replaceInStrings("--pwd=P", "--pwd=sa");
    return arguments;
  }

  icbtest::OwnSchoolServer server_{QMap<QString, QString>()};
  BridgeProcess bridge_;
  const QString folder_ = bridge_.path(QStringLiteral("import"));
  MarkBook book_;
};
