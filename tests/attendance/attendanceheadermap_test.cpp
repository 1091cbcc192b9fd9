// Export column names of the attendance query mapped to cache rows: columns, ranges, excused
// flags, the header sets and the one-warning rule.
#include "attendanceheadermap.h"

#include <gtest/gtest.h>

#include "attendance_test_support.h"
#include "attendancewriter.h"
#include "test_support.h"
#include "xexception.h"

namespace {

const QString kMethod = QStringLiteral("PDEWriter::WriteAttendanceTable");

// "stdkey|date|period|header|code|reason|excused|absent|tardy|truant|discipline"
QString describe(const AttendanceCacheRow &r) {
  return QStringList{
      r.stdkey,    r.attdate.isValid() ? r.attdate.toString(Qt::ISODate) : QStringLiteral("<none>"),
      r.period,    r.header,
      r.code,      r.reason,
      r.excused,   r.absent,
      r.tardy,     r.truant,
      r.discipline}
      .join('|');
}

struct MapCase {
  const char *name;
  QStringList headers;
  QStringList values;
  QStringList rows;
};

TEST(AttendanceHeaderMapTest, MapsValuesByHeaderName) {
  const MapCase cases[] = {
      {"one period mark",
       {"AttStdRef", "AttDate", "AttPerRef", "AttAttCodeRef", "AttAttReasonRef", "AttExcused"},
       {"S1", "09/01/2026", "P3", "A", "R7", "Y"},
       {"S1|2026-09-01|P3|AttPerRef|A|R7|Y||||"}},
      {"names compared without regard to case; header keeps its declared name",
       {"attstdref", "ATTDATE", "attsecref", "AttAttCodeRef", "ATTABS", "AttTardy", "atttruant"},
       {"S2", "09/02/2026", "SEC9", "T", "1", "2", "3"},
       {"S2|2026-09-02|SEC9|attsecref|T|||1|2|3|"}},
      {"a time frame",
       {"AttStdRef", "AttDate", "AttTimeFrameRef", "AttAttCodeRef"},
       {"S", "09/03/2026", "AM", "X"},
       {"S|2026-09-03|AM|AttTimeFrameRef|X||||||"}},
      {"a period range from 3 to 5 writes three rows under AttPerRef",
       {"AttStdRef", "AttDate", "AttStartPerRef", "AttEndPerRef", "AttAttCodeRef"},
       {"S3", "09/04/2026", "3", "5", "A"},
       {"S3|2026-09-04|3|AttPerRef|A||||||", "S3|2026-09-04|4|AttPerRef|A||||||",
        "S3|2026-09-04|5|AttPerRef|A||||||"}},
      {"a time-slot range is stored under AttTimeSlot",
       {"AttStdRef", "AttDate", "AttStartTimeSlot", "AttEndTimeSlot", "AttAttCodeRef"},
       {"S4", "09/04/2026", " 1", "2 ", "T"},
       {"S4|2026-09-04|1|AttTimeSlot|T||||||", "S4|2026-09-04|2|AttTimeSlot|T||||||"}},
      {"excused absence count: 0 is not excused, others are",
       {"AttStdRef", "AttDate", "AttPerRef", "AttExcAbs"},
       {"S", "09/01/2026", "1", "0"},
       {"S|2026-09-01|1|AttPerRef|||N|0|||"}},
      {"excused absence count above 0",
       {"AttStdRef", "AttDate", "AttPerRef", "AttExcAbs"},
       {"S", "09/01/2026", "1", "2"},
       {"S|2026-09-01|1|AttPerRef|||Y|2|||"}},
      {"unexcused absence 0 is excused",
       {"AttStdRef", "AttDate", "AttPerRef", "AttUnexcAbs"},
       {"S", "09/01/2026", "1", "0"},
       {"S|2026-09-01|1|AttPerRef|||Y|0|||"}},
      {"unexcused absence 1 is not excused",
       {"AttStdRef", "AttDate", "AttPerRef", "AttUnexcAbs"},
       {"S", "09/01/2026", "1", "1"},
       {"S|2026-09-01|1|AttPerRef|||N|1|||"}},
      {"empty excused absence leaves excused as given",
       {"AttStdRef", "AttDate", "AttPerRef", "AttExcused", "AttExcAbs"},
       {"S", "09/01/2026", "1", "Q", ""},
       {"S|2026-09-01|1|AttPerRef|||Q||||"}},
      {"excused tardy",
       {"AttStdRef", "AttDate", "AttPerRef", "AttExcTardy"},
       {"S", "09/01/2026", "1", "0"},
       {"S|2026-09-01|1|AttPerRef|||N||0||"}},
      {"unexcused tardy",
       {"AttStdRef", "AttDate", "AttPerRef", "AttUnexcTardy"},
       {"S", "09/01/2026", "1", "4"},
       {"S|2026-09-01|1|AttPerRef|||N||4||"}},
      {"discipline",
       {"AttStdRef", "AttDate", "AttPerRef", "AttDiscipline"},
       {"S", "09/01/2026", "1", "D"},
       {"S|2026-09-01|1|AttPerRef|||||||D"}},
      {"a date that does not parse is stored without a date",
       {"AttStdRef", "AttDate", "AttPerRef", "AttAttCodeRef"},
       {"S", "2026-13-45", "1", "A"},
       {"S|<none>|1|AttPerRef|A||||||"}},
      {"unsupported headers are dropped",
       {"AttStdRef", "AttComment", "AttDate", "AttPerRef", "AttAttCodeRef"},
       {"S", "ignored", "09/01/2026", "1", "A"},
       {"S|2026-09-01|1|AttPerRef|A||||||"}},
      {"no period header gives an empty period and header",
       {"AttStdRef", "AttDate", "AttAttCodeRef"},
       {"S", "09/01/2026", "A"},
       {"S|2026-09-01|||A||||||"}},
  };
  const AttendanceDateParser parse = AttendanceDateFormat::Default().parse;
  for (const MapCase &c : cases) {
    RecordingTask task;
    AttendanceHeaderSets sets;
    const AttendanceHeaderMap map(c.headers, sets, task, kMethod);
    QStringList rows;
    for (const AttendanceCacheRow &row : map.Rows(c.values, parse)) rows << describe(row);
    EXPECT_EQ(rows, c.rows) << c.name;
  }
}

TEST(AttendanceHeaderMapTest, HeaderSetsCollectTheStoredHeaderNames) {
  RecordingTask task;
  AttendanceHeaderSets sets;
  EXPECT_EQ(sets.timeFrameHeaders, (std::set<QString>{"AttTimeFrameRef"}));
  EXPECT_TRUE(sets.periodHeaders.empty());
  AttendanceHeaderMap periods({"AttPerRef", "ATTSECREF", "AttTimeSlot", "AttStartPerRef", "AttEndPerRef"},
                              sets, task, kMethod);
  AttendanceHeaderMap frames({"attTimeFrameRef", "AttStartTimeSlot", "AttEndTimeSlot"}, sets, task, kMethod);
  EXPECT_EQ(sets.periodHeaders, (std::set<QString>{"ATTSECREF", "AttPerRef", "AttTimeSlot"}));
  EXPECT_EQ(sets.timeFrameHeaders, (std::set<QString>{"AttTimeFrameRef", "AttTimeSlot", "attTimeFrameRef"}));
}

TEST(AttendanceHeaderMapTest, OnlyTheFirstHeaderWarningOfARunIsLogged) {
  const struct {
    const char *name;
    QList<QStringList> headerLists;
    QStringList warnings;
  } cases[] = {
      {"unsupported first",
       {{"AttStdRef", "AttFoo", "AttExcAbs"}, {"AttBar"}},
       {"SQLite Attendance: Unsupported header: AttFoo, skipping."}},
      {"untested first",
       {{"AttUnexcTardy", "AttFoo"}},
       {"SQLite Attendance: Untested header: AttUnexcTardy, please ensure this is tested"}},
      {"every untested header warns",
       {{"AttDiscipline"}},
       {"SQLite Attendance: Untested header: AttDiscipline, please ensure this is tested"}},
      {"known headers do not warn",
       {{"AttStdRef", "AttDate", "AttPerRef", "AttSecRef", "AttTimeSlot", "AttTimeFrameRef", "AttAttCodeRef",
         "AttAttReasonRef", "AttExcused", "AttAbs", "AttTardy", "AttTruant"}},
       {}},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    AttendanceHeaderSets sets;
    for (const QStringList &headers : c.headerLists) AttendanceHeaderMap(headers, sets, task, kMethod);
    QStringList warnings;
    for (const LoggedLine &line : task.lines) {
      EXPECT_EQ(line.level, 4) << c.name;
      EXPECT_EQ(line.method, kMethod);
      warnings << line.text;
    }
    EXPECT_EQ(warnings, c.warnings) << c.name;
  }
}

TEST(AttendanceHeaderMapTest, NonNumericRangeFailsTheRun) {
  const struct {
    QStringList headers;
    QStringList values;
    QString header;
  } cases[] = {
      {{"AttStdRef", "AttDate", "AttStartPerRef", "AttEndPerRef"},
       {"S", "09/01/2026", "1", "x"},
       "AttPerRef"},
      {{"AttStdRef", "AttDate", "AttStartPerRef", "AttEndPerRef"}, {"S", "09/01/2026", "", "3"}, "AttPerRef"},
      {{"AttStdRef", "AttDate", "AttStartTimeSlot", "AttEndTimeSlot"},
       {"S", "09/01/2026", "1.5", "2"},
       "AttTimeSlot"},
      {{"AttStdRef", "AttDate", "AttEndPerRef"}, {"S", "09/01/2026", "3"}, "AttPerRef"},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    AttendanceHeaderSets sets;
    const AttendanceHeaderMap map(c.headers, sets, task, kMethod);
    try {
      map.Rows(c.values, AttendanceDateFormat::Default().parse);
      ADD_FAILURE() << "no failure for " << c.values.join(',').toStdString();
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), "SQLite Attendance: Unsupported header: " + c.header + ", cannot continue.");
    }
    const QList<LoggedLine> errors = task.Matching("SQLite Attendance: Unsupported header: " + c.header);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].level, 3);
    EXPECT_EQ(errors[0].text, "SQLite Attendance: Unsupported header: " + c.header +
                                  ", cannot continue because Periods or Timeframes are not numeric.");
  }
}

TEST(AttendanceHeaderMapTest, PeriodRangesAreBoundedUpToTheIntegerLimits) {
  const QString wider = QStringLiteral(
      "SQLite Attendance: Period range %1 to %2 of student S on 09/01/2026 is wider than 100 periods, "
      "skipping the row.");
  const struct {
    const char *from;
    const char *to;
    int rows;  // rows written, from period `from` up
    bool warned;
  } cases[] = {
      {"1", "100", 100, false},
      {"1", "101", 0, true},
      {"2147483646", "2147483647", 2, false},
      {"2147483647", "2147483647", 1, false},
      {"-2147483648", "-2147483648", 1, false},
      {"-2147483648", "-2147483647", 2, false},
      {"-2147483648", "2147483647", 0, true},
      {"0", "2147483647", 0, true},
      {"2147483647", "-2147483648", 0, false},
  };
  const QStringList headers = {"AttStdRef", "AttDate", "AttStartPerRef", "AttEndPerRef"};
  for (const auto &c : cases) {
    QStringList expected;
    for (int i = 0; i < c.rows; ++i) expected << QString::number(QString(c.from).toLongLong() + i);
    RecordingTask task;
    AttendanceHeaderSets sets;
    const AttendanceHeaderMap map(headers, sets, task, kMethod);
    QStringList periods;
    for (const AttendanceCacheRow &row :
         map.Rows({"S", "09/01/2026", c.from, c.to}, AttendanceDateFormat::Default().parse))
      periods << row.period;
    EXPECT_EQ(periods, expected) << c.from << ".." << c.to;
    QStringList warnings;
    for (const LoggedLine &line : task.lines)
      if (line.level == 4) warnings << line.text;
    EXPECT_EQ(warnings, c.warned ? QStringList{wider.arg(c.from, c.to)} : QStringList()) << c.from;
  }
}

}  // namespace
