// Block fetch against drivers that do not play along (a scripted driver over the real one): a
// refused block-fetch attribute still yields every row, one a fetch; a row the driver flags in error
// fails the query instead of being copied from a buffer the driver never filled.
#include <gtest/gtest.h>

#include "engine_connection.h"
#include "recordset.h"
#include "school_databases.h"
#include "scripted_driver.h"
#include "test_support.h"
#include "xexception.h"

namespace {

struct BlockFetchCase {
  const char *name;
  SQLINTEGER refusedAttribute;
  SQLINTEGER ignoredAttribute;  // accepted, never passed on to the driver
  SQLULEN rowsetCap;
  qint64 errorRow;
  const char *errorText;  // part of the failure; nullptr when every row must come back
};

const BlockFetchCase kCases[] = {
    {"AsTheDriverGrants", 0, 0, 0, -1, nullptr},
    {"FourRowsAFetch", 0, 0, 4, -1, nullptr},
    {"RowBindTypeRefused", SQL_ATTR_ROW_BIND_TYPE, 0, 0, -1, nullptr},
    {"RowArraySizeRefused", SQL_ATTR_ROW_ARRAY_SIZE, 0, 0, -1, nullptr},
    {"RowsFetchedPointerRefused", SQL_ATTR_ROWS_FETCHED_PTR, 0, 0, -1, nullptr},
    {"RowsFetchedPointerIgnored", 0, SQL_ATTR_ROWS_FETCHED_PTR, 0, -1, "counted no rows"},
    {"RowStatusPointerRefused", SQL_ATTR_ROW_STATUS_PTR, 0, 4, -1, nullptr},
    {"ErrorRowInTheFirstBlock", 0, 0, 0, 5, "Row 6 of the result could not be read"},
    {"ErrorRowInALaterBlock", 0, 0, 4, 9, "Row 10 of the result could not be read"},
    {"ErrorRowOneRowAFetch", SQL_ATTR_ROWS_FETCHED_PTR, 0, 0, 9, ""},
};

class BlockFetch : public ::testing::TestWithParam<std::tuple<Engine, BlockFetchCase>> {};

TEST_P(BlockFetch, EveryRowOrAFailure) {
  const auto &[engine, c] = GetParam();
  if (engine == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  OdbcConnection connection;
  ASSERT_EQ(OpenTinySchool(connection, engine), QString());
  ScriptedDriver driver;
  driver.refusedAttribute = c.refusedAttribute;
  driver.ignoredAttribute = c.ignoredAttribute;
  driver.rowsetCap = c.rowsetCap;
  driver.errorRow = c.errorRow;

  QStringList rows;
  try {
    RecordSet records(connection.Handle(), QString::fromLatin1(kStudentNamesQuery), 30, true, driver);
    rows = StudentNames(records);
  } catch (const XException &e) {
    ASSERT_NE(c.errorText, nullptr) << e.what();
    EXPECT_TRUE(e.Text().contains(QLatin1String(c.errorText))) << e.what();
    return;
  }
  EXPECT_EQ(c.errorText, nullptr) << "the query did not fail";
  EXPECT_EQ(rows, kStudentNames);
}

INSTANTIATE_TEST_SUITE_P(Drivers, BlockFetch,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kCases)),
                         EngineCaseName<BlockFetchCase>);

}  // namespace
