// The school's schedule skeleton and its sections: attendance codes, bell schedules, the calendar,
// tumbles, periods, days, terms, sections, their placements and teachers. Each calendar is one of
// the school's in the run's year (the calendar-year block); each section one of the active trial.
#include "exports.h"
#include "getters.h"
#include "student_columns.h"

using namespace exportdef;

namespace exports {

// The sections of the schedule in use: a draft trial's sections are not exported.
static const Condition kActiveTrial = Where("TR.active", "=", Number(1));

const ExportDef &AttendanceCodes() {
  static const ExportDef definition{
      .title = "Attendance Codes",
      .file = "AttCodes.pef",
      .tables = {{"AttendanceExcuse", "AE"}, {"Calendar", "CAL"}, {"SchoolYear", "SYEAR"}},
      .columns = {Out("AE.code", "AttCodeKey", nullptr, kRequired), Out("AE.description", "AttCodeDesc"),
                  Out("AE.status", "AttCodeAbs", get::AbsentFlag),
                  Out("AE.status", "AttCodeTardy", get::TardyFlag),
                  Out("AE.excuse", "AttCodeExcused", get::ExcusedYesNo)},
      .joins = {{"AE.calendarID", "CAL.calendarID"}},
      .blocks = {CalendarYear("CAL", "SYEAR")},
      .distinct = true,
  };
  return definition;
}

// The periods of each period schedule of the school's structures.
static const std::vector<Table> kPeriodTables = {{"Period", "P"},
                                                 {"PeriodSchedule", "PS"},
                                                 {"ScheduleStructure", "SS"},
                                                 {"Calendar", "CAL"},
                                                 {"SchoolYear", "Y"}};
static const std::vector<Join> kPeriodJoins = {{"P.periodScheduleID", "PS.periodScheduleID"},
                                               {"PS.structureID", "SS.structureID"},
                                               {"SS.calendarID", "CAL.calendarID"}};

const ExportDef &BellSchedule() {
  static const ExportDef definition{
      .title = "Bell Schedule",
      .file = "BellSchedule.pef",
      .tables = kPeriodTables,
      .columns = {Out("PS.periodScheduleID", "BellKey", nullptr, kRequired),
                  Out("PS.name", "BellName", nullptr, kRequired),
                  Out("P.seq", "BellTimeOrder", get::Int, kRequired),
                  Out("P.startTime", "BellTimeStart", get::Time, kRequired),
                  Out("P.endTime", "BellTimeEnd", get::Time, kRequired)},
      .joins = kPeriodJoins,
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &SchoolCalendar() {
  static const ExportDef definition{
      .title = "School Calendar",
      .file = "Calendar.pef",
      .tables = {{"Day", "D"}, {"ScheduleStructure", "SS"}, {"Calendar", "CAL"}, {"SchoolYear", "Y"}},
      .columns = {Out("D.structureID", "CalKey", nullptr, kRequired),
                  Out("SS.name", "CalName", nullptr, kRequired),
                  Out("D.date", "CalDate", get::Date, kRequired),
                  Out("D.periodScheduleID", "CalDateDayRef", nullptr, kRequired),
                  Out("D.periodScheduleID", "CalDateBellRef", nullptr, kRequired),
                  Out("D.periodScheduleID", "CalDateTumRef", nullptr, kRequired),
                  Out("D.attendance", "CalDateAttValue", get::OneZero, kRequired)},
      .joins = {{"D.structureID", "SS.structureID"}, {"SS.calendarID", "CAL.calendarID"}},
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &Tumble() {
  static const ExportDef definition{
      .title = "Tumble",
      .file = "Tumbles.pef",
      .tables = kPeriodTables,
      .columns = {Out("PS.periodScheduleID", "TumKey", nullptr, kRequired),
                  Out("PS.name", "TumName", nullptr, kRequired),
                  Out("P.periodID", "TumPerRef", nullptr, kRequired),
                  Out("P.seq", "TumPerOrder", nullptr, kRequired)},
      .joins = kPeriodJoins,
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &Periods() {
  static const ExportDef definition{
      .title = "Periods",
      .file = "Periods.pef",
      .tables = kPeriodTables,
      .columns = {Out("P.periodID", "PerKey", nullptr, kRequired),
                  Out("P.name", "PerName", nullptr, kRequired),
                  Out("SS.structureID", "PerCalRef", nullptr, kRequired),
                  Out("P.seq", "PerOrder", nullptr, kRequired)},
      .joins = kPeriodJoins,
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &Days() {
  static const ExportDef definition{
      .title = "Days",
      .file = "Days.pef",
      .tables = {{"PeriodSchedule", "PS"},
                 {"ScheduleStructure", "SS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"}},
      .columns = {Out("PS.periodScheduleID", "DayKey", nullptr, kRequired),
                  Out("PS.name", "DayName", nullptr, kRequired),
                  Out("SS.structureID", "DayCalRef", nullptr, kRequired), Out("PS.seq", "DayOrder")},
      .joins = {{"PS.structureID", "SS.structureID"}, {"SS.calendarID", "CAL.calendarID"}},
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &Terms() {
  static const ExportDef definition{
      .title = "Terms",
      .file = "Terms.pef",
      .tables = {{"Term", "T"},
                 {"TermSchedule", "TS"},
                 {"ScheduleStructure", "SS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"}},
      .columns = {Out("T.termID", "TermKey", nullptr, kRequired),
                  Out("T.name", "TermName", nullptr, kRequired),
                  Out("T.startDate", "TermStartDate", get::Date, kRequired),
                  Out("T.endDate", "TermEndDate", get::Date, kRequired),
                  Out("SS.structureID", "TermCalRef", nullptr, kRequired)},
      .joins = {{"T.termScheduleID", "TS.termScheduleID"},
                {"TS.structureID", "SS.structureID"},
                {"SS.calendarID", "CAL.calendarID"}},
      .blocks = {CalendarYear("CAL", "Y")},
  };
  return definition;
}

const ExportDef &Sections() {
  static const ExportDef definition{
      .title = "Sections",
      .file = "Sections.pef",
      .tables = {{"v_CourseSection", "SEC"},
                 {"v_CourseInfo", "CRS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "YEAR"},
                 {"Trial", "TR"}},
      .columns = {Out("SEC.sectionID", "SecKey", nullptr, kRequired, kSectionField),
                  Out("CRS.courseName", "SecName", nullptr, kRequired), Out("SEC.roomName", "SecRoomNum")},
      .joins = {{"SEC.courseID", "CRS.courseID"},
                {"SEC.calendarID", "CAL.calendarID"},
                {"SEC.trialID", "TR.trialID"}},
      .where = {kActiveTrial},
      .blocks = {CalendarYear("CAL", "YEAR")},
      .distinct = true,
      .filter = Filter::IncludedSection,
  };
  return definition;
}

// Where and when each section meets: its placements in the periods of the active trial.
const ExportDef &SectionSchedules() {
  static const ExportDef definition{
      .title = "Section Schedules",
      .file = "SectionSchedule.pef",
      .tables = {{"Period", "P"},
                 {"SectionPlacement", "SP"},
                 {"Section", "S"},
                 {"PeriodSchedule", "PS"},
                 {"ScheduleStructure", "SS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"},
                 {"Trial", "TR"}},
      .columns = {Out("S.sectionID", "SecKey", nullptr, kRequired, kSectionField),
                  Out("SP.periodID", "SecPerRef", nullptr, kRequired),
                  Out("SP.termID", "SecTermRef", nullptr, kRequired),
                  Out("P.periodScheduleID", "SecDayRef", nullptr, kRequired),
                  Out("SS.structureID", "SecCalRef", nullptr, kOptional, kStructureField)},
      .joins = {{"SP.sectionID", "S.sectionID"},
                {"SP.periodID", "P.periodID"},
                {"P.periodScheduleID", "PS.periodScheduleID"},
                {"PS.structureID", "SS.structureID"},
                {"SS.calendarID", "CAL.calendarID"},
                {"SP.trialID", "TR.trialID"},
                {"S.trialID", "TR.trialID"}},
      .where = {kActiveTrial},
      .blocks = {CalendarYear("CAL", "Y")},
      .distinct = true,
      .filter = Filter::IncludedSection,
  };
  return definition;
}

// The primary teacher is a staff reference: the key Staff.pef uses in the run, with the structure of
// the section's trial.
const ExportDef &SectionPrimaryTeachers() {
  static const ExportDef definition{
      .title = "Section Primary Teachers",
      .file = "Section1.pef",
      .tables = {{"Section", "S"},
                 {"v_CourseSection", "SEC"},
                 {"v_CourseInfo", "CRS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"},
                 {"Trial", "TR"}},
      .columns = {Out("S.sectionID", "SecKey", nullptr, kRequired, kSectionField),
                  Out("S.teacherDisplay", "SecDisplayName")
                      .Custom("#custombasicfield", "Display Name", "DisplayName", "NOFORMAT"),
                  Out("S.teacherPersonID", "SecPrimaryTeacher", get::StaffMemberKey)
                      .Custom("#custombasicfield", "Primary Teacher", "PrimaryTeacher", "STAFF"),
                  QueryOnly("TR.structureID", kOptional, kStructureField)},
      .joins = {{"S.sectionID", "SEC.sectionID"},
                {"SEC.courseID", "CRS.courseID"},
                {"SEC.calendarID", "CAL.calendarID"},
                {"S.trialID", "TR.trialID"}},
      .where = {kActiveTrial},
      .blocks = {CalendarYear("CAL", "Y")},
      .distinct = true,
      .filter = Filter::IncludedSection,
  };
  return definition;
}

// The section's current teachers: one taken off the section before today is no longer its staff.
const ExportDef &TeacherSections() {
  static const ExportDef definition{
      .title = "Teacher Sections",
      .file = "SectionStaff.pef",
      .tables = {{"v_CourseSection", "SEC"},
                 {"v_CourseInfo", "CRS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"},
                 {"Teacher", "TCH"},
                 {"ScheduleStructure", "SSTRUCT"},
                 {"Trial", "TR"}},
      .columns = {Out("SEC.sectionID", "SecKey", nullptr, kRequired, kSectionField),
                  Out("TCH.personID", "SecStaffRef", get::StaffMemberKey),
                  Out("SSTRUCT.structureID", "SecCalRef", nullptr, kOptional, kStructureField)},
      .joins = {{"TCH.sectionID", "SEC.sectionID"},
                {"TCH.trialID", "SEC.trialID"},
                {"SEC.courseID", "CRS.courseID"},
                {"SEC.calendarID", "CAL.calendarID"},
                {"SSTRUCT.calendarID", "CAL.calendarID"},
                {"SEC.trialID", "TR.trialID"}},
      .where = {kActiveTrial, CurrentWhereDated("TCH.endDate")},
      .blocks = {CalendarYear("CAL", "Y")},
      .distinct = true,
      .filter = Filter::IncludedSection,
  };
  return definition;
}

}  // namespace exports
