// The data-access operations of the task over one ODBC connection: connection strings, connect and
// disconnect, running the described query, walking its records, typed getters, existence checks
// and the schema log. The task chain's data-access class owns one and delegates to it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "existencequeries.h"
#include "fieldvalue.h"
#include "odbcconnection.h"
#include "querydescription.h"
#include "queryprefetcher.h"
#include "recordset.h"
#include "textmemo.h"
#include "xdatetime.h"

class BridgeTaskBase;

class OdbcSession : public SchemaChecks {
 public:
  static constexpr int kConnectionLost = 1629;
  static constexpr int kConnectTimeout = 12170;

  OdbcSession(BridgeTaskBase &task, int behaviour);
  ~OdbcSession() override;

  QueryDescription &Query() { return query_; }
  int Behaviour() const { return behaviour_; }
  int DatabaseType() const { return databaseType_; }
  void SetDatabaseType(int type) { databaseType_ = type; }
  const QString &DataSource() const { return dataSource_; }
  void SetDataSource(const QString &dataSource) { dataSource_ = dataSource; }
  void SetTimeouts(int connectionSeconds, int commandSeconds);
  const QString &ConnectionString() const { return connectionString_; }

  QString BuildConnectionString(const QString &dataSource, const std::optional<QString> &user,
                                const std::optional<QString> &password);
  QString SQLDate(const XDate &date, int databaseType = 0) const;

  // Throws ConnectError with the masked connection string when the connection cannot be opened.
  void Connect(const QString &connectionString);
  // Connect, then the schema log when the task's "logSchema" parameter is "true".
  void ConnectAndInspect(const QString &connectionString, bool keepConnected);
  bool KeepConnected() const { return keepConnected_; }
  bool IsConnected() const;
  void Disconnect();

  QString BuildQuery() const { return query_.BuildQuery(databaseType_, dataSource_); }
  // 0 on success; 1629 (connection lost) or 12170 (time-out) for the errors the caller may retry;
  // throws XException "While executing query: ..." otherwise.
  int RunQuery(const QString &text);
  // Starts running a statement that RunQuery will be asked for later, on a second connection, so the
  // database answers it while the current result is written. RunQuery takes the rows if the text
  // is the same, and runs the text itself otherwise.
  void RunAhead(const QString &text);
  // Off: every statement runs on the one connection when asked for (tests compare the two ways).
  void SetRunningAhead(bool on) { runningAhead_ = on; }
  bool OpenQuery() { return OpenQueryCode() == 0; }
  int OpenQueryCode() { return RunQuery(BuildQuery()); }
  void CloseQuery();
  // Closes the record set and keeps the description, so the query can be run again.
  void CloseRecordSet() { records_.reset(); }
  bool GetFirstRecord();
  bool GetNextRecord();
  int GetRecordCount();
  bool TrialQuery(const QString &text);
  bool HasRecordSet() const { return records_ != nullptr; }
  // The current record set, or null: its columns as the driver described them.
  const RecordSet *Records() const { return records_.get(); }

  // False for a name the database lacks; throws XException when the check itself cannot run.
  bool TableExists(const QString &table) override;
  bool FieldExists(const QString &table, const QString &field) override;
  void DumpTableColumns(const QString &table) override;
  void logSchema();
  // 2 with "Connection Failed: Data Source does not exist." for an unknown data source, else 1.
  int HandleException_ValidateConnection(const XException &exception, QString &message);

  QString GetFieldText(const ODBCField *field);
  QString GetFieldString(const ODBCField *field);
  QString GetFieldStringNoZero(const ODBCField *field);
  QString GetFieldStringNoNA(const ODBCField *field);
  QString GetFieldOneLine(const ODBCField *field);
  QString GetFieldOneLineNoZero(const ODBCField *field);
  QByteArray GetFieldBytes(const ODBCField *field);
  XDate GetFieldDate(const ODBCField *field);
  XDateTime GetFieldDateTime(const ODBCField *field);
  XTime GetFieldTime(const ODBCField *field);
  qint32 GetFieldInt(const ODBCField *field);
  qint32 GetFieldLong(const ODBCField *field);
  double GetFieldDouble(const ODBCField *field);
  double GetFieldMoney(const ODBCField *field);
  bool GetFieldBool(const ODBCField *field);
  QString GetFieldBoolText(const ODBCField *field);
  bool IsFieldNull(const ODBCField *field);
  XDate GetFieldDateOrNull(const ODBCField *field);

  // The ADO type name of a column, as the schema log writes it.
  static QString ColumnTypeName(SQLSMALLINT sqlType);

 private:
  enum class Outcome { Failed, False, True };
  Outcome runExistenceTest(const QString &query, int test, bool logSteps, QString *error);
  // The answer of the check; throws XException naming the subject ("column T.F") when the check
  // itself could not run.
  bool existenceAnswer(const ExistenceQuery &query, const QString &subject, bool logSteps);
  // The answer of a check already run on this connection: the schema does not change during a run,
  // and a query described ahead of its export asks the same checks as the export.
  std::optional<bool> knownAnswer(const ExistenceQuery &query) const;
  void rememberAnswer(const ExistenceQuery &query, bool answer);
  // The column of the current record set that holds the field, or -1 (with the failure thrown
  // when the record set lacks it).
  int columnOf(const ODBCField &field) const {
    const int ordinal = field.Ordinal();
    if (!(behaviour_ & Behaviour::ReadByName) && ordinal >= 0 && ordinal < records_->ColumnCount())
      return ordinal;
    return columnByName(field);
  }
  int columnByName(const ODBCField &field) const;
  bool readable(const ODBCField *field) const;
  template <typename Convert>
  auto read(const ODBCField &field, Convert convert) const {
    const int column = columnOf(field);
    return convert(records_->Column(column), records_->Cell(column));
  }
  void log(int level, const QString &text, const char *method) const;

  BridgeTaskBase &task_;
  int behaviour_;
  TextMemo memo_;
  int databaseType_ = 0;
  QString dataSource_;
  QString connectionString_;
  int connectionTimeout_ = 15;
  int commandTimeout_ = 30;
  bool keepConnected_ = false;
  QueryDescription query_;
  OdbcConnection connection_;
  std::unique_ptr<RecordSet> records_;
  bool runningAhead_ = true;
  std::unique_ptr<QueryPrefetcher> ahead_;
  QHash<QString, bool> knownAnswers_;
};
