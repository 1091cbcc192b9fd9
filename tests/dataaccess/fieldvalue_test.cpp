// Value-to-text rules of the getters: floating and exact decimal formatting, ISO dates, the
// single-byte code page and the field status texts.
#include "fieldvalue.h"

#include <gtest/gtest.h>

#include "codepage.h"
#include "odbcsession.h"
#include "test_support.h"

namespace {

TEST(FormatFloating, FourDecimalsTrimmed) {
  const struct {
    double value;
    const char *text;
  } cases[] = {{2.5, "2.5"}, {3.0, "3"},      {-2.5, "-2.5"},     {0.0, "0"},           {1.23456, "1.2346"},
               {100, "100"}, {-0.00001, "0"}, {12.3400, "12.34"}, {1e10, "10000000000"}};
  for (const auto &c : cases)
    EXPECT_EQ(fieldvalue::FormatFloating(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(FormatDecimalText, ExactRoundingWithoutDoubles) {
  const struct {
    const char *digits;
    const char *text;
  } cases[] = {
      {"-12.3450", "-12.345"},
      {"3.0000", "3"},
      {"2.5000", "2.5"},
      {"3.00005", "3.0001"},
      {"-3.00005", "-3.0001"},
      {"9.99995", "10"},
      {"0.00004", "0"},
      {"-0.00004", "0"},
      {"12345678901234567.1234", "12345678901234567.1234"},
      {".5", "0.5"},
      {"007", "7"},
      {"1.5E+2", "150"},
      {"abc", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(fieldvalue::FormatDecimalText(QString::fromLatin1(c.digits)), QString::fromLatin1(c.text))
        << c.digits;
}

TEST(ParseIsoDateTime, DriverTextsOfDatesAndTimes) {
  const struct {
    const char *text;
    const char *formatted;  // "YYYY/MM/DD HH:NN:SS.LLL", "" for no value
  } cases[] = {
      {"2009-09-08", "2009/09/08 0:00:00.000"},
      {"2009-09-08 09:05:07", "2009/09/08 9:05:07.000"},
      {"2009-09-08T09:05:07.042", "2009/09/08 9:05:07.042"},
      {"2009-09-08 09:05:07.1", "2009/09/08 9:05:07.100"},
      {"2009-09-08 09:05:07.123456", "2009/09/08 9:05:07.123"},
      {"2009-09-08 09:05", "2009/09/08 9:05:00.000"},
      {"13:45:00", "1899/12/30 13:45:00.000"},
      {"2009-13-08", ""},
      {"2009-09-08 25:00:00", ""},
      {"08/09/2009", ""},
      {"", ""},
      {"soon", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(fieldvalue::ParseIsoDateTime(QString::fromLatin1(c.text))
                  .Format(QStringLiteral("YYYY/MM/DD HH:NN:SS.LLL")),
              QString::fromLatin1(c.formatted))
        << c.text;
}

TEST(CodePage, CharactersOutsideWindows1252BecomeQuestionMarks) {
  const struct {
    const char *utf8;
    const char *text;
    QByteArray bytes;
  } cases[] = {
      {"plain", "plain", "plain"},
      {"Zo\xc3\xab", "Zo\xc3\xab", "Zo\xeb"},
      {"\xe2\x82\xac 5", "\xe2\x82\xac 5", "\x80 5"},  // the euro sign is in the code page
      {"\xe2\x80\x9cq\xe2\x80\x9d", "\xe2\x80\x9cq\xe2\x80\x9d", "\x93q\x94"},  // curly quotes too
      {"\xce\xa9", "?", "?"},                                                   // Greek omega is not
      {"\xf0\x9f\x98\x80!", "?!", "?!"},  // one "?" for a character beyond 16 bits
      {"\xc2\x81", "?", "?"},             // a C1 control
  };
  for (const auto &c : cases) {
    const QString input = QString::fromUtf8(c.utf8);
    EXPECT_EQ(ToSingleByteText(input), QString::fromUtf8(c.text)) << c.utf8;
    EXPECT_EQ(ToWindows1252(input), c.bytes) << c.utf8;
  }
}

TEST(FieldStatusText, KnownAndUnknownStatuses) {
  EXPECT_EQ(fieldvalue::FieldStatusText(0), QStringLiteral("adFieldOK - OK."));
  EXPECT_EQ(fieldvalue::FieldStatusText(16),
            QStringLiteral("adFieldDoesNotExist - The field specified does not exist."));
  EXPECT_EQ(fieldvalue::FieldStatusText(0x80000),
            QStringLiteral(
                "adFieldPendingUnknown - The provider cannot determine what operation caused field status "
                "to be set."));
  EXPECT_EQ(fieldvalue::FieldStatusText(1), QStringLiteral("Undefined field status."));
  EXPECT_EQ(fieldvalue::FieldStatusText(14), QStringLiteral("Undefined field status."));
}

TEST(ColumnTypeName, AdoNamesOfDriverTypes) {
  const struct {
    SQLSMALLINT type;
    const char *name;
  } cases[] = {{SQL_INTEGER, "Integer"},
               {SQL_SMALLINT, "SmallInt"},
               {SQL_VARCHAR, "VarChar"},
               {SQL_WVARCHAR, "VarWChar"},
               {SQL_TYPE_TIMESTAMP, "DBTimeStamp"},
               {SQL_BIT, "Boolean"},
               {SQL_BIGINT, "Big Int"},
               {SQL_LONGVARCHAR, "LongVarChar"},
               {SQL_DOUBLE, "Double"},
               {SQL_NUMERIC, "Numeric"},
               {-150, "UNKNOWN!"}};
  for (const auto &c : cases)
    EXPECT_EQ(OdbcSession::ColumnTypeName(c.type), QString::fromLatin1(c.name)) << c.type;
}

TEST(FieldValue, UnknownColumnTypeIsAnErrorNotAnEmptyValue) {
  ColumnInfo column;
  column.name = QStringLiteral("odd");
  column.sqlType = -150;
  column.kind = ColumnKind::Unsupported;
  const char16_t data[] = u"x";
  const CellView cell{reinterpret_cast<const char *>(data), 2, false};
  try {
    fieldvalue::Text(column, cell);
    ADD_FAILURE() << "no exception";
  } catch (const XException &e) {
    EXPECT_TRUE(e.Text().startsWith(QLatin1String("Error number: 0\tColumn odd has the type -150")))
        << e.what();
    EXPECT_TRUE(e.Text().endsWith(QLatin1String(
        " Field Status: adFieldCantConvertValue - The field cannot be retrieved or stored without loss "
        "of data.")))
        << e.what();
  }
}

}  // namespace
