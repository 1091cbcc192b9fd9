// The window walk over the school year and the overlap arithmetic.
#include "attendancewindows.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

QDate d(const char *iso) {
  return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

// "start..end[/queryEnd]" per window, "none" for an unset start, "*" marking the last.
QStringList describe(const AttendanceWalk &walk) {
  QStringList out;
  for (const AttendanceWindow &w : walk.windows) {
    QString text = (w.start.isValid() ? w.start.toString(Qt::ISODate) : QStringLiteral("none")) + ".." +
                   w.end.toString(Qt::ISODate);
    if (w.queryEnd != w.end) text += "/" + w.queryEnd.toString(Qt::ISODate);
    if (w.last) text += "*";
    out << text;
  }
  return out;
}

struct WalkCase {
  const char *name;
  QDate cursor;
  QDate today;
  QDate yearStart;
  QDate yearEnd;
  bool lastExtra;
  bool tableExtra;
  QStringList windows;
  QDate lastDayRead;
};

TEST(AttendanceWindowsTest, WalksTheSchoolYearInSixDaySteps) {
  const QDate ys = d("2026-08-20");
  const QDate ye = d("2027-06-05");
  const WalkCase cases[] = {
      {"first run reads from the year start to today",
       QDate(),
       d("2026-09-10"),
       ys,
       ye,
       false,
       false,
       {"2026-08-20..2026-08-26", "2026-08-26..2026-09-01", "2026-09-01..2026-09-07",
        "2026-09-07..2026-09-10*"},
       d("2026-09-10")},
      {"last-window extra day moves only the last end",
       QDate(),
       d("2026-09-01"),
       ys,
       ye,
       true,
       false,
       {"2026-08-20..2026-08-26", "2026-08-26..2026-09-02*"},
       d("2026-09-01")},
      {"table extra day moves every query end",
       QDate(),
       d("2026-08-30"),
       ys,
       ye,
       false,
       true,
       {"2026-08-20..2026-08-26/2026-08-27", "2026-08-26..2026-08-30/2026-08-31*"},
       d("2026-08-30")},
      {"a window of exactly six days is the last",
       d("2026-09-01"),
       d("2026-09-07"),
       ys,
       ye,
       false,
       false,
       {"2026-09-01..2026-09-07*"},
       d("2026-09-07")},
      {"cursor before the year start starts at the year start",
       d("2026-06-01"),
       d("2026-08-22"),
       ys,
       ye,
       false,
       false,
       {"2026-08-20..2026-08-22*"},
       d("2026-08-22")},
      {"today after the year end stops at the year end",
       d("2027-06-01"),
       d("2027-07-15"),
       ys,
       ye,
       false,
       false,
       {"2027-06-01..2027-06-05*"},
       d("2027-06-05")},
      {"today before the year start reads the first day",
       QDate(),
       d("2026-08-01"),
       ys,
       ye,
       false,
       false,
       {"2026-08-20..2026-08-20*"},
       d("2026-08-20")},
      {"cursor after the limit starts at the limit",
       d("2026-09-20"),
       d("2026-09-10"),
       ys,
       ye,
       false,
       false,
       {"2026-09-10..2026-09-10*"},
       d("2026-09-10")},
      {"no year start and no cursor read everything up to today",
       QDate(),
       d("2026-09-10"),
       QDate(),
       QDate(),
       false,
       false,
       {"none..2026-09-10*"},
       d("2026-09-10")},
      {"day 0 counts as unset",
       QDate(1600, 1, 1),
       d("2026-09-10"),
       QDate(1600, 1, 1),
       ye,
       false,
       false,
       {"none..2026-09-10*"},
       d("2026-09-10")},
      {"no year start walks from the cursor",
       d("2026-09-01"),
       d("2026-09-10"),
       QDate(),
       QDate(),
       false,
       false,
       {"2026-09-01..2026-09-07", "2026-09-07..2026-09-10*"},
       d("2026-09-10")},
  };
  for (const WalkCase &c : cases) {
    const AttendanceWalk walk =
        WalkAttendanceWindows(c.cursor, c.today, c.yearStart, c.yearEnd, c.lastExtra, c.tableExtra);
    EXPECT_EQ(describe(walk), c.windows) << c.name;
    EXPECT_EQ(walk.lastDayRead, c.lastDayRead) << c.name;
  }
}

TEST(AttendanceWindowsTest, OverlapDaysAndReadFrom) {
  const struct {
    const char *text;
    int days;
  } overlaps[] = {{"", 14}, {"14", 14}, {"7", 7}, {" 5 ", 5}, {"0", 0}, {"abc", 14}, {"-3", 14}, {"2.5", 14}};
  for (const auto &c : overlaps) EXPECT_EQ(AttendanceOverlapDays(c.text), c.days) << c.text;

  EXPECT_FALSE(AttendanceReadFrom(QDate(), "14").isValid());
  EXPECT_FALSE(AttendanceReadFrom(QDate(1600, 1, 1), "14").isValid());
  EXPECT_EQ(AttendanceReadFrom(d("2026-09-10"), ""), d("2026-08-27"));
  EXPECT_EQ(AttendanceReadFrom(d("2026-09-10"), "3"), d("2026-09-07"));
}

}  // namespace
