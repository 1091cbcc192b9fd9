// Every export and lookup query of the engine, each declared once as data in the file of its group.
#pragma once

#include <vector>

#include "exportdef.h"

namespace exports {

// Lookup and run queries.
const exportdef::ExportDef &CurrentSchoolYear();
const exportdef::ExportDef &SchoolDateRange();
const exportdef::ExportDef &IncludedStudentsLut();
const exportdef::ExportDef &AttendanceCodesLut();
const exportdef::ExportDef &IncludedSectionsLut();
const exportdef::ExportDef &BuildingAttributeLut();

// Schedule, section and calendar exports.
const exportdef::ExportDef &AttendanceCodes();
const exportdef::ExportDef &BellSchedule();
const exportdef::ExportDef &SchoolCalendar();
const exportdef::ExportDef &Tumble();
const exportdef::ExportDef &Periods();
const exportdef::ExportDef &Days();
const exportdef::ExportDef &Terms();
const exportdef::ExportDef &Sections();
const exportdef::ExportDef &SectionSchedules();
const exportdef::ExportDef &SectionPrimaryTeachers();
const exportdef::ExportDef &TeacherSections();

// Student exports.
const exportdef::ExportDef &StudentDemographics();
const exportdef::ExportDef &StudentPhysicalAddresses();
const exportdef::ExportDef &StudentMailingAddresses();
const exportdef::ExportDef &StudentLockers();
const exportdef::ExportDef &StudentPhoneNumbers();
const exportdef::ExportDef &StudentContacts();
const exportdef::ExportDef &StudentContactMailingAddress();
const exportdef::ExportDef &StudentContactPhysicalAddress();
const exportdef::ExportDef &StudentMedicalConditions();
const exportdef::ExportDef &StudentMedicalHistory();
const exportdef::ExportDef &StudentMedicalTreatments();
const exportdef::ExportDef &StudentMedicalImmunizations();
const exportdef::ExportDef &StudentMedicalConditionHistory();
const exportdef::ExportDef &StudentNotes();
const exportdef::ExportDef &StudentTransportation();
const exportdef::ExportDef &StudentParking();
const exportdef::ExportDef &FeeAccounts();
const exportdef::ExportDef &StudentSchoolFeesDebit();
const exportdef::ExportDef &StudentSchoolFeesCredit();
const exportdef::ExportDef &StudentSchedules();
const exportdef::ExportDef &StudentGrades();
const exportdef::ExportDef &StudentCustomFields();
const exportdef::ExportDef &PeriodAttendance();

// Every declaration above, for checks that walk them all.
std::vector<const exportdef::ExportDef *> All();

}  // namespace exports
