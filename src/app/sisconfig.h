// The application object of a student-information-system bridge: the parameters every bridge
// shares, the command-line driver and the extraction task it hands the values to.
#pragma once

#include <memory>

#include "appbase.h"

class BridgeTaskBase;

class SISConfig : public AppBase {
  Q_OBJECT

 public:
  SISConfig(std::unique_ptr<BridgeTaskBase> task, SISMessageWriter &writer);
  ~SISConfig() override;

  // Runs exactly one command; the result is the process exit code.
  int processCommandLine(int argc, char **argv);

  ParamRecord *addParam(const QString &group, const QString &name, const QString &label, const QString &type,
                        const QString &description, const QString &defaultValue) override;
  int commandRun(int flags) override;
  int commandDefaults() override;
  QString AppDataPath() override;
  void defineParams() override;

  // The usage text printed for "help" and for a command line that cannot be parsed.
  QString usageText(const QString &programName) const;
  // The arguments as they may be shown or logged: password values masked.
  QStringList maskedArguments(const QStringList &arguments) const;
  int runFlags() const;
  // The site label part of the log file name; this deployment has none.
  virtual QString siteLabel() const { return QString(); }

 protected:
  BridgeTaskBase &task() const { return *task_; }
  QString completionKind_;

 private:
  int dispatch(const QString &command, bool validating, int n);
  void applyLogStyle(const QString &style);
  void normaliseValues();
  bool isPasswordOption(const QString &name) const;
  void startExtraction(const QString &folder);
  void copyLogToOutputFolder(const QString &logFileName);
  QString findDefaultsFile();

  std::unique_ptr<BridgeTaskBase> task_;
  QStringList arguments_;
};
