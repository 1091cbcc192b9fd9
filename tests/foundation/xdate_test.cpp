// Day numbers, date patterns, date parsing and calendar arithmetic of XDate.
#include "xdate.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "xcalendar.h"

namespace {

struct Ymd {
  int year, month, day;
};

XDate Make(Ymd d) {
  return XDate(d.year, d.month, d.day);
}

void ExpectYmd(const XDate &date, Ymd expected, const std::string &context) {
  int y = 0, m = 0, d = 0;
  date.GetYmd(y, m, d);
  EXPECT_EQ(y, expected.year) << context;
  EXPECT_EQ(m, expected.month) << context;
  EXPECT_EQ(d, expected.day) << context;
}

TEST(XDate, DayNumbersOfKnownDates) {
  struct Case {
    Ymd date;
    int32_t dayNumber;
  };
  const Case cases[] = {
      {{1600, 1, 1}, 0},        {{1600, 1, 31}, 30},
      {{1600, 2, 1}, 31},       {{1600, 2, 29}, 59},
      {{1600, 3, 1}, 60},       {{1601, 1, 1}, 366},
      {{1899, 12, 30}, 109571}, {{1900, 1, 1}, 109573},
      {{1600, 2, 30}, 60},      {{2009, 2, 31}, XDate(2009, 3, 3).DayNumber()},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Make(c.date).DayNumber(), c.dayNumber) << c.date.year << "-" << c.date.month;
}

TEST(XDate, DayNumbersAgreeWithQtCalendarAcrossCenturies) {
  const qint64 base = QDate(1600, 1, 1).toJulianDay();
  for (QDate d(1600, 1, 1); d.year() < 2401; d = d.addDays(7)) {
    const XDate date = XDate::FromQDate(d);
    ASSERT_EQ(date.DayNumber(), d.toJulianDay() - base) << d.toString(Qt::ISODate).toStdString();
    ASSERT_EQ(date.ToQDate(), d);
    ASSERT_EQ(date.DayOfWeek(), d.dayOfWeek() - 1);
  }
}

TEST(XDate, DatesThatCannotBeSet) {
  const Ymd cases[] = {{1599, 12, 31}, {2009, 0, 1}, {2009, 1, 0}, {2009, 13, 1}, {-5, 1, 1}, {2009, -1, 5}};
  for (const Ymd &c : cases) {
    XDate date(c.year, c.month, c.day);
    EXPECT_TRUE(date.IsNull()) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(date.DayNumber(), -1);
  }
  EXPECT_TRUE(XDate::FromQDate(QDate(1599, 12, 31)).IsNull());
  EXPECT_TRUE(XDate::FromQDate(QDate()).IsNull());
  EXPECT_FALSE(XDate().ToQDate().isValid());
}

TEST(XDate, DaysPastTheMonthEndRunOn) {
  ExpectYmd(XDate(2009, 2, 31), {2009, 3, 3}, "31 February 2009");
  ExpectYmd(XDate(2008, 2, 31), {2008, 3, 2}, "31 February 2008");
  ExpectYmd(XDate(2009, 12, 32), {2010, 1, 1}, "32 December");
}

TEST(XDate, DayZeroIsSaturdayFirstJanuary1600) {
  const XDate day0(0);
  ExpectYmd(day0, {1600, 1, 1}, "day 0");
  EXPECT_EQ(day0.Format("WWWW DD MMMM YYYY"), "Saturday 01 January 1600");
  EXPECT_EQ(XDate(1600, 1, 1).DayNumber(), 0);
}

// Tuesday 8 September 2009 throughout, as in the format examples.
TEST(XDate, FormatPatterns) {
  const XDate date(2009, 9, 8);
  struct Case {
    const char *pattern, *expected;
  };
  const Case cases[] = {
      {"yyyy-mm-dd", "2009-09-08"},
      {"dd-mmm-yyyy", "08-Sep-2009"},
      {"mm/dd/yyyy", "09/08/2009"},
      {"Y", "9"},
      {"YY", "09"},
      {"YYY", "YYY"},
      {"YYYYY", "YYYYY"},
      {"yYyY", "2009"},
      {"M/D", "9/8"},
      {"Mm", "09"},
      {"MMM", "Sep"},
      {"MMMM", "September"},
      {"MMMMMM", "September"},
      {"DDD", "Tue"},
      {"DDDD", "Tuesday"},
      {"W", "T"},
      {"ww", "Tu"},
      {"WWW", "Tue"},
      {"WWWWW", "Tuesday"},
      {"HH:NN:SS AA LLL", "HH:NN:SS AA LLL"},
      {"[YYYY]", "[2009]"},
      {"", ""},
  };
  for (const Case &c : cases) EXPECT_EQ(date.Format(c.pattern), c.expected) << c.pattern;
}

TEST(XDate, NoDateFormatsEmpty) {
  EXPECT_EQ(XDate().Format("YYYY-MM-DD"), "");
}

TEST(XDate, ParsePatterns) {
  struct Case {
    const char *pattern, *text;
    Ymd expected;
  };
  const Case cases[] = {
      {"MM/DD/YYYY", "9/8/2009", {2009, 9, 8}},
      {"YYYYMMDD", "20090908", {2009, 9, 8}},
      {"dd-mmm-yyyy", "08-Sep-2009", {2009, 9, 8}},
      {"DDMMMYYYY", "08SEP2009", {2009, 9, 8}},
      {"MMM DD YYYY", "Xyz 05 2026", {2026, 12, 5}},
      {"MMM DD YYYY", "december 05 2026", {2026, 12, 5}},
      {"MMMM D, YYYY DD", "June 1, 2010 03", {2010, 6, 3}},
      {"MMM DD YYYY", "ma 01 2010", {2010, 3, 1}},
      {"MMM DD YYYY", "MAY 01 2010", {2010, 5, 1}},
      {"MMM DD YYYY", "Jul 04 1776", {1776, 7, 4}},
      {"YYYY-MM-DD", "2009-09-08 09:05:07.042", {2009, 9, 8}},
      {"MM/DD/YYYY", "02/30/2009", {2009, 3, 2}},
      {"DD.MM.YYYY DD", "01.02.2003 04", {2003, 2, 4}},
  };
  for (const Case &c : cases) {
    XDate date;
    EXPECT_TRUE(date.Parse(c.pattern, c.text)) << c.pattern << " / " << c.text;
    ExpectYmd(date, c.expected, std::string(c.pattern) + " / " + c.text);
  }
}

TEST(XDate, ParseFailuresLeaveNoDate) {
  struct Case {
    const char *pattern, *text;
  };
  const Case cases[] = {
      {"MM/DD/YYYY", "9/8"},        {"MM/DD/YYYY", "9/8/209"},    {"MM/DD/YYYY", "aa/bb/2009"},
      {"YYYY-MM-DD", ""},           {"MM/DD/YYYY", "13/01/2009"}, {"MM/DD/YYYY", "00/01/2009"},
      {"MM/DD/YYYY", "01/00/2009"}, {"MM/DD/YYYY", "01/01/1599"}, {"MMMM YYYY", "June 2010"},
  };
  for (const Case &c : cases) {
    XDate date(2000, 1, 1);
    EXPECT_FALSE(date.Parse(c.pattern, c.text)) << c.pattern << " / " << c.text;
    EXPECT_TRUE(date.IsNull()) << c.pattern << " / " << c.text;
  }
}

TEST(XDate, TwoDigitYearWindowFor2026) {
  struct Case {
    int twoDigits, year;
  };
  const Case cases[] = {{47, 1947}, {99, 1999}, {46, 2046}, {0, 2000}, {26, 2026}, {48, 1948}};
  for (const Case &c : cases)
    EXPECT_EQ(xcalendar::ExpandTwoDigitYear(c.twoDigits, 2026), c.year) << c.twoDigits;
  EXPECT_EQ(xcalendar::ExpandTwoDigitYear(0, 2080), 2100);  // pivot 0: 00 is the later century
  EXPECT_EQ(xcalendar::ExpandTwoDigitYear(1, 2080), 2001);
}

TEST(XDate, TwoDigitYearParseFallsInTheWindowOfThisYear) {
  const int thisYear = QDate::currentDate().year();
  for (int v : {0, 3, 46, 47, 79, 80, 99}) {
    XDate date;
    ASSERT_TRUE(date.Parse("MM/DD/YY", QString("01/02/%1").arg(v, 2, 10, QChar('0'))));
    EXPECT_EQ(date.Year() % 100, v);
    EXPECT_GE(date.Year(), thisYear - 79) << v;
    EXPECT_LE(date.Year(), thisYear + 20) << v;
  }
}

TEST(XDate, AddAndSubtract) {
  struct Case {
    Ymd start;
    int years, months, days;
    bool subtract;
    Ymd expected;
  };
  const Case cases[] = {
      {{2009, 1, 31}, 0, 1, 0, false, {2009, 3, 3}},   {{2008, 1, 31}, 0, 1, 0, false, {2008, 3, 2}},
      {{2009, 11, 15}, 0, 3, 0, false, {2010, 2, 15}}, {{2009, 9, 8}, 1, 14, 0, false, {2011, 11, 8}},
      {{2008, 2, 29}, 1, 0, 0, false, {2009, 3, 1}},   {{2009, 12, 31}, 0, 0, 1, false, {2010, 1, 1}},
      {{2009, 1, 20}, 0, 1, 20, false, {2009, 3, 12}}, {{2009, 3, 1}, 0, 0, 1, true, {2009, 2, 28}},
      {{2009, 1, 15}, 0, 1, 0, true, {2008, 12, 15}},  {{2009, 3, 1}, 0, 1, 1, true, {2009, 1, 31}},
      {{2010, 1, 1}, 1, 13, 0, true, {2007, 12, 1}},   {{2009, 9, 8}, 0, 0, 365, true, {2008, 9, 8}},
  };
  for (const Case &c : cases) {
    XDate date = Make(c.start);
    if (c.subtract)
      date.Subtract(c.years, c.months, c.days);
    else
      date.Add(c.years, c.months, c.days);
    ExpectYmd(date, c.expected,
              std::to_string(c.start.year) + "-" + std::to_string(c.start.month) + "-" +
                  std::to_string(c.start.day));
  }
}

TEST(XDate, ArithmeticOnNoDateStartsAtDayZeroAndCannotGoBefore1600) {
  XDate none;
  none.Add(0, 0, 1);
  EXPECT_EQ(none.DayNumber(), 1);
  XDate early(1600, 1, 5);
  early.Subtract(0, 0, 5);
  EXPECT_TRUE(early.IsNull());
  XDate early2(1600, 6, 1);
  early2.Subtract(1, 0, 0);
  EXPECT_TRUE(early2.IsNull());
}

TEST(XDate, NoDateComparesBelowEveryDate) {
  EXPECT_EQ(XDate(), XDate());
  EXPECT_LT(XDate(), XDate(0));
  EXPECT_GT(XDate(2009, 9, 8), XDate());
  EXPECT_LT(XDate(2009, 9, 8), XDate(2009, 9, 9));
  EXPECT_EQ(XDate(2009, 9, 8), XDate(2009, 8, 39));
}

}  // namespace
