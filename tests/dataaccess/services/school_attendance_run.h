// One incremental attendance run of the task chain on a SQLite school database: the period marks
// read window by window through ODBC and merged into the attendance cache, the changed rows written
// into an update file that is published, then the configuration record saved. The tests and the
// crash test's child program both run it.
#pragma once

#include <QDate>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "odbcdataaccess.h"

class SchoolAttendanceRun : public ODBCDataAccess {
 public:
  // today fixes the day the windows are read up to; a clock time, when given, fixes the run's
  // clock at today at that time (the time stamps of the update file and the record).
  SchoolAttendanceRun(const QString &schoolDb, const QString &importFolder, const QDate &today,
                      std::optional<XTime> clockTime = std::nullopt);
  ~SchoolAttendanceRun() override;

  // The whole run; throws what the run throws.
  void Run(const QDate &yearStart, const QDate &yearEnd);

  // The date windows the attendance query was limited to, in the order read.
  const std::vector<std::pair<QDate, QDate>> &Windows() const { return windows_; }
  QDate LastUpdateDate() const { return lastUpdateDate_; }

  void FilterAttendance(const QDate &from, const QDate &to) override;
  bool OpenTable() override;

 protected:
  QDate Today() const override { return today_; }
  XDateTime Now() const override;

 private:
  void DescribeAttendanceQuery();

  ParameterMap runParameters_;
  QDate today_;
  std::optional<XTime> clockTime_;
  std::pair<QDate, QDate> filter_;
  std::vector<std::pair<QDate, QDate>> windows_;
};
