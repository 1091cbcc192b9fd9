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

// Conduct exports.
const exportdef::ExportDef &StudentConductIncidents();
const exportdef::ExportDef &StudentConductOutcomes();
const exportdef::ExportDef &ConductIncidents();
const exportdef::ExportDef &ConductOutcomes();

// Staff exports: the single-calendar set, then the multi-calendar set with its non-staff variants.
const exportdef::ExportDef &StaffDemographics();
const exportdef::ExportDef &StaffPhones();
const exportdef::ExportDef &StaffPhysicalAddresses();
const exportdef::ExportDef &StaffMailingAddresses();
const exportdef::ExportDef &StaffParking();
const exportdef::ExportDef &StaffDemographicsMultiCalendar();
const exportdef::ExportDef &NonStaffDemographics();
const exportdef::ExportDef &StaffPhonesMultiCalendar();
const exportdef::ExportDef &NonStaffPhones();
const exportdef::ExportDef &StaffPhysicalAddressesMultiCalendar();
const exportdef::ExportDef &NonStaffPhysicalAddresses();
const exportdef::ExportDef &StaffMailingAddressesMultiCalendar();
const exportdef::ExportDef &NonStaffMailingAddresses();
const exportdef::ExportDef &StaffParkingMultiCalendar();

// Every declaration above, for checks that walk them all.
std::vector<const exportdef::ExportDef *> All();

}  // namespace exports
