// The extraction engine for an Infinite Campus database: the last class of the task chain. It runs
// an extraction (school year, lookup tables, the exports in their fixed order, period attendance
// through the cache) and answers the teacher list behind the "teacher" bridge-list parameter.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "exportdef.h"
#include "lookuplist.h"
#include "odbcexpenginebase.h"
#include "schemasurvey.h"
#include "xdate.h"

class ExpEngine : public ODBCExpEngineBase {
  Q_OBJECT

 public:
  explicit ExpEngine(QObject *parent = nullptr);
  ~ExpEngine() override;
  std::unique_ptr<AppTaskBase> Create() const override;

  bool Execute(const ParameterMap &parameters, int flags, QString &message) override;
  // The start year of the school's active school year, or an empty text when there is none.
  QString GetCurrentSchoolYear(const QString &school, const QString &district, const QString &dsn,
                               const QString &user, const QString &pwd);
  // The earliest start and latest end of the school's calendars in the run's year.
  void DetermineSchoolStartEndDates(XDate &start, XDate &end);

  SchemaVerdict CheckSchema(const ParameterMap &parameters) override;

  bool LoadBridgeList(ListEntries &list, const QString &paramkey, const ParameterMap &parameters,
                      QString &message) override;
  // "Last, First Middle" with empty parts left out together with their separators.
  static QString TeacherDisplayName(const QString &last, const QString &first, const QString &middle);

  // The lookup tables and the row filters and value lookups built on them.
  void BuildLookupTables();
  bool IsIncludedStudent();
  bool IsIncludedStudentSection();
  bool IsIncludedSection();
  bool IsReferencedConductKey();
  QString LookupAttendanceCode();
  QString AttendanceCodeOrStatus();
  QString LookupAttributeName();
  QString CollectConductKey();
  // A name shortened to at most limit characters: vowels first, then a letter from each word's end.
  static QString AbbreviateName(const QString &text, int limit);

  // The keys of students and staff: personID, or personID_structureID in a multi-calendar run when
  // the export registered a structureID field.
  QString StudentKey();
  QString StaffMemberKey();
  QString ColActivityKind() override;

  // The one-line text of a field the current export declared ("ALIAS.column"), empty when the
  // database lacks that optional column.
  QString Text(const char *source);
  bool Flag(const char *source);
  // A field the current export declared ("ALIAS.column"), or none.
  ODBCField *FieldOf(const char *source);
  // The text a getter gives for a field (the one-line text without a getter); empty for none.
  QString Read(ODBCField *field, exportdef::Getter get = nullptr);
  // The selected column of the same table as the column being written, for getters that combine
  // several columns of one row (the suffix beside a last name, the street beside its number); none
  // when the database lacks that optional column.
  ODBCField *Beside(const char *column);
  QString BesideText(const char *column);
  bool BesideFlag(const char *column);
  XDate DateOf(const ODBCField *field);
  // Opens the current export's query and hands every record that passes the filter to onRecord;
  // throws when the query cannot be opened. Returns the number of records handed on.
  int ForEachRecord(exportdef::Filter filter, const std::function<void()> &onRecord);

  // Runs one declared export into its table file.
  void RunTableExport(const exportdef::ExportDef &definition);
  // Describes the declared query (tables, columns, joins, conditions, blocks, DISTINCT) for the
  // current table; also used by tests to see the SQL a declaration gives.
  void DescribeQuery(const exportdef::ExportDef &definition);

  // The run's values that conditions and keys read.
  struct RunValues {
    QString district, school, year, defaultCalendar;
    XDate today, inactiveCutoff;
    bool healthHistory = false, customFields = false, multiCalendar = false, studentMultiCalendar = false;
  };
  RunValues &Run() { return run_; }

 protected:
  void ClearTableState() override;

 private:
  struct Registered {
    const ODBCField *student = nullptr, *structure = nullptr, *section = nullptr, *excuse = nullptr,
                    *conduct = nullptr;
  };

  // The structureID of the current record when the export registered one.
  std::optional<QString> RegisteredStructure();
  bool MissingTeacherListParameter(const ParameterMap &parameters);
  bool QueryTeachers(ListEntries &list, const ParameterMap &parameters, QString &message);

  void ReadRunParameters(const ParameterMap &parameters);
  void StartRun(const QString &dsn, const QString &user, const QString &pwd);
  void LogRunValues(const QString &dsn);
  void RunImport();
  // One step of the import: an export, or a line for the log where an optional set is left out.
  struct ImportStep {
    const exportdef::ExportDef *definition;
    const char *skipped;
  };
  std::vector<ImportStep> ImportSteps() const;
  // Runs the steps in order; every export's query is announced first, so the database answers the
  // next ones while one is written.
  void RunImportSteps(const std::vector<ImportStep> &steps);
  void RunPeriodAttendance();
  // Every query a run with the current run values makes, in the run's order.
  std::vector<const exportdef::ExportDef *> RunQueries() const;
  void SurveyQuery(SchemaSurvey &survey, const exportdef::ExportDef &definition);
  void ReportSurvey(const SchemaSurvey &survey, SchemaVerdict &verdict);

  // Runs a declared query and hands every record to onRecord; throws when it cannot be opened.
  void RunLookup(const exportdef::ExportDef &definition, const std::function<void()> &onRecord);
  // Reads a declared attendance query window by window into the attendance cache.
  void RunAttendanceExport(const exportdef::ExportDef &definition, const XDate &start, const XDate &end);
  // The table file of an export that writes its rows itself.
  void WriteOwnRows(const exportdef::ExportDef &definition);
  // Forgets the current export: record set, description, columns and registrations.
  void AbandonExport();
  void OpenOrThrow(const QString &title);
  RowFilter FilterOf(exportdef::Filter filter);

  const ODBCTable *TableOf(const char *source);
  ODBCField *ConditionField(const char *source);
  void AddColumnOf(const exportdef::Column &column);
  bool ConditionColumnExists(const exportdef::Condition &condition);
  void AddConditionOf(const exportdef::Condition &condition);
  void AddBlock(const exportdef::Block &block);
  void DescribeConditions(const exportdef::ExportDef &definition);
  QString SubqueryText(const exportdef::ExportDef &definition);
  // The SELECT text an export will run, so the database can start on it early.
  QString PlannedQueryText(const exportdef::ExportDef &definition);
  // Describes into a description of its own, built into SELECT text, with the current export's
  // tables (kept visible to the inner description when asked), fields and registrations put back.
  QString DescribedApart(bool keepOuterTables, const std::function<void(QueryDescription &)> &describe);
  QString Literal(const exportdef::Operand &operand) const;
  // The description that conditions go into: the main query's, or a subquery's while it is described.
  QueryDescription &Describing();
  QString Conjunction();
  // The active condition on an end date: not yet ended, or ended after today (on or after the cutoff).
  void AddActiveUntil(const char *endDate, const char *opToday);

  RunValues run_;
  LookupList includedStudents_, defaultCalendarStudents_, attendanceCodes_, includedSections_,
      referencedConductEvents_, attributeNames_;
  XDate schoolStartDate_, schoolEndDate_;
  QString bridgeAlias_;

  // The current export's tables and fields by "ALIAS" and "ALIAS.column", and its registrations.
  std::vector<std::pair<QString, const ODBCTable *>> exportTables_;
  std::vector<std::pair<QString, ODBCField *>> exportFields_;
  Registered registered_;
  bool warnedNoStructure_ = false;
  QueryDescription *describing_ = nullptr;
  // A query is described ahead of its export: no writer column, header, registration or log line.
  bool planning_ = false;
  // Told of every table and column the described queries ask for while the schema is checked.
  SchemaSurvey *survey_ = nullptr;
};
