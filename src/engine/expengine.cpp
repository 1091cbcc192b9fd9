// The engine's construction and its teacher list: staff members who teach at the school, those
// without a last name last.
#include "expengine.h"

#include "loglevels.h"
#include "sqlliteral.h"
#include "xexception.h"

namespace {
const QString kMethod = QStringLiteral("ExpEngine::LoadBridgeList");

QString JoinNonEmpty(const QString &first, const QString &second, const QString &separator) {
  if (first.isEmpty()) return second;
  if (second.isEmpty()) return first;
  return first + separator + second;
}
}  // namespace

ExpEngine::ExpEngine(QObject *parent) : ODBCExpEngineBase(parent) {
  ControlSettings().termsAreBins = true;
  ControlSettings().gradesDontCreateSections = true;
  ControlSettings().minVersion = PackVersion(QStringLiteral("7.5.0"));
  setupTotal_ = 0;
  lutTotal_ = 4;
  importTotal_ = 38;
  periodAttTotal_ = 1;
  dailyAttTotal_ = 0;
}

ExpEngine::~ExpEngine() = default;

std::unique_ptr<AppTaskBase> ExpEngine::Create() const {
  return std::make_unique<ExpEngine>();
}

QString ExpEngine::TeacherDisplayName(const QString &last, const QString &first, const QString &middle) {
  const QString space = QStringLiteral(" ");
  return JoinNonEmpty(last, JoinNonEmpty(first, middle, space), QStringLiteral(", "));
}

bool ExpEngine::MissingTeacherListParameter(const ParameterMap &parameters) {
  for (const char *key : {"user", "pwd", "dsn", "school", "district"}) {
    const QString name = QString::fromLatin1(key);
    if (!parameters.value(name).trimmed().isEmpty()) continue;
    emit writeMissing(name, name + QStringLiteral(" missing or blank."));
    return true;
  }
  return false;
}

bool ExpEngine::LoadBridgeList(ListEntries &list, const QString &paramkey, const ParameterMap &parameters,
                               QString &message) {
  Log(kInformational, QStringLiteral("Loading list of teachers..."), kMethod);
  if (paramkey != QLatin1String("teacher")) {
    message = QStringLiteral("This bridge is not set up for this type of paramkey:  ") + paramkey;
    Log(kError, message, kMethod);
    return false;
  }
  if (MissingTeacherListParameter(parameters)) return false;
  Log(kProgress, QStringLiteral("Loading Teacher List"), kMethod);
  list.clear();
  parameters_ = &parameters;
  try {
    const bool loaded = QueryTeachers(list, parameters, message);
    Options().Distinct = false;
    return loaded;
  } catch (...) {
    Options().Distinct = false;
    list.clear();
    message = QStringLiteral("Bridge List Failed");
    Log(kError, message, kMethod);
    return false;
  }
}

bool ExpEngine::QueryTeachers(ListEntries &list, const ParameterMap &parameters, QString &message) {
  ConnectWith(parameters);
  Options().Distinct = true;
  const ODBCTable *staff = AddTable(QStringLiteral("staffMember"), QStringLiteral("staff"), false);
  if (!staff) {
    message = QStringLiteral("Bridge List Failed, cannot find TCH table");
    Log(kError, message, kMethod);
    EndListQuery();
    return false;
  }
  const ODBCTable *teacher = AddTable(QStringLiteral("Teacher"), QStringLiteral("teach"));
  ODBCField *personID = AddField(teacher, QStringLiteral("personID"));
  ODBCField *lastName = AddField(staff, QStringLiteral("lastName"));
  ODBCField *firstName = AddField(staff, QStringLiteral("firstName"));
  ODBCField *middleName = AddField(staff, QStringLiteral("middleName"));
  ODBCField *order1 =
      AddFieldExpression(QStringLiteral("case"), lastName, QStringLiteral("when '' then 1 else 0 end"),
                         QStringLiteral("order1"));
  for (const ODBCField *field : {order1, lastName, firstName, middleName}) AddOrder(field);
  // The selected personID equals staff.personID by the join; a DISTINCT query may order only by
  // selected columns.
  AddOrder(personID);
  AddCondition(QString(), AddField(staff, QStringLiteral("personID"), true, true), QStringLiteral("="),
               personID);
  AddCondition(QStringLiteral("AND"), AddField(staff, QStringLiteral("schoolID"), true, true),
               QStringLiteral("="), SqlQuote(parameters.value(QStringLiteral("school"))));
  OpenListQuery();
  if (GetRecordCount() == 0) {
    Log(kInformational, QStringLiteral("Bridge List Returned 0 Teachers."), kMethod);
    EndListQuery();
    return false;
  }
  Log(kProgress, QStringLiteral("Found Teachers..."), kMethod);
  for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
    const QString key = GetFieldString(personID);
    if (key.isEmpty()) continue;
    list.append({key, TeacherDisplayName(GetFieldString(lastName), GetFieldString(firstName),
                                         GetFieldString(middleName))});
  }
  EndListQuery();
  return true;
}
