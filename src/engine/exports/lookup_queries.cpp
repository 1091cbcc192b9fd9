// The queries of a run's set-up: the current school year, the school's date range and the four
// lookup tables (included students, attendance codes, included sections, attribute names).
#include "exports.h"

using namespace exportdef;

namespace exports {

const ExportDef &CurrentSchoolYear() {
  static const ExportDef definition{
      .title = "Current School Year",
      .tables = {{"Calendar", "CAL"}, {"SchoolYear", "SYEAR"}},
      .columns = {QueryOnly("SYEAR.startYear", kRequired), QueryOnly("CAL.schoolID", kRequired),
                  QueryOnly("CAL.districtID", kRequired), QueryOnly("SYEAR.active", kRequired)},
      .joins = {{"SYEAR.$yearLink", "CAL.$yearLink"}},
      .where = {Where("SYEAR.active", "=", Number(1))},
      .blocks = {DistrictSchool("CAL")},
      .distinct = true,
      // The first row is the year: with more than one active year, the earliest, on every database.
      .orderBy = {"SYEAR.startYear"},
  };
  return definition;
}

const ExportDef &SchoolDateRange() {
  static const ExportDef definition{
      .title = "School Start and End Dates",
      .tables = {{"Calendar", "C"}, {"SchoolYear", "Y"}},
      .columns = {QueryOnly("C.startDate", kRequired), QueryOnly("C.endDate", kRequired)},
      .blocks = {CalendarYear("C", "Y")},
  };
  return definition;
}

const ExportDef &IncludedStudentsLut() {
  static const ExportDef definition{
      .title = "Included Students LUT",
      .tables = {{"student", "STU"}},
      .columns = {QueryOnly("STU.personID", kRequired, kStudentField),
                  QueryOnly("STU.structureID", kOptional, kStructureField)},
      .blocks = {DistrictSchool("STU"), Enrollment("STU")},
  };
  return definition;
}

// The excuse codes of the school's calendars in the run's year.
const ExportDef &AttendanceCodesLut() {
  static const ExportDef definition{
      .title = "Attendance Codes LUT",
      .tables = {{"AttendanceExcuse", "AE"}, {"Calendar", "CAL"}, {"SchoolYear", "SYEAR"}},
      .columns = {QueryOnly("AE.code", kRequired), QueryOnly("AE.excuseID", kRequired, kExcuseField)},
      .joins = {{"AE.calendarID", "CAL.calendarID"}},
      .blocks = {CalendarYear("CAL", "SYEAR")},
  };
  return definition;
}

// Sections of the active trial of the school's calendars in the run's year that have a course and a
// roster row.
const ExportDef &IncludedSectionsLut() {
  static const ExportDef definition{
      .title = "Included Sections LUT",
      .tables = {{"v_SectionInfo", "S"},
                 {"v_CourseInfo", "CRS"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "Y"},
                 {"Roster", "R"},
                 {"Trial", "TR"}},
      .columns = {QueryOnly("S.sectionID", kRequired, kSectionField)},
      .joins = {{"S.calendarID", "CAL.calendarID"},
                {"CRS.courseID", "S.courseID"},
                {"R.sectionID", "S.sectionID"},
                {"S.trialID", "TR.trialID"}},
      .where = {Where("TR.active", "=", Number(1))},
      .blocks = {CalendarYear("CAL", "Y")},
      .distinct = true,
  };
  return definition;
}

const ExportDef &BuildingAttributeLut() {
  static const ExportDef definition{
      .title = "Building Attribute LUT",
      .tables = {{"CampusAttribute", "A"}},
      .columns = {QueryOnly("A.attributeID", kRequired), QueryOnly("A.name", kRequired)},
  };
  return definition;
}

}  // namespace exports
