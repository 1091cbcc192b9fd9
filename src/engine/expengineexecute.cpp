// One extraction run: the run's parameters, the current school year, the connection and the
// writer's start, the lookup tables, the table exports in their fixed order, period attendance
// through the cache, and the finishing step that saves the bridge configuration record.
#include "expengine.h"
#include "exports.h"
#include "loglevels.h"
#include "xexception.h"

namespace {
const QString kExecute = QStringLiteral("ExpEngine::Execute");
const QString kDatePattern = QStringLiteral("mm/dd/yyyy");

QString TrueFalse(bool value) {
  return value ? QStringLiteral("True") : QStringLiteral("False");
}
}  // namespace

void ExpEngine::ReadRunParameters(const ParameterMap &parameters) {
  auto flag = [&parameters](const char *key) {
    return parameters.value(QString::fromLatin1(key)) == QLatin1String("true");
  };
  bridgeAlias_ = parameters.value(QStringLiteral("bridgeAlias_"));
  run_ = RunValues();
  run_.district = parameters.value(QStringLiteral("district"));
  run_.school = parameters.value(QStringLiteral("school"));
  // A cutoff that is not a date would silently narrow or widen the run: the run ends before the
  // writer starts, so the previous run's files stay as they were.
  const QString cutoff = parameters.value(QStringLiteral("inactivedate"));
  if (!cutoff.isEmpty() && !run_.inactiveCutoff.Parse(kDatePattern, cutoff))
    LogAndThrow(kError,
                QStringLiteral("The inactive date \"") + cutoff +
                    QStringLiteral("\" is not a date in the pattern mm/dd/yyyy; nothing was exported."),
                kExecute);
  run_.healthHistory = flag("filterhealthhist");
  run_.customFields = flag("filtercustom");
  run_.multiCalendar = flag("multical");
  run_.studentMultiCalendar = run_.multiCalendar;
  run_.defaultCalendar = parameters.value(QStringLiteral("defaultcal"));
}

bool ExpEngine::Execute(const ParameterMap &parameters, int flags, QString &message) {
  (void)message;
  ReadRunParameters(parameters);
  const QString dsn = parameters.value(QStringLiteral("dsn"));
  const QString user = parameters.value(QStringLiteral("user"));
  const QString pwd = parameters.value(QStringLiteral("pwd"));

  run_.year = GetCurrentSchoolYear(run_.school, run_.district, dsn, user, pwd);
  // Without a school year every year-bound export would publish an empty table and the saved record
  // would make the next good run start over: nothing is written.
  if (run_.year.isEmpty())
    LogAndThrow(kError,
                QStringLiteral("No active school year found for district ") + run_.district +
                    QStringLiteral(" and school ") + run_.school + QStringLiteral("; nothing was exported."),
                kExecute);
  RunSettings().schoolYear = run_.year;
  RunSettings().school = run_.school;
  RunSettings().district = run_.district;
  RunSettings().dsn = dsn;

  run_.today = XDate::FromQDate(Today());
  StartRun(dsn, user, pwd);
  LogRunValues(dsn);
  BuildLookupTables();
  if (flags & 1) RunImport();
  if (flags & 2) RunPeriodAttendance();
  FinishRun();
  return true;
}

void ExpEngine::StartRun(const QString &dsn, const QString &user, const QString &pwd) {
  SetDataSourceName(dsn);
  SetCredentials(user, pwd);
  const QString connectionString = BuildConnectionString();
  StartPDEWriter();
  ConnectAndInspect(connectionString, false);
}

void ExpEngine::LogRunValues(const QString &dsn) {
  const struct {
    const char *label;
    QString value;
  } lines[] = {
      {"MSSQL DSN: ", dsn},
      {"District Id: ", run_.district},
      {"School Id: ", run_.school},
      {"School Year: ", run_.year},
      {"Inactive Cutoff: ", run_.inactiveCutoff.Format(QStringLiteral("YYYY-MM-DD"))},
      {"Filter Health History: ", TrueFalse(run_.healthHistory)},
      {"Filter Custom Fields: ", TrueFalse(run_.customFields)},
      {"Default Calendar: ", run_.defaultCalendar},
  };
  for (const auto &line : lines) Log(kInformational, QLatin1String(line.label) + line.value, kExecute);
}

QString ExpEngine::GetCurrentSchoolYear(const QString &school, const QString &district, const QString &dsn,
                                        const QString &user, const QString &pwd) {
  Log(kInformational, QStringLiteral("Determining Current School Year..."), QString());
  run_.school = school;
  run_.district = district;
  QString year;
  try {
    SetDataSourceName(dsn);
    SetCredentials(user, pwd);
    Connect(BuildConnectionString());
    bool found = false;
    RunLookup(exports::CurrentSchoolYear(), [&] {
      if (found) return;
      year = Text("SYEAR.startYear");
      found = true;
    });
    Disconnect();
  } catch (const XException &e) {
    Disconnect();
    // A lost connection or a time-out is not "no school year": the run ends with the reason.
    LogAndThrow(kError, QStringLiteral("GetCurrentSchoolYear - ") + e.Text(),
                QStringLiteral("ExpEngine::GetCurrentSchoolYear"));
  }
  if (!year.isEmpty()) Log(kInformational, QStringLiteral("Found School Year: ") + year, QString());
  return year;
}

void ExpEngine::DetermineSchoolStartEndDates(XDate &start, XDate &end) {
  Log(kDebug, QStringLiteral("Determining School Start and End Dates"), QString());
  start = XDate();
  end = XDate();
  try {
    RunLookup(exports::SchoolDateRange(), [&] {
      const XDate first = GetFieldDate(FieldOf("C.startDate"));
      const XDate last = GetFieldDate(FieldOf("C.endDate"));
      if (!start.IsValid() || first < start) start = first;
      if (!end.IsValid() || last > end) end = last;
    });
  } catch (const XException &) {
    LogAndThrow(kInformational, QStringLiteral("DetermineSchoolStartEndDates : Unknown Exception Occurred."),
                QStringLiteral("ExpEngine::DetermineSchoolStartEndDates"));
  }
  if (!start.IsValid() || !end.IsValid())
    LogAndThrow(kError,
                QStringLiteral("No calendar of the school in school year ") + run_.year +
                    QStringLiteral(": no attendance range to read."),
                QStringLiteral("ExpEngine::DetermineSchoolStartEndDates"));
}

void ExpEngine::RunPeriodAttendance() {
  StartUpdate();
  DetermineSchoolStartEndDates(schoolStartDate_, schoolEndDate_);
  RunAttendanceExport(exports::PeriodAttendance(), schoolStartDate_, schoolEndDate_);
  ColAttendance(false);
  FinishUpdate();
}

// The table exports in the product's import order; exports of other sets join these lists in their
// places. The health history and the custom fields run only when the run asks for them.
std::vector<ExpEngine::ImportStep> ExpEngine::ImportSteps() const {
  std::vector<ImportStep> steps;
  auto add = [&steps](std::initializer_list<const exportdef::ExportDef *> definitions) {
    for (const exportdef::ExportDef *definition : definitions) steps.push_back({definition, nullptr});
  };
  add({&exports::AttendanceCodes(),
       &exports::BellSchedule(),
       &exports::SchoolCalendar(),
       &exports::Tumble(),
       &exports::Periods(),
       &exports::Days(),
       &exports::Terms(),
       &exports::Sections(),
       &exports::SectionSchedules(),
       &exports::SectionPrimaryTeachers(),
       &exports::TeacherSections(),
       &exports::StudentDemographics(),
       &exports::StudentPhysicalAddresses(),
       &exports::StudentMailingAddresses(),
       &exports::StudentLockers(),
       &exports::StudentPhoneNumbers(),
       &exports::StudentContacts(),
       &exports::StudentContactMailingAddress(),
       &exports::StudentContactPhysicalAddress(),
       &exports::StudentMedicalConditions()});
  if (run_.healthHistory)
    add({&exports::StudentMedicalHistory(), &exports::StudentMedicalTreatments(),
         &exports::StudentMedicalImmunizations(), &exports::StudentMedicalConditionHistory()});
  else
    steps.push_back({nullptr, "Not exporting Health History Information."});
  add({&exports::StudentNotes(), &exports::StudentTransportation(), &exports::StudentParking(),
       &exports::FeeAccounts(), &exports::StudentSchoolFeesDebit(), &exports::StudentSchoolFeesCredit(),
       &exports::StudentSchedules(), &exports::StudentGrades(), &exports::StudentConductIncidents(),
       &exports::StudentConductOutcomes(), &exports::ConductIncidents(), &exports::ConductOutcomes()});
  if (run_.customFields)
    add({&exports::StudentCustomFields()});
  else
    steps.push_back({nullptr, "Not exporting Custom Field Information."});
  if (run_.multiCalendar)
    add({&exports::StaffDemographicsMultiCalendar(), &exports::NonStaffDemographics(),
         &exports::StaffPhonesMultiCalendar(), &exports::NonStaffPhones(),
         &exports::StaffPhysicalAddressesMultiCalendar(), &exports::NonStaffPhysicalAddresses(),
         &exports::StaffMailingAddressesMultiCalendar(), &exports::NonStaffMailingAddresses(),
         &exports::StaffParkingMultiCalendar()});
  else
    add({&exports::StaffDemographics(), &exports::StaffPhones(), &exports::StaffPhysicalAddresses(),
         &exports::StaffMailingAddresses(), &exports::StaffParking()});
  return steps;
}

void ExpEngine::RunImport() {
  StartImport();
  RunImportSteps(ImportSteps());
  FinishImport();
}

// The queries of the exports are described apart and announced first: the database answers the
// next ones while one is written. (An export that writes its own rows may run no query.)
void ExpEngine::RunImportSteps(const std::vector<ImportStep> &steps) {
  for (const ImportStep &step : steps)
    if (step.definition && !step.definition->rows) RunQueryAhead(PlannedQueryText(*step.definition));
  for (const ImportStep &step : steps) {
    if (step.definition)
      RunTableExport(*step.definition);
    else
      Log(kInformational, QString::fromLatin1(step.skipped), QString());
  }
}
