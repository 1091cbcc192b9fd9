// Hostile values in every parameter that reaches SQL or a file name, through the built bridge: the
// district and the school in the school-year query (on the SQLite school and on the SQL Server
// dialect server), the data source, the default calendar of a run that goes through, and in every
// run the user and the import and log folders. No injected SQL reaches the database (a canary table
// that the stacked statements would drop, empty or fill stays as it was, and no union or always-true
// condition finds a school year for a district and school that do not name the real ones), no file
// appears outside the import and log folders, no run crashes, and no piece of the password shows
// in the output or in any file.
//
// By default the injected statements and every twentieth other value go through each parameter (every
// hundredth on the server); all of them with ICB_HOSTILE_ALL=1 reliability_tests --gtest_filter=*Hostile*.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "bridge_process.h"
#include "database.h"
#include "hostile_parameter_values.h"
#include "hostile_passwords.h"
#include "import_folder.h"
#include "odbc_query.h"
#include "own_school_server.h"
#include "query.h"
#include "school_marks.h"
#include "scratch.h"

namespace {

const QString kPassword = QStringLiteral("Qzj;Vkw=Xq");
// Folder values are rooted this deep in the scratch home, so that their parent steps stay inside.
const QString kImportRoot = QStringLiteral("i1/i2/i3/i4/i5/i6/i7/import/");
const QString kLogRoot = QStringLiteral("l1/l2/l3/l4/l5/l6/l7/logs/");
static_assert(hostile::kMaxParentSteps <= 7);

// A folder value as the bridge reads it: a double quote stands for the separator that ended a
// quoted folder on the front-end's command line.
QString AsFolder(const QString &value) {
  return QString(value).replace(QLatin1Char('"'), QLatin1Char('/'));
}

// The log folder the bridge makes of a value: every character but letters, digits, the range from
// comma to underscore, the slash and the space becomes "_".
QString CleanedLogFolder(const QString &value) {
  static const QRegularExpression others(QStringLiteral("[^A-Z,a-z,0-9,-_/ ]"));
  return QString(value).replace(others, QStringLiteral("_"));
}

// The value names the number although it is not written as the number alone (" 10", "010").
bool NamesNumber(const QString &value, qint64 number) {
  bool ok = false;
  return value.trimmed().toLongLong(&ok) == number && ok;
}

// A folder value whose path, its parent steps taken, has a name longer than a file system allows.
bool TooLongForAFolder(const QString &value) {
  for (const QString &name : QDir::cleanPath(value).split(QLatin1Char('/')))
    if (name.toUtf8().size() > 255) return true;
  return false;
}

bool AllValues() {
  return qEnvironmentVariableIntValue("ICB_HOSTILE_ALL") > 0;
}

struct HostileRun {
  QString district = QStringLiteral("1"), school = QStringLiteral("10"), defaultCalendar, dsn;
  QString user = QStringLiteral("U"), password = kPassword, path, logPath;
  bool attendanceOnly = false;
};

struct Outcome {
  int exitCode = -1;  // -1: the run did not exit by itself
  QByteArray output;
  // The update files the run left in its import folder (which goes with the run's scratch home).
  QList<QByteArray> updateFiles;
};

class HostileParameters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    values_ = new QStringList(hostile::ParameterValues());
    schoolFolder_ = new QTemporaryDir(FastScratchParent() + QStringLiteral("/icbridge-school-XXXXXX"));
    book_ = new MarkBook(QDate::currentDate(), 99);
    book_->FillAtRandom();
  }
  static void TearDownTestSuite() {
    delete values_;
    delete schoolFolder_;
    delete book_;
  }

  // The value of slot `slot` of the run number `index`: over all runs each slot takes every value.
  static const QString &Value(qsizetype index, int slot) {
    const qsizetype n = values_->size();
    return values_->at((index + slot * (n / 7 + 1)) % n);
  }
  // Every value with ICB_HOSTILE_ALL; else the injected statements and every `every`-th value.
  static bool Sampled(qsizetype index, int every) {
    return AllValues() || index < hostile::InjectionValueCount() || index % every == 0;
  }

  // The school-year query with the run's district and school; an injected statement also goes in
  // as the school alone (with the valid district) or, with separate, in both places at once.
  void ExpectNoInjectedSchoolYear(const HostileRun &run, qsizetype index,
                                  const QMap<QString, QString> &environment, const std::string &context,
                                  bool separate) {
    HostileRun both = run;
    if (index < hostile::InjectionValueCount() && !separate) both.school = run.district;
    ExpectNoSchoolYearFound(both, RunChecked(both, environment, context), context);
    if (index >= hostile::InjectionValueCount() || !separate) return;
    HostileRun school = run;
    school.district = QStringLiteral("1");
    school.school = run.district;
    ExpectNoSchoolYearFound(school, RunChecked(school, environment, context + " as the school"),
                            context + " as the school");
  }

  // Runs the bridge in a scratch home of its own and checks what every run must keep to: it exits
  // by itself with 0 or 1, writes files only into its import folder, its log folder or (when the
  // log folder is unusable) the documents folder, and never shows a piece of the password.
  Outcome RunChecked(const HostileRun &run, const QMap<QString, QString> &environment,
                     const std::string &context) {
    ++runs_;
    BridgeProcess bridge(FastScratchParent());
    bridge.extraEnvironment = environment;
    QStringList arguments = {QStringLiteral("run"),
                             QStringLiteral("--path=") + kImportRoot + run.path,
                             QStringLiteral("--logpath=") + kLogRoot + run.logPath,
                             QStringLiteral("--dsn=") + run.dsn,
                             QStringLiteral("--user=") + run.user,
                             QStringLiteral("--pwd=") + run.password,
                             QStringLiteral("--district=") + run.district,
                             QStringLiteral("--school=") + run.school,
                             QStringLiteral("--defaultcal=") + run.defaultCalendar};
    if (run.attendanceOnly) arguments << QStringLiteral("--att");
    QProcess process;
    bridge.start(process, arguments);
    const bool finished = process.waitForFinished(120000);
    Outcome outcome;
    outcome.output = process.readAllStandardOutput();
    const QByteArray error = process.readAllStandardError();
    outcome.exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    EXPECT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 1)
        << context << ": exit " << outcome.exitCode << "\n"
        << outcome.output.toStdString() << error.toStdString();

    const QString home = bridge.home.path();
    const QString importFolder = QDir::cleanPath(home + QLatin1Char('/') + AsFolder(kImportRoot + run.path));
    for (const QString &name : importfolder::UpdateFileNames(importFolder))
      outcome.updateFiles << icbtest::readBytes(importFolder + QLatin1Char('/') + name);
    // A command line the bridge cannot parse ends before the folder values are read as folders: its
    // status files go to the import folder as written.
    const QStringList allowed = {
        importFolder, QDir::cleanPath(home + QLatin1Char('/') + kImportRoot + run.path),
        QDir::cleanPath(home + QLatin1Char('/') + CleanedLogFolder(AsFolder(kLogRoot + run.logPath))),
        home + QStringLiteral("/Documents")};
    QString seen = icbtest::ReadableText(outcome.output) + icbtest::ReadableText(error);
    for (QDirIterator it(home, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
      const QString file = it.next();
      const bool inside = std::any_of(allowed.cbegin(), allowed.cend(), [&file](const QString &folder) {
        return file.startsWith(folder + QLatin1Char('/'));
      });
      EXPECT_TRUE(inside) << context << ": " << file.mid(home.size()).toStdString()
                          << " lies outside the import and log folders";
      seen += icbtest::ReadableText(icbtest::readBytes(file));
    }
    if (!run.password.isEmpty() && run.password == kPassword) {
      seen.replace(home, QStringLiteral("HOME"));
      EXPECT_EQ(icbtest::PasswordPieces(kPassword, seen), QStringList()) << context;
    }
    return outcome;
  }

  // District and school in the school-year query: without a district and school that name the real
  // ones, no run goes on past it.
  void ExpectNoSchoolYearFound(const HostileRun &run, const Outcome &outcome, const std::string &context) {
    if (NamesNumber(run.district, 1) && NamesNumber(run.school, 10)) return;
    EXPECT_EQ(outcome.exitCode, 1) << context << ": a school year was found\n"
                                   << outcome.output.toStdString();
  }

  int runs_ = 0;
  static QStringList *values_;
  static QTemporaryDir *schoolFolder_;
  static MarkBook *book_;
};

QStringList *HostileParameters::values_ = nullptr;
QTemporaryDir *HostileParameters::schoolFolder_ = nullptr;
MarkBook *HostileParameters::book_ = nullptr;

std::string Context(const char *kind, qsizetype index, const QString &value) {
  return std::string(kind) + " #" + std::to_string(index) + " (" + value.left(40).toStdString() + ")";
}

TEST_F(HostileParameters, SqliteSchool) {
  ASSERT_GE(values_->size(), 1000);
  const QString school = schoolFolder_->filePath(QStringLiteral("school.db"));
  QString error;
  ASSERT_TRUE(schoolcopy::CreateSqlite(school, *book_, error)) << error.toStdString();
  {
    sqlite::Database database;
    database.Open(school, QString(), SQLITE_OPEN_READWRITE);
    database.Execute(QStringLiteral("CREATE TABLE \"%1\" (\"x\" TEXT); INSERT INTO \"%1\" VALUES ('%2')")
                         .arg(QLatin1String(hostile::kCanaryTable), QLatin1String(hostile::kCanaryRow)));
  }
  QElapsedTimer timer;
  timer.start();
  int values = 0;
  for (qsizetype i = 0; i < values_->size() && !HasFailure(); ++i) {
    if (!Sampled(i, 20)) continue;
    ++values;
    HostileRun sql{Value(i, 0), Value(i, 1), Value(i, 5), school,
                   Value(i, 2), kPassword,   Value(i, 3), Value(i, 4)};
    ExpectNoInjectedSchoolYear(sql, i, {}, Context("district and school", i, sql.district), true);

    HostileRun source;
    source.dsn = Value(i, 0);
    source.user = Value(i, 1);
    source.path = Value(i, 2);
    source.logPath = Value(i, 3);
    const Outcome noSource = RunChecked(source, {}, Context("data source", i, source.dsn));
    EXPECT_EQ(noSource.exitCode, 1) << Context("data source", i, source.dsn);

    // A run that goes through: the default calendar in the lookups, the user in the connection
    // string, the folders holding every file; its update file carries the school's marks.
    HostileRun good;
    good.defaultCalendar = Value(i, 0);
    good.user = Value(i, 1);
    good.path = Value(i, 2);
    good.logPath = Value(i, 3);
    good.dsn = school;
    good.attendanceOnly = true;
    const std::string context = Context("default calendar", i, good.defaultCalendar);
    const Outcome through = RunChecked(good, {}, context);
    if (TooLongForAFolder(AsFolder(kImportRoot + good.path))) {
      EXPECT_EQ(through.exitCode, 1) << context;
      continue;
    }
    EXPECT_EQ(through.exitCode, 0) << context << "\n" << through.output.toStdString();
    ASSERT_EQ(through.updateFiles.size(), 1) << context;
    QList<QPair<MarkKey, QString>> marks;
    ASSERT_TRUE(importfolder::ReadUpdateFile(through.updateFiles.first(), marks)) << context;
    QMap<MarkKey, QString> sent;
    for (const auto &[key, code] : marks) sent.insert(key, code);
    EXPECT_EQ(sent, book_->Codes()) << context;
  }

  sqlite::Database database;
  database.Open(school, QString(), SQLITE_OPEN_READONLY);
  sqlite::Query canary(database,
                       QStringLiteral("SELECT \"x\" FROM \"%1\"").arg(QLatin1String(hostile::kCanaryTable)));
  QStringList rows;
  while (canary.Step()) rows << canary.StringColumn(0);
  EXPECT_EQ(rows, QStringList{QLatin1String(hostile::kCanaryRow)});
  std::printf(
      "%lld hostile values, %d through each of 7 parameters in %d runs on the SQLite school, %lld ms\n",
      static_cast<long long>(values_->size()), values, runs_, static_cast<long long>(timer.elapsed()));
}

// The stacked statements are the server's danger: it runs a second statement after a SELECT.
TEST_F(HostileParameters, DialectServer) {
  if (!icbtest::OwnSchoolServer::Available()) GTEST_SKIP() << "no Java or HSQLDB on this machine";
  const QString loadFile = schoolFolder_->filePath(QStringLiteral("school.hsql"));
  QString error;
  ASSERT_TRUE(schoolcopy::CreateServerLoadFile(loadFile, *book_, error)) << error.toStdString();
  QFile load(loadFile);
  ASSERT_TRUE(load.open(QIODevice::Append));
  load.write(
      QStringLiteral("SQL CREATE TABLE \"%1\" (\"x\" VARCHAR(20))\nSQL INSERT INTO \"%1\" VALUES ('%2')\n")
          .arg(QLatin1String(hostile::kCanaryTable), QLatin1String(hostile::kCanaryRow))
          .toUtf8());
  load.close();
  icbtest::OwnSchoolServer server({{QStringLiteral("tiny"), loadFile}});
  ASSERT_TRUE(server.Running());
  const QMap<QString, QString> environment = {{QStringLiteral("ODBCSYSINI"), server.OdbcFolder()}};

  QElapsedTimer timer;
  timer.start();
  int values = 0;
  for (qsizetype i = 0; i < values_->size() && !HasFailure(); ++i) {
    if (!Sampled(i, 100)) continue;
    HostileRun sql{Value(i, 0),          Value(i, 1),          Value(i, 5), QStringLiteral("icb_tiny"),
                   QStringLiteral("SA"), QStringLiteral("sa"), Value(i, 3), Value(i, 4)};
    ExpectNoInjectedSchoolYear(sql, i, environment,
                               Context("district and school on the server", i, sql.district), false);
    ++values;
  }
  icbtest::OdbcConnection connection(server.Connection());
  EXPECT_EQ(
      connection.text(QStringLiteral("SELECT \"x\" FROM \"%1\"").arg(QLatin1String(hostile::kCanaryTable))),
      QLatin1String(hostile::kCanaryRow));
  std::printf("%d values as district and school in %d runs on the dialect server, %lld ms\n", values, runs_,
              static_cast<long long>(timer.elapsed()));
}

}  // namespace
