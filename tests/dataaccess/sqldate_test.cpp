// Date literals of every database type and the quoted-literal helper.
#include "sqldate.h"

#include <gtest/gtest.h>

#include "sqlliteral.h"
#include "test_support.h"
#include "xexception.h"

namespace {

TEST(SQLDate, EveryTypeFor8September2009) {
  const XDate date(2009, 9, 8);
  const struct {
    int type;
    const char *literal;
  } cases[] = {
      {1, "#08-Sep-2009#"},
      {9, "#08-Sep-2009#"},
      {2, "09/08/2009"},
      {3, "{^2009/09/08}"},
      {4, "{^2009/09/08}"},
      // SQL Server reads a quoted date by the login's DATEFORMAT for datetime columns; as a date
      // it is always year-month-day.
      {5, "CAST('2009-09-08' AS DATE)"},
      {14, "'2009-09-08'"},
      {15, "'2009-09-08'"},
      {20, "'2009-09-08'"},
      {6, "'2009-09-08'"},
      {7, "'2009-09-08'"},
      {8, "'2009-09-08'"},
      {16, "'2009-09-08'"},
      {17, "'2009-09-08'"},
      {10, "'09/08/2009'"},
      {11, "TO_DATE( '20090908', 'YYYYMMDD' )"},
      {12, "TO_DATE( '20090908', 'YYYYMMDD' )"},
      {13, "TO_DATE( '20090908', 'YYYYMMDD' )"},
      {18, "TO_DATE(\"09/08/2009\",\"%m/%d/%Y\")"},
      {19, "76225"},
      {21, "'20090908'"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SQLDate(date, c.type), QString::fromLatin1(c.literal)) << "type " << c.type;
  EXPECT_EQ(SQLDate(date, 2, QStringLiteral("yyyy.mm.dd")), QStringLiteral("2009.09.08"));
}

TEST(SQLDate, MssqlSchoolYearStart) {
  EXPECT_EQ(SQLDate(XDate(2009, 9, 1), 5), QStringLiteral("CAST('2009-09-01' AS DATE)"));
}

TEST(SQLDate, NoDateGivesAnEmptyCallForOracleAndInformix) {
  for (int type : {11, 12, 13, 18}) EXPECT_EQ(SQLDate(XDate(), type), QString()) << type;
}

TEST(SQLDate, UnknownTypesThrow) {
  for (int type : {0, 22, -1}) {
    try {
      SQLDate(XDate(2009, 9, 1), type);
      ADD_FAILURE() << type;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QStringLiteral("DB Type not defined for XODBC::SQLDate yet, feel free to do so."));
    }
  }
}

TEST(SqlQuote, DoublesEverySingleQuote) {
  const struct {
    const char *value;
    const char *literal;
  } cases[] = {
      {"", "''"},
      {"O'Brien", "'O''Brien'"},
      {"' OR '1'='1", "''' OR ''1''=''1'"},
      {"a;b -- c /* d */", "'a;b -- c /* d */'"},
      {"''", "''''''"},
      {"\"x\"", "'\"x\"'"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SqlQuote(QString::fromLatin1(c.value)), QString::fromLatin1(c.literal));
}

}  // namespace
