// The engine's value getters, thin over the data-access layer's column getters and the lookups.
#include "getters.h"

#include "expengine.h"
#include "student_rules.h"

namespace get {

QString Date(ExpEngine &engine) {
  return engine.ColDate();
}
QString Time(ExpEngine &engine) {
  return engine.ColTime();
}
QString DateTime(ExpEngine &engine) {
  return engine.ColDateTime();
}
QString Money(ExpEngine &engine) {
  return engine.ColMoney();
}
QString Int(ExpEngine &engine) {
  return engine.ColInt();
}
QString OneZero(ExpEngine &engine) {
  return engine.ColOneZero();
}

QString StudentKey(ExpEngine &engine) {
  return engine.StudentKey();
}
QString StaffMemberKey(ExpEngine &engine) {
  return engine.StaffMemberKey();
}
QString AttendanceCodeOrStatus(ExpEngine &engine) {
  return engine.AttendanceCodeOrStatus();
}
QString LookupAttributeName(ExpEngine &engine) {
  return engine.LookupAttributeName();
}
QString CollectConductKey(ExpEngine &engine) {
  return engine.CollectConductKey();
}

QString AbsentFlag(ExpEngine &engine) {
  return engine.ColOneLine() == QLatin1String("A") ? QStringLiteral("1") : QStringLiteral("0");
}
QString TardyFlag(ExpEngine &engine) {
  return engine.ColOneLine() == QLatin1String("T") ? QStringLiteral("1") : QStringLiteral("0");
}
QString ExcusedYesNo(ExpEngine &engine) {
  const QString excuse = engine.ColOneLine();
  return excuse == QLatin1String("E") || excuse == QLatin1String("X") ? QStringLiteral("Y")
                                                                      : QStringLiteral("N");
}

}  // namespace get

QString ExpEngine::ColActivityKind() {
  return rules::ActivityKind(ColOneLine());
}
