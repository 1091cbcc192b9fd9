// Long text on both engines (SQLite's TEXT; the server's VARCHAR(16000) standing in for SQL Server's
// (max) types) is read whole with SQLGetData in one run of the query, a VARCHAR(6000) bound at its
// length; a driver that reads long data only after the bound columns gets the columns after it so.
#include <gtest/gtest.h>

#include <array>

#include "engine_connection.h"
#include "fieldvalue.h"
#include "recordset.h"
#include "school_databases.h"
#include "scratch_sqlite.h"
#include "scripted_driver.h"
#include "test_support.h"
#include "xexception.h"

namespace {

// The lengths of a row's note, summary and tail; -1 stands for NULL.
struct NoteRow {
  int id;
  std::array<int, 3> lengths;
};

const NoteRow kRows[] = {
    {1, {10, 1, 1}}, {2, {5000, 5000, 3}}, {3, {-1, -1, -1}}, {4, {12000, 0, 10}}, {5, {0, 1, 0}}};

// A text of the length, different from one row to the next, "<null>" for -1. ASCII only: the
// values travel as SQL literals, and neither engine's ODBC path carries other characters there.
QString text(int row, int length) {
  if (length < 0) return QStringLiteral("<null>");
  QString value = QString::number(row) + QStringLiteral(" Notes of the counselor: ");
  while (value.size() < length) value += QStringLiteral("progress discussed with the family; ");
  value.truncate(length);
  return value;
}

struct LongTextCase {
  const char *name;
  bool getDataAfterBoundOnly;
  std::set<int> columnsReadInPieces;
};

const LongTextCase kCases[] = {{"AnyColumnInPieces", false, {2}}, {"PiecesAfterBoundOnly", true, {2, 3, 4}}};

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
    run(QStringLiteral("CREATE TABLE \"LongNotes\" (\"id\" INTEGER, \"note\" %1, \"summary\" VARCHAR(6000), "
                       "\"tail\" VARCHAR(10))")
            .arg(sqlite ? QStringLiteral("TEXT") : QStringLiteral("VARCHAR(16000)")));
    for (const NoteRow &row : kRows) {
      QString values = QString::number(row.id);
      for (int length : row.lengths)
        values += length < 0 ? QStringLiteral(", NULL") : QStringLiteral(", '%1'").arg(text(row.id, length));
      run(QStringLiteral("INSERT INTO \"LongNotes\" VALUES (%1)").arg(values));
    }
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
      QStringLiteral("SELECT \"id\", \"note\", \"summary\", \"tail\" FROM \"LongNotes\" ORDER BY \"id\""), 30,
      true, driver);
  QStringList rows;
  for (bool row = records.First(); row; row = records.Next()) {
    rows << fieldvalue::Text(records.Column(0), records.Cell(0));
    for (int i = 1; i < 4; ++i)
      rows.last() +=
          QLatin1Char('|') + (records.Cell(i).null ? QStringLiteral("<null>")
                                                   : fieldvalue::Text(records.Column(i), records.Cell(i)));
  }
  QStringList wanted;
  for (const NoteRow &row : kRows) {
    wanted << QString::number(row.id);
    for (int length : row.lengths) wanted.last() += QLatin1Char('|') + text(row.id, length);
  }
  EXPECT_EQ(rows, wanted);
  EXPECT_EQ(driver.executions, 1) << "the query ran again";
  EXPECT_EQ(driver.columnsReadInPieces, c.columnsReadInPieces);
}

INSTANTIATE_TEST_SUITE_P(Drivers, LongText,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kCases)),
                         EngineCaseName<LongTextCase>);

}  // namespace
