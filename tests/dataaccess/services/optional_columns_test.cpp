// Optional export columns checked through the SQL Server catalogue queries, on copies of the tiny
// school: a column the school's database lacks is left out with one Warning per export naming it;
// a catalogue that cannot be read fails the run with an error line.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include "databasetype.h"
#include "odbcdataaccess.h"
#include "school_databases.h"
#include "test_support.h"

namespace {

const QString kMissingAlias =
    QStringLiteral("Optional column Student.alias not found; its import column is left out");

// Two exports of the students with optional columns only, each feeding two import columns from the
// alias column.
class StudentExports : public ODBCDataAccess {
 public:
  explicit StudentExports(const QString &school) : ODBCDataAccess(Behaviour::CheckExistence) {
    connect(this, &AppTaskBase::writeLog, this, [this](int level, const QString &message, const QString &) {
      logs.push_back({level, message});
    });
    // A school file turns the engine's type into SQLite for connecting; the checks then use the
    // engine's dialect, reading sysobjects and syscolumns, on the open connection.
    SetDatabaseType(DatabaseType::MSSQL);
    SetDataSourceName(school);
    Connect(BuildConnectionString());
    SetDatabaseType(DatabaseType::MSSQL);
  }
  // The layers below log while they are destroyed, after this object's members are gone.
  ~StudentExports() override { disconnect(this, &AppTaskBase::writeLog, nullptr, nullptr); }

  bool Execute(const ParameterMap &, int, QString &) override {
    for (const QString &name : {QStringLiteral("Students"), QStringLiteral("Student Names")}) {
      StartTable(name, name + QStringLiteral(".pef"));
      const ODBCTable *student = AddTable(QStringLiteral("Student"), QStringLiteral("stu"));
      AddOutputField(student, QStringLiteral("lastName"), {}, 0, QStringLiteral("LastName"), false);
      AddOutputField(student, QStringLiteral("alias"), {}, 0, QStringLiteral("Alias"), false);
      AddOutputField(student, QStringLiteral("alias"), {}, 0, QStringLiteral("Nickname"), false);
      EndTable();
    }
    return true;
  }

  int Count(int level, const QString &start) const {
    return int(std::count_if(logs.begin(), logs.end(), [&](const auto &line) {
      return line.first == level && line.second.startsWith(start);
    }));
  }
  std::vector<std::pair<int, QString>> logs;
};

TEST(OptionalColumns, MissingOnesAreLeftOutWithAWarningAndAFailedCheckFailsTheRun) {
  const struct {
    const char *name;
    const char *change;  // applied to the copy of the school
    bool succeeds;
    QStringList columns;  // of each export's header
    int warnings;
    int errors;  // lines naming the check that could not run
  } cases[] = {
      {"every column there", "", true, {"LastName", "Alias", "Nickname"}, 0, 0},
      {"alias missing", "ALTER TABLE Student DROP COLUMN alias", true, {"LastName"}, 2, 0},
      {"catalogue unreadable", "DROP VIEW syscolumns", false, {}, 0, 1},
  };
  for (const auto &c : cases) {
    QTemporaryDir folder;
    const QString school = folder.filePath(QStringLiteral("school.db"));
    ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), school));
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(school.toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, c.change, nullptr, nullptr, nullptr), SQLITE_OK) << c.name;
    sqlite3_close(db);

    StudentExports task(school);
    const ParameterMap parameters{{QStringLiteral("path"), folder.filePath(QStringLiteral("out"))}};
    QString message;
    EXPECT_EQ(task.BeginExecute(parameters, 1, message), c.succeeds) << c.name;
    EXPECT_EQ(task.Count(4, kMissingAlias), c.warnings) << c.name;
    EXPECT_EQ(task.Count(3, QStringLiteral("Could not check whether column Student.lastName exists: ")),
              c.errors)
        << c.name;
    if (!c.succeeds) continue;
    ASSERT_EQ(task.Headers().size(), 2u) << c.name;
    for (const auto &header : task.Headers()) {
      QStringList columns;
      for (const auto &field : header->fields) columns << field.name;
      EXPECT_EQ(columns, c.columns) << c.name;
    }
  }
}

}  // namespace
