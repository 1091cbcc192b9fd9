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
          &StudentDemographics(),
          &StudentPhysicalAddresses(),
          &StudentMailingAddresses(),
          &StudentLockers(),
          &StudentPhoneNumbers(),
          &StudentContacts(),
          &StudentContactMailingAddress(),
          &StudentContactPhysicalAddress(),
          &StudentMedicalConditions(),
          &StudentMedicalHistory(),
          &StudentMedicalTreatments(),
          &StudentMedicalImmunizations(),
          &StudentMedicalConditionHistory(),
          &StudentNotes(),
          &StudentTransportation(),
          &StudentParking(),
          &FeeAccounts(),
          &StudentSchoolFeesDebit(),
          &StudentSchoolFeesCredit(),
          &StudentSchedules(),
          &StudentGrades(),
          &StudentCustomFields(),
          &PeriodAttendance()};
}

}  // namespace exports
