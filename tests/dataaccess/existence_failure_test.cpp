// Existence checks that cannot run: a catalogue query that fails (no catalogue, a lost connection)
// is an error of the caller, while a name the catalogue does not list is a plain "no".
#include <gtest/gtest.h>

#include "databasetype.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "scratch_sqlite.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// The SQL Server catalogue views as the test schools hold them, listing Student.lastName only.
const char *kWithCatalogue = R"sql(
CREATE TABLE Student (lastName TEXT, alias TEXT);
CREATE TABLE sysobjects (name TEXT, xtype TEXT, id INTEGER);
CREATE TABLE syscolumns (name TEXT, id INTEGER, colid INTEGER);
INSERT INTO sysobjects VALUES ('Student', 'U', 1);
INSERT INTO syscolumns VALUES ('lastName', 1, 1);
)sql";
const char *kWithoutCatalogue = "CREATE TABLE Student (lastName TEXT);";

enum class Answer { Yes, No, Fails };
void PrintTo(Answer answer, std::ostream *os) {
  *os << (answer == Answer::Yes ? "yes" : answer == Answer::No ? "no" : "fails");
}

TEST(ExistenceCheck, AFailedQueryIsAnErrorAndAMissingNameIsNo) {
  const ScratchSqlite withCatalogue(kWithCatalogue);
  const ScratchSqlite withoutCatalogue(kWithoutCatalogue);
  const struct {
    const char *name;
    const ScratchSqlite &database;
    bool connected;
    int behaviour;
    const char *table;
    const char *column;  // nullptr: a table check
    Answer answer;
  } cases[] = {
      {"column listed", withCatalogue, true, 0, "Student", "lastName", Answer::Yes},
      {"column not listed", withCatalogue, true, 0, "Student", "alias", Answer::No},
      {"table not listed", withCatalogue, true, 0, "Course", nullptr, Answer::No},
      {"column check without catalogue", withoutCatalogue, true, 0, "Student", "lastName", Answer::Fails},
      {"table check without catalogue", withoutCatalogue, true, 0, "Student", nullptr, Answer::Fails},
      {"column check, connection lost", withCatalogue, false, 0, "Student", "lastName", Answer::Fails},
      {"table check, connection lost", withCatalogue, false, 0, "Student", nullptr, Answer::Fails},
      // A trial query reads the table itself: its failure is the answer.
      {"trial query of a missing column", withoutCatalogue, true, Behaviour::TrialQueryChecks, "Student",
       "alias", Answer::No},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    OdbcSession session(task, c.behaviour);
    session.SetDatabaseType(DatabaseType::SQLite);
    session.Connect(session.BuildConnectionString(c.database.Path(), std::nullopt, std::nullopt));
    session.SetDatabaseType(DatabaseType::MSSQL);
    if (!c.connected) session.Disconnect();
    const QString table = QString::fromLatin1(c.table);
    const QString subject = c.column ? table + QLatin1Char('.') + QLatin1String(c.column) : table;
    try {
      const bool exists =
          c.column ? session.FieldExists(table, QString::fromLatin1(c.column)) : session.TableExists(table);
      const Answer answer = exists ? Answer::Yes : Answer::No;
      EXPECT_EQ(answer, c.answer) << c.name;
    } catch (const XException &e) {
      EXPECT_EQ(c.answer, Answer::Fails) << c.name << ": " << e.what();
      EXPECT_TRUE(e.Text().startsWith(QStringLiteral("Could not check whether ") +
                                      (c.column ? "column " : "table ") + subject + " exists: "))
          << c.name << ": " << e.what();
    }
  }
}

}  // namespace
