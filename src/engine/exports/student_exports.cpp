// The student tables of the import: each student export tied to the student's enrollment in the
// run's school and year (the enrollment block) and written for included students only. Every other
// table of an export is tied to the student by personID or to the enrollment's calendar, so a
// student never receives another student's rows.
#include "exports.h"
#include "getters.h"
#include "household_columns.h"
#include "student_columns.h"
#include "student_getters.h"

using namespace exportdef;

namespace exports {

namespace {

Column SchoolField(const char *source, const char *header, const char *title, const char *name) {
  return Out(source, header).Custom("#customschoolfield", title, name, "");
}

// The student's current household address: a current membership and location, not secondary. The
// communication kind has no source in the database and is written empty, keeping the household
// phone under its own header field.
ExportDef StudentAddress(const char *title, const char *file, const char *type, Getter streetLine,
                         Condition postOfficeBox) {
  return ExportDef{
      .title = title,
      .file = file,
      .tables = WithHouseholdTables({{"Student", "STU"}}),
      .columns =
          Joined({{StudentKeyColumn("STU.personID", "StdKey"), Constant("StdAddressType", type)},
                  AddressColumns({"StdAddress1", "StdAddress2", "StdCity", "StdState", "StdZip"}, streetLine),
                  {Blank("StdComKind"), Out("H.phone", "StdComValue", get::UnlessPrivate),
                   QueryOnly("H.phonePrivate"), EnrollmentStructure("STU.structureID")}}),
      .joins = HouseholdJoins("STU.personID"),
      .where = CurrentHouseholdAddress(postOfficeBox),
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
}

// A current contact's current household address of one kind (mailing or not), not secondary.
ExportDef ContactAddress(const char *title, const char *file, const AddressHeaders &headers,
                         Getter streetLine, long long mailing) {
  return ExportDef{
      .title = title,
      .file = file,
      .tables = {{"Student", "STU"},
                 {"RelatedPair", "RP"},
                 {"Contact", "CON"},
                 {"HouseholdMember", "HM"},
                 {"HouseholdLocation", "HL"},
                 {"Address", "A"}},
      .columns =
          Joined({{Out("CON.personID", "ConKey"), StudentKeyColumn("STU.personID", "ConStdRef", kOptional)},
                  AddressColumns(headers, streetLine),
                  {EnrollmentStructure("STU.structureID")}}),
      .joins = {{"RP.personID1", "STU.personID"},
                {"RP.personID2", "CON.personID"},
                {"HM.personID", "CON.personID"},
                {"HL.householdID", "HM.householdID"},
                {"A.addressID", "HL.addressID"}},
      .where = {CurrentWhereDated("RP.endDate"), IsNull("HM.endDate"), IsNull("HL.endDate"),
                Where("HL.secondary", "=", Number(0)), Where("HL.mailing", "=", Number(mailing))},
      .blocks = EnrolledIn("STU"),
      .distinct = true,
      .filter = Filter::IncludedStudent,
  };
}

}  // namespace

// The photo id has no source in the database: its column is written empty, so every later value
// stays under its own header field.
const ExportDef &StudentDemographics() {
  static const ExportDef definition{
      .title = "Student Demographics",
      .file = "Students.pef",
      .tables = {{"student", "STU"}},
      .columns = {StudentKeyColumn("STU.personID", "StdKey"), Out("STU.studentNumber", "StdNum"),
                  Blank("StdPhotoID"), Out("STU.stateID", "StdStateID"),
                  Out("STU.lastName", "StdLastName", get::NameWithSuffix, kRequired),
                  QueryOnly("STU.suffix", kRequired), Out("STU.firstName", "StdFirstName"),
                  Out("STU.middleName", "StdMidName"), Out("STU.alias", "StdNickname"),
                  Out("STU.gender", "StdGender"), Out("STU.birthCountry", "StdBirthCountry"),
                  Out("STU.birthdate", "StdBirthDate", get::Date), Out("STU.grade", "StdGradeLevel"),
                  Out("STU.startDate", "StdEnterDate", get::Date),
                  Out("STU.endDate", "StdLeaveDate", get::Date),
                  Out("STU.structureID", "StdCalRef", nullptr, kOptional, kStructureField)},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentPhysicalAddresses() {
  static const ExportDef definition = StudentAddress("Student Physical Addresses", "StudentPhysAddr.pef",
                                                     "Home", get::StreetLine, NotSet("A.postOfficeBox"));
  return definition;
}

const ExportDef &StudentMailingAddresses() {
  static const ExportDef definition =
      StudentAddress("Student Mailing Addresses", "StudentMailAddr.pef", "Mail", get::StreetOrPoBox,
                     Where("A.postOfficeBox", "=", Number(1)));
  return definition;
}

// Today is compared as a date literal of the database's dialect.
const ExportDef &StudentLockers() {
  static const ExportDef definition{
      .title = "Student Lockers",
      .file = "StudentLockers.pef",
      .tables = {{"Student", "STU"}, {"v_LockerDetail", "L"}},
      .columns = {StudentKeyColumn("STU.personID", "StdKey"),
                  Out("L.lockerNumber", "StdLocker", get::LockerAndLocation, kRequired),
                  QueryOnly("L.location", kRequired), Out("L.combo", "StdCombo", nullptr, kRequired),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"STU.personID", "L.personID"}, {"L.schoolID", "STU.schoolID"}},
      .where = {NotNull("L.startDate"), NotEndedBeforeToday("L.endDate")},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentPhoneNumbers() {
  static const ExportDef definition{
      .title = "Student Phone Numbers",
      .file = "StudentPhones.pef",
      .tables = {{"Student", "STU"}, {"Contact", "CON"}},
      .columns =
          Joined({{StudentKeyColumn("STU.personID", "StdKey")},
                  ContactColumns({"StdHomePhone", "StdWorkPhone", "StdCellPhone", "StdPager", "StdEmail"}),
                  {Out("CON.communicationLanguage", "StdLanguage"), EnrollmentStructure("STU.structureID")}}),
      .joins = {{"CON.personID", "STU.personID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// The student's current relationships (a former step-parent is no contact) with persons who belong
// to a household now; names from their identity.
const ExportDef &StudentContacts() {
  static const ExportDef definition{
      .title = "Student Contacts",
      .file = "StudentCon.pef",
      .tables = {{"Student", "STU"},
                 {"RelatedPair", "RP"},
                 {"Contact", "CON"},
                 {"Identity", "I"},
                 {"HouseholdMember", "HM"}},
      .columns =
          Joined({{Out("CON.personID", "ConKey"), StudentKeyColumn("STU.personID", "ConStdRef", kOptional),
                   Out("I.lastName", "ConLastName"), Out("I.firstName", "ConFirstName"),
                   Out("I.middleName", "ConMidName"), Out("I.gender", "ConSex"),
                   Out("I.birthdate", "ConBirthDate", get::Date), Out("RP.name", "ConRelationship")},
                  ContactColumns({"ConHomePhone", "ConWorkPhone", "ConCellPhone", "ConPager", "ConEmail"}),
                  {Out("RP.guardian", "ConHasCustody", get::CustodyYesNo), QueryOnly("RP.secondary"),
                   EnrollmentStructure("STU.structureID")}}),
      .joins = {{"RP.personID1", "STU.personID"},
                {"RP.personID2", "CON.personID"},
                {"HM.personID", "CON.personID"},
                {"I.personID", "CON.personID"}},
      .where = {CurrentWhereDated("RP.endDate"), IsNull("HM.endDate")},
      .blocks = EnrolledIn("STU"),
      .distinct = true,
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentContactMailingAddress() {
  static const ExportDef definition =
      ContactAddress("Student Contact Mailing Address", "ConMailAddr.pef",
                     {"ConMailAddress1", "ConMailAddress2", "ConMailCity", "ConMailState", "ConMailZip"},
                     get::StreetOrPoBox, 1);
  return definition;
}

const ExportDef &StudentContactPhysicalAddress() {
  static const ExportDef definition =
      ContactAddress("Student Contact Physical Address", "ConPhysAddr.pef",
                     {"ConAddress1", "ConAddress2", "ConCity", "ConState", "ConZip"}, get::StreetLine, 0);
  return definition;
}

// Current program participations other than the medical one, which the health tables carry.
const ExportDef &StudentNotes() {
  static const ExportDef definition{
      .title = "Student Notes",
      .file = "StudentNotes.pef",
      .tables = {{"Student", "STU"}, {"v_ProgramParticipation", "PP"}},
      .columns = {StudentKeyColumn("STU.personID", "NoteStdRef"),
                  Out("PP.name", "NoteKey", nullptr, kRequired), Out("PP.name", "NoteTitle"),
                  Out("PP.userWarning", "NoteContent", get::NoteText), QueryOnly("PP.studentDescription"),
                  Out("PP.startDate", "NoteDate", get::Date),
                  Out("PP.flag", "NoteSeverity", get::AlertWhenFlagged),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"PP.personID", "STU.personID"}},
      .where = {Where("PP.name", "<>", Text("Medical")), NotEndedBeforeToday("PP.endDate")},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// The buses of the enrollment's calendar.
const ExportDef &StudentTransportation() {
  static const ExportDef definition{
      .title = "Student Transportation",
      .file = "StudentTransport.pef",
      .tables = {{"Student", "STU"}, {"v_TransportationBusDetail", "BUS"}},
      .columns = {StudentKeyColumn("STU.personID", "StdKey"), Out("BUS.busIn", "StdBusIn"),
                  Out("BUS.busOut", "StdBusOut"),
                  SchoolField("BUS.busInStop", "StdBusInStop", "Bus In Stop", "BusInStop"),
                  SchoolField("BUS.busInTime", "StdBusInTime", "Bus In Time", "BusInTime"),
                  SchoolField("BUS.busOutStop", "StdBusOutStop", "Bus Out Stop", "BusOutStop"),
                  SchoolField("BUS.busOutTime", "StdBusOutTime", "Bus Out Time", "BusOutTime"),
                  SchoolField("BUS.lateBus", "StdLateBus", "Late Bus", "LateBus"),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"BUS.personID", "STU.personID"}, {"BUS.calendarID", "STU.calendarID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentParking() {
  static const ExportDef definition{
      .title = "Student Parking",
      .file = "StudentParking.pef",
      .tables = {{"student", "STU"}, {"TransportationParking", "PARK"}},
      .columns = {StudentKeyColumn("STU.personID", "StdKey"), Out("PARK.licensePlate", "StdLicPlate"),
                  Out("PARK.permitNumber", "StdParkPermit"),
                  Out("PARK.color", "StdVehicle", get::VehicleText)
                      .Custom("#customschoolfield", "Vehicle", "Vehicle", ""),
                  QueryOnly("PARK.make"), QueryOnly("PARK.model"), EnrollmentStructure("STU.structureID")},
      .joins = {{"PARK.personID", "STU.personID"}, {"PARK.calendarID", "STU.calendarID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// Current rosters of the active trial, in sections of the enrollment's calendar.
const ExportDef &StudentSchedules() {
  static const ExportDef definition{
      .title = "Student Schedules",
      .file = "StudentSched.pef",
      .tables = {{"Student", "STU"},
                 {"Roster", "R"},
                 {"Trial", "TR"},
                 {"v_SectionInfo", "SEC"},
                 {"Calendar", "CAL"}},
      .columns = {StudentKeyColumn("STU.personID", "StdKey"),
                  Out("R.sectionID", "StdSecRef", nullptr, kOptional, kSectionField),
                  Out("R.startDate", "StdSecStartDate", get::Date),
                  Out("R.endDate", "StdSecEndDate", get::Date), EnrollmentStructure("STU.structureID")},
      .joins = {{"R.personID", "STU.personID"},
                {"R.sectionID", "SEC.sectionID"},
                {"R.trialID", "TR.trialID"},
                {"SEC.calendarID", "CAL.calendarID"},
                {"TR.calendarID", "CAL.calendarID"},
                {"CAL.calendarID", "STU.calendarID"}},
      .where = {Where("TR.active", "=", Number(1)),
                AnyOf({IsNull("R.endDate"), Where("R.endDate", ">", Run(RunValue::Today))})},
      .blocks = EnrolledIn("STU"),
      .distinct = true,
      .filter = Filter::IncludedStudentSection,
  };
  return definition;
}

// Two kind/value pairs per score: the task's short name with the score, and with "%" the percent.
const ExportDef &StudentGrades() {
  static const ExportDef definition{
      .title = "Student Grades",
      .file = "StudentGrades.pef",
      .tables = {{"Student", "STU"}, {"GradingScore", "GS"}, {"GradingTask", "GT"}},
      .columns = {StudentKeyColumn("STU.personID", "GrdStdRef"),
                  Out("GS.sectionID", "GrdSecRef", nullptr, kRequired),
                  Out("GS.termID", "GrdBinRef", nullptr, kRequired),
                  Out("GT.name", "GrdKind", get::ScoreKind, kRequired),
                  Out("GS.score", "GrdValue", nullptr, kRequired),
                  Out("GT.name", "GrdKind", get::PercentKind, kRequired),
                  Out("GS.percent", "GrdValue", get::Decimal, kRequired),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"GS.personID", "STU.personID"},
                {"GS.taskID", "GT.taskID"},
                {"GS.calendarID", "STU.calendarID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentCustomFields() {
  static const ExportDef definition{
      .title = "Student Custom Fields",
      .file = "StudentCustom.pef",
      .tables = {{"Student", "S"}, {"CustomStudent", "C"}, {"CampusAttribute", "A"}},
      .columns = {StudentKeyColumn("S.personID", "StdKey", kOptional),
                  Out("C.attributeID", "StdComKind", get::LookupAttributeName),
                  Out("A.dataType", "StdComValType"), Out("C.value", "StdComVal", get::AttributeValue),
                  EnrollmentStructure("S.structureID")},
      .joins = {{"C.personID", "S.personID"}, {"C.attributeID", "A.attributeID"}},
      .blocks = EnrolledIn("S"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

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
