// The description of the current query (tables, fields, conditions, orders) and its rendering as
// one SELECT text in the dialect of a database type. Errors are logged and thrown through the task.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "behaviouroptions.h"
#include "queryentries.h"

class BridgeTaskBase;

// What the description asks the database when the check-existence behaviour is on. A check that
// cannot run throws XException rather than answering "no".
class SchemaChecks {
 public:
  virtual ~SchemaChecks() = default;
  virtual bool TableExists(const QString &table) = 0;
  virtual bool FieldExists(const QString &table, const QString &field) = 0;
  // Writes the table's columns to the log (behaviour bit 0x40); failures are ignored.
  virtual void DumpTableColumns(const QString &table) = 0;
};

// Told of every table and column a description asks the database about, with the answer. While
// one listens, a missing required table or column is added all the same: the description is then
// surveyed to its end instead of stopping at the first miss.
class SchemaListener {
 public:
  virtual ~SchemaListener() = default;
  // column is empty for a table.
  virtual void SchemaRead(const QString &table, const QString &column, bool required, bool exists) = 0;
};

class QueryDescription {
 public:
  QueryDescription(BridgeTaskBase &task, int behaviour);
  ~QueryDescription();
  QueryDescription(const QueryDescription &) = delete;
  QueryDescription &operator=(const QueryDescription &) = delete;

  void SetSchemaChecks(SchemaChecks *checks) { checks_ = checks; }
  void SetSchemaListener(SchemaListener *listener) { listener_ = listener; }
  // Quiet: nothing is logged (a description made ahead of its export, which logs when it runs);
  // failures still throw.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  QueryOptions &Options() { return options_; }
  const QueryOptions &Options() const { return options_; }
  int Behaviour() const { return behaviour_; }

  ODBCTable *AddTable(const QString &name, const QString &alias, bool required = true,
                      const QString &sourceText = QString());
  ODBCField *AddField(const ODBCTable *table, const QString &name, bool required, bool secondary = false);
  // Appends without any check.
  ODBCField *AddField(const ODBCTable &table, const QString &name);
  ODBCField *AddFieldExpression(const QString &prefix, const ODBCField *field, const QString &suffix,
                                const QString &alias);
  ODBCCondition *AddCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                              const ODBCField *right, int level = 0);
  ODBCCondition *AddCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                              const QString &value, int level = 0);
  ODBCCondition *AddCondition(const QString &conjunction, const QString &conditionText, int level = 0);
  ODBCOrder *AddOrder(const ODBCField *field, bool descending = false);
  // The ordinal of a condition-only field, which the result has no column for.
  static constexpr int kNotSelected = -1;

  // Empties tables, fields (selected and condition-only), conditions and orders. A selected field's
  // ordinal is its position in the select list.
  void ClearQuery();
  // Removes the last count conditions (a date window that is about to be replaced).
  void RemoveLastConditions(int count);

  // The SELECT text; for the XBase type the file the query reads.
  QString BuildQuery(int databaseType, const QString &dataSource) const;

  const std::vector<std::unique_ptr<ODBCTable>> &Tables() const { return tables_; }
  const std::vector<std::unique_ptr<ODBCField>> &Fields() const { return fields_; }
  const std::vector<std::unique_ptr<ODBCCondition>> &Conditions() const { return conditions_; }
  const std::vector<std::unique_ptr<ODBCOrder>> &Orders() const { return orders_; }

 private:
  bool checking() const;
  // The database's answer for a table (empty column) or column, told to the listener; a missing
  // required one counts as present while a listener surveys.
  bool usable(const QString &table, const QString &column, bool required) const;
  QString qualifiedName(const ODBCField &field) const;
  void appendFields(QString &text) const;
  void appendTables(QString &text, int databaseType) const;
  void appendConditions(QString &text) const;
  void appendOrders(QString &text) const;
  void logStep(const char *heading, const QString &text) const;
  void note(int level, const QString &text, const QString &method) const;
  [[noreturn]] void fail(int level, const QString &text, const QString &method) const;

  BridgeTaskBase &task_;
  int behaviour_;
  QueryOptions options_;
  SchemaChecks *checks_ = nullptr;
  SchemaListener *listener_ = nullptr;
  bool quiet_ = false;
  std::vector<std::unique_ptr<ODBCTable>> tables_;
  std::vector<std::unique_ptr<ODBCField>> fields_;
  std::vector<std::unique_ptr<ODBCField>> secondaryFields_;
  std::vector<std::unique_ptr<ODBCCondition>> conditions_;
  std::vector<std::unique_ptr<ODBCOrder>> orders_;
};
