// Construction of the bridge application, its common parameters and the command-line driver:
// parse, normalise, check requirements, dispatch one command and finish it.
#include "sisconfig.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>

#include "bridgetaskbase.h"
#include "importfolderlock.h"
#include "optionparser.h"

namespace {
const QString kProcessMethod = QStringLiteral("SISConfig::processCommandLine");
const QString kMask = QStringLiteral("*****");
}  // namespace

SISConfig::SISConfig(std::unique_ptr<BridgeTaskBase> task, SISMessageWriter &writer)
    : AppBase(writer), task_(std::move(task)) {
  appFrameworkVersion_ = QStringLiteral("1.0.0.2");
  appType_ = QStringLiteral("Data Extractor");
  completionKind_ = QStringLiteral("bridge_complete");
  connectOutputs(task_.get());
  addGroup(QStringLiteral("connection"));
  addGroup(QStringLiteral("school"));
}

SISConfig::~SISConfig() = default;

void SISConfig::defineParams() {
  const QString global = QStringLiteral("global");
  const QString extractAll = QStringLiteral("Extract All Data");
  const QString extractAllHelp = QStringLiteral("Extract all available data.");
  addParam(global, QStringLiteral("all"), extractAll, QStringLiteral("switch"), extractAllHelp, QString());
  addParam(global, QStringLiteral("att"), extractAll, QStringLiteral("switch"), extractAllHelp, QString());
  addParam(global, QStringLiteral("demo"), extractAll, QStringLiteral("switch"), extractAllHelp, QString());
  addParam(global, QStringLiteral("help"), QStringLiteral("Help"), QStringLiteral("switch"),
           QStringLiteral("Show command line usage."), QString());
  addParam(global, QStringLiteral("group"), QStringLiteral("Group"), QStringLiteral("default"),
           QStringLiteral("Set group."), QString());
  addParam(global, QStringLiteral("paramkey"), QStringLiteral("Param Key"), QStringLiteral("default"),
           QStringLiteral("Return parameter information"), QString());
  addParam(global, QStringLiteral("path"), QStringLiteral("PDE Folder"), QStringLiteral("folder"),
           QStringLiteral("Set the PDE Folder"), QString());
  addParam(global, QStringLiteral("logpath"), QStringLiteral("Log Folder"), QStringLiteral("folder"),
           QStringLiteral("Set the Log Folder"), QString());
  addParam(global, QStringLiteral("log"), QStringLiteral("Log"), QStringLiteral("default"),
           QStringLiteral("Set the logging style."), QString());
  addParam(global, QStringLiteral("validate"), QStringLiteral("Validate"), QStringLiteral("default"),
           QStringLiteral("Validate command line interface features."), QString());
  addParam(global, QStringLiteral("inactivedate"), QStringLiteral("Inactive Date"), QStringLiteral("default"),
           QStringLiteral("Include Inactive Staff and Students after this date."), QString());
  addParam(global, QStringLiteral("year"), QStringLiteral("SchoolYear"), QStringLiteral("default"),
           QStringLiteral("School Year, hidden used for testing"), QString());
  addParam(global, QStringLiteral("teacher"), QStringLiteral("Teacher"), QStringLiteral("bridgelist"),
           QStringLiteral("List of teachers available in associated bridge"), QString());
  addRequirement(QStringLiteral("params"), {QStringLiteral("group")});
  addRequirement(QStringLiteral("params"), {QStringLiteral("paramkey")});
  addRequirement(QStringLiteral("test"), {QStringLiteral("group")});
  addRequirement(QStringLiteral("run"), {QStringLiteral("path")});
  addPrerequisiteGroup(QStringLiteral("run"), QStringLiteral("connection"));
  addPrerequisiteGroup(QStringLiteral("run"), QStringLiteral("school"));
}

ParamRecord *SISConfig::addParam(const QString &group, const QString &name, const QString &label,
                                 const QString &type, const QString &description,
                                 const QString &defaultValue) {
  const QString method = QStringLiteral("SISConfig::addParam");
  if (type == QLatin1String("switch"))
    switchNames_.append(name);
  else
    optionNames_.append(name);
  if (type == QLatin1String("password")) {
    const QString plain = QString(name).remove(QStringLiteral("encode"), Qt::CaseInsensitive);
    if (plain == name) {
      emit writeLog(
          4,
          QStringLiteral("Parameter: ") + name +
              QStringLiteral(" is a Password style parameter, but does not use 'encode' this means it will "
                             "not be encoded."),
          method);
    } else {
      optionNames_.append(plain);
    }
  }
  QString shownLabel = label;
  if (type == QLatin1String("flag") && label.size() > 15) {
    emit writeLog(
        3,
        QStringLiteral("Parameter: ") + name + QStringLiteral(" has a paramname that is too long: ") + label,
        method);
    shownLabel = label.left(15);
  }
  ParamRecord *record = setParam(group, name, shownLabel, type, description, defaultValue);
  if (!record) return record;
  if (optionNames_.contains(QStringLiteral("district")) &&
      (name == QLatin1String("school") || name == QLatin1String("year"))) {
    record->dependencies.insert(QStringLiteral("district"), QString());
  }
  if (name == QLatin1String("year")) record->dependencies.insert(QStringLiteral("school"), QString());
  return record;
}

QString SISConfig::usageText(const QString &programName) const {
  QString text = programName + QStringLiteral("\n") + QStringLiteral(" [") + QStringLiteral("command") +
                 QStringLiteral("]\n");
  for (const QString &name : switchNames_) text += QStringLiteral("  [--") + name + QStringLiteral("]\n");
  static const QStringList kNoValue = {QStringLiteral("label"), QStringLiteral("header"),
                                       QStringLiteral("switch"), QStringLiteral("hidden")};
  for (const QString &name : optionNames_) {
    const ParamRecord *param = record(name);
    if (param && kNoValue.contains(param->type)) continue;
    text += QStringLiteral("   [--") + name + QStringLiteral("=value]\n");
  }
  return text;
}

bool SISConfig::isPasswordOption(const QString &name) const {
  const ParamRecord *param = record(name);
  if (param) return param->type == QLatin1String("password");
  const ParamRecord *encoded = record(name + QStringLiteral("encode"));
  return encoded && encoded->type == QLatin1String("password");
}

QStringList SISConfig::maskedArguments(const QStringList &arguments) const {
  QStringList masked;
  bool maskNext = false;
  for (const QString &argument : arguments) {
    if (maskNext && !argument.startsWith(QLatin1Char('-'))) {
      masked.append(kMask);
      maskNext = false;
      continue;
    }
    maskNext = false;
    if (!argument.startsWith(QLatin1String("--"))) {
      masked.append(argument);
      continue;
    }
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
    if (!isPasswordOption(name)) {
      masked.append(argument);
    } else if (equals < 0) {
      masked.append(argument);
      maskNext = true;
    } else {
      masked.append(argument.left(equals + 1) + kMask);
    }
  }
  return masked;
}

void SISConfig::normaliseValues() {
  for (const QString &name : std::as_const(optionNames_)) {
    const ParamRecord *param = record(name);
    if (!param) continue;
    QString &current = values_[name];
    if (param->type == QLatin1String("folder") || param->type == QLatin1String("file")) {
      // A quoted folder that ended in a separator arrives with a stray quote in its place.
      current.replace(QLatin1Char('"'), QLatin1Char('/'));
    } else if (param->type == QLatin1String("password") && !current.isEmpty()) {
      const QString plain = QString(name).remove(QStringLiteral("encode"), Qt::CaseInsensitive);
      if (plain != name && optionNames_.contains(plain)) values_[plain] = decodePassword(current);
    }
  }
}

void SISConfig::applyLogStyle(const QString &style) {
  int mask = -1;
  if (style == QLatin1String("off"))
    mask = 0;
  else if (style == QLatin1String("consoleoff"))
    mask = -2;
  else if (style == QLatin1String("fileoff"))
    mask = -3;
  else if (style == QLatin1String("extract"))
    logMode_ = QStringLiteral("extract");
  logManager().setStyle(mask);
}

int SISConfig::runFlags() const {
  int flags = -1;
  if (switchGiven(QStringLiteral("all"))) flags = -1;
  if (switchGiven(QStringLiteral("demo"))) flags = 1;
  if (switchGiven(QStringLiteral("att"))) flags &= 2;
  return flags;
}

int SISConfig::processCommandLine(int argc, char **argv) {
  LogManager::instance(appShortName_, QString(), QString(), QString(), QString(), QString());
  values_[QStringLiteral("apppath")] = argc > 0 ? QString::fromUtf8(argv[0]) : QString();
  arguments_.clear();
  for (int i = 0; i < argc; ++i) arguments_.append(QString::fromUtf8(argv[i]));
  // Password values never reach the log: each argument is logged with its value masked.
  for (const QString &argument : maskedArguments(arguments_)) {
    emit writeLog(8, QStringLiteral("Arguments: ") + argument, kProcessMethod);
  }
  applicationPath_ = arguments_.value(0);

  OptionParser parser(arguments_);
  std::map<QString, QString> optionValues;
  std::map<QString, bool> switchValues;
  QString command;
  parser.addRequiredArgument(QStringLiteral("command"), &command);
  for (const QString &name : std::as_const(switchNames_)) parser.addSwitch(name, &switchValues[name]);
  for (const QString &name : std::as_const(optionNames_))
    parser.addOption(name, &optionValues[name], QStringLiteral(""));

  qInstallMessageHandler(&AppBase::qMessageOutput);
  const bool parsed = parser.parse(false);
  values_[QStringLiteral("command")] = command;
  for (const auto &[name, given] : switchValues) {
    switchesGiven_[name] = given;
    if (given && !record(name)) values_[name] = QStringLiteral("true");
  }
  for (const auto &[name, text] : optionValues) values_[name] = text;
  emit writeLog(8,
                QStringLiteral("Parsing arguments ") +
                    (parsed ? QStringLiteral("succeeded.") : QStringLiteral("failed.")),
                QStringLiteral("SISConfig:::processCommandLine"));
  if (parser.exitCode()) return *parser.exitCode();

  if (!parsed || command == QLatin1String("help") || switchGiven(QStringLiteral("help"))) {
    messageWriter().writeRawError(QStringLiteral("Usage: \n") + usageText(parser.programName()) +
                                  QStringLiteral("\n"));
    return finishCommand(commandHelp(), value(QStringLiteral("path")),
                         QStringLiteral("args: ") + maskedArguments(arguments_).join(QStringLiteral(", ")));
  }

  normaliseValues();
  bool validating = false;
  const int n = value(QStringLiteral("validate")).toInt(&validating, 10);

  if (const int code = checkRequirements(command)) {
    emitProgressPair();
    return finishCommand(code, QString(), QString());
  }
  applyLogStyle(value(QStringLiteral("log")));
  return dispatch(command, validating, n);
}

int SISConfig::dispatch(const QString &command, bool validating, int n) {
  const QString folder = value(QStringLiteral("path"));
  QString message;
  if (command == QLatin1String("params")) {
    const int code = validating ? validateParams(n, message) : commandParams(message);
    if (code == 1) message = QStringLiteral("Failed retrieving parameters.");
    return finishCommand(code, folder, message);
  }
  if (command == QLatin1String("defaults")) {
    const int code = validating ? validateDefaults(n) : commandDefaults();
    return finishCommand(code, folder, QStringLiteral("Failed retrieving default settings."));
  }
  if (command == QLatin1String("test")) {
    message = QStringLiteral("Failed testing parameters.");
    LogHeader(QString());
    const QString group = value(QStringLiteral("group"));
    const int code = validating ? validateTest(n, group, message) : commandTest(group, message);
    return finishCommand(code, folder, message);
  }
  if (command == QLatin1String("run")) {
    // Held until the process ends, after the last file of the run is published.
    ImportFolderLock lock;
    if (lock.Take(folder) == ImportFolderLock::Outcome::HeldElsewhere) {
      emit writeError(QStringLiteral("path"),
                      QStringLiteral("Another icbridge run holds the import folder ") +
                          QDir::toNativeSeparators(QDir(folder).absolutePath()));
      // The status files belong to the run that holds the folder: they are left to it.
      return finishCommand(1, QString(), QString());
    }
    startExtraction(folder);
    const int code = validating ? validateRun(n) : commandRun(runFlags());
    return finishCommand(code, folder, QStringLiteral("Failed on extraction."));
  }
  if (command == QLatin1String("version")) {
    const int code = validating ? validateVersion(n) : commandVersion();
    return finishCommand(code, folder, QStringLiteral("Failed retrieving version."));
  }
  reportProblem(QStringLiteral("This command has not been defined: ") + command);
  return finishCommand(1, folder, QStringLiteral("Command not defined."));
}
