// The queries every export sends, on each test engine: none sorts on a long-text column, which
// SQL Server refuses to sort (text and ntext), so a school that declares its comments that way can
// still be read.
#include <gtest/gtest.h>
#include <sql.h>

#include "exports.h"
#include "recordset.h"
#include "school_databases.h"
#include "tiny_run.h"

using namespace exportdef;

namespace {

bool IsLongData(SQLSMALLINT sqlType) {
  return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

// The position of a field in the SELECT list, which is its column in the record set.
int SelectedColumn(const QueryDescription &query, const ODBCField *field) {
  for (size_t i = 0; i < query.Fields().size(); ++i)
    if (query.Fields()[i].get() == field) return int(i);
  return -1;
}

class EngineQueries : public ::testing::TestWithParam<bool> {};

TEST_P(EngineQueries, NoneSortsOnALongTextColumn) {
  const bool server = GetParam();
  if (server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  icbtest::FixedClockEngine engine;
  engine.SetDataSourceName(server ? icbtest::schoolServerDsn() : icbtest::schoolDbPath("tiny"));
  engine.Connect(engine.BuildConnectionString());
  engine.Run().district = QString::fromLatin1(icbtest::kSchoolDistrict);
  engine.Run().school = QString::fromLatin1(icbtest::kSchoolNumber);
  engine.Run().year = QString::fromLatin1(icbtest::kSchoolYear);
  engine.Run().today = XDate::FromQDate(icbtest::kRunToday);
  int longColumns = 0;
  for (const ExportDef *definition : exports::All()) {
    if (definition->tables.empty()) continue;
    engine.ClearQuery();
    engine.DescribeQuery(*definition);
    ASSERT_TRUE(engine.OpenQuery()) << definition->title;
    const RecordSet &records = *engine.Session().Records();
    for (int i = 0; i < records.ColumnCount(); ++i) longColumns += IsLongData(records.Column(i).sqlType);
    for (const auto &order : engine.Query().Orders()) {
      const int column = SelectedColumn(engine.Query(), &order->Field());
      ASSERT_GE(column, 0) << definition->title << " sorts on a column it does not select";
      EXPECT_FALSE(IsLongData(records.Column(column).sqlType))
          << definition->title << " sorts on " << order->Field().Name().toStdString();
    }
    engine.CloseQuery();
  }
  // The school declares long text: the check above met some.
  EXPECT_GT(longColumns, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineQueries, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "server" : "sqlite"; });

}  // namespace
