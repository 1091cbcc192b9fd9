// Long text on both engines: a column without a usable declared length (SQLite's TEXT, the
// server's 16,000-character VARCHAR standing in for SQL Server's (max) types) is read cell by cell
// with SQLGetData in the one run of the query, every value whole; columns with a declared length
// up to 8,000 characters are bound at that length. A driver that reads long data only after the
// bound columns gets every column from the first long one on read that way.
#include <gtest/gtest.h>

#include "engine_connection.h"
#include "fieldvalue.h"
#include "recordset.h"
#include "school_databases.h"
#include "scratch_sqlite.h"
#include "scripted_driver.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// One row of the table; a length of -1 (or a null code) stands for NULL.
struct NoteRow {
  int id;
  const char *code;
  int noteLength;
  int summaryLength;
  const char *tail;
};

const NoteRow kRows[] = {{1, "A", 10, 1, "x"},
                         {2, "B", 5000, 5000, "y"},
                         {3, nullptr, -1, -1, nullptr},
                         {4, "D", 12000, 0, "z"},
                         {5, "E", 0, 1, ""}};

// A text of the length, different from one row to the next. ASCII only: the values travel as SQL
// literals, and neither engine's ODBC path carries other characters in a statement's text.
QString text(int row, int length) {
  QString value = QString::number(row) + QStringLiteral(" Notes of the counselor: ");
  while (value.size() < length) value += QStringLiteral("progress discussed with the family; ");
  value.truncate(length);
  return value;
}

QString literal(const char *value) {
  return value == nullptr ? QStringLiteral("NULL")
                          : QLatin1Char('\'') + QLatin1String(value) + QLatin1Char('\'');
}

QString literal(int row, int length) {
  return length < 0 ? QStringLiteral("NULL") : QLatin1Char('\'') + text(row, length) + QLatin1Char('\'');
}

// A row as "id|code|note|summary|tail", NULL as "<null>".
QString rendered(const RecordSet &records) {
  QStringList cells;
  for (int i = 0; i < records.ColumnCount(); ++i)
    cells << (records.Cell(i).null ? QStringLiteral("<null>")
                                   : fieldvalue::Text(records.Column(i), records.Cell(i)));
  return cells.join(QLatin1Char('|'));
}

QString expected(const NoteRow &row) {
  auto orNull = [](const char *value) {
    return value ? QString::fromLatin1(value) : QStringLiteral("<null>");
  };
  auto textOrNull = [&](int length) { return length < 0 ? QStringLiteral("<null>") : text(row.id, length); };
  return QStringList{QString::number(row.id), orNull(row.code), textOrNull(row.noteLength),
                     textOrNull(row.summaryLength), orNull(row.tail)}
      .join(QLatin1Char('|'));
}

struct LongTextCase {
  const char *name;
  bool getDataAfterBoundOnly;
  std::set<int> columnsReadInPieces;
};

const LongTextCase kCases[] = {{"AnyColumnInPieces", false, {3}}, {"PiecesAfterBoundOnly", true, {3, 4, 5}}};

class LongText : public ::testing::TestWithParam<std::tuple<Engine, LongTextCase>> {
 protected:
  void SetUp() override {
    const bool sqlite = std::get<0>(GetParam()) == Engine::Sqlite;
    if (!sqlite) ICBTEST_REQUIRE_SCHOOL_SERVER();
    const QString open =
        sqlite ? connection_.Open(QStringLiteral("DRIVER=SQLite3;DATABASE=") + scratch_.Path(), 10, true)
               : OpenTinySchool(connection_, Engine::Server, true);
    ASSERT_EQ(open, QString());
    dropTable();
    run(QStringLiteral("CREATE TABLE \"LongNotes\" (\"id\" INTEGER, \"code\" VARCHAR(10), \"note\" %1, "
                       "\"summary\" VARCHAR(6000), \"tail\" VARCHAR(10))")
            .arg(sqlite ? QStringLiteral("TEXT") : QStringLiteral("VARCHAR(16000)")));
    for (const NoteRow &row : kRows)
      run(QStringLiteral("INSERT INTO \"LongNotes\" VALUES (%1, %2, %3, %4, %5)")
              .arg(row.id)
              .arg(literal(row.code), literal(row.id, row.noteLength), literal(row.id, row.summaryLength),
                   literal(row.tail)));
  }
  void TearDown() override {
    if (connection_.IsOpen()) dropTable();
  }

  void run(const QString &sql) { RecordSet(connection_.Handle(), sql, 30, false); }
  void dropTable() {
    try {
      run(QStringLiteral("DROP TABLE \"LongNotes\""));
    } catch (const XException &) {
      // Not there yet.
    }
  }

  ScratchSqlite scratch_{"PRAGMA user_version = 1;"};
  OdbcConnection connection_;
};

TEST_P(LongText, ReadWholeInOneRunOfTheQuery) {
  const LongTextCase &c = std::get<1>(GetParam());
  ScriptedDriver driver;
  driver.getDataAfterBoundOnly = c.getDataAfterBoundOnly;
  RecordSet records(
      connection_.Handle(),
      QStringLiteral("SELECT \"id\", \"code\", \"note\", \"summary\", \"tail\" FROM \"LongNotes\" "
                     "ORDER BY \"id\""),
      30, true, driver);
  QStringList rows;
  for (bool row = records.First(); row; row = records.Next()) rows << rendered(records);
  QStringList wanted;
  for (const NoteRow &row : kRows) wanted << expected(row);
  EXPECT_EQ(rows, wanted);
  EXPECT_EQ(driver.executions, 1) << "the query ran again";
  EXPECT_EQ(driver.columnsReadInPieces, c.columnsReadInPieces);
}

INSTANTIATE_TEST_SUITE_P(Drivers, LongText,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kCases)),
                         EngineCaseName<LongTextCase>);

}  // namespace
