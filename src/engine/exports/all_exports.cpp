// The list of every declaration, for the checks that walk them all.
#include "exports.h"

namespace exports {

std::vector<const exportdef::ExportDef *> All() {
  return {&CurrentSchoolYear(),
          &SchoolDateRange(),
          &IncludedStudentsLut(),
          &AttendanceCodesLut(),
          &IncludedSectionsLut(),
          &BuildingAttributeLut(),
          &AttendanceCodes(),
          &BellSchedule(),
          &SchoolCalendar(),
          &Tumble(),
          &Periods(),
          &Days(),
          &Terms(),
          &Sections(),
          &SectionSchedules(),
          &SectionPrimaryTeachers(),
          &TeacherSections(),
          &PeriodAttendance(),
          &StudentConductIncidents(),
          &StudentConductOutcomes(),
          &ConductIncidents(),
          &ConductOutcomes(),
          &StaffDemographics(),
          &StaffPhones(),
          &StaffPhysicalAddresses(),
          &StaffMailingAddresses(),
          &StaffParking(),
          &StaffDemographicsMultiCalendar(),
          &NonStaffDemographics(),
          &StaffPhonesMultiCalendar(),
          &NonStaffPhones(),
          &StaffPhysicalAddressesMultiCalendar(),
          &NonStaffPhysicalAddresses(),
          &StaffMailingAddressesMultiCalendar(),
          &NonStaffMailingAddresses(),
          &StaffParkingMultiCalendar()};
}

}  // namespace exports
