// The ODBC layer of the extraction task: owns the query description and the connection with its
// record set (the data-access components), exposes their operations to the engine and supplies the
// query and field operations that the layers below read through.
#pragma once

#include <optional>

#include "dataaccessbase.h"
#include "odbcsession.h"

class ODBCDataAccess : public DataAccessBase {
  Q_OBJECT

 public:
  // behaviour: the bits of Behaviour:: (the engine gives 3).
  explicit ODBCDataAccess(int behaviour, QObject *parent = nullptr);
  ~ODBCDataAccess() override;

  OdbcSession &Session() { return m_session; }
  QueryDescription &Query() { return m_session.Query(); }
  QueryOptions &Options() { return m_session.Query().Options(); }

  int DatabaseType() const { return m_session.DatabaseType(); }
  void SetDatabaseType(int type) { m_session.SetDatabaseType(type); }
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
  // table given whose field does not exist adds nothing and answers null.
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
  // Empties the description (tables, fields, conditions, orders).
  void ClearQuery() override { m_session.Query().ClearQuery(); }
  QString BuildQuery() override { return m_session.BuildQuery(); }

  // Connection and records.
  QString BuildConnectionString(const QString &dataSource, const std::optional<QString> &user,
                                const std::optional<QString> &password);
  QString BuildConnectionString();
  QString SQLDate(const XDate &date, int databaseType = 0) const {
    return m_session.SQLDate(date, databaseType);
  }
  void Connect(const QString &connectionString);
  void ConnectAndInspect(const QString &connectionString, bool keepConnected);
  bool IsConnected() const { return m_session.IsConnected(); }
  void Disconnect() { m_session.Disconnect(); }
  int RunQuery(const QString &text) { return m_session.RunQuery(text); }
  bool OpenQuery() { return m_session.OpenQuery(); }
  int OpenQueryCode() override { return m_session.OpenQueryCode(); }
  // Empties the description and closes the record set.
  void CloseQuery() { m_session.CloseQuery(); }
  bool GetFirstRecord() override { return m_session.GetFirstRecord(); }
  bool GetNextRecord() override { return m_session.GetNextRecord(); }
  int GetRecordCount() override { return m_session.GetRecordCount(); }
  bool TableExists(const QString &table) { return m_session.TableExists(table); }
  bool FieldExists(const QString &table, const QString &field) { return m_session.FieldExists(table, field); }
  int HandleException_ValidateConnection(const XException &exception, QString &message) {
    return m_session.HandleException_ValidateConnection(exception, message);
  }
  void FinishRun() override;

  // Typed getters of the current row.
  QString GetFieldText(const ODBCField *field) { return m_session.GetFieldText(field); }
  QString GetFieldString(const ODBCField *field) override { return m_session.GetFieldString(field); }
  QString GetFieldStringNoZero(const ODBCField *field) { return m_session.GetFieldStringNoZero(field); }
  QString GetFieldStringNoNA(const ODBCField *field) { return m_session.GetFieldStringNoNA(field); }
  QString GetFieldOneLine(const ODBCField *field) { return m_session.GetFieldOneLine(field); }
  QString GetFieldOneLineNoZero(const ODBCField *field) { return m_session.GetFieldOneLineNoZero(field); }
  QByteArray GetFieldBytes(const ODBCField *field) { return m_session.GetFieldBytes(field); }
  XDate GetFieldDate(const ODBCField *field) override { return m_session.GetFieldDate(field); }
  XDateTime GetFieldDateTime(const ODBCField *field) override { return m_session.GetFieldDateTime(field); }
  XTime GetFieldTime(const ODBCField *field) override { return m_session.GetFieldTime(field); }
  qint32 GetFieldInt(const ODBCField *field) override { return m_session.GetFieldInt(field); }
  qint32 GetFieldLong(const ODBCField *field) { return m_session.GetFieldLong(field); }
  double GetFieldDouble(const ODBCField *field) override { return m_session.GetFieldDouble(field); }
  double GetFieldMoney(const ODBCField *field) override { return m_session.GetFieldMoney(field); }
  bool GetFieldBool(const ODBCField *field) override { return m_session.GetFieldBool(field); }
  QString GetFieldBoolText(const ODBCField *field) { return m_session.GetFieldBoolText(field); }
  bool IsFieldNull(const ODBCField *field) { return m_session.IsFieldNull(field); }
  XDate GetFieldDateOrNull(const ODBCField *field) { return m_session.GetFieldDateOrNull(field); }

 protected:
  // The common steps of the front-end operations: data source, connection string, connect and a
  // new description. Throws what Connect throws.
  void ConnectWith(const ParameterMap &parameters);

  bool AddQueryField(ODBCField *field) override { return field != nullptr; }
  void CloseRecordSet() override;
  void Reconnect() override { Connect(m_session.ConnectionString()); }
  ODBCCondition *AddValueCondition(const QString &conjunction, const ODBCField *left, const QString &op,
                                   const QString &value, int level) override {
    return AddCondition(conjunction, left, op, value, level);
  }
  void RemoveLastConditions(int count) override { m_session.Query().RemoveLastConditions(count); }
  QString SQLDateText(const XDate &date) override { return SQLDate(date); }

 private:
  OdbcSession m_session;
};
