// The schema check: every query a run would make is described against the database, writing no
// file and running no query, and each table or column the database lacks is logged with what it
// costs the run: an import column left out, or a run that would fail.
#include <utility>

#include "expengine.h"
#include "exports.h"
#include "loglevels.h"
#include "xexception.h"

namespace {
const QString kCheckSchema = QStringLiteral("ExpEngine::CheckSchema");
}  // namespace

std::vector<const exportdef::ExportDef *> ExpEngine::RunQueries() const {
  std::vector<const exportdef::ExportDef *> queries{
      &exports::CurrentSchoolYear(), &exports::IncludedStudentsLut(), &exports::AttendanceCodesLut(),
      &exports::IncludedSectionsLut(), &exports::BuildingAttributeLut()};
  for (const ImportStep &step : ImportSteps())
    if (step.definition && !step.definition->tables.empty()) queries.push_back(step.definition);
  queries.push_back(&exports::SchoolDateRange());
  queries.push_back(&exports::PeriodAttendance());
  return queries;
}

void ExpEngine::SurveyQuery(SchemaSurvey &survey, const exportdef::ExportDef &definition) {
  survey.BeginExport(QString::fromUtf8(definition.title));
  const bool outerPlanning = std::exchange(planning_, true);
  SchemaSurvey *outerSurvey = std::exchange(survey_, &survey);
  try {
    DescribedApart(false, [&](QueryDescription &) { DescribeQuery(definition); });
  } catch (...) {
    planning_ = outerPlanning;
    survey_ = outerSurvey;
    throw;
  }
  planning_ = outerPlanning;
  survey_ = outerSurvey;
}

// One log line per missing table or column, at the level of what it costs, then the totals; the
// verdict counts what fails a run and what leaves import columns out.
void ExpEngine::ReportSurvey(const SchemaSurvey &survey, SchemaVerdict &verdict) {
  using Cost = SchemaSurvey::Finding::Cost;
  for (const SchemaSurvey::Finding &finding : survey.Findings()) {
    const int level = finding.cost == Cost::RunFails               ? kError
                      : finding.cost == Cost::ImportColumnsLeftOut ? kWarning
                                                                   : kInformational;
    Log(level, finding.text, kCheckSchema);
    if (finding.cost == Cost::RunFails) ++verdict.missingRequired;
    if (finding.cost == Cost::ImportColumnsLeftOut) ++verdict.missingOptional;
  }
  Log(kInformational,
      QStringLiteral("Schema check: %1 missing tables or columns would make a run fail, %2 would leave "
                     "import columns out.")
          .arg(verdict.missingRequired)
          .arg(verdict.missingOptional),
      kCheckSchema);
}

SchemaVerdict ExpEngine::CheckSchema(const ParameterMap &parameters) {
  Log(kInformational, QStringLiteral("Checking the tables and columns a run reads..."), kCheckSchema);
  SchemaVerdict verdict;
  SchemaSurvey survey;
  try {
    ReadRunParameters(parameters);
    run_.today = XDate::FromQDate(Today());
    ConnectWith(parameters);
    for (const exportdef::ExportDef *definition : RunQueries()) SurveyQuery(survey, *definition);
    Disconnect();
  } catch (const XException &e) {
    Disconnect();
    verdict.message = e.Text();
    Log(kError, QStringLiteral("The schema could not be checked: ") + e.Text(), kCheckSchema);
    return verdict;
  }
  verdict.checked = true;
  ReportSurvey(survey, verdict);
  return verdict;
}
