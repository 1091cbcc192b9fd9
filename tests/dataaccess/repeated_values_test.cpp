// Values that repeat row after row are converted once per column and record set: a remembered
// text must never leak into another column's type or into the next query.
#include <gtest/gtest.h>

#include <QDate>

#include "databasetype.h"
#include "odbcsession.h"
#include "recording_task.h"
#include "scratch_sqlite.h"
#include "test_support.h"

namespace {

const char *kRepeats = R"sql(
CREATE TABLE M (b BIT, s VARCHAR(5));
INSERT INTO M VALUES (1, '1'), (1, '1'), (0, 'x'), (1, '1');
CREATE TABLE R (id INTEGER, code VARCHAR(10));
WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < 599)
INSERT INTO R SELECT i, CASE WHEN i < 300 THEN 'c' || i ELSE 'same' END FROM c;
CREATE TABLE D (id INTEGER, day VARCHAR(10), code VARCHAR(3));
WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < 1999)
INSERT INTO D SELECT i, date('2026-08-20', '+' || ((i * 37) % 150) || ' days'), substr('ATEUX', 1 + (i % 5), 1)
FROM c;
)sql";

class RepeatedValues : public ::testing::Test {
 protected:
  RepeatedValues() : db_(kRepeats), session_(task_, 0) {
    session_.SetDatabaseType(DatabaseType::SQLite);
    session_.Connect(session_.BuildConnectionString(db_.Path(), std::nullopt, std::nullopt));
  }
  QStringList column(const char *table, const char *name) {
    QueryDescription &q = session_.Query();
    q.ClearQuery();
    const ODBCField *field = q.AddField(q.AddTable(table, "t"), name, true);
    EXPECT_TRUE(session_.OpenQuery());
    QStringList texts;
    for (bool row = session_.GetFirstRecord(); row; row = session_.GetNextRecord())
      texts << session_.GetFieldText(field);
    return texts;
  }
  RecordingTask task_;
  ScratchSqlite db_;
  OdbcSession session_;
};

TEST_F(RepeatedValues, SameBytesOfAnotherTypeInTheNextQuery) {
  EXPECT_EQ(column("M", "b"), QStringList({"True", "True", "False", "True"}));
  EXPECT_EQ(column("M", "s"), QStringList({"1", "1", "x", "1"}));
  EXPECT_EQ(column("M", "b"), QStringList({"True", "True", "False", "True"}));
}

TEST_F(RepeatedValues, ColumnsThatStopRepeatingAndStartAgain) {
  QStringList expected;
  for (int i = 0; i < 600; ++i) expected << (i < 300 ? QStringLiteral("c%1").arg(i) : QStringLiteral("same"));
  EXPECT_EQ(column("R", "code"), expected);
  QStringList ids;
  for (int i = 0; i < 600; ++i) ids << QString::number(i);
  EXPECT_EQ(column("R", "id"), ids);
}

// Values that come back out of order, more of them than the memo has room for (so that several
// share a place in it): every read still gives that row's own text.
TEST_F(RepeatedValues, ManyValuesInterleaved) {
  QStringList days;
  QStringList codes;
  for (int i = 0; i < 2000; ++i) {
    days << QDate(2026, 8, 20).addDays((i * 37) % 150).toString(Qt::ISODate);
    codes << QString(QLatin1Char("ATEUX"[i % 5]));
  }
  EXPECT_EQ(column("D", "day"), days);
  EXPECT_EQ(column("D", "code"), codes);
}

}  // namespace
