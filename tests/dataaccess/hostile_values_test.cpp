// District, school and teacher values holding quotes, semicolons, comment markers and
// "' OR '1'='1" select exactly the rows they name and change nothing, on the SQLite engine.
#include "hostile_values.h"

#include <gtest/gtest.h>

#include "databasetype.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "scratch_sqlite.h"
#include "test_support.h"

namespace {

const char *kSchools = R"sql(
CREATE TABLE District (districtID VARCHAR(40), name VARCHAR(40));
CREATE TABLE School (schoolID VARCHAR(40), name VARCHAR(40));
CREATE TABLE Teacher (personID INTEGER, lastName VARCHAR(40));
INSERT INTO District VALUES ('1', 'North'), ('O''Brien', 'Quoted'), ('1; DELETE FROM School; --', 'Semicolon');
INSERT INTO School VALUES ('10', 'Main'), ('x'' --', 'Comment'), ('/* note */ 7', 'Block'), ('''''', 'Quotes');
INSERT INTO Teacher VALUES (1, 'O''Brien'), (2, 'Smith'), (3, 'a"b');
)sql";

TEST(HostileValues, SelectOnlyTheRowsTheyNameOnSqlite) {
  ScratchSqlite db(kSchools);
  RecordingTask task;
  OdbcSession session(task, 0);
  session.SetDatabaseType(DatabaseType::SQLite);
  session.Query().Options().QuoteFields = true;
  session.Query().Options().QuoteTables = true;
  session.Connect(session.BuildConnectionString(db.Path(), std::nullopt, std::nullopt));
  const struct {
    const char *table;
    const char *column;
  } targets[] = {{"District", "districtID"}, {"School", "schoolID"}, {"Teacher", "lastName"}};
  for (const auto &target : targets) {
    for (const QString &value : HostileValues()) {
      const QStringList rows = SelectEqual(session, target.table, target.column, value);
      // Every row that came back holds exactly the value, and no value matches more than its own row.
      for (const QString &row : rows) EXPECT_EQ(row, value) << target.table;
      EXPECT_LE(rows.size(), 1) << target.table << " " << value.toStdString();
    }
  }
  EXPECT_EQ(SelectEqual(session, "District", "districtID", "O'Brien"), QStringList{"O'Brien"});
  EXPECT_EQ(SelectEqual(session, "School", "schoolID", "x' --"), QStringList{"x' --"});
  EXPECT_EQ(SelectEqual(session, "School", "schoolID", "''"), QStringList{"''"});
  EXPECT_EQ(SelectEqual(session, "Teacher", "lastName", "a\"b"), QStringList{"a\"b"});
  EXPECT_TRUE(SelectEqual(session, "School", "schoolID", "' OR '1'='1").isEmpty());
  // Nothing was deleted: every school is still there.
  for (const char *id : {"10", "x' --", "/* note */ 7", "''"})
    EXPECT_EQ(SelectEqual(session, "School", "schoolID", id).size(), 1) << id;
}

}  // namespace
