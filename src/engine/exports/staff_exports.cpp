// The staff tables of the import, in two sets. The single-calendar set writes each active staff
// member of the school once, keyed by personID. The multi-calendar set writes each teacher once per
// calendar of the school in the run's year that the teacher teaches in, keyed personID_structureID,
// and the staff who teach in none of them through the non-staff variants. Both variants are the
// single-calendar declaration plus their differences.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "exports.h"
#include "getters.h"
#include "household_columns.h"
#include "student_columns.h"
#include "student_getters.h"

using namespace exportdef;
using exports::AddressColumns, exports::CurrentHouseholdAddress, exports::CurrentWhereDated,
    exports::HouseholdJoins, exports::Joined, exports::WithHouseholdTables, exports::ContactColumns;

namespace {

constexpr const char *kComField = "#customcomfield";
constexpr size_t kLastColumn = static_cast<size_t>(-1);

// The active staff members of the run's school.
const std::vector<Block> kActiveStaffOfSchool = {School("STAFF"), StaffActive("STAFF")};

// A teacher (STAFF) of a section in one of the school's calendars of the run's year, whose
// assignment has not ended: the multi-calendar variants join it, the non-staff variants require
// that there be none, so every active staff member of the school is in exactly one of the two sets.
const ExportDef &TeachingInTheSchoolYear() {
  static const ExportDef definition{
      .title = "Teaching in the school year",
      .tables = {{"Teacher", "TCH"},
                 {"v_CourseSection", "SEC"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "YEAR"},
                 {"ScheduleStructure", "SSTRUCT"}},
      .columns = {QueryOnly("TCH.personID")},
      .joins = {{"TCH.personID", "STAFF.personID"},
                {"TCH.sectionID", "SEC.sectionID"},
                {"SEC.calendarID", "CAL.calendarID"},
                {"SSTRUCT.calendarID", "CAL.calendarID"}},
      .where = {CurrentWhereDated("TCH.endDate")},
      .blocks = {CalendarYear("CAL", "YEAR")},
  };
  return definition;
}

bool HasTable(const std::vector<Table> &tables, const Table &table) {
  return std::any_of(tables.begin(), tables.end(),
                     [&table](const Table &t) { return std::strcmp(t.alias, table.alias) == 0; });
}

bool SameText(const char *a, const char *b) {
  return a == b || (a && b && std::strcmp(a, b) == 0);
}

bool HasBlock(const std::vector<Block> &blocks, const Block &block) {
  return std::any_of(blocks.begin(), blocks.end(), [&block](const Block &b) {
    return b.kind == block.kind && SameText(b.alias, block.alias) && SameText(b.second, block.second);
  });
}

// The export joined to the sections its staff member teaches, one row per teacher and calendar
// (DISTINCT over columns that leave the join fields out), with StaffCalRef as the structure field
// that the staff key reads. A table or block the export has already (Staff Parking's calendar) is
// shared, not added twice.
ExportDef MultiCalendar(ExportDef definition, const char *title, size_t calendarColumnAt = kLastColumn) {
  const ExportDef &teaching = TeachingInTheSchoolYear();
  definition.title = title;
  for (const Table &table : teaching.tables)
    if (!HasTable(definition.tables, table)) definition.tables.push_back(table);
  definition.joins.insert(definition.joins.end(), teaching.joins.begin(), teaching.joins.end());
  definition.where.insert(definition.where.end(), teaching.where.begin(), teaching.where.end());
  for (const Block &block : teaching.blocks)
    if (!HasBlock(definition.blocks, block)) definition.blocks.push_back(block);
  const size_t at = std::min(calendarColumnAt, definition.columns.size());
  definition.columns.insert(definition.columns.begin() + static_cast<std::ptrdiff_t>(at),
                            Out("SSTRUCT.structureID", "StaffCalRef", nullptr, kOptional, kStructureField));
  definition.distinct = true;
  return definition;
}

// The export restricted to staff members who teach in none of the school's calendars of the year.
ExportDef NonStaff(ExportDef definition, const char *title, const char *file) {
  definition.title = title;
  definition.file = file;
  definition.blocks.push_back(NotExists(TeachingInTheSchoolYear()));
  return definition;
}

Column StaffKey() {
  return Out("STAFF.personID", "StaffKey", get::StaffMemberKey, kRequired);
}

// What tells the physical and mailing address exports apart.
struct StaffAddressLayout {
  const char *title, *file;
  const char *apartment, *street;
  Getter streetLine;
  const char *city, *state, *zip;
  const char *phone, *phoneTitle, *phoneName;
  Condition postOfficeBox;
};

// The current addresses of the staff member's current households, with the household phone as read
// (only the contact phones go through the phone formatter).
ExportDef StaffAddresses(const StaffAddressLayout &layout) {
  return ExportDef{
      .title = layout.title,
      .file = layout.file,
      .tables = WithHouseholdTables({{"staffMember", "STAFF"}}),
      .columns =
          Joined({{StaffKey()},
                  AddressColumns({layout.apartment, layout.street, layout.city, layout.state, layout.zip},
                                 layout.streetLine),
                  {Out("H.phone", layout.phone, get::UnlessPrivate)
                       .Custom(kComField, layout.phoneTitle, layout.phoneName, "phone"),
                   QueryOnly("H.phonePrivate")}}),
      .joins = HouseholdJoins("STAFF.personID"),
      .where = CurrentHouseholdAddress(layout.postOfficeBox),
      .blocks = kActiveStaffOfSchool,
  };
}

}  // namespace

namespace exports {

const ExportDef &StaffDemographics() {
  static const ExportDef definition{
      .title = "Staff Demographics",
      .file = "Staff.pef",
      .tables = {{"staffMember", "STAFF"}},
      .columns = {StaffKey(), Out("STAFF.staffNumber", "StaffNum"), Out("STAFF.stateID", "StaffStateID"),
                  Out("STAFF.lastName", "StaffLastName", get::NameWithSuffix, kRequired),
                  QueryOnly("STAFF.suffix"), Out("STAFF.firstName", "StaffFirstName"),
                  Out("STAFF.middleName", "StaffMidName"), Out("STAFF.gender", "StaffSex"),
                  Out("STAFF.birthdate", "StaffBirthDate", get::Date), Out("STAFF.title", "StaffPosition"),
                  Out("STAFF.departmentName", "StaffDepartment"),
                  Out("STAFF.startDate", "StaffEnterDate", get::Date),
                  Out("STAFF.endDate", "StaffLeaveDate", get::Date)},
      .blocks = kActiveStaffOfSchool,
  };
  return definition;
}

const ExportDef &StaffPhones() {
  static const ExportDef definition{
      .title = "Staff Phones",
      .file = "StaffPhones.pef",
      .tables = {{"staffMember", "STAFF"}, {"Contact", "CON"}},
      .columns = Joined(
          {{StaffKey()},
           ContactColumns({"StaffHomePhone", "StaffWorkPhone", "StaffCellPhone", "StaffPager", "StaffEmail"}),
           {Out("CON.communicationLanguage", "StaffLanguage")}}),
      .joins = {{"CON.personID", "STAFF.personID"}},
      .blocks = kActiveStaffOfSchool,
  };
  return definition;
}

const ExportDef &StaffPhysicalAddresses() {
  static const ExportDef definition = StaffAddresses({
      .title = "Staff Physical Addresses",
      .file = "StaffPhysAddr.pef",
      .apartment = "StaffAddress1",
      .street = "StaffAddress2",
      .streetLine = get::StreetLine,
      .city = "StaffCity",
      .state = "StaffState",
      .zip = "StaffZip",
      .phone = "StaffPhone",
      .phoneTitle = "Phone",
      .phoneName = "Phone",
      .postOfficeBox = AnyOf({IsNull("A.postOfficeBox"), Where("A.postOfficeBox", "=", Number(0))}),
  });
  return definition;
}

const ExportDef &StaffMailingAddresses() {
  static const ExportDef definition = StaffAddresses({
      .title = "Staff Mailing Addresses",
      .file = "StaffMailAddr.pef",
      .apartment = "StaffMailAddress1",
      .street = "StaffMailAddress2",
      .streetLine = get::StreetOrPoBox,
      .city = "StaffMailCity",
      .state = "StaffMailState",
      .zip = "StaffMailZip",
      .phone = "StaffPhone2",
      .phoneTitle = "Phone 2",
      .phoneName = "Phone2",
      .postOfficeBox = Where("A.postOfficeBox", "=", Number(1)),
  });
  return definition;
}

const ExportDef &StaffParking() {
  static const ExportDef definition{
      .title = "Staff Parking",
      .file = "StaffParking.pef",
      .tables = {{"staffMember", "STAFF"},
                 {"TransportationParking", "PARK"},
                 {"Calendar", "CAL"},
                 {"SchoolYear", "YEAR"}},
      .columns = {StaffKey(), Out("PARK.licensePlate", "StaffLicPlate"),
                  Out("PARK.permitNumber", "StaffParkPermit"),
                  Out("PARK.color", "StaffVehicle", get::VehicleText)
                      .Custom("#customschoolfield", "Vehicle", "Vehicle", ""),
                  QueryOnly("PARK.make"), QueryOnly("PARK.model")},
      .joins = {{"PARK.personID", "STAFF.personID"}, {"PARK.calendarID", "CAL.calendarID"}},
      .blocks = {School("STAFF"), StaffActive("STAFF"), CalendarYear("CAL", "YEAR")},
  };
  return definition;
}

const ExportDef &StaffDemographicsMultiCalendar() {
  static const ExportDef definition =
      MultiCalendar(StaffDemographics(), "Staff Demographics with Multi Calendar", 2);
  return definition;
}

const ExportDef &NonStaffDemographics() {
  static const ExportDef definition = NonStaff(StaffDemographics(), "Non Staff Demographics", "Staff2.pef");
  return definition;
}

const ExportDef &StaffPhonesMultiCalendar() {
  static const ExportDef definition = MultiCalendar(StaffPhones(), "Staff Phones Multi Calendar");
  return definition;
}

const ExportDef &NonStaffPhones() {
  static const ExportDef definition = NonStaff(StaffPhones(), "Non Staff Phones", "StaffCon.pef");
  return definition;
}

const ExportDef &StaffPhysicalAddressesMultiCalendar() {
  static const ExportDef definition =
      MultiCalendar(StaffPhysicalAddresses(), "Staff Physical Addresses Multi Calendar");
  return definition;
}

// Written into the same file as the teachers' addresses; the writer gives the second table of a
// file in one run a name of its own.
const ExportDef &NonStaffPhysicalAddresses() {
  static const ExportDef definition =
      NonStaff(StaffPhysicalAddresses(), "Staff Physical Addresses (non-staff variant)",
               StaffPhysicalAddresses().file);
  return definition;
}

const ExportDef &StaffMailingAddressesMultiCalendar() {
  static const ExportDef definition =
      MultiCalendar(StaffMailingAddresses(), "Staff Mailing Addresses Multi Calendar");
  return definition;
}

const ExportDef &NonStaffMailingAddresses() {
  static const ExportDef definition = NonStaff(
      StaffMailingAddresses(), "Staff Mailing Addresses (non-staff variant)", StaffMailingAddresses().file);
  return definition;
}

const ExportDef &StaffParkingMultiCalendar() {
  static const ExportDef definition = MultiCalendar(StaffParking(), "Staff Parking Multi Calendar");
  return definition;
}

}  // namespace exports
