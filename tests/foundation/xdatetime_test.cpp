// Combined date-time patterns, OLE Automation dates, ISO reading and span arithmetic of XDateTime.
#include "xdatetime.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Tuesday 8 September 2009, 09:05:07.042.
XDateTime Sample() {
  return XDateTime(XDate(2009, 9, 8), XTime(9, 5, 7, 42));
}

TEST(XDateTime, FormatExamples) {
  struct Case {
    const char *pattern, *expected;
  };
  const Case cases[] = {
      {"YYYYMMDDHHNNSS", "20090908090507"},
      {"MMM DD, YYYY HH:NN:SS", "Sep 08, 2009 9:05:07"},
      {"mm/dd/yyyy HH:NN:SS AA", "09/08/2009 9:05:07 AM"},
      {"WWW, MMM DD, YYYY: HH:NN:SS AA", "Tue, Sep 08, 2009: 9:05:07 AM"},
      {"yyyy-mm-dd", "2009-09-08"},
      {"dd-mmm-yyyy", "08-Sep-2009"},
      {"HH:NN:SS.LLL", "9:05:07.042"},
      {"dd/mm/yyyy|hh:nn:ss", "08/09/2009|9:05:07"},
      {"YYYY-MM-DD HH:NN:SS.LLL", "2009-09-08 9:05:07.042"},
      {"WWWW MMMM D HH:NN", "Tuesday September 8 9:05"},
  };
  for (const Case &c : cases) EXPECT_EQ(Sample().Format(c.pattern), c.expected) << c.pattern;
}

TEST(XDateTime, AfternoonOnTheTwelveHourClock) {
  const XDateTime dt(XDate(2009, 9, 8), XTime(21, 5, 7));
  EXPECT_EQ(dt.Format("mm/dd/yyyy HH:NN:SS AA"), "09/08/2009 9:05:07 PM");
  EXPECT_EQ(dt.Format("mm/dd/yyyy HH:NN:SS"), "09/08/2009 21:05:07");
}

TEST(XDateTime, MissingPartFormatsEmpty) {
  EXPECT_EQ(XDateTime(XDate(2009, 9, 8), XTime()).Format("YYYY-MM-DD"), "");
  EXPECT_EQ(XDateTime(XDate(), XTime(9, 0, 0)).Format("HH:NN"), "");
  EXPECT_EQ(XDateTime().Format("YYYY"), "");
  EXPECT_TRUE(XDateTime().IsEmpty());
  EXPECT_FALSE(XDateTime(XDate(), XTime(0)).IsEmpty());
}

TEST(XDateTime, ParseReadsBothParts) {
  struct Case {
    const char *pattern, *text;
  };
  const Case cases[] = {
      {"YYYY-MM-DD HH:NN:SS", "2009-09-08 9:05:07"},
      {"mm/dd/yyyy HH:NN:SS AA", "09/08/2009 9:05:07 AM"},
      {"YYYYMMDDHHNNSS", "20090908090507"},
      {"dd-mmm-yyyy HH:NN:SS", "08-Sep-2009 09:05:07"},
  };
  for (const Case &c : cases) {
    XDateTime dt;
    EXPECT_TRUE(dt.Parse(c.pattern, c.text)) << c.pattern;
    EXPECT_EQ(dt, XDateTime(XDate(2009, 9, 8), XTime(9, 5, 7))) << c.pattern;
  }
}

TEST(XDateTime, ParseSucceedsWhenEitherPartReads) {
  XDateTime dateOnly;
  EXPECT_TRUE(dateOnly.Parse("YYYY-MM-DD HH:NN", "2009-09-08"));
  EXPECT_EQ(dateOnly.Date(), XDate(2009, 9, 8));
  EXPECT_TRUE(dateOnly.Time().IsNull());
  XDateTime neither;
  EXPECT_FALSE(neither.Parse("YYYY-MM-DD HH:NN", "nothing"));
  EXPECT_TRUE(neither.IsEmpty());
}

TEST(XDateTime, ParseIso) {
  XDateTime dt;
  EXPECT_TRUE(dt.ParseIso("2009-09-08 09:05:07.042"));
  EXPECT_EQ(dt, Sample());
  EXPECT_TRUE(dt.ParseIso("2009-09-08T23:59:59.999"));
  EXPECT_EQ(dt, XDateTime(XDate(2009, 9, 8), XTime(23, 59, 59, 999)));
  // A value whose date cannot be read is not reported as read.
  EXPECT_FALSE(dt.ParseIso("xxxx-09-08 09:05:07.042"));
  EXPECT_TRUE(dt.Date().IsNull());
  EXPECT_FALSE(dt.ParseIso("2009-09-08"));
  EXPECT_FALSE(dt.ParseIso(""));
}

TEST(XDateTime, FromOle) {
  EXPECT_TRUE(XDateTime::FromOle(0.0).IsEmpty());
  EXPECT_EQ(XDateTime::FromOle(2.5), XDateTime(XDate(1900, 1, 1), XTime(12, 0, 0, 0)));
  EXPECT_EQ(XDateTime::FromOle(2.0), XDateTime(XDate(1900, 1, 1), XTime(0)));
  EXPECT_EQ(XDateTime::FromOle(1.0), XDateTime(XDate(1899, 12, 31), XTime(0)));
  // Before the epoch the fraction still counts forward from midnight.
  EXPECT_EQ(XDateTime::FromOle(-1.25), XDateTime(XDate(1899, 12, 29), XTime(6, 0, 0)));
  // 12:00:01 cannot be held exactly in a binary fraction; it must not read back as 12:00:00.999.
  const double oneSecondPastNoon = 40064.0 + 43'201'000.0 / 86'400'000.0;
  EXPECT_EQ(XDateTime::FromOle(oneSecondPastNoon).Format("YYYY-MM-DD HH:NN:SS.LLL"),
            "2009-09-08 12:00:01.000");
  EXPECT_TRUE(XDateTime::FromOle(std::numeric_limits<double>::quiet_NaN()).IsEmpty());
}

TEST(XDateTime, OleRoundTrip) {
  for (const XDateTime &dt :
       {Sample(), XDateTime(XDate(1900, 1, 1), XTime(12, 0, 0)),
        XDateTime(XDate(1850, 6, 1), XTime(18, 30, 0)), XDateTime(XDate(2038, 1, 19), XTime(3, 14, 7, 999))})
    EXPECT_EQ(XDateTime::FromOle(dt.ToOle()), dt) << dt.Format("YYYY-MM-DD HH:NN:SS.LLL").toStdString();
  EXPECT_DOUBLE_EQ(XDateTime(XDate(1900, 1, 1), XTime(12, 0, 0)).ToOle(), 2.5);
}

TEST(XDateTime, AddAndSubtractSpans) {
  struct Case {
    XDateTime start;
    XDateSpan span;
    bool subtract;
    XDateTime expected;
  };
  const Case cases[] = {
      {{XDate(2009, 9, 8), XTime(23, 30, 0)}, {.minutes = 45}, false, {XDate(2009, 9, 9), XTime(0, 15, 0)}},
      {{XDate(2009, 12, 31), XTime(23, 59, 59, 999)},
       {.milliseconds = 1},
       false,
       {XDate(2010, 1, 1), XTime(0)}},
      {{XDate(2009, 1, 31), XTime(12, 0, 0)},
       {.months = 1, .hours = 12},
       false,
       {XDate(2009, 3, 4), XTime(0)}},
      {{XDate(2009, 9, 8), XTime(9, 0, 0)},
       {.days = 2, .hours = 49},
       false,
       {XDate(2009, 9, 12), XTime(10, 0, 0)}},
      {{XDate(2009, 9, 8), XTime(0, 30, 0)}, {.hours = 1}, true, {XDate(2009, 9, 7), XTime(23, 30, 0)}},
      {{XDate(2009, 3, 1), XTime(0, 0, 0)},
       {.milliseconds = 1},
       true,
       {XDate(2009, 2, 28), XTime(23, 59, 59, 999)}},
      {{XDate(2009, 1, 15), XTime(6, 0, 0)},
       {.years = 1, .months = 1},
       true,
       {XDate(2007, 12, 15), XTime(6, 0, 0)}},
  };
  for (const Case &c : cases) {
    XDateTime dt = c.start;
    if (c.subtract)
      dt.Subtract(c.span);
    else
      dt.Add(c.span);
    EXPECT_EQ(dt.Format("YYYY-MM-DD HH:NN:SS.LLL"), c.expected.Format("YYYY-MM-DD HH:NN:SS.LLL"));
  }
}

TEST(XDateTime, OrderedByDateThenTime) {
  EXPECT_LT(XDateTime(XDate(2009, 9, 8), XTime(23, 0, 0)), XDateTime(XDate(2009, 9, 9), XTime(1, 0, 0)));
  EXPECT_LT(XDateTime(XDate(2009, 9, 8), XTime()), XDateTime(XDate(2009, 9, 8), XTime(0)));
  EXPECT_EQ(XDateTime(), XDateTime());
  EXPECT_LT(XDateTime(), Sample());
}

TEST(XDateTime, QtConversions) {
  const QDateTime qt(QDate(2009, 9, 8), QTime(9, 5, 7, 42));
  EXPECT_EQ(XDateTime::FromQDateTime(qt), Sample());
  EXPECT_EQ(Sample().ToQDateTime(), qt);
  EXPECT_FALSE(XDateTime().ToQDateTime().isValid());
  const XDateTime now = XDateTime::Now();
  EXPECT_TRUE(now.Date().IsValid());
  EXPECT_TRUE(now.Time().IsValid());
}

}  // namespace
