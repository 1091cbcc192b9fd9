// The engine's dialect set-up and the front-end's validations and lists. Values from the command
// line reach the SQL text only as quoted literals.
#include "odbcexpenginebase.h"

#include "behaviouroptions.h"
#include "databasetype.h"
#include "loglevels.h"
#include "sqlliteral.h"
#include "xexception.h"

namespace {
// Check existence plus the bit without effect in this layer: the engine's behaviour value.
constexpr int kEngineBehaviour = 3;
constexpr int kEngineConnectionTimeout = 720;
constexpr int kEngineCommandTimeout = 360;

QString Value(const ParameterMap &parameters, const char *key) {
  return parameters.value(QString::fromLatin1(key));
}
}  // namespace

ODBCExpEngineBase::ODBCExpEngineBase(QObject *parent) : ODBCDataAccess(kEngineBehaviour, parent) {
  SetDatabaseType(DatabaseType::MSSQL);
  Options().QuoteFields = true;
  Options().QuoteTables = true;
  SetTimeouts(kEngineConnectionTimeout, kEngineCommandTimeout);
}

ODBCExpEngineBase::~ODBCExpEngineBase() = default;

ODBCField *ODBCExpEngineBase::YearLinkField(QueryDescription &query, const ODBCTable *table) {
  if (ODBCField *field = query.AddField(table, QStringLiteral("yearID"), false, true)) return field;
  return query.AddField(table, QStringLiteral("endYear"), true, true);
}

void ODBCExpEngineBase::AppendPairs(ListEntries &list, const ODBCField *key, const ODBCField *name) {
  for (bool more = GetFirstRecord(); more; more = GetNextRecord())
    list.append({GetFieldString(key), GetFieldString(name)});
}

void ODBCExpEngineBase::OpenListQuery() {
  if (!OpenQuery()) throw XException(QStringLiteral("The list query did not open: ") + BuildQuery());
}

void ODBCExpEngineBase::EndListQuery() {
  CloseQuery();
  Disconnect();
}

bool ODBCExpEngineBase::ValidateConnection(const ParameterMap &parameters, QString &message) {
  Log(kInformational, QStringLiteral("Validating Connection..."), QString());
  try {
    SetDataSourceName(Value(parameters, "dsn"));
    SetCredentials(Value(parameters, "user"), Value(parameters, "pwd"));
    Log(kInformational, QStringLiteral("Checking Connection...."), QString());
    const QString connectionString = BuildConnectionString();
    const bool connectedHere = !IsConnected();
    if (connectedHere) Connect(connectionString);
    const bool hasDistricts = TableExists(QStringLiteral("District"));
    if (connectedHere) Disconnect();
    if (!hasDistricts) {
      message = QStringLiteral("Table does not exist: District");
      return false;
    }
    message = QStringLiteral("Connection Successful");
    return true;
  } catch (const XException &e) {
    message = QStringLiteral("Could not validate connection: ") + e.Text();
    return false;
  }
}

bool ODBCExpEngineBase::ValidateDistrictSchool(const ParameterMap &parameters, QString &message) {
  Log(kInformational, QStringLiteral("Validating District and School Number..."), QString());
  try {
    ConnectWith(parameters);
    const ODBCTable *school = AddTable(QStringLiteral("School"), QStringLiteral("S"));
    ODBCField *schoolID = AddField(school, QStringLiteral("schoolID"));
    AddCondition(QString(), schoolID, QStringLiteral("="), SqlQuote(Value(parameters, "school")));
    const QString district = Value(parameters, "district");
    if (!district.isEmpty())
      AddCondition(QStringLiteral("AND"), AddField(school, QStringLiteral("districtID"), true, true),
                   QStringLiteral("="), SqlQuote(district));
    Log(kInformational, QStringLiteral("Checking District and School Number...."), QString());
    const bool found = OpenQuery() && GetRecordCount() > 0;
    EndListQuery();
    message = found ? QStringLiteral("District and School Number Valid!")
                    : QStringLiteral("District and School Number do NOT exist in current database!");
    return found;
  } catch (const XException &e) {
    message = QStringLiteral("Validating District and School Number - Exception Occurred :") + e.Text();
    return false;
  }
}

bool ODBCExpEngineBase::LoadSchoolList(ListEntries &list, const ParameterMap &parameters, QString &message) {
  Log(kInformational, QStringLiteral("Loading School List...."), QString());
  try {
    ConnectWith(parameters);
    Options().Distinct = true;
    const ODBCTable *school = AddTable(QStringLiteral("School"), QStringLiteral("SCH"));
    const ODBCTable *calendar = AddTable(QStringLiteral("Calendar"), QStringLiteral("CAL"));
    const ODBCTable *year = AddTable(QStringLiteral("SchoolYear"), QStringLiteral("SYEAR"));
    ODBCField *schoolID = AddField(school, QStringLiteral("schoolID"));
    ODBCField *name = AddField(school, QStringLiteral("name"));
    ODBCField *yearLink = YearLinkField(year);
    ODBCField *calendarLink = YearLinkField(calendar);
    AddCondition(QString(), schoolID, QStringLiteral("="),
                 AddField(calendar, QStringLiteral("schoolID"), true, true));
    AddCondition(QStringLiteral("AND"), yearLink, QStringLiteral("="), calendarLink);
    AddCondition(QStringLiteral("AND"), AddField(school, QStringLiteral("districtID"), true, true),
                 QStringLiteral("="), SqlQuote(Value(parameters, "district")));
    AddOrder(name);
    OpenListQuery();
    AppendPairs(list, schoolID, name);
    EndListQuery();
    Options().Distinct = false;
    Log(kInformational, QStringLiteral("Done loading school list"), QString());
    return true;
  } catch (...) {
    Options().Distinct = false;
    message = QStringLiteral("Loading School List Unknown Exception Occurred");
    return false;
  }
}

bool ODBCExpEngineBase::LoadDistrictList(ListEntries &list, const ParameterMap &parameters,
                                         QString &message) {
  Log(kInformational, QStringLiteral("Loading School District List...."), QString());
  try {
    ConnectWith(parameters);
    Options().Distinct = true;
    const ODBCTable *district = AddTable(QStringLiteral("District"), QStringLiteral("D"));
    const ODBCTable *school = AddTable(QStringLiteral("School"), QStringLiteral("S"));
    const ODBCTable *calendar = AddTable(QStringLiteral("Calendar"), QStringLiteral("C"));
    ODBCField *districtID = AddField(district, QStringLiteral("districtID"));
    ODBCField *name = AddField(district, QStringLiteral("name"));
    const QString districtColumn = QStringLiteral("districtID");
    const QString schoolColumn = QStringLiteral("schoolID");
    AddCondition(QString(), districtID, QStringLiteral("="), AddField(school, districtColumn, true, true));
    AddCondition(QStringLiteral("AND"), AddField(calendar, districtColumn, true, true), QStringLiteral("="),
                 districtID);
    AddCondition(QStringLiteral("AND"), AddField(calendar, schoolColumn, true, true), QStringLiteral("="),
                 AddField(school, schoolColumn, true, true));
    // Both engines then send the list in the same order: the one the front-end shows.
    AddOrder(name);
    OpenListQuery();
    AppendPairs(list, districtID, name);
    EndListQuery();
    Options().Distinct = false;
    Log(kInformational, QStringLiteral("Loaded all districts"), QString());
    return true;
  } catch (...) {
    Options().Distinct = false;
    message = QStringLiteral("Loading School District List Unknown Exception Occurred");
    return false;
  }
}

bool ODBCExpEngineBase::LoadSchoolYearList(ListEntries &, const ParameterMap &, QString &) {
  return false;
}
