// The conduct tables: the incidents and outcomes of the run's students, which collect the events
// they reference, and the school-wide incidents and outcomes written for those events only. Every
// event is one of a calendar of the run's school in the run's year: a student's role in an event of
// last year, of another school or of another district brings nothing in.
#include "conduct_getters.h"
#include "exports.h"
#include "getters.h"
#include "student_getters.h"

using namespace exportdef;

namespace {
constexpr const char *kIncidentField = "#customcndinfield";
constexpr const char *kOutcomeField = "#customcndoutfield";
constexpr const char *kNoFormat = "noformat";

// The event's calendar (C) and its school year (Y): a calendar of the run's school in the run's year.
const Table kEventCalendar{"Calendar", "C"};
const Table kEventYear{"SchoolYear", "Y"};
const Join kEventInCalendar{"E.calendarID", "C.calendarID"};
const Block kEventOfTheSchoolYear = CalendarYear("C", "Y");
}  // namespace

namespace exports {

// One row per role of an included student in an event.
const ExportDef &StudentConductIncidents() {
  static const ExportDef definition{
      .title = "Student Conduct Incidents",
      .file = "StudentCndIncident.pef",
      .tables = {{"Student", "S"}, {"BehaviorRole", "R"}, {"BehaviorEvent", "E"}, kEventCalendar, kEventYear},
      .columns = {Out("E.eventID", "CndInKey", get::CollectConductKey),
                  Out("S.personID", "CndInPerpStdRef", get::StudentKey, kOptional, kStudentField),
                  QueryOnly("S.structureID", kOptional, kStructureField)},
      .joins = {{"R.personID", "S.personID"}, {"E.eventID", "R.eventID"}, kEventInCalendar},
      .blocks = {DistrictSchool("S"), Enrollment("S"), kEventOfTheSchoolYear},
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// Each outcome of a role held by an included student, with the student of that role.
const ExportDef &StudentConductOutcomes() {
  static const ExportDef definition{
      .title = "Student Conduct Outcomes",
      .file = "StudentCndOutcome.pef",
      .tables = {{"Student", "S"},
                 {"BehaviorRole", "R"},
                 {"BehaviorResolution", "O"},
                 {"BehaviorEvent", "E"},
                 kEventCalendar,
                 kEventYear},
      .columns = {Out("O.resolutionID", "CndOutKey", nullptr, kRequired),
                  Out("E.eventID", "CndOutInRef", get::CollectConductKey, kRequired),
                  Out("S.personID", "CndOutTargetStdRef", get::StudentKey, kRequired, kStudentField),
                  QueryOnly("S.structureID", kOptional, kStructureField)},
      .joins = {{"O.roleID", "R.roleID"},
                {"O.eventID", "E.eventID"},
                {"R.personID", "S.personID"},
                kEventInCalendar},
      .blocks = {DistrictSchool("S"), Enrollment("S"), kEventOfTheSchoolYear},
      .distinct = true,
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &ConductIncidents() {
  static const ExportDef definition{
      .title = "Conduct Incidents",
      .file = "ConductIncident.pef",
      .tables = {{"BehaviorEvent", "E"}, kEventCalendar, {"School", "S"}, kEventYear},
      .columns = {Out("E.eventID", "CndInKey", nullptr, kRequired, kConductField),
                  Out("E.name", "CndInTypeRef"), Out("E.weaponCode", "CndInWeaponCode"),
                  Out("E.violenceCode", "CndInViolenceCode"),
                  Out("E.timestamp", "CndInDateTime", get::DateTime),
                  Out("E.refererStaffName", "CndInRefererStaffName")
                      .Custom(kIncidentField, "Referer", "RefererStaffName1", kNoFormat),
                  Out("E.refereeStaffName", "CndInRefereeStaffName")
                      .Custom(kIncidentField, "Referee", "RefereeStaffName1", kNoFormat),
                  Out("E.comments", "CndInNote"),
                  Out("E.victimStdName", "CndInVictimStdName")
                      .Custom(kIncidentField, "Victim", "VictimStdName1", kNoFormat),
                  Out("E.damages", "CndInDamages"), Out("E.location", "CndInRoomRef"),
                  Out("E.policeCalled", "CndInPoliceCalled", get::OneZero),
                  Out("E.gangRelated", "CndInGangRelated", get::OneZero),
                  Out("E.hateCrime", "CndInHateCrime", get::OneZero),
                  Out("E.alcoholRelated", "CndInAlcoholRelated", get::OneZero),
                  Out("E.drugRelated", "CndInDrugRelated", get::OneZero),
                  Out("E.fightRelated", "CndInFightRelated", get::OneZero),
                  Out("E.hearing", "CndInHearing").Custom(kIncidentField, "Hearing", "Hearing", kNoFormat),
                  Out("E.occurredAt", "CndInOccurredAt")
                      .Custom(kIncidentField, "Occurred At", "OccurredAt", kNoFormat)},
      .joins = {kEventInCalendar, {"C.schoolID", "S.schoolID"}},
      .blocks = {kEventOfTheSchoolYear},
      .filter = Filter::ReferencedConductKey,
  };
  return definition;
}

// The outcomes of the referenced events that belong to a role of an included student: another
// student's outcome in the same event stays out.
const ExportDef &ConductOutcomes() {
  static const ExportDef definition{
      .title = "Conduct Outcomes",
      .file = "ConductOutcome.pef",
      .tables = {{"BehaviorResolution", "O"},
                 {"BehaviorRole", "R"},
                 {"BehaviorEvent", "E"},
                 kEventCalendar,
                 kEventYear,
                 {"Student", "S"}},
      .columns =
          {Out("O.resolutionID", "CndOutKey", nullptr, kRequired),
           Out("E.eventID", "CndOutInRef", nullptr, kOptional, kConductField), Out("O.name", "CndOutTypeRef"),
           Out("O.timestamp", "CndOutStartDateTime", get::DateTime),
           Out("O.endDate", "CndOutEndDate", get::Date), Out("O.comments", "CndOutNote", get::CndOutNote),
           QueryOnly("O.removalReason"), Out("O.schoolDaysDuration", "CndOutDuration"),
           Out("O.expulsion", "CndOutExpulsion").Custom(kOutcomeField, "Expulsion", "Expulsion", kNoFormat),
           Out("O.expServProv", "CndOutExpServProv")
               .Custom(kOutcomeField, "Serv. Provided", "ExpServProv", kNoFormat),
           Out("O.auxCode", "CndOutAuxCode").Custom(kOutcomeField, "Aux. Code", "AuxCode", kNoFormat),
           QueryOnly("S.personID", kRequired, kStudentField),
           QueryOnly("S.structureID", kOptional, kStructureField)},
      .joins = {{"O.roleID", "R.roleID"},
                {"R.eventID", "E.eventID"},
                kEventInCalendar,
                {"S.personID", "R.personID"}},
      .blocks = {kEventOfTheSchoolYear, DistrictSchool("S"), Enrollment("S")},
      .filter = Filter::IncludedStudentReferencedConductKey,
  };
  return definition;
}

}  // namespace exports
