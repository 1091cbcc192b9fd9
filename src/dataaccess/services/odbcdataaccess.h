// The ODBC layer of the extraction task: owns the query description and the connection with its
// record set (the data-access components), exposes their operations to the engine and supplies the
// query and field operations that the layers below read through.
#pragma once

#include <QSet>
#include <optional>

#include "dataaccessbase.h"
#include "odbcsession.h"

class ODBCDataAccess : public DataAccessBase {
  Q_OBJECT

 public:
  // behaviour: the bits of Behaviour:: (the engine gives 3).
  explicit ODBCDataAccess(int behaviour, QObject *parent = nullptr);
  ~ODBCDataAccess() override;

  OdbcSession &Session() { return session_; }
  QueryDescription &Query() { return session_.Query(); }
  QueryOptions &Options() { return session_.Query().Options(); }

  int DatabaseType() const { return session_.DatabaseType(); }
  void SetDatabaseType(int type) { session_.SetDatabaseType(type); }
  // The "dsn" value; the database type follows it when it names a SQLite school file. Disconnects
  // first when connected.
  void SetDataSourceName(const QString &dataSource);
  void SetCredentials(const QString &user, const QString &password);
  void SetTimeouts(int connectionSeconds, int commandSeconds);

  // Query description.
  ODBCTable *AddTable(const QString &name, const QString &alias, bool required = true,
                      const QString &sourceText = QString());
  ODBCField *AddField(const ODBCTable *table, const QString &name, bool required = true,
                      bool secondary = false);
  ODBCField *AddFieldExpression(const QString &prefix, const ODBCField *field, const QString &suffix,
                                const QString &alias);
  // The field selected, plus its output column and import column in the current export table. A
  // table given whose field does not exist adds nothing, logs a Warning naming the column (once
  // per export) and answers null.
  ODBCField *AddOutputField(const ODBCTable *table, const QString &name, const ValueGetter &getter,
                            int command, const QString &headerName, bool required = true,
                            const QString &customName = QString(), const QString &customTitle = QString(),
                            const QString &customKind = QString(), const QString &customExtra = QString());
  ODBCCondition *AddCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                              const ODBCField *right, int level = 0);
  ODBCCondition *AddCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                              const QString &value, int level = 0);
  ODBCCondition *AddCondition(const QString &conjunction, const QString &text, int level = 0);
  ODBCOrder *AddOrder(const ODBCField *field, bool descending = false);
  // Empties the description (tables, fields, conditions, orders); a new export starts with it.
  void ClearQuery() override;
  QString BuildQuery() override { return session_.BuildQuery(); }
  void RunQueryAhead(const QString &text) override { session_.RunAhead(text); }

  // Connection and records.
  QString BuildConnectionString(const QString &dataSource, const std::optional<QString> &user,
                                const std::optional<QString> &password);
  QString BuildConnectionString();
  QString SQLDate(const XDate &date, int databaseType = 0) const {
    return session_.SQLDate(date, databaseType);
  }
  void Connect(const QString &connectionString);
  void ConnectAndInspect(const QString &connectionString, bool keepConnected);
  bool IsConnected() const { return session_.IsConnected(); }
  void Disconnect() { session_.Disconnect(); }
  int RunQuery(const QString &text) { return session_.RunQuery(text); }
  bool OpenQuery() { return session_.OpenQuery(); }
  int OpenQueryCode() override { return session_.OpenQueryCode(); }
  // Empties the description and closes the record set.
  void CloseQuery() { session_.CloseQuery(); }
  bool GetFirstRecord() override { return session_.GetFirstRecord(); }
  bool GetNextRecord() override { return session_.GetNextRecord(); }
  int GetRecordCount() override { return session_.GetRecordCount(); }
  bool TableExists(const QString &table) { return session_.TableExists(table); }
  bool FieldExists(const QString &table, const QString &field) { return session_.FieldExists(table, field); }
  int HandleException_ValidateConnection(const XException &exception, QString &message) {
    return session_.HandleException_ValidateConnection(exception, message);
  }
  void FinishRun() override;

  // Typed getters of the current row.
  QString GetFieldText(const ODBCField *field) { return session_.GetFieldText(field); }
  QString GetFieldString(const ODBCField *field) override { return session_.GetFieldString(field); }
  QString GetFieldStringNoZero(const ODBCField *field) { return session_.GetFieldStringNoZero(field); }
  QString GetFieldStringNoNA(const ODBCField *field) { return session_.GetFieldStringNoNA(field); }
  QString GetFieldOneLine(const ODBCField *field) { return session_.GetFieldOneLine(field); }
  QString GetFieldOneLineNoZero(const ODBCField *field) { return session_.GetFieldOneLineNoZero(field); }
  QByteArray GetFieldBytes(const ODBCField *field) { return session_.GetFieldBytes(field); }
  XDate GetFieldDate(const ODBCField *field) override { return session_.GetFieldDate(field); }
  XDateTime GetFieldDateTime(const ODBCField *field) override { return session_.GetFieldDateTime(field); }
  XTime GetFieldTime(const ODBCField *field) override { return session_.GetFieldTime(field); }
  qint32 GetFieldInt(const ODBCField *field) override { return session_.GetFieldInt(field); }
  qint32 GetFieldLong(const ODBCField *field) { return session_.GetFieldLong(field); }
  double GetFieldDouble(const ODBCField *field) override { return session_.GetFieldDouble(field); }
  double GetFieldMoney(const ODBCField *field) override { return session_.GetFieldMoney(field); }
  bool GetFieldBool(const ODBCField *field) override { return session_.GetFieldBool(field); }
  QString GetFieldBoolText(const ODBCField *field) { return session_.GetFieldBoolText(field); }
  bool IsFieldNull(const ODBCField *field) { return session_.IsFieldNull(field); }
  XDate GetFieldDateOrNull(const ODBCField *field) { return session_.GetFieldDateOrNull(field); }

 protected:
  // The common steps of the front-end operations: data source, connection string, connect and a
  // new description. Throws what Connect throws.
  void ConnectWith(const ParameterMap &parameters);

  bool AddQueryField(ODBCField *field) override { return field != nullptr; }
  void CloseRecordSet() override;
  void Reconnect() override { Connect(session_.ConnectionString()); }
  ODBCCondition *AddValueCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                                   const QString &value, int level) override {
    return AddCondition(conjunction, left, op, value, level);
  }
  void RemoveLastConditions(int count) override { session_.Query().RemoveLastConditions(count); }
  QString SQLDateText(const XDate &date) override { return SQLDate(date); }

 private:
  void warnMissingColumn(const ODBCTable &table, const QString &name);

  OdbcSession session_;
  // "Table.column" of the optional columns the current export has left out.
  QSet<QString> missingColumns_;
};
