// The application object's own state: construction, parameter records and requirements, the
// status files at every command's end, the log header and the Qt message handler.
#include "appbase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTime>

#include "statusfiles.h"

namespace {
AppBase *g_application = nullptr;
const QString kEncode = QStringLiteral("encode");
}  // namespace

AppBase::AppBase(SISMessageWriter &writer, QObject *parent) : QObject(parent), writer_(writer) {
  appFinishedFile_ = QStringLiteral("finished.tmp");
  logManager_ = &LogManager::instance(QString(), QString(), QString(), QString(), QString(), QString());
  addGroup(QStringLiteral("global"));
  connectOutputs(this);
  g_application = this;
}

AppBase::~AppBase() {
  if (g_application == this) {
    qInstallMessageHandler(nullptr);
    g_application = nullptr;
  }
}

void AppBase::publishAppInfo() {
  defineParams();
  values_[QStringLiteral("appTitle_")] = appTitle_;
  values_[QStringLiteral("appType_")] = appType_;
  values_[QStringLiteral("appShortName_")] = appShortName_;
  values_[QStringLiteral("appVersion_")] = appVersion_;
  values_[QStringLiteral("appFrameworkVersion_")] = appFrameworkVersion_;
  values_[QStringLiteral("appAlias_")] = appAlias_;
  values_[QStringLiteral("appUserGuideFileName_")] = appUserGuideFileName_;
  values_[QStringLiteral("appCopyright_")] = appCopyright_;
  values_[QStringLiteral("appFinishedFile_")] = appFinishedFile_;
  appBuildDate_ = QStringLiteral("Oct 30 2014 19:24:20");
  values_[QStringLiteral("appBuildDate_")] = appBuildDate_;
}

int AppBase::finishCommand(int code, const QString &folder, const QString &message) {
  writeStatusFiles(code, folder, message);
  afterFinish();
  return code;
}

void AppBase::writeStatusFiles(int code, const QString &folder, const QString &message) {
  if (folder.isEmpty()) return;
  const QString outcome =
      code == 0 ? QStringLiteral("Succeeded\tSucceeded") : QStringLiteral("Failed\t") + message;
  StatusFiles::write(folder, appType_ + QStringLiteral("Status.tmp"),
                     StatusFiles::timeStamp() + QStringLiteral("\t") + outcome);
  StatusFiles::write(folder, appFinishedFile_, QStringLiteral("finished"));
}

void AppBase::addGroup(const QString &group) {
  if (!groups_.contains(group)) groups_.insert(group, {});
}

ParamRecord *AppBase::addParam(const QString &group, const QString &name, const QString &label,
                               const QString &type, const QString &description, const QString &defaultValue) {
  if (type == QLatin1String("switch"))
    switchNames_.append(name);
  else
    optionNames_.append(name);
  return setParam(group, name, label, type, description, defaultValue);
}

ParamRecord *AppBase::setParam(const QString &group, const QString &name, const QString &label,
                               const QString &type, const QString &description, const QString &defaultValue) {
  auto found = groups_.find(group);
  if (found == groups_.end()) {
    emit writeLog(3,
                  QStringLiteral("Tried to set a parameter for a non-existant group, please contact Kestrane "
                                 "Support."),
                  QStringLiteral("SISConfig::setParam"));
    return nullptr;
  }
  for (ParamRecord *existing : std::as_const(*found)) {
    if (existing->name != name) continue;
    existing->label = label;
    existing->group = group;
    existing->type = type;
    existing->description = description;
    return existing;
  }
  auto owned = std::make_unique<ParamRecord>();
  owned->name = name;
  owned->label = label;
  owned->group = group;
  owned->type = type;
  owned->description = description;
  owned->defaultValue = defaultValue;
  ParamRecord *record = owned.get();
  ownedRecords_.push_back(std::move(owned));
  found->append(record);
  records_.insert(name, record);
  return record;
}

void AppBase::addRequirement(const QString &name, const QStringList &params) {
  requirements_[name].append(params);
}

void AppBase::addPrerequisiteGroup(const QString &name, const QString &group) {
  prerequisiteGroups_[name].append(group);
}

const ParamRecord *AppBase::findRecordLoose(const QString &name) const {
  if (const ParamRecord *exact = records_.value(name)) return exact;
  if (const ParamRecord *encoded = records_.value(name + kEncode)) return encoded;
  return records_.value(QString(name).remove(kEncode, Qt::CaseInsensitive));
}

int AppBase::checkParam(const QString &name) {
  if (name.isEmpty()) return 0;
  if (!values_[name].isEmpty()) return 0;
  const QString missing = QStringLiteral(" missing or blank.");
  if (const ParamRecord *record = records_.value(name)) {
    emit writeMissing(name, record->label + missing);
  } else if (const ParamRecord *loose = findRecordLoose(name)) {
    emit writeMissing(loose->name, loose->label + missing);
  } else {
    emit writeMissing(name, QStringLiteral("Missing or blank."));
  }
  return 1;
}

int AppBase::checkParams(const QStringList &names) {
  int result = 0;
  for (const QString &name : names) {
    if (const int code = checkParam(name)) result = code;
  }
  return result;
}

int AppBase::checkRequirements(const QString &name) {
  for (const QString &group : prerequisiteGroups_.value(name)) {
    if (group.isEmpty()) continue;
    if (const int code = checkRequirements(group)) return code;
  }
  const QList<QStringList> alternatives = requirements_.value(name);
  if (alternatives.isEmpty()) return 0;
  for (const QStringList &alternative : alternatives) {
    if (checkParams(alternative) == 0) return 0;
  }
  emit writeWarning(name, QStringLiteral("Required parameter missing."));
  return 1;
}

QString AppBase::decodePassword(const QString &text) {
  static const QString kAlphabet = QStringLiteral("Hm3$Tz8+Wd1&Xk6=");
  auto digit = [](QChar c) {
    const qsizetype position = kAlphabet.indexOf(c);
    return position < 0 ? 3 : static_cast<int>(position);
  };
  QString plain;
  // A last character without its partner is dropped: every plain character takes two.
  for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
    plain.append(QChar::fromLatin1(static_cast<char>((digit(text.at(i)) << 4) | digit(text.at(i + 1)))));
  }
  return plain;
}

void AppBase::emitProgressPair() {
  emit writeProgress(QStringLiteral("start_progress"), 0);
  emit writeProgress(QStringLiteral("end_progress"), -1);
}

int AppBase::commandHelp() {
  emitProgressPair();
  return 1;
}

void AppBase::reportProblem(const QString &text) {
  emit writeError(QStringLiteral("App Problem"), text);
}

void AppBase::applyDefaultsElement(const QDomElement &) {}

void AppBase::LogHeader(const QString &text) {
  LogManager::instance(QString(), QString(), QString(), appTitle_, appVersion_, appBuildDate_);
  const QString method = QStringLiteral("AppBase::LogHeader");
  auto record = [&](const QString &message) {
    logManager_->writeRecord(8, LogManager::FileOutput, message, method);
  };
  record(QStringLiteral("App Framework Version: ") + appFrameworkVersion_);
  record(text);
  record(QStringLiteral("Command: ") + value(QStringLiteral("command")));
  QStringList given;
  for (const QString &name : switchNames_) {
    if (switchesGiven_.value(name)) given.append(name);
  }
  record(QStringLiteral("Switches: ") + given.join(QStringLiteral(", ")));
  for (const QString &name : optionNames_) {
    const QString current = value(name);
    if (current.isEmpty()) continue;
    const ParamRecord *param = records_.value(name);
    if (!param || param->type == QLatin1String("password")) {
      record(name + QStringLiteral(" is internal only."));
    } else {
      record(name + QStringLiteral("=") + current);
    }
  }
  record(QStringLiteral("appath=") + value(QStringLiteral("apppath")));
}

void AppBase::qMessageOutput(QtMsgType type, const QMessageLogContext &, const QString &text) {
  if (!g_application) return;
  const QString method = QStringLiteral("AppBase::qMessageOutput");
  auto log = [&](int level) { emit g_application->writeLog(level, text, method); };
  if (text.contains(QLatin1String("Clipboard"))) return log(8);
  switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
      return log(8);
    case QtWarningMsg:
      if (text.contains(QLatin1String("argument"))) return log(3);
      if (text.contains(QLatin1String("valid record"))) return log(4);
      if (text.contains(QLatin1String("qt_sql_default_connection"))) return log(8);
      return log(4);
    case QtCriticalMsg:
      log(3);
      g_application->writer_.outError(QStringLiteral("options"), text);
      return;
    case QtFatalMsg:
      log(2);
      g_application->writer_.outError(QStringLiteral("options"), text);
      return;
  }
}

QString AppBase::CreateTempLocalDBFolder(const QString &name) {
  if (name.isEmpty()) {
    emit writeLog(3, QStringLiteral("No signifigant folder name, cannot create local DB."),
                  QStringLiteral("AppBase::CreateTempLocalDBFolder"));
    return QString();
  }
  QDir dir(QDir::tempPath());
  dir.mkpath(QStringLiteral("dsl"));
  dir.cd(QStringLiteral("dsl"));
  const QString folder = appAlias_ + QStringLiteral(".") + name + QStringLiteral(".") +
                         QTime::currentTime().toString(QStringLiteral("hhmmsszzz")) + QStringLiteral(".") +
                         QString::number(QCoreApplication::applicationPid());
  if (!dir.mkpath(folder)) {
    emit writeError(QStringLiteral("Initialize"), QStringLiteral("Problem creating folder: ") + folder +
                                                      QStringLiteral(" in ") + dir.absolutePath());
    return QString();
  }
  if (!dir.cd(folder)) {
    emit writeError(QStringLiteral("Initialize"), QStringLiteral("Problem moving to folder: ") + folder +
                                                      QStringLiteral(" in ") + dir.absolutePath());
    return QString();
  }
  if (!dir.mkpath(QStringLiteral("localDB"))) {
    emit writeError(QStringLiteral("Initialize"),
                    QStringLiteral("Problem creating localDB path: ") + dir.absolutePath());
    return QString();
  }
  if (!dir.cd(QStringLiteral("localDB"))) {
    emit writeError(QStringLiteral("Initialize"),
                    QStringLiteral("Problem moving to localDB folder in: ") + dir.absolutePath());
    return QString();
  }
  emit writeLog(8, QStringLiteral("Loading local database: ") + dir.absolutePath(),
                QStringLiteral("AppBase::CreateTempLocalDBFolder"));
  return dir.absolutePath();
}
