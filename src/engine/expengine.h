// The extraction engine for an Infinite Campus database: the last class of the task chain. It adds
// the teacher list behind the "teacher" bridge-list parameter; the extraction itself is the frame's.
#pragma once

#include "odbcexpenginebase.h"

class ExpEngine : public ODBCExpEngineBase {
  Q_OBJECT

 public:
  explicit ExpEngine(QObject *parent = nullptr);
  ~ExpEngine() override;
  std::unique_ptr<AppTaskBase> Create() const override;

  bool LoadBridgeList(ListEntries &list, const QString &paramkey, const ParameterMap &parameters,
                      QString &message) override;

  // "Last, First Middle" with empty parts left out together with their separators.
  static QString TeacherDisplayName(const QString &last, const QString &first, const QString &middle);

 private:
  bool MissingTeacherListParameter(const ParameterMap &parameters);
  bool QueryTeachers(ListEntries &list, const ParameterMap &parameters, QString &message);
};
