// Time patterns, the hour-padding and 12-hour rules, time parsing and elapsed differences of XTime.
#include "xtime.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct Hms {
  int hour, minute, second, ms;
};

XTime Make(Hms t) {
  return XTime(t.hour, t.minute, t.second, t.ms);
}

TEST(XTime, FormatPatterns) {
  struct Case {
    Hms time;
    const char *pattern, *expected;
  };
  const Case cases[] = {
      {{9, 5, 7, 42}, "HH:NN:SS.LLL", "9:05:07.042"},
      {{9, 5, 0, 0}, "HH:NN", "9:05"},
      {{9, 5, 0, 0}, "HHNN", "0905"},
      {{9, 5, 0, 0}, "NN HH", "05 09"},
      {{9, 5, 0, 0}, "HH", "09"},
      {{9, 5, 0, 0}, "HH h", "9 h"},
      {{9, 5, 0, 0}, "HH5", "95"},
      {{9, 5, 0, 0}, "HHh", "HHh"},
      {{0, 2, 15, 0}, "hh:NN:SS", "0:02:15"},
      {{0, 30, 0, 0}, "HH:NN AA", "12:30 AM"},
      {{12, 0, 0, 0}, "HH:NN AA", "12:00 PM"},
      {{13, 0, 0, 0}, "HH:NN aa", "13:00 PM"},
      {{13, 0, 0, 0}, "HH:NN Aa", "13:00 PM"},
      {{23, 59, 0, 0}, "HH:NN AA", "11:59 PM"},
      {{11, 59, 0, 0}, "HH:NN AA", "11:59 AM"},
      {{1, 0, 0, 0}, "AAHH", "AM01"},
      {{14, 7, 0, 0}, "HH:NN", "14:07"},
      {{9, 5, 7, 42}, "H:N:S:L:A", "H:N:S:L:A"},
      {{9, 5, 7, 42}, "HHH NNN SSS LL AAA", "HHH NNN SSS LL AAA"},
      {{9, 5, 7, 42}, "YYYY-MM-DD", "YYYY-MM-DD"},
  };
  for (const Case &c : cases) EXPECT_EQ(Make(c.time).Format(c.pattern), c.expected) << c.pattern;
}

TEST(XTime, NoTimeFormatsEmpty) {
  EXPECT_EQ(XTime().Format("HH:NN"), "");
}

TEST(XTime, ParsePatterns) {
  struct Case {
    const char *pattern, *text;
    Hms expected;
  };
  const Case cases[] = {
      {"HH:NN:SS", "9:05:07", {9, 5, 7, 0}},
      {"HH:NN:SS", "09:05:07", {9, 5, 7, 0}},
      {"HH:NN:SS.LLL", "9:05:07.042", {9, 5, 7, 42}},
      {"HHNN", "0905", {9, 5, 0, 0}},
      {"HH:NN AA", "9:05 PM", {21, 5, 0, 0}},
      {"HH:NN AA", "9:05 pm", {21, 5, 0, 0}},
      {"HH:NN AA", "12:30 AM", {0, 30, 0, 0}},
      {"HH:NN AA", "12:00 PM", {12, 0, 0, 0}},
      {"HH:NN AA", "11:15 am", {11, 15, 0, 0}},
      {"HH:NN AA", "13:00 PM", {13, 0, 0, 0}},
      {"HH", "7", {7, 0, 0, 0}},
      {"HH:NN:SS", "7:", {7, 0, 0, 0}},
      {"mm/dd/yyyy HH:NN:SS AA", "09/08/2009 9:05:07 AM", {9, 5, 7, 0}},
  };
  for (const Case &c : cases) {
    XTime time;
    EXPECT_TRUE(time.Parse(c.pattern, c.text)) << c.pattern << " / " << c.text;
    EXPECT_EQ(time, Make(c.expected)) << c.pattern << " / " << c.text;
  }
}

TEST(XTime, ParseFailuresLeaveNoTime) {
  struct Case {
    const char *pattern, *text;
  };
  const Case cases[] = {
      {"HH:NN", ""},             // empty text
      {"NN:SS", "05:07"},        // no hour in the pattern
      {"HH:NN", ":05"},          // no hour digit
      {"HH:NN AA", "9:05"},      // AM/PM asked for, none given
      {"HH:NN AA", "9:05 P"},    // only one mark letter
      {"HH:NN", "25:00"},        // hour out of range
      {"HH:NN", "10:75"},        // minutes out of range
      {"HH:NN:SS", "10:15:60"},  // seconds out of range
  };
  for (const Case &c : cases) {
    XTime time(1, 2, 3);
    EXPECT_FALSE(time.Parse(c.pattern, c.text)) << c.pattern << " / " << c.text;
    EXPECT_TRUE(time.IsNull()) << c.pattern << " / " << c.text;
  }
}

TEST(XTime, SetHmsRejectsOutOfRangeParts) {
  EXPECT_EQ(XTime(23, 59, 59, 999).Milliseconds(), 86'399'999);
  EXPECT_EQ(XTime(0, 0, 0, 0).Milliseconds(), 0);
  for (Hms bad : {Hms{24, 0, 0, 0}, Hms{0, 60, 0, 0}, Hms{0, 0, 60, 0}, Hms{0, 0, 0, 1000}, Hms{-1, 0, 0, 0}})
    EXPECT_TRUE(Make(bad).IsNull()) << bad.hour << ":" << bad.minute;
  EXPECT_TRUE(XTime(86'400'000).IsNull());
}

TEST(XTime, DifferenceIsModuloOneDay) {
  struct Case {
    Hms later, earlier;
    int32_t expected;
  };
  const Case cases[] = {
      {{10, 0, 0, 0}, {9, 0, 0, 0}, 3'600'000},
      {{0, 1, 0, 0}, {23, 59, 0, 0}, 120'000},
      {{9, 0, 0, 0}, {9, 0, 0, 0}, 0},
      {{0, 0, 0, 0}, {0, 0, 0, 1}, 86'399'999},
  };
  for (const Case &c : cases) EXPECT_EQ(XTime::Difference(Make(c.later), Make(c.earlier)), c.expected);
}

TEST(XTime, NoTimeComparesBelowEveryTime) {
  EXPECT_EQ(XTime(), XTime());
  EXPECT_LT(XTime(), XTime(0));
  EXPECT_LT(XTime(9, 0, 0), XTime(9, 0, 1));
}

TEST(XTime, QtConversions) {
  EXPECT_EQ(XTime::FromQTime(QTime(9, 5, 7, 42)), XTime(9, 5, 7, 42));
  EXPECT_EQ(XTime(9, 5, 7, 42).ToQTime(), QTime(9, 5, 7, 42));
  EXPECT_TRUE(XTime::FromQTime(QTime()).IsNull());
  EXPECT_FALSE(XTime().ToQTime().isValid());
}

}  // namespace
