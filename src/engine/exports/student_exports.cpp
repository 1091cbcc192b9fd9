// The student tables of the import: each student export tied to the student's enrollment in the
// run's school and year (the enrollment block) and written for included students only.
#include "exports.h"
#include "getters.h"

using namespace exportdef;

namespace exports {

// Period attendance, read window by window into the attendance cache; only changed marks are sent.
const ExportDef &PeriodAttendance() {
  static const ExportDef definition{
      .title = "Student Period Attendance",
      .file = "StudentPeriodAtt.pef",
      .tables = {{"Attendance", "PERATT"}, {"Student", "STU"}},
      .columns = {Out("PERATT.personID", "AttStdRef", get::StudentKey, kRequired, kStudentField),
                  Out("PERATT.periodID", "AttPerRef", nullptr, kRequired),
                  Out("PERATT.date", "AttDate", get::Date, kRequired, kAttendanceDateField),
                  Out("PERATT.status", "AttAttCodeRef", get::AttendanceCodeOrStatus, kRequired),
                  QueryOnly("PERATT.excuseID", kRequired, kExcuseField),
                  QueryOnly("STU.structureID", kOptional, kStructureField)},
      .joins = {{"PERATT.personID", "STU.personID"}, {"STU.calendarID", "PERATT.calendarID"}},
      .blocks = {DistrictSchool("STU"), Enrollment("STU")},
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

}  // namespace exports
