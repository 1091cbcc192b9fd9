// The ODBC layer of the task chain: delegation to the query description and the connection, the
// output columns of an export, the connection steps of the front-end operations and the end of a run.
#include "odbcdataaccess.h"

#include "databasetype.h"
#include "loglevels.h"

ODBCDataAccess::ODBCDataAccess(int behaviour, QObject *parent)
    : DataAccessBase(parent), session_(*this, behaviour) {
  session_.SetTimeouts(connectionTimeout_, commandTimeout_);
}

ODBCDataAccess::~ODBCDataAccess() {
  const QString pattern = QStringLiteral("dd/mm/yyyy|hh:nn:ss");
  const QString method = QStringLiteral("ODBCDataAccess::~ODBCDataAccess");
  Log(kDebug, Now().Format(pattern) + QStringLiteral(" Start ODBCDataAccess Destructor"), method);
  session_.Disconnect();
  Log(kDebug, Now().Format(pattern) + QStringLiteral(" End ODBCDataAccess Destructor"), method);
}

void ODBCDataAccess::SetDataSourceName(const QString &dataSource) {
  if (IsConnected()) Disconnect();
  dataSource_ = dataSource;
  session_.SetDataSource(dataSource);
  session_.SetDatabaseType(EffectiveDatabaseType(session_.DatabaseType(), dataSource));
}

void ODBCDataAccess::SetCredentials(const QString &user, const QString &password) {
  user_ = user;
  password_ = password;
}

void ODBCDataAccess::SetTimeouts(int connectionSeconds, int commandSeconds) {
  connectionTimeout_ = connectionSeconds;
  commandTimeout_ = commandSeconds;
  session_.SetTimeouts(connectionSeconds, commandSeconds);
}

ODBCTable *ODBCDataAccess::AddTable(const QString &name, const QString &alias, bool required,
                                    const QString &sourceText) {
  return session_.Query().AddTable(name, alias, required, sourceText);
}

ODBCField *ODBCDataAccess::AddField(const ODBCTable *table, const QString &name, bool required,
                                    bool secondary) {
  return session_.Query().AddField(table, name, required, secondary);
}

ODBCField *ODBCDataAccess::AddFieldExpression(const QString &prefix, const ODBCField *field,
                                              const QString &suffix, const QString &alias) {
  return session_.Query().AddFieldExpression(prefix, field, suffix, alias);
}

ODBCField *ODBCDataAccess::AddOutputField(const ODBCTable *table, const QString &name,
                                          const ValueGetter &getter, int command, const QString &headerName,
                                          bool required, const QString &customName,
                                          const QString &customTitle, const QString &customKind,
                                          const QString &customExtra) {
  ODBCField *field = AddField(table, name, required);
  if (table && !field) {
    warnMissingColumn(*table, name);
    return nullptr;
  }
  AddColumn(field, QString(), getter, command);
  AddHeaderField(headerName, customName, customTitle, customKind, customExtra);
  return field;
}

void ODBCDataAccess::warnMissingColumn(const ODBCTable &table, const QString &name) {
  // An administrator reads which import columns the school's database does not feed; one line
  // per export, however many import columns the database column would have fed.
  const QString column = table.TableName() + QLatin1Char('.') + name;
  if (missingColumns_.contains(column)) return;
  missingColumns_.insert(column);
  Log(kWarning,
      QStringLiteral("Optional column ") + column +
          QStringLiteral(" not found; its import column is left out"),
      QStringLiteral("ODBCDataAccess::AddOutputField"));
}

void ODBCDataAccess::ClearQuery() {
  session_.Query().ClearQuery();
  missingColumns_.clear();
}

ODBCCondition *ODBCDataAccess::AddCondition(const QString &conjunction, const ODBCField *left,
                                            const QString &op, const ODBCField *right, int level) {
  return session_.Query().AddCondition(conjunction, left, op, right, level);
}

ODBCCondition *ODBCDataAccess::AddCondition(const QString &conjunction, const ODBCField *left,
                                            const QString &op, const QString &value, int level) {
  return session_.Query().AddCondition(conjunction, left, op, value, level);
}

ODBCCondition *ODBCDataAccess::AddCondition(const QString &conjunction, const QString &text, int level) {
  return session_.Query().AddCondition(conjunction, text, level);
}

ODBCOrder *ODBCDataAccess::AddOrder(const ODBCField *field, bool descending) {
  return session_.Query().AddOrder(field, descending);
}

QString ODBCDataAccess::BuildConnectionString(const QString &dataSource, const std::optional<QString> &user,
                                              const std::optional<QString> &password) {
  return session_.BuildConnectionString(dataSource, user, password);
}

QString ODBCDataAccess::BuildConnectionString() {
  return BuildConnectionString(dataSource_, user_, password_);
}

void ODBCDataAccess::Connect(const QString &connectionString) {
  session_.Connect(connectionString);
}

void ODBCDataAccess::ConnectAndInspect(const QString &connectionString, bool keepConnected) {
  session_.ConnectAndInspect(connectionString, keepConnected);
}

void ODBCDataAccess::ConnectWith(const ParameterMap &parameters) {
  SetDataSourceName(parameters.value(QStringLiteral("dsn")));
  SetCredentials(parameters.value(QStringLiteral("user")), parameters.value(QStringLiteral("pwd")));
  Connect(BuildConnectionString());
  ClearQuery();
}

void ODBCDataAccess::CloseRecordSet() {
  session_.CloseRecordSet();
}

void ODBCDataAccess::FinishRun() {
  const QString method = QStringLiteral("ODBCDataAccess::FinishRun");
  Log(kInformational, QStringLiteral("Finished Extraction"), method);
  Log(kDebug, QStringLiteral("Finishing Import"), method);
  if (!session_.KeepConnected()) {
    Log(kDebug, QStringLiteral("Disconnecting"), method);
    Disconnect();
  }
  Log(kDebug, QStringLiteral("Saving Bridge Config"), method);
  Log(kDebug, QStringLiteral("Clearing Run Data"), method);
  PDEWriter::FinishRun();
  Log(kDebug, QStringLiteral("End Extract Log"), method);
  Log(kDebug, QStringLiteral("Extract Log Ended"), method);
}
