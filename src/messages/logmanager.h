// The process-wide log: each record (level, message, method) goes to the console as a protocol
// "log" line and to one dated log file per run name, of which at most seven are kept.
#pragma once

#include <QDir>
#include <QFile>
#include <QObject>
#include <QString>
#include <memory>

class SISMessageWriter;

class LogManager : public QObject {
  Q_OBJECT

 public:
  enum Output { ConsoleOutput = 1, FileOutput = 2 };
  static constexpr int kKeptLogFiles = 7;

  // The process-wide manager: created by the first call; later calls update prefix, name and
  // folder when given. Every call then writes the header block.
  static LogManager &instance(const QString &prefix, const QString &name, const QString &folder,
                              const QString &title, const QString &version, const QString &builtOn);
  LogManager(SISMessageWriter &writer, const QString &prefix, const QString &name);
  ~LogManager() override;

  static QString levelName(int level);
  static QString paddedLevelName(int level);

  int style() const { return style_; }
  void setStyle(int style) { style_ = style; }
  void setPrefix(const QString &prefix) { prefix_ = prefix; }
  // Makes the folder (with its parents) the log folder and sets up the file in it.
  void setFolder(const QString &path);
  // An empty name changes nothing; otherwise the file of the new name is set up.
  bool setName(const QString &name);
  bool setupLogFile();
  // Path of the current log file; empty until one is set up.
  QString currentFileName() const;

  // One record to one output, whatever the style.
  void writeRecord(int level, int output, const QString &message, const QString &method);
  void writeHeader(const QString &title, const QString &version, const QString &builtOn);

 public slots:
  void log(int logLevel, const QString &message, const QString &method);

 private:
  void writeToOutputsOn(int level, const QString &message, const QString &method);
  void appendToFile(const QString &text);
  QString fileRecordText(int level, const QString &message, const QString &method) const;
  void removeOldLogFiles();

  SISMessageWriter &writer_;
  int style_ = -1;
  QString prefix_;
  QString name_;
  std::unique_ptr<QDir> folder_;
  QFile file_;
};
