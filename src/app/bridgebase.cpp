// The bridge's identity and groups, and the service commands that ask the task: the group
// tests, the district, school, school-year and teacher lists, and the defaults file's settings.
#include "bridgebase.h"

#include <QDomElement>

#include "bridgetaskbase.h"

namespace {
const QString kFlag = QStringLiteral("flag");
const QString kHeader = QStringLiteral("header");
const QString kLabel = QStringLiteral("label");
const QString kEdit = QStringLiteral("edit");
}  // namespace

BridgeBase::BridgeBase(std::unique_ptr<BridgeTaskBase> task)
    : BridgeBase(std::move(task), SISMessageWriter::instance()) {}

BridgeBase::BridgeBase(std::unique_ptr<BridgeTaskBase> task, SISMessageWriter &writer)
    : SISConfig(std::move(task), writer) {
  appTitle_ = QStringLiteral("Kestrane Infinite Campus Bridge");
  appType_ = QStringLiteral("Data Extractor");
  appShortName_ = QStringLiteral("Infinite Campus");
  oldShortName_ = QStringLiteral("MVZidazoviRizoro");
  appVersion_ = QStringLiteral("2.3.3.2");
  minversion = QStringLiteral("2.00.0043");
  appAlias_ = QStringLiteral("ic_de");
  appUserGuideFileName_ = QStringLiteral("DEVidiz.pdf");
  appFinishedFile_ = QStringLiteral("finished_bridge.tmp");
  appCopyright_ = QStringLiteral("2008-2014");
  publishAppInfo();
  defineBridgeParams();
  emit writeLog(8, QStringLiteral("School Params set."), QStringLiteral("BridgeBase::BridgeBase"));
}

BridgeBase::~BridgeBase() = default;

void BridgeBase::defineBridgeParams() {
  const QString connection = QStringLiteral("connection");
  addParam(connection, QStringLiteral("dsnheader"), QStringLiteral("Data Source Name and Login Information"),
           kHeader, QString(), QString());
  addParam(connection, QStringLiteral("dsnlabel"),
           QStringLiteral(
               "Please enter the Data Source Name of the ODBC Data Source that you set up to connect to "
               "the Infinite Campus Database"),
           kLabel, QString(), QString());
  addParam(connection, QStringLiteral("dsn"), QStringLiteral("ODBC DSN"), kEdit,
           QStringLiteral("Name of DSN from existing Data Source"), QString());
  addParam(connection, QStringLiteral("user"), QStringLiteral("Username"), kEdit,
           QStringLiteral("Username corresponding to ODBC DSN"), QString());
  addParam(connection, QStringLiteral("pwdencode"), QStringLiteral("Password"), QStringLiteral("password"),
           QStringLiteral("Password  corresponding to ODBC DSN"), QString());

  const QString school = QStringLiteral("school");
  addParam(school, QStringLiteral("schoolheader"), QStringLiteral("School Information"), kHeader, QString(),
           QString());
  addParam(school, QStringLiteral("districtlabel"),
           QStringLiteral("Please select the District that this school belongs to:"), kLabel, QString(),
           QString());
  addParam(school, QStringLiteral("district"), QStringLiteral("District"), QStringLiteral("district_list"),
           QStringLiteral("Choose the district number for your district"), QString());
  addParam(school, QStringLiteral("schoollabel"),
           QStringLiteral("Please select the School Number of this school:"), kLabel, QString(), QString());
  addParam(school, QStringLiteral("school"), QStringLiteral("School Number"), QStringLiteral("school_list"),
           QStringLiteral("Choose the School or Building number for your school"), QString());
  addParam(school, QStringLiteral("multical"), QStringLiteral("Multi Cal"), kFlag,
           QStringLiteral(
               "Select this checkbox if your Staff or Students have multiple Calendars and it is causing "
               "issues.  This may cause Staff or Students to appear multiple times in the data."),
           QString());
  addParam(school, QStringLiteral("filterheader"), QStringLiteral("Export Options"), kHeader, QString(),
           QString());
  addParam(school, QStringLiteral("filterlabel"),
           QStringLiteral(
               "You can include additional data from Infinite Campus by selecting the checkboxes below"),
           kLabel, QString(), QString());
  addParam(school, QStringLiteral("filterhealthhist"), QStringLiteral("Health History"), kFlag,
           QStringLiteral("Select this checkbox to include health history information"), QString());
  addParam(school, QStringLiteral("filtercustom"), QStringLiteral("Custom Fields"), kFlag,
           QStringLiteral("Select this checkbox iwant to include custom field information"), QString());

  addRequirement(school, {QStringLiteral("district"), QStringLiteral("school")});
  addPrerequisiteGroup(school, connection);
  addRequirement(connection, {QStringLiteral("dsn"), QStringLiteral("user"), QStringLiteral("pwd")});
  addRequirement(connection, {QStringLiteral("pwdencode")});
  // The schema check reads the school's queries as a run would: same connection and school values.
  const QString schema = QStringLiteral("schema");
  addRequirement(schema, {QStringLiteral("district"), QStringLiteral("school")});
  addPrerequisiteGroup(schema, connection);

  addParam(QStringLiteral("global"), QStringLiteral("defaultcal"), QStringLiteral("DefaultCalendar"),
           QStringLiteral("default"),
           QStringLiteral("Default Calendar to use if multiple student calendars exist."), QString());
  // Reads the whole school year's attendance again and sends the corrections older than the overlap.
  addCommandLineSwitch(QStringLiteral("reconcile"));
}

void BridgeBase::logTaskAnswer(const QString &message, const QString &method) {
  if (!message.isEmpty()) emit writeLog(8, message, method);
}

int BridgeBase::testGroup(const QString &group, QString &message) {
  emit writeProgressIncrement(QStringLiteral("Beginning test..."));
  const QString method = QStringLiteral("BridgeBase::testGroup");
  QString answer;
  if (group == QLatin1String("connection")) {
    const bool valid = task().ValidateConnection(values_, answer);
    logTaskAnswer(answer, method);
    message = valid ? QStringLiteral("Connection Successful.") : QStringLiteral("Connection Failed.");
    emit writeTest(valid ? QStringLiteral("success") : QStringLiteral("fail"), group, message);
    return valid ? 0 : 1;
  }
  if (group == QLatin1String("school")) {
    const bool valid = task().ValidateDistrictSchool(values_, answer);
    logTaskAnswer(answer, method);
    message = valid ? QStringLiteral("District and School Validated.")
                    : QStringLiteral("District and School Not Valid.");
    emit writeTest(valid ? QStringLiteral("success") : QStringLiteral("fail"), group, message);
    return valid ? 0 : 1;
  }
  if (group == QLatin1String("schema")) return testSchema(message);
  message = QStringLiteral(
      "Group is undefined, there is a problem with the bridge, please report this problem to "
      "Kestrane Support.");
  emit writeError(QStringLiteral("Group Undefined"), message);
  return 1;
}

int BridgeBase::testSchema(QString &message) {
  const SchemaVerdict verdict = task().CheckSchema(values_);
  const bool runWouldSucceed = verdict.checked && verdict.missingRequired == 0;
  if (!verdict.checked)
    message = QStringLiteral("Schema Not Checked: the database could not be asked, see the log.");
  else if (verdict.missingRequired > 0)
    message = QStringLiteral("A run would fail: the database lacks a table or column it needs, see the log.");
  else if (verdict.missingOptional > 0)
    message = QStringLiteral("A run would succeed but leave out some import columns, see the log.");
  else
    message = QStringLiteral("Schema Validated: a run would succeed and write every import column.");
  emit writeTest(runWouldSucceed ? QStringLiteral("success") : QStringLiteral("fail"),
                 QStringLiteral("schema"), message);
  return runWouldSucceed ? 0 : 1;
}

QString BridgeBase::displayName(const QString &key, const QString &name) {
  if (name.isEmpty() || name == key) return name;
  return name + QStringLiteral(" (") + key + QStringLiteral(")");
}

bool BridgeBase::emitTaskList(ListLoader loader, const QString &lineType, const ParamRecord &record) {
  ListEntries entries;
  QString answer;
  if (!(task().*loader)(entries, values_, answer)) {
    logTaskAnswer(answer, QStringLiteral("BridgeBase::emitTaskList"));
    return false;
  }
  emitListRows(entries, lineType, record);
  return true;
}

void BridgeBase::emitListRows(const ListEntries &entries, const QString &lineType,
                              const ParamRecord &record) {
  for (const auto &[key, name] : entries) {
    emit writeList(lineType, record.name, key, displayName(key, name), QString());
  }
}

int BridgeBase::loadDistricts(const ParamRecord &record) {
  if (emitTaskList(&BridgeTaskBase::LoadDistrictList, QStringLiteral("district_list"), record)) return 0;
  return SISConfig::loadDistricts(record);
}

int BridgeBase::loadSchools(const ParamRecord &record) {
  if (emitTaskList(&BridgeTaskBase::LoadSchoolList, QStringLiteral("school_list"), record)) return 0;
  return SISConfig::loadSchools(record);
}

int BridgeBase::loadSchoolYears(const ParamRecord &record) {
  if (emitTaskList(&BridgeTaskBase::LoadSchoolYearList, QStringLiteral("year_list"), record)) return 0;
  return SISConfig::loadSchoolYears(record);
}

int BridgeBase::loadBridgeList(const ParamRecord &record) {
  ListEntries entries;
  QString answer;
  if (!task().LoadBridgeList(entries, record.name, values_, answer)) {
    logTaskAnswer(answer, QStringLiteral("BridgeBase::loadBridgeList"));
    return SISConfig::loadBridgeList(record);
  }
  emitListRows(entries, QStringLiteral("bridgelist"), record);
  return 0;
}

void BridgeBase::applyDefaultsElement(const QDomElement &element) {
  struct Setting {
    const char *attribute;
    const char *group;
    const char *key;
  };
  static constexpr Setting kSettings[] = {
      {"SISImportFolder", "default", "path"},      {"SISDSN", "connection", "dsn"},
      {"SISUserName", "connection", "user"},       {"SISPassword", "connection", "pwdencode"},
      {"SISSchoolDistrict", "school", "district"}, {"SchoolNumber", "school", "school"},
  };
  for (const Setting &setting : kSettings) {
    emit writeSettingIncrement(QStringLiteral("setting"), QString::fromLatin1(setting.group),
                               QString::fromLatin1(setting.key),
                               element.attribute(QString::fromLatin1(setting.attribute)));
  }
}
