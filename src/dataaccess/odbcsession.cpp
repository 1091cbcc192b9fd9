// Connection, query running, record walking and existence checks of the data-access layer.
#include "odbcsession.h"

#include <cstring>

#include "bridgetaskbase.h"
#include "connectionstring.h"
#include "databasetype.h"
#include "freedmemory.h"
#include "sqldate.h"

namespace {
enum Level { Informational = 7, Debug = 8, Proprietary = 9 };
constexpr int kNoAnswer = -1;

// The driver's own messages of a diagnostic ("Error number: %x\t<message>\r\n" per record) on
// one line, so that an error line can quote them.
QString DriverMessages(const QString &diagnostic) {
  QStringList messages;
  for (const QString &line : diagnostic.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const QString message = line.section(QLatin1Char('\t'), 1).simplified();
    if (!message.isEmpty()) messages << message;
  }
  return messages.join(QLatin1Char(' '));
}
}  // namespace

OdbcSession::OdbcSession(BridgeTaskBase &task, int behaviour)
    : task_(task), behaviour_(behaviour), query_(task, behaviour) {
  query_.SetSchemaChecks(this);
}

OdbcSession::~OdbcSession() {
  records_.reset();
}

void OdbcSession::log(int level, const QString &text, const char *method) const {
  task_.Log(level, text, QLatin1String("ODBCDataAccess::") + QLatin1String(method));
}

void OdbcSession::SetTimeouts(int connectionSeconds, int commandSeconds) {
  connectionTimeout_ = connectionSeconds;
  commandTimeout_ = commandSeconds;
}

QString OdbcSession::BuildConnectionString(const QString &dataSource, const std::optional<QString> &user,
                                           const std::optional<QString> &password) {
  return ::BuildConnectionString(task_, databaseType_, dataSource, user, password);
}

QString OdbcSession::SQLDate(const XDate &date, int databaseType) const {
  return ::SQLDate(date, databaseType == 0 ? databaseType_ : databaseType);
}

void OdbcSession::Connect(const QString &connectionString) {
  if (IsConnected()) Disconnect();
  ahead_.reset();
  knownAnswers_.clear();
  if (databaseType_ == DatabaseType::DBaseXBase) {
    log(Informational, QStringLiteral("Connect - Could not connect need to define USE_XBASE"), "Connect");
    return;
  }
  connectionString_ = connectionString;
  const bool exclusive = behaviour_ & Behaviour::ExclusiveMode;
  log(Debug,
      exclusive ? QStringLiteral("Open in Exclusive Access Mode.")
                : QStringLiteral("Open in Read Only Access Mode."),
      "Connect");
  const QString diagnostic = connection_.Open(ToOdbcConnectionString(connectionString, databaseType_),
                                              connectionTimeout_, exclusive);
  if (diagnostic.isEmpty()) {
    log(Debug, QStringLiteral("Connected to data source."), "Connect");
    return;
  }
  log(Debug, QStringLiteral("Failed to connect to data source with connection string."), "Connect");
  log(Debug, MaskPasswords(diagnostic), "Connect");
  QString text = QStringLiteral("Failed to connect to data source with connection string: ") +
                 MaskPasswords(connectionString);
  const QString driverSays = DriverMessages(MaskPasswords(diagnostic));
  if (!driverSays.isEmpty()) text += QStringLiteral(" The driver says: ") + driverSays;
  // Thrown, not logged as an error: the caller reports it (a front-end test must print no log line).
  throw ConnectError(text, MaskPasswords(diagnostic));
}

void OdbcSession::ConnectAndInspect(const QString &connectionString, bool keepConnected) {
  keepConnected_ = keepConnected;
  Connect(connectionString);
  if (task_.Parameter(QStringLiteral("logSchema")) != QLatin1String("true")) return;
  try {
    logSchema();
  } catch (...) {
    // The schema log is a diagnostic aid; the run goes on without it.
  }
}

bool OdbcSession::IsConnected() const {
  return connection_.IsOpen();
}

void OdbcSession::Disconnect() {
  if (databaseType_ == DatabaseType::DBaseXBase)
    log(Informational, QStringLiteral("Disconnect: Xbase not defined!"), "Disconnect");
  ahead_.reset();
  records_.reset();
  connection_.Close();
}

int OdbcSession::RunQuery(const QString &text) {
  log(Debug, QStringLiteral("Running Query"), "RunQuery");
  if (databaseType_ == DatabaseType::DBaseXBase) return 0;
  records_.reset();
  ReturnFreedMemory();
  log(Proprietary, text, "RunQuery");
  try {
    std::unique_ptr<RecordSet> ranAhead = ahead_ ? ahead_->Take(text) : nullptr;
    records_ = ranAhead ? std::move(ranAhead)
                        : std::make_unique<RecordSet>(connection_.Handle(), text, commandTimeout_);
    return 0;
  } catch (const XException &e) {
    if (e.Code() == kQueryObjectFailure) throw;
    const QString error = MaskPasswords(e.Text());
    log(Proprietary, QStringLiteral("RunQuery: While executing: ") + text + QStringLiteral(", ") + error,
        "RunQuery");
    if (error.contains(QLatin1String("ORA-03135")) || error.contains(QLatin1String("ORA-03113")))
      return kConnectionLost;
    if (error.contains(QLatin1String("ORA-12170"))) return kConnectTimeout;
    throw XException(QStringLiteral("While executing query: ") + error);
  }
}

void OdbcSession::RunAhead(const QString &text) {
  if (text.isEmpty() || !runningAhead_ || !IsConnected() || databaseType_ == DatabaseType::DBaseXBase) return;
  if (!ahead_) {
    ahead_ = std::make_unique<QueryPrefetcher>(ToOdbcConnectionString(connectionString_, databaseType_),
                                               connectionTimeout_, behaviour_ & Behaviour::ExclusiveMode,
                                               commandTimeout_);
  } else if (!ahead_->Usable()) {
    log(Debug, QStringLiteral("No second connection: queries run one after another."), "RunAhead");
    runningAhead_ = false;
    ahead_.reset();
    return;
  }
  ahead_->Announce(text);
}

void OdbcSession::CloseQuery() {
  query_.ClearQuery();
  if (databaseType_ != DatabaseType::DBaseXBase) records_.reset();
}

bool OdbcSession::GetFirstRecord() {
  if (databaseType_ == DatabaseType::DBaseXBase || !records_) return false;
  if (records_->RowCount() == 0) return false;
  return records_->First();
}

bool OdbcSession::GetNextRecord() {
  if (databaseType_ == DatabaseType::DBaseXBase || !records_) return false;
  return records_->Next();
}

int OdbcSession::GetRecordCount() {
  if (databaseType_ == DatabaseType::DBaseXBase || !records_) return -1;
  // The whole result is held on the client, so the count is always known.
  const int count = int(records_->RowCount());
  log(Debug, QStringLiteral("GetRecordCount: Finishing Getting Record Count."), "GetRecordCount");
  log(Debug, QStringLiteral("GetRecordCount: Validating RecordCount."), "GetRecordCount");
  log(Debug, QStringLiteral("GetRecordCount: Driver supports RecordCount"), "GetRecordCount");
  log(Debug, QStringLiteral("GetRecordCount: Found Record Count of ") + QString::number(count),
      "GetRecordCount");
  return count;
}

bool OdbcSession::TrialQuery(const QString &text) {
  try {
    RecordSet trial(connection_.Handle(), text, commandTimeout_, false);
    return true;
  } catch (...) {
    return false;
  }
}

OdbcSession::Outcome OdbcSession::runExistenceTest(const QString &query, int test, bool logSteps,
                                                   QString *error) {
  auto step = [&](const QString &text) {
    if (logSteps) log(Debug, text, "DoFieldExists");
  };
  std::unique_ptr<RecordSet> result;
  try {
    result = std::make_unique<RecordSet>(connection_.Handle(), query, commandTimeout_,
                                         ExistenceTest(test) != ExistenceTest::Opens);
  } catch (const XException &e) {
    if (error) *error = e.Text();
    step(QStringLiteral("Query Failed."));
    return Outcome::Failed;
  }
  step(QStringLiteral("Query Succeeded."));
  switch (ExistenceTest(test)) {
    case ExistenceTest::Rows:
      step(QStringLiteral("Check Result Count."));
      step(QStringLiteral("Query RecordCount = ") + QString::number(result->RowCount()));
      return result->RowCount() > 0 ? Outcome::True : Outcome::False;
    case ExistenceTest::Value: {
      step(QStringLiteral("Check Result."));
      if (!result->First() || result->ColumnCount() == 0) {
        step(QStringLiteral("No Record."));
        return Outcome::False;
      }
      step(QStringLiteral("Record Found."));
      const qint64 value = fieldvalue::Integer(result->Column(0), result->Cell(0));
      step(QStringLiteral("Record Value =") + QString::number(value));
      return value > 0 ? Outcome::True : Outcome::False;
    }
    default:
      return Outcome::True;
  }
}

bool OdbcSession::existenceAnswer(const ExistenceQuery &query, const QString &subject, bool logSteps) {
  QString error;
  Outcome outcome =
      runExistenceTest(query.query, int(query.test), logSteps && query.fallbackQuery.isEmpty(), &error);
  if (outcome == Outcome::Failed && !query.fallbackQuery.isEmpty()) {
    if (logSteps) {
      log(Debug, QStringLiteral("TrialQuery Failed.  Trying Count"), "DoFieldExists");
      log(Debug, QStringLiteral("TrialQuery Failed: ") + error, "DoFieldExists");
    }
    outcome = runExistenceTest(query.fallbackQuery, int(query.fallbackTest), logSteps, &error);
    // The second try reads the table itself: a name it lacks makes it fail.
    if (outcome == Outcome::Failed) outcome = Outcome::False;
  }
  if (outcome == Outcome::Failed) {
    // A query that reads the table itself fails for a name it lacks; a catalogue query that fails
    // (a lost connection, a time-out) says nothing about the name, and answering "no" would
    // silently drop the column from the export.
    if (query.test != ExistenceTest::Opens)
      throw XException(QStringLiteral("Could not check whether ") + subject + QStringLiteral(" exists: ") +
                       error);
    outcome = Outcome::False;
  }
  const bool answer = outcome == Outcome::True;
  if (answer && logSteps) log(Debug, QStringLiteral("Field Valid."), "DoFieldExists");
  return answer;
}

namespace {
QString answerKey(const ExistenceQuery &query) {
  return query.query + QLatin1Char('\n') + query.fallbackQuery;
}
}  // namespace

std::optional<bool> OdbcSession::knownAnswer(const ExistenceQuery &query) const {
  const auto known = knownAnswers_.constFind(answerKey(query));
  if (known == knownAnswers_.cend()) return std::nullopt;
  return *known;
}

void OdbcSession::rememberAnswer(const ExistenceQuery &query, bool answer) {
  knownAnswers_.insert(answerKey(query), answer);
}

bool OdbcSession::TableExists(const QString &table) {
  const bool trial = behaviour_ & Behaviour::TrialQueryChecks;
  std::optional<ExistenceQuery> query;
  try {
    query = TableExistsQuery(databaseType_, table, query_.Options(), trial);
  } catch (const XException &e) {
    task_.LogAndThrow(Debug, e.Text(), QStringLiteral("ODBCDataAccess::DoTableExists"));
  }
  if (query->test == ExistenceTest::NoAnswer) {
    log(Debug, QStringLiteral("Need to define USE_XBASE!!"), "DoTableExists");
    return false;
  }
  if (const std::optional<bool> known = knownAnswer(*query)) return *known;
  log(Debug, QStringLiteral("Table Exists query:") + query->query, "DoTableExists");
  const QString subject = QStringLiteral("table ") + table;
  try {
    const bool answer = existenceAnswer(*query, subject, false);
    rememberAnswer(*query, answer);
    return answer;
  } catch (const XException &) {
    throw;
  } catch (...) {
    log(Debug, QStringLiteral("Unknown Error occured in DoTableExists"), "DoTableExists");
    throw XException(QStringLiteral("Could not check whether ") + subject + QStringLiteral(" exists."));
  }
}

bool OdbcSession::FieldExists(const QString &table, const QString &field) {
  const bool trial = behaviour_ & Behaviour::TrialQueryChecks;
  std::optional<ExistenceQuery> query;
  try {
    query = FieldExistsQuery(databaseType_, table, field, query_.Options(), trial);
  } catch (const XException &e) {
    task_.LogAndThrow(Debug, e.Text(), QStringLiteral("ODBCDataAccess::DoFieldExists"));
  }
  if (query->test == ExistenceTest::NoAnswer) return false;
  if (const std::optional<bool> known = knownAnswer(*query)) return *known;
  log(Debug, QStringLiteral("Field Exists query:") + query->query, "DoFieldExists");
  const QString subject = QStringLiteral("column ") + table + QLatin1Char('.') + field;
  try {
    const bool answer = existenceAnswer(*query, subject, true);
    rememberAnswer(*query, answer);
    return answer;
  } catch (const XException &) {
    throw;
  } catch (...) {
    log(Debug, QStringLiteral("Unknown Error in DoFieldExists"), "DoFieldExists");
    throw XException(QStringLiteral("Could not check whether ") + subject + QStringLiteral(" exists."));
  }
}

void OdbcSession::DumpTableColumns(const QString &table) {
  log(Debug, table + QStringLiteral(" contents:"), "DumpTable");
  try {
    OdbcConnection second;
    if (!second.Open(ToOdbcConnectionString(connectionString_, databaseType_), connectionTimeout_, false)
             .isEmpty())
      return;
    RecordSet columns(second.Handle(), QStringLiteral("SELECT * FROM ") + table, commandTimeout_, false);
    for (int i = 0; i < columns.ColumnCount(); ++i) log(Debug, columns.Column(i).name, "DumpTable");
  } catch (...) {
    // The dump only helps the reader of the log.
  }
}

QString OdbcSession::ColumnTypeName(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_SMALLINT:
      return QStringLiteral("SmallInt");
    case SQL_INTEGER:
      return QStringLiteral("Integer");
    case SQL_REAL:
      return QStringLiteral("Single");
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return QStringLiteral("Double");
    case SQL_BIT:
      return QStringLiteral("Boolean");
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return QStringLiteral("Numeric");
    case SQL_TINYINT:
      return QStringLiteral("UnsignedTinyInt");
    case SQL_BIGINT:
      return QStringLiteral("Big Int");
    case SQL_GUID:
      return QStringLiteral("GUID");
    case SQL_BINARY:
      return QStringLiteral("Binary");
    case SQL_CHAR:
      return QStringLiteral("Char");
    case SQL_WCHAR:
      return QStringLiteral("WChar");
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return QStringLiteral("DBDate");
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return QStringLiteral("DBTime");
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return QStringLiteral("DBTimeStamp");
    case SQL_VARCHAR:
      return QStringLiteral("VarChar");
    case SQL_LONGVARCHAR:
      return QStringLiteral("LongVarChar");
    case SQL_WVARCHAR:
      return QStringLiteral("VarWChar");
    case SQL_WLONGVARCHAR:
      return QStringLiteral("LongVarWChar");
    case SQL_VARBINARY:
      return QStringLiteral("VarBinary");
    case SQL_LONGVARBINARY:
      return QStringLiteral("LongVarBinary");
    default:
      return QStringLiteral("UNKNOWN!");
  }
}

void OdbcSession::logSchema() {
  log(Informational, QStringLiteral("Logging Schema..."), "logSchema");
  QString query;
  switch (databaseType_) {
    case DatabaseType::MSSQL:
    case DatabaseType::SybaseOdbc:
      query = QStringLiteral(
          "SELECT sysobjects.name as table_name, syscolumns.name as column_name FROM syscolumns "
          "JOIN sysobjects ON syscolumns.id=sysobjects.id");
      break;
    case DatabaseType::MySQL:
      query = QStringLiteral(
          "SELECT table_name as table_name, column_name as column_name FROM information_schema.COLUMNS C");
      break;
    case DatabaseType::SQLite:
      query = QStringLiteral("SELECT name as table_name, sql as column_name FROM sqlite_master ");
      break;
    case DatabaseType::Postgres:
      query = QStringLiteral(
          "SELECT relname as table_name, attname as column_name FROM pg_class, pg_attribute WHERE "
          "pg_class.oid = attrelid  AND attnum > 0");
      break;
    case DatabaseType::OracleOdbc:
    case DatabaseType::OracleOle:
    case DatabaseType::OracleMsdaora:
      query =
          QStringLiteral("SELECT table_name as table_name, column_name as column_name FROM all_tab_columns ");
      break;
    default:
      return;
  }
  log(Informational, query, "logSchema");
  RecordSet schema(connection_.Handle(), query, commandTimeout_);
  for (int i = 0; i < schema.ColumnCount(); ++i)
    log(Informational,
        schema.Column(i).name + QStringLiteral(" - ") + ColumnTypeName(schema.Column(i).sqlType),
        "logSchema");
  if (schema.ColumnCount() < 2) return;
  for (bool row = schema.First(); row; row = schema.Next())
    log(Proprietary,
        fieldvalue::Text(schema.Column(0), schema.Cell(0)) + QStringLiteral("::") +
            fieldvalue::Text(schema.Column(1), schema.Cell(1)),
        "logSchema");
}

int OdbcSession::HandleException_ValidateConnection(const XException &exception, QString &message) {
  const auto *connectError = dynamic_cast<const ConnectError *>(&exception);
  const QString text = connectError != nullptr ? connectError->Diagnostic() : exception.Text();
  const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
  const QString context = QStringLiteral("HandleException_ValidateConnection");
  if (firstLine.contains(QLatin1String("Data source name not found"))) {
    task_.Log(Informational, QStringLiteral("Exception Occured: ") + firstLine, context);
    message = QStringLiteral("Connection Failed: Data Source does not exist.");
    return 2;
  }
  task_.Log(Informational, QStringLiteral("Exception Occured :") + text, context);
  return 1;
}

// ---- getters -------------------------------------------------------------------------------

bool OdbcSession::readable(const ODBCField *field) const {
  return field != nullptr && databaseType_ != DatabaseType::DBaseXBase && records_ != nullptr;
}

namespace {

[[noreturn]] void missingColumn(const ODBCField &field) {
  throw XException(
      QStringLiteral("Error number: 0\tItem cannot be found in the collection corresponding to the "
                     "requested name or ordinal: ") +
      field.Name() + QStringLiteral("\r\n Field Status: ") + fieldvalue::FieldStatusText(16));
}

}  // namespace

// The column of a field read by name (behaviour bit 4), or the error for a field the record set lacks.
int OdbcSession::columnByName(const ODBCField &field) const {
  int column = field.Ordinal();
  if (behaviour_ & Behaviour::ReadByName)
    column = records_->ColumnIndex(field.Alias().isEmpty() ? field.Name() : field.Alias());
  if (column < 0 || column >= records_->ColumnCount()) missingColumn(field);
  return column;
}

QString OdbcSession::GetFieldText(const ODBCField *field) {
  if (!readable(field)) return {};
  const int column = columnOf(*field);
  const CellView cell = records_->Cell(column);
  if (cell.null) return fieldvalue::Text(records_->Column(column), cell);
  memo_.Use(records_->Id(), records_->ColumnCount());
  if (const QString *known = memo_.Find(column, cell)) return *known;
  QString text = fieldvalue::Text(records_->Column(column), cell);
  memo_.Remember(column, cell, text);
  return text;
}

QString OdbcSession::GetFieldString(const ODBCField *field) {
  QString text = GetFieldText(field).trimmed();
  text.remove(QLatin1Char('\t'));
  return text;
}

QString OdbcSession::GetFieldStringNoZero(const ODBCField *field) {
  const QString text = GetFieldString(field);
  return text == QLatin1String("0") ? QString() : text;
}

QString OdbcSession::GetFieldStringNoNA(const ODBCField *field) {
  const QString text = GetFieldString(field);
  return text == QLatin1String("N/A") ? QString() : text;
}

QString OdbcSession::GetFieldOneLine(const ODBCField *field) {
  if (field == nullptr) return {};
  QString text = GetFieldString(field).trimmed();
  for (const char c : {'\t', '\r', '\n'}) text.replace(QLatin1Char(c), QLatin1Char(' '));
  return text;
}

QString OdbcSession::GetFieldOneLineNoZero(const ODBCField *field) {
  const QString text = GetFieldOneLine(field).trimmed();
  return text == QLatin1String("0") ? QString() : text;
}

QByteArray OdbcSession::GetFieldBytes(const ODBCField *field) {
  if (!readable(field)) return {};
  try {
    return read(*field, fieldvalue::Bytes);
  } catch (const XException &) {
    log(Debug, QStringLiteral("Could not read ByteArray Field value from ") + field->Name(), "GetFieldBytes");
    return {};
  }
}

XDateTime OdbcSession::GetFieldDateTime(const ODBCField *field) {
  if (!readable(field)) return {};
  return read(*field, fieldvalue::DateTime);
}

XDate OdbcSession::GetFieldDate(const ODBCField *field) {
  return GetFieldDateTime(field).Date();
}

XTime OdbcSession::GetFieldTime(const ODBCField *field) {
  return GetFieldDateTime(field).Time();
}

qint32 OdbcSession::GetFieldInt(const ODBCField *field) {
  if (!readable(field)) return 0;
  return qint32(read(*field, fieldvalue::Integer));
}

qint32 OdbcSession::GetFieldLong(const ODBCField *field) {
  return GetFieldInt(field);
}

double OdbcSession::GetFieldDouble(const ODBCField *field) {
  if (!readable(field)) return 0;
  return read(*field, fieldvalue::Double);
}

double OdbcSession::GetFieldMoney(const ODBCField *field) {
  return GetFieldDouble(field);
}

bool OdbcSession::GetFieldBool(const ODBCField *field) {
  if (!readable(field)) return false;
  return read(*field, fieldvalue::Bool);
}

QString OdbcSession::GetFieldBoolText(const ODBCField *field) {
  if (field == nullptr) return {};
  return GetFieldBool(field) ? QStringLiteral("1") : QStringLiteral("0");
}

bool OdbcSession::IsFieldNull(const ODBCField *field) {
  if (!readable(field)) return true;
  return records_->Cell(columnOf(*field)).null;
}

XDate OdbcSession::GetFieldDateOrNull(const ODBCField *field) {
  const XDate date = GetFieldDate(field);
  return date == XDate(1900, 1, 1) ? XDate() : date;
}
