// The frame of one extraction task: makes the import folder, sizes the progress bar, runs the
// engine and turns any failure into one error message. Every layer of the task chain logs through
// Log and LogAndThrow; the front-end list operations are answered by the engine above.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>

#include "apptaskbase.h"

// (key, display name) pairs of a front-end list.
using ListEntries = QList<QPair<QString, QString>>;

// What the schema check found: whether it could ask the database at all, how many tables and
// columns a run needs are missing, and how many others are missing at the cost of import columns.
struct SchemaVerdict {
  bool checked = false;
  int missingRequired = 0;
  int missingOptional = 0;
  QString message;  // why the check could not run
};

class BridgeTaskBase : public AppTaskBase {
  Q_OBJECT

 public:
  explicit BridgeTaskBase(QObject *parent = nullptr);
  ~BridgeTaskBase() override;

  int GetProgressSize(int flags) override;
  bool LoadList(const QString &method) override;
  std::unique_ptr<AppTaskBase> Create() const override;
  virtual bool BeginExecute(const ParameterMap &parameters, int flags, QString &message);

  // Front-end lists and validations; the engine overrides them, the frame answers "not set up".
  virtual bool ValidateConnection(const ParameterMap &parameters, QString &message);
  virtual bool ValidateDistrictSchool(const ParameterMap &parameters, QString &message);
  virtual bool LoadDistrictList(ListEntries &list, const ParameterMap &parameters, QString &message);
  virtual bool LoadSchoolList(ListEntries &list, const ParameterMap &parameters, QString &message);
  virtual bool LoadSchoolYearList(ListEntries &list, const ParameterMap &parameters, QString &message);
  // The list behind a "bridgelist" parameter (this bridge: the teachers, paramkey "teacher").
  virtual bool LoadBridgeList(ListEntries &list, const QString &paramkey, const ParameterMap &parameters,
                              QString &message);
  // Surveys every table and column a run with these parameters reads, writing no file; the details
  // go to the log.
  virtual SchemaVerdict CheckSchema(const ParameterMap &parameters);

  bool SetPDEFolder(const QString &path);
  int CalculateProgressSize(int flags, int setup, int lut, int import, int dailyAtt, int periodAtt,
                            const QString &pdeFolder);
  void PutJobText(const QString &text);
  void Log(int level, const QString &text, const QString &method);
  [[noreturn]] void LogAndThrow(int level, const QString &text, const QString &method);

  static QString FormatPhoneNumber(const QString &raw, QString &warning);
  static bool IsValidPhoneNumber(const QString &text);
  static bool IsValidEmail(const QString &text);
  static QString CleanFileName(const QString &text);
  static QString CleanPathName(const QString &text);

  const QString &PDEFolder() const { return pdeFolder_; }
  const ParameterMap &Parameters() const { return *parameters_; }
  QString Parameter(const QString &name) const;

 protected:
  // The date of the previous successful run as the bridge configuration record in the folder holds
  // it; the export layer reads the record, the frame alone knows of none.
  virtual QDate ReadLastUpdateDate(const QString &pdeFolder);
  virtual QDateTime ReadLastUpdateDateTime(const QString &pdeFolder);
  // Today's local date; a seam so tests can fix the day the attendance window is counted to.
  virtual QDate Today() const;
  // The progress steps of one attendance table: one per window the run will read.
  virtual qint64 AttendanceProgressSteps(const QString &pdeFolder);
  // The steps of a read from lastRead (invalid: the estimated start of the school year) to today.
  qint64 AttendanceStepsSince(const QDate &lastRead) const;
  // Finishes what an earlier run left half published in the import folder, before the folder is
  // read; throws when that cannot be done.
  virtual void RecoverImportFolder() {}
  // From here on the run's files are published together once it has succeeded.
  virtual void BeginRunPublication() {}
  // The run failed: nothing it wrote is published.
  virtual void AbandonRun() {}

  int setupTotal_ = 0;
  int lutTotal_ = 0;
  int importTotal_ = 0;
  int periodAttTotal_ = 0;
  int dailyAttTotal_ = 0;
  int total_ = 0;
  const ParameterMap *parameters_ = nullptr;
  QString pdeFolder_;
  QDate lastUpdateDate_;
  QDateTime lastUpdateTime_;

 private:
  bool listNotSetUp(QString &message);
};
