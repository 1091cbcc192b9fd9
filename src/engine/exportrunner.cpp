// The one routine that runs every declared export: the declaration becomes the current query
// (tables, selected and query-only fields, joins, conditions and named blocks with the run's values
// as dialect literals), the writer writes the rows that pass the row filter, and a guard clears the
// export's registrations, DISTINCT and record set on every path.
#include <cstring>
#include <utility>

#include "expengine.h"
#include "loglevels.h"
#include "sqlliteral.h"
#include "xexception.h"

using namespace exportdef;

namespace {
const QString kRoutine = QStringLiteral("ExpEngine::RunTableExport");

QString AliasOf(const char *source) {
  const char *dot = std::strchr(source, '.');
  return dot ? QString::fromLatin1(source, dot - source) : QString::fromLatin1(source);
}

QString ColumnOf(const char *source) {
  const char *dot = std::strchr(source, '.');
  return QString::fromLatin1(dot ? dot + 1 : source);
}
}  // namespace

// Whatever way an export ends, the next one starts from nothing: no registration, no DISTINCT, no
// attendance window, no open record set.
class ExportGuard {
 public:
  explicit ExportGuard(std::function<void()> clear) : clear_(std::move(clear)) {}
  ~ExportGuard() { clear_(); }
  ExportGuard(const ExportGuard &) = delete;
  ExportGuard &operator=(const ExportGuard &) = delete;

 private:
  std::function<void()> clear_;
};

void ExpEngine::ClearTableState() {
  exportTables_.clear();
  exportFields_.clear();
  registered_ = {};
  warnedNoStructure_ = false;
  SetFilterDateFields();
  Options().Distinct = false;
}

const ODBCTable *ExpEngine::TableOf(const char *source) {
  const QString alias = AliasOf(source);
  for (const auto &[name, table] : exportTables_)
    if (name == alias) return table;
  LogAndThrow(kCritical, QStringLiteral("Export names an undeclared table alias: ") + alias, kRoutine);
}

ODBCField *ExpEngine::FieldOf(const char *source) {
  const QString key = QString::fromLatin1(source);
  for (const auto &[name, field] : exportFields_)
    if (name == key) return field;
  return nullptr;
}

// A field a condition names: the declared column when there is one, else a condition-only field
// that is not selected (the year link resolves to yearID or endYear).
ODBCField *ExpEngine::ConditionField(const char *source) {
  if (ODBCField *field = FieldOf(source)) return field;
  const ODBCTable *table = TableOf(source);
  const QString column = ColumnOf(source);
  ODBCField *field = column == QLatin1String(kYearLink) ? YearLinkField(Describing(), table)
                                                        : Describing().AddField(table, column, true, true);
  exportFields_.emplace_back(QString::fromLatin1(source), field);
  return field;
}

void ExpEngine::AddColumnOf(const Column &column) {
  const CustomField &custom = column.custom;
  auto addHeader = [&] {
    if (!custom.kind)
      AddHeaderField(QString::fromLatin1(column.header));
    else
      AddHeaderField(QString::fromLatin1(column.header), QString::fromLatin1(custom.name),
                     QString::fromLatin1(custom.title), QString::fromLatin1(custom.kind),
                     QString::fromLatin1(custom.extra));
  };
  if (!column.source) {
    if (planning_) return;
    AddColumn(nullptr, QString::fromUtf8(column.constant), ValueGetter(), kWriteText);
    addHeader();
    return;
  }
  ODBCField *field = Describing().AddField(TableOf(column.source), ColumnOf(column.source), column.required);
  if (!field) {
    // An optional column the database lacks: its import column is left out of the table.
    if (column.header && survey_) survey_->DropsImportColumn(QString::fromLatin1(column.header));
    if (column.header && !planning_)
      Log(kWarning,
          QStringLiteral("The database has no column ") + QString::fromLatin1(column.source) +
              QStringLiteral(": ") + QString::fromLatin1(column.header) + QStringLiteral(" is left out of ") +
              (CurrentHeader() ? CurrentHeader()->name : QString()) + QLatin1Char('.'),
          kRoutine);
    return;
  }
  exportFields_.emplace_back(QString::fromLatin1(column.source), field);
  if (planning_) return;
  if (column.registers & kStudentField) registered_.student = field;
  if (column.registers & kStructureField) registered_.structure = field;
  if (column.registers & kSectionField) registered_.section = field;
  if (column.registers & kExcuseField) registered_.excuse = field;
  if (column.registers & kConductField) registered_.conduct = field;
  if (column.registers & kAttendanceDateField) SetChangeDateField(field);
  if (!column.header) return;
  const exportdef::Getter getter = column.get;
  AddColumn(field, QString(),
            getter ? ValueGetter([this, getter] { return getter(*this); })
                   : ValueGetter([this] { return ColOneLine(); }),
            0);
  addHeader();
}

QueryDescription &ExpEngine::Describing() {
  return describing_ ? *describing_ : Query();
}

QString ExpEngine::Conjunction() {
  return Describing().Conditions().empty() ? QString() : QStringLiteral("AND");
}

QString ExpEngine::Literal(const Operand &operand) const {
  switch (operand.kind) {
    case Operand::Kind::Number:
      return QString::number(operand.number);
    case Operand::Kind::Text:
      return SqlQuote(QString::fromUtf8(operand.text));
    case Operand::Kind::Null:
      return QStringLiteral("NULL");
    case Operand::Kind::Run:
      switch (operand.run) {
        case RunValue::District:
          return SqlQuote(run_.district);
        case RunValue::School:
          return SqlQuote(run_.school);
        case RunValue::Year:
          return SqlQuote(run_.year);
        case RunValue::Today:
          return SQLDate(run_.today);
      }
      break;
    case Operand::Kind::Field:
      break;
  }
  return {};
}

// False, with a warning, when the database lacks the column of a condition that may be left out.
bool ExpEngine::ConditionColumnExists(const Condition &condition) {
  const char *source = condition.anyOf.empty() ? condition.left : condition.anyOf.front().left;
  if (FieldOf(source)) return true;
  if (ODBCField *field = Describing().AddField(TableOf(source), ColumnOf(source), false, true)) {
    exportFields_.emplace_back(QString::fromLatin1(source), field);
    return true;
  }
  if (!planning_)
    Log(kWarning,
        QStringLiteral("The database has no column ") + QString::fromLatin1(source) +
            QStringLiteral(": its condition is left out of ") +
            (CurrentHeader() ? CurrentHeader()->name : QString()) + QLatin1Char('.'),
        kRoutine);
  return false;
}

void ExpEngine::AddConditionOf(const Condition &condition) {
  if (condition.columnMayBeMissing && !ConditionColumnExists(condition)) return;
  auto add = [this](const Condition &c, const QString &conjunction, int level) {
    const QString op = QString::fromLatin1(c.op);
    if (c.right.kind == Operand::Kind::Field)
      Describing().AddCondition(conjunction, ConditionField(c.left), op, ConditionField(c.right.text), level);
    else
      Describing().AddCondition(conjunction, ConditionField(c.left), op, Literal(c.right), level);
  };
  // In a group every alternative but the last is at level 1 and the last returns to level 0: the
  // query builder opens the bracket with the first and closes it after the last.
  if (condition.anyOf.empty()) {
    add(condition, Conjunction(), 0);
    return;
  }
  const size_t last = condition.anyOf.size() - 1;
  for (size_t i = 0; i <= last; ++i)
    add(condition.anyOf[i], i == 0 ? Conjunction() : QStringLiteral("OR"), i == last ? 0 : 1);
}

// Still active today; a cutoff only widens the set, to those who left on or after it.
void ExpEngine::AddActiveUntil(const char *endDate, const char *opToday) {
  const bool cutoff = run_.inactiveCutoff.IsValid();
  ODBCField *field = ConditionField(endDate);
  Describing().AddCondition(Conjunction(), field, QStringLiteral("IS"), QStringLiteral("NULL"), 1);
  Describing().AddCondition(QStringLiteral("OR"), field, QString::fromLatin1(opToday), SQLDate(run_.today),
                            cutoff ? 1 : 0);
  if (cutoff)
    Describing().AddCondition(QStringLiteral("OR"), field, QStringLiteral(">="), SQLDate(run_.inactiveCutoff),
                              0);
}

void ExpEngine::AddBlock(const Block &block) {
  const QByteArray alias = block.alias;
  auto source = [&alias](const char *column) { return alias + '.' + column; };
  auto equals = [this](const QByteArray &field, RunValue value) {
    AddConditionOf(Where(field.constData(), "=", exportdef::Run(value)));
  };
  switch (block.kind) {
    case Block::Kind::DistrictSchool:
      equals(source("districtID"), RunValue::District);
      equals(source("schoolID"), RunValue::School);
      return;
    case Block::Kind::School:
      equals(source("schoolID"), RunValue::School);
      return;
    case Block::Kind::Enrollment:
      equals(source("startYear"), RunValue::Year);
      AddActiveUntil(source("endDate").constData(), ">");
      return;
    case Block::Kind::CalendarYear: {
      const QByteArray year = block.second;
      equals(source("districtID"), RunValue::District);
      equals(source("schoolID"), RunValue::School);
      AddConditionOf(Where(source(kYearLink).constData(), "=", Field((year + '.' + kYearLink).constData())));
      equals(year + ".startYear", RunValue::Year);
      return;
    }
    case Block::Kind::StaffActive:
      AddActiveUntil(source("endDate").constData(), ">=");
      return;
    case Block::Kind::NotExists:
      Describing().AddCondition(
          Conjunction(), QStringLiteral("NOT EXISTS (") + SubqueryText(*block.subquery) + QLatin1Char(')'));
      return;
  }
}

// The subquery is described into a description of its own, which the query builder renders as the
// main query is rendered (table hints of the database's dialect, quoted names). Its tables come
// first in the alias lookup, so they hide tables of the main query with the same alias; the main
// query's other tables can be named in its conditions.
QString ExpEngine::SubqueryText(const ExportDef &definition) {
  return DescribedApart(true, [&](QueryDescription &subquery) {
    std::vector<std::pair<QString, const ODBCTable *>> own;
    for (const Table &table : definition.tables)
      own.emplace_back(QString::fromLatin1(table.alias),
                       subquery.AddTable(QString::fromLatin1(table.name), QString::fromLatin1(table.alias)));
    exportTables_.insert(exportTables_.begin(), own.begin(), own.end());
    for (const Column &column : definition.columns)
      subquery.AddField(TableOf(column.source), ColumnOf(column.source), true);
    DescribeConditions(definition);
  });
}

// The text is the one the export's own description will give: the same tables, columns, conditions
// and order, described without a log line or a writer column, the schema checks' answers kept for
// the export. Empty when the declaration cannot be described now; the export then says why.
QString ExpEngine::PlannedQueryText(const ExportDef &definition) {
  const bool outerPlanning = std::exchange(planning_, true);
  ExportGuard restore([&] { planning_ = outerPlanning; });
  try {
    return DescribedApart(false, [&](QueryDescription &) { DescribeQuery(definition); });
  } catch (...) {
    return {};
  }
}

QString ExpEngine::DescribedApart(bool keepOuterTables,
                                  const std::function<void(QueryDescription &)> &describe) {
  QueryDescription apart(*this, Query().Behaviour());
  apart.SetSchemaChecks(&Session());
  apart.SetQuiet(planning_);
  apart.SetSchemaListener(survey_);
  apart.Options() = Options();
  apart.Options().Distinct = false;  // a described export sets its own
  auto outerTables = keepOuterTables ? exportTables_ : std::exchange(exportTables_, {});
  auto outerFields = std::exchange(exportFields_, {});
  const Registered outerRegistered = registered_;
  QueryDescription *outerDescribing = std::exchange(describing_, &apart);
  ExportGuard restore([&] {
    exportTables_ = std::move(outerTables);
    exportFields_ = std::move(outerFields);
    registered_ = outerRegistered;
    describing_ = outerDescribing;
  });
  describe(apart);
  return apart.BuildQuery(DatabaseType(), DataSourceName());
}

void ExpEngine::DescribeQuery(const ExportDef &definition) {
  exportTables_.clear();
  exportFields_.clear();
  registered_ = {};
  QueryDescription &query = Describing();
  query.Options().Distinct = definition.distinct;
  for (const Table &table : definition.tables) {
    const QString alias = QString::fromLatin1(table.alias);
    const ODBCTable *added = table.otherLayout ? query.AddTable(QString::fromLatin1(table.name), alias, false)
                                               : query.AddTable(QString::fromLatin1(table.name), alias);
    if (!added) added = query.AddTable(QString::fromLatin1(table.otherLayout), alias);
    exportTables_.emplace_back(alias, added);
  }
  for (const Column &column : definition.columns) AddColumnOf(column);
  DescribeConditions(definition);
  // The table writer puts rows in order itself; the database sorts only where the first rows decide.
  for (const char *source : definition.orderBy) query.AddOrder(FieldOf(source));
}

void ExpEngine::DescribeConditions(const ExportDef &definition) {
  for (const Join &join : definition.joins) AddConditionOf(Where(join.left, "=", Field(join.right)));
  for (const Condition &condition : definition.where) AddConditionOf(condition);
  for (const Block &block : definition.blocks) AddBlock(block);
}

RowFilter ExpEngine::FilterOf(Filter filter) {
  switch (filter) {
    case Filter::None:
      return {};
    case Filter::IncludedStudent:
      return [this] { return IsIncludedStudent(); };
    case Filter::IncludedStudentSection:
      return [this] { return IsIncludedStudentSection(); };
    case Filter::IncludedSection:
      return [this] { return IsIncludedSection(); };
    case Filter::ReferencedConductKey:
      return [this] { return IsReferencedConductKey(); };
    case Filter::IncludedStudentReferencedConductKey:
      return [this] { return IsIncludedStudent() && IsReferencedConductKey(); };
  }
  return {};
}

void ExpEngine::AbandonExport() {
  CloseRecordSet();
  ClearQuery();
  columns_.clear();
  ClearTableState();
}

void ExpEngine::RunTableExport(const ExportDef &definition) {
  ExportGuard guard([this] { AbandonExport(); });
  StartTable(QString::fromUtf8(definition.title), QString::fromUtf8(definition.file));
  DescribeQuery(definition);
  if (definition.rows)
    WriteOwnRows(definition);
  else
    WriteTable(FilterOf(definition.filter));
  EndTable();
}

void ExpEngine::WriteOwnRows(const ExportDef &definition) {
  for (const char *field : definition.header) AddHeaderField(QString::fromLatin1(field));
  DelimitedOutput &output = BeginTableOutput();
  try {
    EndTableOutput(definition.rows(*this, output));
  } catch (...) {
    AbandonTableOutput();
    throw;
  }
}

int ExpEngine::ForEachRecord(Filter filter, const std::function<void()> &onRecord) {
  OpenOrThrow(CurrentHeader() ? CurrentHeader()->name : QString());
  const RowFilter passes = FilterOf(filter);
  int count = 0;
  for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
    if (passes && !passes()) continue;
    onRecord();
    ++count;
  }
  return count;
}

void ExpEngine::RunLookup(const ExportDef &definition, const std::function<void()> &onRecord) {
  ExportGuard guard([this] { AbandonExport(); });
  const QString title = QString::fromUtf8(definition.title);
  StartTable(title, QString());
  DescribeQuery(definition);
  ForEachRecord(definition.filter, onRecord);
  EndTable();
}

// The attendance table is started by the cache (PERIOD_ATT), which also names its table file.
void ExpEngine::RunAttendanceExport(const ExportDef &definition, const XDate &start, const XDate &end) {
  ExportGuard guard([this] { AbandonExport(); });
  StartAttTable(QStringLiteral("PERIOD_ATT"), true, false);
  DescribeQuery(definition);
  WriteAttendanceTable(start.ToQDate(), end.ToQDate(), FilterOf(definition.filter), false);
  EndTable();
}

void ExpEngine::OpenOrThrow(const QString &title) {
  if (!OpenTable()) LogAndThrow(kCritical, QStringLiteral("Could not open the query of ") + title, kRoutine);
}

QString ExpEngine::Read(ODBCField *field, exportdef::Getter get) {
  if (!field) return {};
  ODBCField *current = CurrentField();
  SetCurrentField(field);
  const QString text = get ? get(*this) : ColOneLine();
  SetCurrentField(current);
  return text;
}

QString ExpEngine::Text(const char *source) {
  return Read(FieldOf(source));
}

bool ExpEngine::Flag(const char *source) {
  const ODBCField *field = FieldOf(source);
  return field && GetFieldBool(field);
}

// Only selected fields: a field that a condition alone names has no value in the record.
ODBCField *ExpEngine::Beside(const char *column) {
  const ODBCField *current = CurrentField();
  if (!current) return nullptr;
  for (const auto &field : Query().Fields())
    if (&field->Table() == &current->Table() && field->Name() == QLatin1String(column)) return field.get();
  return nullptr;
}

QString ExpEngine::BesideText(const char *column) {
  return Read(Beside(column));
}

bool ExpEngine::BesideFlag(const char *column) {
  const ODBCField *field = Beside(column);
  return field && GetFieldBool(field);
}

XDate ExpEngine::DateOf(const ODBCField *field) {
  return field ? GetFieldDate(field) : XDate();
}
