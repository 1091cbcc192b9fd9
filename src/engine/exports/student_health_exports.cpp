// The student health tables: current conditions, and the health history (events, treatments,
// immunizations, condition history) that runs only when the run asks for it. Every health table
// is tied to the student by personID.
#include "delimitedoutput.h"
#include "expengine.h"
#include "exports.h"
#include "student_columns.h"
#include "student_getters.h"
#include "student_rules.h"

using namespace exportdef;

namespace exports {

namespace {

// The six doses of an immunization row: a date and an exempt flag each.
constexpr const char *kDoseDates[] = {"HI.dose1Date", "HI.dose2Date", "HI.dose3Date",
                                      "HI.dose4Date", "HI.dose5Date", "HI.dose6Date"};
constexpr const char *kDoseExempt[] = {"HI.dose1Exempt", "HI.dose2Exempt", "HI.dose3Exempt",
                                       "HI.dose4Exempt", "HI.dose5Exempt", "HI.dose6Exempt"};
constexpr int kDoses = 6;

std::vector<Column> ImmunizationColumns() {
  std::vector<Column> columns = {EnrollmentStructure("STU.structureID"), QueryOnly("HI.vaccineID", kRequired),
                                 QueryOnly("STU.personID", kRequired, kStudentField),
                                 QueryOnly("HI.description", kRequired),
                                 QueryOnly("HI.shotCount", kRequired)};
  for (int dose = 0; dose < kDoses; ++dose) {
    columns.push_back(QueryOnly(kDoseDates[dose], dose == 0 ? kRequired : kOptional));
    columns.push_back(QueryOnly(kDoseExempt[dose]));
  }
  return columns;
}

QString Quoted(const QString &value) {
  return QLatin1Char('"') + value + QLatin1Char('"');
}

// One row per dose date of each immunization, every value between double quotes, in the order of
// the rows' text.
int WriteImmunizationRows(ExpEngine &engine, DelimitedOutput &output) {
  int lines = 0;
  output.BeginSortedRows();
  engine.ForEachRecord(Filter::IncludedStudent, [&] {
    const QString vaccine = engine.Text("HI.vaccineID");
    const QString student = engine.Read(engine.FieldOf("STU.personID"), get::StudentKey);
    const QString description = engine.Text("HI.description");
    const int shotCount = engine.Text("HI.shotCount").toInt();
    for (int dose = 1; dose <= kDoses; ++dose) {
      const QString date = engine.Read(engine.FieldOf(kDoseDates[dose - 1]), get::Date);
      if (date.isEmpty()) continue;
      const bool exempt = engine.Flag(kDoseExempt[dose - 1]);
      for (const QString &value : {rules::ImmunizationKey(vaccine, dose), student, description,
                                   QStringLiteral("immun"), date, rules::DoseNote(dose, shotCount, exempt)})
        output.WriteValue(Quoted(value));
      output.EndLine();
      output.EndRow();
      ++lines;
    }
  });
  output.EndSortedRows();
  return lines;
}

}  // namespace

const ExportDef &StudentMedicalConditions() {
  static const ExportDef definition{
      .title = "Student Medical Conditions",
      .file = "StuMedCond.pef",
      .tables = {{"Student", "STU"}, {"HealthCondition", "HC"}},
      .columns = {StudentKeyColumn("STU.personID", "MedConditStdRef"),
                  Out("HC.description", "MedConditTypeRef", nullptr, kRequired),
                  Out("HC.comments", "MedConditNote", get::ConditionStatus, kRequired),
                  QueryOnly("HC.status"), Constant("MedConditSeverity", "ALERT"),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"HC.personID", "STU.personID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// One row per event and resolution.
const ExportDef &StudentMedicalHistory() {
  static const ExportDef definition{
      .title = "Student Medical History",
      .file = "StudentMedHist.pef",
      .tables = {{"Student", "STU"}, {"v_HealthEventDetail", "HE"}},
      .columns = {Out("HE.eventID", "MedHistKey", get::HealthEventKey, kRequired), QueryOnly("HE.resID"),
                  StudentKeyColumn("STU.personID", "MedHistStdRef"),
                  Out("HE.eventDescription", "MedHistTypeRef", nullptr, kRequired),
                  Out("HE.eventTimestamp", "MedHistDatetime", get::DateTime, kRequired),
                  Out("HE.eventComments", "MedHistNote", get::EventResolution, kRequired),
                  QueryOnly("HE.resolutionDescription"), QueryOnly("HE.resolutionComments"),
                  EnrollmentStructure("STU.structureID")},
      .joins = {{"HE.personID", "STU.personID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

// The treatments of the student's conditions, from either layout of the treatment tables.
const ExportDef &StudentMedicalTreatments() {
  static const ExportDef definition{
      .title = "Student Medical Treatments",
      .file = "StudentMedTreat.pef",
      .tables = {{"Student", "Stu"},
                 {"HealthDetail", "HD", "HealthTreatDetail"},
                 {"v_HealthConditionDetail", "HCD", "v_HealthConditionTreatmentDetail"}},
      .columns = {StudentKeyColumn("Stu.personID", "MedHistStdRef"),
                  Out("HCD.conditionCodeDesc", "MedHistTypeRef", nullptr, kRequired),
                  Out("HD.treatmentID", "MedHistKey", get::TreatmentKey),
                  Out("HD.treatmentStart", "MedHistDatetime", get::DateTime, kRequired),
                  Out("HD.treatmentCodeDesc", "MedHistNote", get::TreatmentNote, kRequired),
                  QueryOnly("HD.treatmentEnd"), QueryOnly("HD.treatmentStatus"),
                  QueryOnly("HD.treatmentComments"), Constant("MedHistTypeCategory", "treat"),
                  EnrollmentStructure("Stu.structureID")},
      .joins = {{"HCD.personID", "Stu.personID"},
                {"HD.conditionID", "HCD.conditionID"},
                {"HD.personID", "Stu.personID"}},
      .where = {NotNull("HD.treatmentID")},
      .blocks = EnrolledIn("Stu"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentMedicalImmunizations() {
  static const ExportDef definition{
      .title = "Student Medical Immunizations",
      .file = "StudentMedImmun.pef",
      .tables = {{"Student", "STU"}, {"v_HealthImmunization", "HI"}},
      .columns = ImmunizationColumns(),
      .joins = {{"HI.personID", "STU.personID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
      .header = {"MedHistKey", "MedHistStdRef", "MedHistTypeRef", "MedHistTypeCategory", "MedHistDate",
                 "MedHistNote"},
      .rows = WriteImmunizationRows,
  };
  return definition;
}

const ExportDef &StudentMedicalConditionHistory() {
  static const ExportDef definition{
      .title = "Student Medical Condition History",
      .file = "StuMedCond2.pef",
      .tables = {{"Student", "STU"}, {"HealthCondition", "HC"}},
      .columns = {Out("HC.conditionID", "MedHistKey", nullptr, kRequired),
                  StudentKeyColumn("STU.personID", "MedHistStdRef"),
                  Out("HC.description", "MedHistTypeRef", nullptr, kRequired),
                  Out("HC.startDate", "MedHistDate", get::Date, kRequired),
                  Out("HC.comments", "MedHistNote", get::ConditionStatus, kRequired), QueryOnly("HC.status"),
                  Constant("MedHistTypeCategory", "treat"), EnrollmentStructure("STU.structureID")},
      .joins = {{"HC.personID", "STU.personID"}},
      .blocks = EnrolledIn("STU"),
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

}  // namespace exports
