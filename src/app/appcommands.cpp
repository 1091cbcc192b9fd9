// The service commands every application answers: params (records and their per-type data),
// test, version, and the list loaders' common failure path.
#include <QCoreApplication>
#include <QFileInfo>

#include "appbase.h"

namespace {
const QString kAppProblem = QStringLiteral("App Problem");
}  // namespace

int AppBase::commandParams(QString &message) {
  const QString paramkey = value(QStringLiteral("paramkey"));
  if (paramkey.isEmpty()) {
    const QString groupName = value(QStringLiteral("group"));
    if (!groups_.contains(groupName)) {
      message = QStringLiteral("No parameters for this group");
      emit writeWarning(QStringLiteral("group"), message);
      emitProgressPair();
      return 1;
    }
    const QList<ParamRecord *> records = groups_.value(groupName);
    emit writeProgress(QStringLiteral("start_progress"), static_cast<int>(records.size()));
    for (const ParamRecord *record : records) {
      emit writeParams(record->name, record->type, record->label, record->description, record->defaultValue);
    }
    emit writeProgress(QStringLiteral("end_progress"), -1);
    return 0;
  }

  const ParamRecord *record = records_.value(paramkey);
  if (!record) {
    message = paramkey + QStringLiteral(" does not exist in this Application.");
    emit writeWarning(QStringLiteral("paramkey"), message);
    emitProgressPair();
    return 1;
  }
  for (const QString &group : prerequisiteGroups_.value(record->group)) {
    if (group.isEmpty()) continue;
    if (const int code = checkRequirements(group)) {
      emitProgressPair();
      message = QStringLiteral("Requirements for group were not met, ie missing/incorrect parameters.");
      return code;
    }
  }
  if (const int code = checkParams(record->dependencies.keys())) {
    message = QStringLiteral("Required params missing.");
    emit writeWarning(QStringLiteral("params"), message);
    emitProgressPair();
    return code;
  }
  emit clearMessages();
  return emitParamData(*record, message);
}

int AppBase::emitParamData(const ParamRecord &record, QString &message) {
  emit writeProgress(QStringLiteral("start_progress"), 0);
  int result = 1;
  try {
    const QString &type = record.type;
    if (type == QLatin1String("list")) {
      result = emitListSample(record);
    } else if (type == QLatin1String("bridgelist")) {
      result = loadBridgeList(record);
    } else if (type == QLatin1String("district_list")) {
      result = loadDistricts(record);
    } else if (type == QLatin1String("school_list")) {
      result = loadSchools(record);
    } else if (type == QLatin1String("year_list")) {
      result = loadSchoolYears(record);
    } else if (type == QLatin1String("file")) {
      for (const QString &entry : record.choices) emit writeFile(record.name, entry, QString());
      result = 0;
    } else if (type == QLatin1String("number")) {
      for (const QString &entry : record.choices) emit writeNumber(record.name, entry, QString());
      result = 0;
    } else if (type == QLatin1String("date")) {
      result = 0;
      if (record.choices.size() == 2) {
        emit writeDate(record.name, record.choices.at(0), record.choices.at(1), QString());
      } else if (record.choices.size() == 3) {
        emit writeDate(record.name, record.choices.at(0), record.choices.at(1), record.choices.at(2));
      } else if (!record.choices.isEmpty()) {
        emit writeError(
            QStringLiteral("Date Settings Incorrect"),
            QStringLiteral("Incorrect application settings for this date parameter: ") + record.name);
        result = 1;
      }
    } else if (type == QLatin1String("tree")) {
      result = handleParam(record);
    } else if (type == QLatin1String("hidden")) {
      result = handleParamOther(record);
    } else {
      message = QStringLiteral("No parameter return set for type: ") + type;
      emit writeError(QStringLiteral("No Parameter Return Type Set"), message);
      result = 1;
    }
  } catch (...) {
    emit writeError(kAppProblem,
                    QStringLiteral("Application threw an uncaught exception, please contact Kestrane "
                                   "Software Support to fix this issue."));
    result = 1;
  }
  emit writeProgress(QStringLiteral("end_progress"), -1);
  return result;
}

int AppBase::handleParam(const ParamRecord &record) {
  emit writeError(kAppProblem,
                  QStringLiteral("Method to handle parameter has not been defined for: ") + record.name);
  return 1;
}

int AppBase::handleParamOther(const ParamRecord &record) {
  return handleParam(record);
}

int AppBase::emitListSample(const ParamRecord &record) {
  for (int i = 1; i <= 3; ++i) {
    emit writeList(record.type, record.name, QString::number(i), QStringLiteral("List %1").arg(i), QString());
  }
  return 0;
}

int AppBase::loadListFailed(const QString &key, const QString &message) {
  emit writeWarning(key, message);
  return 1;
}

int AppBase::loadBridgeList(const ParamRecord &record) {
  return loadListFailed(record.name,
                        QStringLiteral("Loading Bridgelist failed.  Consult the logs to discover what "
                                       "the problem is."));
}

int AppBase::loadDistricts(const ParamRecord &) {
  return loadListFailed(
      QStringLiteral("Loading District Failed"),
      QStringLiteral("Loading Districts failed.  Consult the logs to discover what the problem is."));
}

int AppBase::loadSchools(const ParamRecord &) {
  return loadListFailed(
      QStringLiteral("Loading Schools Failed"),
      QStringLiteral("Loading Schools failed.  Consult the logs to discover what the problem is."));
}

int AppBase::loadSchoolYears(const ParamRecord &) {
  return loadListFailed(
      QStringLiteral("Loading School Years Failed"),
      QStringLiteral("Loading School Years failed.  Consult the logs to discover what the problem "
                     "is."));
}

int AppBase::commandTest(const QString &group, QString &message) {
  emit writeProgress(QStringLiteral("start_progress"), 0);
  const int code = checkRequirements(group);
  if (code != 0) {
    message = QStringLiteral("Parameter not valid.");
    emit writeTest(QStringLiteral("fail"), group, message);
    emit writeProgress(QStringLiteral("end_progress"), -1);
    return code;
  }
  int result = code;
  try {
    result = testGroup(group, message);
  } catch (...) {
    // A test that could not finish did not succeed: the command fails with the reason.
    message = appTitle_ + QStringLiteral(
                              " threw an uncaught exception, please contact Kestrane Software Support "
                              "to fix this issue.");
    emit writeError(appTitle_ + QStringLiteral(" Problem"), message);
    result = 1;
  }
  emit writeProgress(QStringLiteral("end_progress"), -1);
  return result;
}

int AppBase::commandVersion() {
  emit writeProgress(QStringLiteral("start_progress"), 1);
  const QString vname = appType_ == QLatin1String("Provider")
                            ? appShortName_
                            : appShortName_ + QStringLiteral(" (") + appType_ + QStringLiteral(")");
  const QString programFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                             : QFileInfo(applicationPath_).absolutePath();
  emit writeVersion(appAlias_, appVersion_, minversion, vname,
                    programFolder + QStringLiteral("/help/") + appUserGuideFileName_);
  emit writeProgress(QStringLiteral("end_progress"), -1);
  return 0;
}
