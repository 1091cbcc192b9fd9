// The generic command-line application: identity, parameters and groups with their requirements,
// the output signals the message writer prints, the common commands and the status files.
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "paramrecord.h"

class LogManager;
class SISMessageWriter;
class QDomElement;

class AppBase : public QObject {
  Q_OBJECT

 public:
  explicit AppBase(SISMessageWriter &writer, QObject *parent = nullptr);
  ~AppBase() override;

  QString appTitle_;
  QString appType_;
  QString appShortName_;
  QString oldShortName_;
  QString appVersion_;
  QString appFrameworkVersion_;
  QString minversion;
  QString appAlias_;
  QString appUserGuideFileName_;
  QString appFinishedFile_;
  QString appCopyright_;
  QString appBuildDate_;

  virtual QString CreateTempLocalDBFolder(const QString &name);
  int progressValue() const { return progressValue_; }
  void setProgressValue(int value) { progressValue_ = value; }
  void *taskHook() const { return taskHook_; }
  void setTaskHook(void *hook) { taskHook_ = hook; }
  virtual void afterFinish() {}
  virtual int finishCommand(int code, const QString &folder, const QString &message);
  virtual void writeStatusFiles(int code, const QString &folder, const QString &message);
  virtual void publishAppInfo();
  virtual ParamRecord *addParam(const QString &group, const QString &name, const QString &label,
                                const QString &type, const QString &description, const QString &defaultValue);
  // A switch of this program's own: accepted on the command line and listed in the usage text, with
  // no parameter record, so the front-end never sees it. Given, it reaches the task as "true".
  void addCommandLineSwitch(const QString &name) { switchNames_.append(name); }
  ParamRecord *setParam(const QString &group, const QString &name, const QString &label, const QString &type,
                        const QString &description, const QString &defaultValue);
  void addRequirement(const QString &name, const QStringList &params);
  void addPrerequisiteGroup(const QString &name, const QString &group);
  void addGroup(const QString &group);
  virtual int checkParams(const QStringList &names);
  virtual int checkParam(const QString &name);
  int checkRequirements(const QString &name);
  static QString decodePassword(const QString &text);

  virtual int commandHelp();
  virtual int commandParams(QString &message);
  virtual int commandRun(int flags) = 0;
  virtual int commandTest(const QString &group, QString &message);
  virtual int commandVersion();
  virtual int commandDefaults() = 0;
  virtual int testGroup(const QString &group, QString &message) = 0;
  virtual int handleParam(const ParamRecord &record);
  virtual int handleParamOther(const ParamRecord &record);
  virtual int emitListSample(const ParamRecord &record);
  virtual int loadBridgeList(const ParamRecord &record);
  virtual int loadDistricts(const ParamRecord &record);
  virtual int loadSchools(const ParamRecord &record);
  virtual int loadSchoolYears(const ParamRecord &record);
  virtual int validateParams(int n, QString &message);
  virtual int validateTest(int n, const QString &group, QString &message);
  virtual int validateRun(int n);
  virtual int validateVersion(int n);
  virtual int validateDefaults(int n);
  virtual void applyDefaultsElement(const QDomElement &element);
  virtual void reportProblem(const QString &text);
  virtual QString helpFileName() const { return QString(); }
  virtual void afterDefaultsElement() {}
  virtual void defineParams() {}
  virtual QString AppDataPath() = 0;

  int emitParamData(const ParamRecord &record, QString &message);
  void LogHeader(const QString &text);
  static void qMessageOutput(QtMsgType type, const QMessageLogContext &context, const QString &text);

  const QMap<QString, QString> &values() const { return values_; }
  QString value(const QString &name) const { return values_.value(name); }
  void setValue(const QString &name, const QString &value) { values_[name] = value; }
  const QStringList &switchNames() const { return switchNames_; }
  const QStringList &optionNames() const { return optionNames_; }
  const ParamRecord *record(const QString &name) const { return records_.value(name); }
  QList<ParamRecord *> group(const QString &name) const { return groups_.value(name); }
  bool switchGiven(const QString &name) const { return switchesGiven_.value(name); }
  LogManager &logManager() const { return *logManager_; }
  SISMessageWriter &messageWriter() const { return writer_; }

 signals:
  void writeLog(int loglevel, const QString &message, const QString &method);
  void writeVersion(const QString &alias, const QString &version, const QString &minversion,
                    const QString &vname, const QString &guide);
  void writeParams(const QString &paramkey, const QString &type, const QString &paramname,
                   const QString &help, const QString &defaultValue);
  void writeHiddenParam(const QString &paramkey, const QString &paramvalue, const QString &defaultValue);
  void writeList(const QString &type, const QString &paramkey, const QString &displaykey,
                 const QString &displayname, const QString &defaultValue);
  void writeTree(const QString &paramkey, const QString &displaykey, const QString &parentkey,
                 const QString &displayname, const QString &defaultValue);
  void writeHidden(const QString &paramkey, const QString &type, const QString &paramname,
                   const QString &help, const QString &defaultValue);
  void writeFile(const QString &paramkey, const QString &extension, const QString &defaultValue);
  void writeNumber(const QString &paramkey, const QString &range, const QString &defaultValue);
  void writeDate(const QString &paramkey, const QString &startdate, const QString &enddate,
                 const QString &defaultValue);
  void writeTest(const QString &success, const QString &group, const QString &message);
  void writeStatus(const QString &success, const QString &date, const QString &message);
  void writeManage(const QString &success, const QString &message);
  void writeProgress(const QString &progress_type, int progress_total = -1);
  void writeProgressIncrement(const QString &progress_message = QString());
  void writeProgressWarning(const QString &progress_message = QString());
  void writeSetting(const QString &setting_type, int setting_total = -1);
  void writeSettingIncrement(const QString &setting_type, const QString &group, const QString &key,
                             const QString &value);
  void writeSettingIncrementGrouping(const QString &setting_type, const QString &group, const QString &key,
                                     const QString &value, const QString &grouping);
  void writeWarning(const QString &key, const QString &message);
  void writeMissing(const QString &paramkey, const QString &message);
  void writeError(const QString &paramkey, const QString &message);
  void clearMessages();

 protected:
  // Connects a sender of the shared signal set (this object or the task) to the writer and the log.
  template <typename Sender>
  void connectOutputs(Sender *sender);
  void emitProgressPair();
  int sendCommonValidationAnswer(int n);
  const ParamRecord *findRecordLoose(const QString &name) const;
  int loadListFailed(const QString &key, const QString &message);

  QString logMode_;
  QString applicationPath_;
  QMap<QString, QString> values_;
  QMap<QString, bool> switchesGiven_;
  QStringList switchNames_;
  QStringList optionNames_;
  QMap<QString, QList<ParamRecord *>> groups_;
  QMap<QString, ParamRecord *> records_;
  QMap<QString, QList<QStringList>> requirements_;
  QMap<QString, QStringList> prerequisiteGroups_;

 private:
  SISMessageWriter &writer_;
  LogManager *logManager_ = nullptr;
  int progressValue_ = 0;
  void *taskHook_ = nullptr;
  std::vector<std::unique_ptr<ParamRecord>> ownedRecords_;
};

#include "appbase_connect.h"
