// Base of every runnable task: the signals through which a task reports to the front-end and the log.
// The application object connects them to the message writer and the log manager (direct calls).
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <memory>

using ParameterMap = QMap<QString, QString>;

class AppTaskBase : public QObject {
  Q_OBJECT

 public:
  explicit AppTaskBase(QObject *parent = nullptr);
  ~AppTaskBase() override;

  virtual int GetProgressSize(int flags);
  virtual bool Execute(const ParameterMap &parameters, int flags, QString &message);
  virtual bool LoadList(const QString &method);
  // A new task object of the same class.
  virtual std::unique_ptr<AppTaskBase> Create() const;

 signals:
  void writeLog(int loglevel, const QString &message, const QString &method);
  void writeVersion(const QString &alias, const QString &version, const QString &minversion,
                    const QString &vname, const QString &guide);
  void writeParams(const QString &paramkey, const QString &type, const QString &paramname,
                   const QString &help, const QString &defaultValues);
  void writeHiddenParam(const QString &paramkey, const QString &paramvalue, const QString &defaultValue);
  void writeList(const QString &type, const QString &paramvalue, const QString &displaykey,
                 const QString &displayname, const QString &defaultValue);
  void writeTree(const QString &paramvalue, const QString &displaykey, const QString &parentkey,
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
};
