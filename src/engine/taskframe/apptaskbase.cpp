// Default task operations: a task that does not override them reports that it is not set up.
#include "apptaskbase.h"

AppTaskBase::AppTaskBase(QObject *parent) : QObject(parent) {}

AppTaskBase::~AppTaskBase() = default;

int AppTaskBase::GetProgressSize(int) {
  return 0;
}

bool AppTaskBase::Execute(const ParameterMap &, int, QString &message) {
  message = QStringLiteral("Execute not defined correctly in ExpEngine.");
  return false;
}

bool AppTaskBase::LoadList(const QString &) {
  emit writeLog(3, QStringLiteral("Not set up yet."), QStringLiteral("AppTaskBase::LoadList"));
  return false;
}

std::unique_ptr<AppTaskBase> AppTaskBase::Create() const {
  return std::make_unique<AppTaskBase>();
}
