// Adding entries to the query description and rendering it as SELECT text.
#include "querydescription.h"

#include "bridgetaskbase.h"
#include "databasetype.h"
#include "xexception.h"

namespace {
const QString kAddTable = QStringLiteral("ODBCDataAccess::AddTable");
const QString kAddField = QStringLiteral("ODBCDataAccess::AddField");
const QString kAddCondition = QStringLiteral("ODBCDataAccess::AddCondition");
const QString kBuildQuery = QStringLiteral("ODBCDataAccess::BuildQuery");

enum Level { Critical = 2, Warning = 4, Debug = 8, Proprietary = 9 };

QString doubleQuoted(const QString &name) {
  return QLatin1Char('"') + name + QLatin1Char('"');
}
}  // namespace

QueryDescription::QueryDescription(BridgeTaskBase &task, int behaviour)
    : task_(task), behaviour_(behaviour) {}

QueryDescription::~QueryDescription() = default;

bool QueryDescription::checking() const {
  return (behaviour_ & Behaviour::CheckExistence) && checks_ != nullptr;
}

bool QueryDescription::usable(const QString &table, const QString &column, bool required) const {
  const bool exists = column.isEmpty() ? checks_->TableExists(table) : checks_->FieldExists(table, column);
  if (listener_) listener_->SchemaRead(table, column, required, exists);
  return exists || (listener_ && required);
}

ODBCTable *QueryDescription::AddTable(const QString &name, const QString &alias, bool required,
                                      const QString &sourceText) {
  if (checking() && !usable(name, QString(), required)) {
    const QString message = QStringLiteral("Table does not exist : ") + name;
    if (required) fail(Critical, message, kAddTable);
    note(Debug, message, kAddTable);
    return nullptr;
  }
  const bool fromSource = !sourceText.isEmpty();
  tables_.push_back(std::make_unique<ODBCTable>(fromSource ? sourceText : name, name, alias));
  return tables_.back().get();
}

ODBCField *QueryDescription::AddField(const ODBCTable *table, const QString &name, bool required,
                                      bool secondary) {
  if (table == nullptr) {
    const QString message = QStringLiteral("Table was NULL when searching for: ") + name;
    if (required) fail(Critical, message, kAddField);
    note(Debug, message, kAddField);
    return nullptr;
  }
  if (checking() && !usable(table->TableName(), name, required)) {
    const QString message =
        QStringLiteral("Field does not exist : ") + name + QStringLiteral(" in table ") + table->Name();
    note(required ? Critical : Debug, message, kAddField);
    if ((behaviour_ & Behaviour::DumpTableOnMissingField) && !quiet_)
      checks_->DumpTableColumns(table->Name());
    if (required) fail(Critical, QStringLiteral("Required ") + message, kAddField);
    return nullptr;
  }
  // A condition-only field is not selected, so it has no column of the result to be read from.
  if (secondary) {
    secondaryFields_.push_back(std::make_unique<ODBCField>(*table, name, kNotSelected));
    return secondaryFields_.back().get();
  }
  return AddField(*table, name);
}

ODBCField *QueryDescription::AddField(const ODBCTable &table, const QString &name) {
  fields_.push_back(std::make_unique<ODBCField>(table, name, int(fields_.size())));
  return fields_.back().get();
}

ODBCField *QueryDescription::AddFieldExpression(const QString &prefix, const ODBCField *field,
                                                const QString &suffix, const QString &alias) {
  if (field == nullptr)
    fail(Critical, QStringLiteral("Field NULL in ODBC::AddFieldExpression."),
         QStringLiteral("ODBCDataAccess::AddFieldExpression"));
  fields_.push_back(
      std::make_unique<ODBCField>(field->Table(), field->Name(), int(fields_.size()), alias, prefix, suffix));
  return fields_.back().get();
}

ODBCCondition *QueryDescription::AddCondition(const QString &conjunction, const ODBCField *left,
                                              const QString &op, const ODBCField *right, int level) {
  if (left == nullptr)
    fail(Critical, QStringLiteral("Primary field NULL in XODBC::AddCondition."), kAddCondition);
  if (right == nullptr)
    fail(Critical,
         QStringLiteral("Second field with ") + left->Name() +
             QStringLiteral("is NULL in XODBC::AddCondition."),
         kAddCondition);
  conditions_.push_back(std::make_unique<ODBCCondition>(conjunction, left, op, right, QString(), level));
  return conditions_.back().get();
}

ODBCCondition *QueryDescription::AddCondition(const QString &conjunction, const ODBCField *left,
                                              const QString &op, const QString &value, int level) {
  if (left == nullptr)
    fail(Critical, QStringLiteral("Primary field NULL in XODBC::AddCondition."), kAddCondition);
  conditions_.push_back(std::make_unique<ODBCCondition>(conjunction, left, op, nullptr, value, level));
  return conditions_.back().get();
}

ODBCCondition *QueryDescription::AddCondition(const QString &conjunction, const QString &conditionText,
                                              int level) {
  conditions_.push_back(
      std::make_unique<ODBCCondition>(conjunction, nullptr, conditionText, nullptr, QString(), level));
  return conditions_.back().get();
}

ODBCOrder *QueryDescription::AddOrder(const ODBCField *field, bool descending) {
  if (field == nullptr) {
    note(Warning, QStringLiteral("Field NULL in ODBC::AddOrder."),
         QStringLiteral("ODBCDataAccess::AddOrder"));
    return nullptr;
  }
  orders_.push_back(std::make_unique<ODBCOrder>(*field, descending));
  return orders_.back().get();
}

void QueryDescription::ClearQuery() {
  // Orders and conditions refer to fields, fields to tables: release them in that order.
  orders_.clear();
  conditions_.clear();
  secondaryFields_.clear();
  fields_.clear();
  tables_.clear();
}

QString QueryDescription::qualifiedName(const ODBCField &field) const {
  return field.Table().Alias() + QLatin1Char('.') +
         (options_.QuoteFields ? doubleQuoted(field.Name()) : field.Name());
}

void QueryDescription::logStep(const char *heading, const QString &text) const {
  note(Proprietary, QLatin1String(heading) + text, kBuildQuery);
}

void QueryDescription::note(int level, const QString &text, const QString &method) const {
  if (!quiet_) task_.Log(level, text, method);
}

void QueryDescription::fail(int level, const QString &text, const QString &method) const {
  note(level, text, method);
  throw XException(text);
}

void QueryDescription::appendFields(QString &text) const {
  bool first = true;
  for (const auto &field : fields_) {
    if (!first) text += QStringLiteral(", ");
    first = false;
    const bool wrapped = !field->Prefix().isEmpty();
    if (wrapped) text += field->Prefix() + QLatin1Char(' ');
    text += qualifiedName(*field);
    if (wrapped) text += field->Suffix().isEmpty() ? QStringLiteral(")") : QLatin1Char(' ') + field->Suffix();
    if (!field->Alias().isEmpty()) text += QStringLiteral(" as ") + field->Alias();
  }
}

void QueryDescription::appendTables(QString &text, int databaseType) const {
  bool first = true;
  for (const auto &table : tables_) {
    if (!first) text += QStringLiteral(", ");
    first = false;
    text += options_.QuoteTables ? doubleQuoted(table->Name()) : table->Name();
    if (table->Alias() != table->Name()) text += QLatin1Char(' ') + table->Alias();
    if (databaseType == DatabaseType::MSSQL) text += QStringLiteral(" WITH (NOLOCK) ");
  }
}

void QueryDescription::appendConditions(QString &text) const {
  // A group opens with the first condition of a higher level and closes after the first
  // condition that returns to a lower one; groups still open are closed at the end.
  int previousLevel = 0;
  int open = 0;
  bool first = true;
  for (const auto &condition : conditions_) {
    text +=
        first ? QStringLiteral(" WHERE ") : QLatin1Char(' ') + condition->Conjunction() + QLatin1Char(' ');
    if (condition->Level() > previousLevel) {
      text += QLatin1Char('(');
      ++open;
    }
    if (first && condition->Conjunction().startsWith(QLatin1Char('(')))
      text += condition->Conjunction() + QLatin1Char(' ');
    if (condition->Left() != nullptr) text += qualifiedName(*condition->Left()) + QLatin1Char(' ');
    text += condition->Operator() + QLatin1Char(' ');
    text += condition->Right() != nullptr ? qualifiedName(*condition->Right()) : condition->Value();
    if (condition->Level() < previousLevel) {
      text += QLatin1Char(')');
      --open;
    }
    previousLevel = condition->Level();
    first = false;
    logStep("BuildQuery: Conditions:\n", text);
  }
  for (; open > 0; --open) text += QLatin1Char(')');
}

void QueryDescription::appendOrders(QString &text) const {
  bool first = true;
  for (const auto &order : orders_) {
    text += first ? QStringLiteral(" ORDER BY ") : QStringLiteral(", ");
    first = false;
    const ODBCField &field = order->Field();
    text += field.Alias().isEmpty() ? qualifiedName(field) : field.Alias();
    if (order->Descending()) text += QStringLiteral(" DESC");
  }
}

QString QueryDescription::BuildQuery(int databaseType, const QString &dataSource) const {
  if (databaseType == DatabaseType::DBaseXBase) {
    if (tables_.size() > 1)
      fail(Debug, QStringLiteral("Cannot use more than 1 table in XBase query"), kBuildQuery);
    return tables_.empty() ? dataSource : dataSource + tables_.front()->Name() + QStringLiteral(".dbf");
  }
  if (databaseType == DatabaseType::Access)
    note(Warning, QStringLiteral("Joins may not work for this DB Type: ") + DatabaseTypeName(databaseType),
         kBuildQuery);

  QString text = QStringLiteral("SELECT ");
  if (options_.Distinct) text += QStringLiteral("DISTINCT ");
  appendFields(text);
  logStep("BuildQuery: Fields Finished:\n", text);
  text += QStringLiteral(" FROM ");
  appendTables(text, databaseType);
  logStep("BuildQuery: Tables Finished:\n", text);
  logStep("BuildQuery: Join Count: 0:\n", text);
  logStep("BuildQuery: Joins Finished:\n", text);
  text += QLatin1Char(' ');
  appendConditions(text);
  logStep("BuildQuery: Conditions Finished:\n", text);
  appendOrders(text);
  logStep("BuildQuery: Orders Finished:\n", text);
  logStep("BuildQuery Finished:", text);
  return text;
}

void QueryDescription::RemoveLastConditions(int count) {
  while (count-- > 0 && !conditions_.empty()) conditions_.pop_back();
}
