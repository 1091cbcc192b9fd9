// The entries of a query description: tables, fields, conditions and orders. The description owns
// them; fields and conditions refer to tables and fields of the same description.
#pragma once

#include <QString>

class DataAccessTable {
 public:
  virtual ~DataAccessTable() = default;
  virtual const QString &Name() const = 0;
};

class ODBCTable : public DataAccessTable {
 public:
  // An empty alias becomes the name, so the alias is never empty.
  ODBCTable(const QString &name, const QString &tableName, const QString &alias)
      : name_(name), tableName_(tableName), alias_(alias.isEmpty() ? name : alias) {}

  const QString &Name() const override { return name_; }
  const QString &TableName() const { return tableName_; }
  const QString &Alias() const { return alias_; }

 private:
  QString name_;
  QString tableName_;
  QString alias_;
};

class DataAccessField {
 public:
  virtual ~DataAccessField() = default;
  virtual const QString &Name() const = 0;
};

class ODBCField : public DataAccessField {
 public:
  ODBCField(const ODBCTable &table, const QString &name, int ordinal, const QString &alias = QString(),
            const QString &prefix = QString(), const QString &suffix = QString())
      : table_(&table), name_(name), alias_(alias), ordinal_(ordinal), prefix_(prefix), suffix_(suffix) {}

  const QString &Name() const override { return name_; }
  const ODBCTable &Table() const { return *table_; }
  const QString &Alias() const { return alias_; }
  int Ordinal() const { return ordinal_; }
  const QString &Prefix() const { return prefix_; }
  const QString &Suffix() const { return suffix_; }

 private:
  const ODBCTable *table_;
  QString name_;
  QString alias_;
  int ordinal_;
  QString prefix_;
  QString suffix_;
};

class ODBCCondition {
 public:
  ODBCCondition(const QString &conjunction, const ODBCField *left, const QString &op, const ODBCField *right,
                const QString &value, int level)
      : conjunction_(conjunction), left_(left), op_(op), right_(right), value_(value), level_(level) {}
  virtual ~ODBCCondition() = default;

  const QString &Conjunction() const { return conjunction_; }
  const ODBCField *Left() const { return left_; }
  // For a text condition this holds the whole condition text.
  const QString &Operator() const { return op_; }
  const ODBCField *Right() const { return right_; }
  // Literal SQL written when there is no right field.
  const QString &Value() const { return value_; }
  int Level() const { return level_; }

 private:
  QString conjunction_;
  const ODBCField *left_;
  QString op_;
  const ODBCField *right_;
  QString value_;
  int level_;
};

class ODBCOrder {
 public:
  ODBCOrder(const ODBCField &field, bool descending) : field_(&field), descending_(descending) {}
  virtual ~ODBCOrder() = default;

  const ODBCField &Field() const { return *field_; }
  bool Descending() const { return descending_; }

 private:
  const ODBCField *field_;
  bool descending_;
};
