// The column value getters on a row whose typed values the test sets: one-line text, yes/no forms,
// numbers, money, dates in the writer's patterns, and empty text without a current field.
#include <gtest/gtest.h>

#include "row_task.h"
#include "test_support.h"

namespace {

using Getter = QString (DataAccessBase::*)();

struct TextCase {
  const char *name;
  Getter getter;
  QString fieldText;  // what GetFieldString answers (already trimmed of tabs by the record layer)
  QString expected;
};

class TextGetters : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextGetters, TurnTheFieldTextIntoExportText) {
  const TextCase &c = GetParam();
  RowTask task;
  task.UseField();
  task.text = c.fieldText;
  EXPECT_EQ((task.*c.getter)(), c.expected) << c.name;
}

const TextCase kTextCases[] = {
    {"one line: breaks become spaces", &DataAccessBase::ColOneLine, "  line one\r\nline two ",
     "line one  line two"},
    {"one line: plain text", &DataAccessBase::ColOneLine, "Lakeside", "Lakeside"},
    {"trimmed keeps breaks", &DataAccessBase::ColTrimmed, " a\nb ", "a\nb"},
    {"upper", &DataAccessBase::ColUpper, "o'connor\nliam", "O'CONNOR LIAM"},
    {"quoted", &DataAccessBase::ColQuoted, "Ann", "\"Ann\""},
    {"quoted empty", &DataAccessBase::ColQuoted, "", "\"\""},
    {"no zero: 0", &DataAccessBase::ColNoZero, "0", ""},
    {"no zero: 10", &DataAccessBase::ColNoZero, "10", "10"},
    {"no zero: 0.0 stays", &DataAccessBase::ColNoZero, "0.0", "0.0"},
    {"no N/A", &DataAccessBase::ColNoNA, "N/A", ""},
    {"no N/A: lower case stays", &DataAccessBase::ColNoNA, "n/a", "n/a"},
    {"no line breaks", &DataAccessBase::ColNoLineBreaks, "a\r\nb", "a  b"},
    {"no tabs", &DataAccessBase::ColNoTabs, "a\rb\nc", "a b c"},
    {"yes/no code: 1", &DataAccessBase::ColYesNoCode, "1", "1"},
    {"yes/no code: YES", &DataAccessBase::ColYesNoCode, "YES", "1"},
    {"yes/no code: n", &DataAccessBase::ColYesNoCode, "n", "0"},
    {"yes/no code: 0", &DataAccessBase::ColYesNoCode, "0", "0"},
    {"yes/no code: X is not a code", &DataAccessBase::ColYesNoCode, "X", ""},
    {"yes/no code: maybe", &DataAccessBase::ColYesNoCode, "maybe", ""},
    {"Y/N: yes in capitals", &DataAccessBase::ColYN, "YES", "Y"},
    {"Y/N: No", &DataAccessBase::ColYN, "No", "N"},
    {"Y/N: X", &DataAccessBase::ColYN, "X", "Y"},
    {"Y/N: 1", &DataAccessBase::ColYN, "1", "Y"},
    {"Y/N: 0", &DataAccessBase::ColYN, "0", "N"},
    {"Y/N: other word", &DataAccessBase::ColYN, "perhaps", ""},
    {"Y/N: empty", &DataAccessBase::ColYN, "", ""},
    {"value kind: phone", &DataAccessBase::ColValueKind, "(555) 201-1001", "PHONE"},
    {"value kind: e-mail", &DataAccessBase::ColValueKind, "ann.smith@lakeside.org", "EMAIL"},
    {"value kind: yes/no", &DataAccessBase::ColValueKind, "yes", "BOOLEAN"},
    {"value kind: text", &DataAccessBase::ColValueKind, "Blue", ""},
    {"activity kind: any case", &DataAccessBase::ColActivityKind, "ATHLETIC", "athletic"},
    {"activity kind: lunch", &DataAccessBase::ColActivityKind, "Lunch", "lunch"},
    {"activity kind: other unchanged", &DataAccessBase::ColActivityKind, "Chess Club", "Chess Club"},
    {"prefixed", &DataAccessBase::ColPrefixed, "Band", "gs_Band"},
    {"with suffix", &DataAccessBase::ColWithSuffix, "Band", "Band_"},
    {"phone formatted", &DataAccessBase::ColPhone, "N/A", ""},
};
INSTANTIATE_TEST_SUITE_P(Rules, TextGetters, ::testing::ValuesIn(kTextCases));

struct ValueCase {
  const char *name;
  Getter getter;
  qint32 integer;
  double number;
  bool flag;
  QString expected;
};

class ValueGetters : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueGetters, FormatTheTypedValue) {
  const ValueCase &c = GetParam();
  RowTask task;
  task.UseField();
  task.integer = c.integer;
  task.number = c.number;
  task.flag = c.flag;
  EXPECT_EQ((task.*c.getter)(), c.expected) << c.name;
}

const ValueCase kValueCases[] = {
    {"int", &DataAccessBase::ColInt, -42, 0, false, "-42"},
    {"int no zero: 0", &DataAccessBase::ColIntNoZero, 0, 0, false, ""},
    {"int no zero: 7", &DataAccessBase::ColIntNoZero, 7, 0, false, "7"},
    {"money: two decimals and a dollar", &DataAccessBase::ColMoney, 0, 12.5, false, "$12.50"},
    {"money: negative", &DataAccessBase::ColMoney, 0, -3.456, false, "$-3.46"},
    {"money as whole number: cut toward zero", &DataAccessBase::ColMoneyInt, 0, 12.99, false, "12"},
    {"money as whole number: negative cut toward zero", &DataAccessBase::ColMoneyInt, 0, -12.99, false,
     "-12"},
    {"float: single precision, six decimals", &DataAccessBase::ColFloat, 0, 2.5, false, "2.500000"},
    {"float of: no decimals", &DataAccessBase::ColFloatOf, 0, 2.4, false, "2"},
    {"yes/no: true", &DataAccessBase::ColYesNo, 0, 0, true, "Yes"},
    {"yes/no: false", &DataAccessBase::ColYesNo, 0, 0, false, "No"},
    {"no/yes: true", &DataAccessBase::ColNoYes, 0, 0, true, "No"},
    {"no/yes: false", &DataAccessBase::ColNoYes, 0, 0, false, "Yes"},
    {"yes or empty: true", &DataAccessBase::ColYesOrEmpty, 0, 0, true, "Yes"},
    {"yes or empty: false", &DataAccessBase::ColYesOrEmpty, 0, 0, false, ""},
    {"one/zero: true", &DataAccessBase::ColOneZero, 0, 0, true, "1"},
    {"one/zero: false", &DataAccessBase::ColOneZero, 0, 0, false, "0"},
};
INSTANTIATE_TEST_SUITE_P(Rules, ValueGetters, ::testing::ValuesIn(kValueCases));

struct DateCase {
  const char *name;
  Getter getter;
  XDate date;
  QString expected;
};

class DateGetters : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateGetters, UseTheWritersDatePattern) {
  const DateCase &c = GetParam();
  RowTask task;
  task.UseField();
  task.date = c.date;
  EXPECT_EQ((task.*c.getter)(), c.expected) << c.name;
}

const DateCase kDateCases[] = {
    {"date", &DataAccessBase::ColDate, XDate(2009, 9, 8), "09/08/2009"},
    {"date: none", &DataAccessBase::ColDate, XDate(), ""},
    {"not 1900: a date", &DataAccessBase::ColDateNot1900, XDate(2026, 8, 20), "08/20/2026"},
    {"not 1900: 1 January 1900", &DataAccessBase::ColDateNot1900, XDate(1900, 1, 1), ""},
    {"not 1900: 30 December 1899 stays", &DataAccessBase::ColDateNot1900, XDate(1899, 12, 30), "12/30/1899"},
    {"known: a date", &DataAccessBase::ColDateKnown, XDate(2026, 8, 20), "08/20/2026"},
    {"known: 1 January 1900", &DataAccessBase::ColDateKnown, XDate(1900, 1, 1), ""},
    {"known: 30 December 1899", &DataAccessBase::ColDateKnown, XDate(1899, 12, 30), ""},
    {"known: the zero date", &DataAccessBase::ColDateKnown, XDate(0), ""},
    {"known: none", &DataAccessBase::ColDateKnown, XDate(), ""},
};
INSTANTIATE_TEST_SUITE_P(Rules, DateGetters, ::testing::ValuesIn(kDateCases));

TEST(DateGetters, FollowAChangedWriterPattern) {
  RowTask task;
  task.UseField();
  task.ControlSettings().dateFormat = QStringLiteral("YYYY-MM-DD");
  task.date = XDate(2026, 8, 20);
  task.dateTime = XDateTime(XDate(2026, 8, 20), XTime(13, 5, 0));
  EXPECT_EQ(task.ColDate(), QStringLiteral("2026-08-20"));
  EXPECT_EQ(task.ColDateTimeAsDate(), QStringLiteral("2026-08-20"));
}

TEST(Getters, WithoutACurrentFieldAnswerNothing) {
  RowTask task;
  task.text = QStringLiteral("value");
  task.integer = 5;
  task.number = 2.5;
  task.flag = true;
  task.date = XDate(2026, 8, 20);
  const Getter getters[] = {
      &DataAccessBase::ColOneLine,   &DataAccessBase::ColTrimmed,    &DataAccessBase::ColUpper,
      &DataAccessBase::ColQuoted,    &DataAccessBase::ColNoZero,     &DataAccessBase::ColNoNA,
      &DataAccessBase::ColPhone,     &DataAccessBase::ColMoney,      &DataAccessBase::ColDate,
      &DataAccessBase::ColTime,      &DataAccessBase::ColDateTime,   &DataAccessBase::ColInt,
      &DataAccessBase::ColYesNo,     &DataAccessBase::ColNoYes,      &DataAccessBase::ColYesOrEmpty,
      &DataAccessBase::ColOneZero,   &DataAccessBase::ColYesNoCode,  &DataAccessBase::ColMoneyInt,
      &DataAccessBase::ColFloat,     &DataAccessBase::ColPrefixed,   &DataAccessBase::ColYN,
      &DataAccessBase::ColValueKind, &DataAccessBase::ColWithSuffix, &DataAccessBase::ColDateNoZero,
      &DataAccessBase::ColIntNoZero, &DataAccessBase::ColNoTabs,     &DataAccessBase::ColDateTimeAsDate,
  };
  for (Getter getter : getters) EXPECT_EQ((task.*getter)(), QString());
  EXPECT_FALSE(task.ColIsYes());
  EXPECT_FALSE(task.ColBoolFlag());
}

TEST(Getters, IsYesAcceptsOneYesAndY) {
  const struct {
    const char *text;
    bool expected;
  } cases[] = {{"1", true}, {"yes", true}, {"YES", true}, {"y", true},  {"Y", true},
               {"", false}, {"0", false},  {"no", false}, {"X", false}, {"true", false}};
  RowTask task;
  task.UseField();
  for (const auto &c : cases) {
    task.text = QString::fromLatin1(c.text);
    EXPECT_EQ(task.ColIsYes(), c.expected) << c.text;
  }
}

TEST(Getters, TextFormsTakeTheirGivenValue) {
  EXPECT_EQ(DataAccessBase::ColNoZeroText(QStringLiteral("0")), QString());
  EXPECT_EQ(DataAccessBase::ColNoZeroText(QStringLiteral("00")), QStringLiteral("00"));
  EXPECT_EQ(DataAccessBase::ColNoTabsText(QStringLiteral("a\tb\r\nc")), QStringLiteral("a b  c"));
  EXPECT_EQ(DataAccessBase::ColYesNoOf(true), QStringLiteral("Yes"));
  EXPECT_EQ(DataAccessBase::ColYesOrEmptyOf(false), QString());
  EXPECT_EQ(DataAccessBase::ColPrefixedText(QStringLiteral("x")), QStringLiteral("gs_x"));
}

}  // namespace
