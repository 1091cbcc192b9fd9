// The one writer of the front-end's line protocol: every message is one line of tab-separated
// fields on standard output or standard error, flushed as soon as it is written.
#pragma once

#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTextStream>

class QIODevice;

class SISMessageWriter : public QObject {
  Q_OBJECT

 public:
  // The process-wide writer over the standard output and standard error files.
  static SISMessageWriter &instance();
  // A writer over the given devices (both must stay open while the writer is used).
  SISMessageWriter(QIODevice *output, QIODevice *error, QObject *parent = nullptr);
  ~SISMessageWriter() override;

  // A field never carries a tab or a line break: either would forge protocol lines.
  static QString cleanField(const QString &field);
  // One console log record: "log", level name, time, method, message.
  void writeLogLine(const QString &levelName, const QString &time, const QString &method,
                    const QString &message);
  // Text written as it is to standard error (the usage text).
  void writeRawError(const QString &text);

 public slots:
  void outVersion(const QString &alias, const QString &version, const QString &minversion,
                  const QString &vname, const QString &guide);
  void outParams(const QString &paramkey, const QString &type, const QString &paramname, const QString &help,
                 const QString &defaultValue);
  void outHiddenParam(const QString &paramkey, const QString &paramvalue, const QString &defaultValue);
  void outList(const QString &type, const QString &paramvalue, const QString &displaykey,
               const QString &displayname, const QString &defaultValue);
  void outTree(const QString &paramvalue, const QString &displaykey, const QString &parentkey,
               const QString &displayname, const QString &defaultValue);
  void outHidden(const QString &paramkey, const QString &type, const QString &paramname, const QString &help,
                 const QString &defaultValue);
  void outFile(const QString &paramkey, const QString &extension, const QString &defaultValue);
  void outNumber(const QString &paramkey, const QString &range, const QString &defaultValue);
  void outDate(const QString &paramkey, const QString &startdate, const QString &enddate,
               const QString &defaultValue);
  void outTest(const QString &success, const QString &group, const QString &message);
  void outStatus(const QString &success, const QString &date, const QString &message);
  void outManage(const QString &success, const QString &message);
  void outProgress(const QString &progress_type, int progress_total = -1);
  void outProgress_increment(const QString &progress_message = QString());
  void outProgress_warning(const QString &progress_message = QString());
  void outSetting(const QString &setting_type, int setting_total = -1);
  void outSetting_increment(const QString &setting_type, const QString &group, const QString &key,
                            const QString &value);
  void outSetting_increment(const QString &setting_type, const QString &group, const QString &key,
                            const QString &value, const QString &grouping);
  void outMissing(const QString &paramkey, const QString &message);
  void outWarning(const QString &key, const QString &message);
  void outError(const QString &paramkey, const QString &message);
  void clearMessages();

 private:
  SISMessageWriter();
  void writeOutput(const QStringList &fields);
  void writeError(const QStringList &fields);
  void writeLine(QTextStream &stream, const QStringList &fields);
  void flushPending();

  QFile outputFile_;
  QFile errorFile_;
  QTextStream output_;
  QTextStream error_;
  QStringList pending_;
};
