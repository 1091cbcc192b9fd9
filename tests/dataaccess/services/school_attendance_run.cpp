// The steps of an attendance update run, in the order the engine takes them.
#include "school_attendance_run.h"

#include "databasetype.h"

SchoolAttendanceRun::SchoolAttendanceRun(const QString &schoolDb, const QString &importFolder,
                                         const QDate &today, std::optional<XTime> clockTime)
    : ODBCDataAccess(0), today_(today), clockTime_(clockTime) {
  runParameters_[QStringLiteral("appTitle_")] = QStringLiteral("Kestrane Infinite Campus Bridge");
  runParameters_[QStringLiteral("appType_")] = QStringLiteral("Data Extractor");
  runParameters_[QStringLiteral("appShortName_")] = QStringLiteral("Infinite Campus");
  runParameters_[QStringLiteral("appVersion_")] = QStringLiteral("2.3.3.2");
  runParameters_[QStringLiteral("appAlias_")] = QStringLiteral("ic_de");
  runParameters_[QStringLiteral("appBuildDate_")] = QStringLiteral("Oct 30 2014 19:24:20");
  parameters_ = &runParameters_;
  SetPDEFolder(importFolder);
  SetDatabaseType(DatabaseType::MSSQL);
  Options().QuoteFields = true;
  Options().QuoteTables = true;
  SetDataSourceName(schoolDb);
  RunSettings().dsn = schoolDb;
  RunSettings().school = QStringLiteral("10");
  RunSettings().district = QStringLiteral("1");
  RunSettings().schoolYear = QStringLiteral("2027");
}

SchoolAttendanceRun::~SchoolAttendanceRun() = default;

XDateTime SchoolAttendanceRun::Now() const {
  if (!clockTime_) return ODBCDataAccess::Now();
  return XDateTime(XDate::FromQDate(today_), *clockTime_);
}

void SchoolAttendanceRun::FilterAttendance(const QDate &from, const QDate &to) {
  filter_ = {from, to};
  ODBCDataAccess::FilterAttendance(from, to);
}

// A window is read when its query opens (a window's query may be described earlier, to run ahead).
bool SchoolAttendanceRun::OpenTable() {
  windows_.push_back(filter_);
  return ODBCDataAccess::OpenTable();
}

void SchoolAttendanceRun::DescribeAttendanceQuery() {
  const ODBCTable *marks = AddTable(QStringLiteral("Attendance"), QStringLiteral("PERATT"));
  const ODBCField *person = AddOutputField(
      marks, QStringLiteral("personID"), Getter(&DataAccessBase::ColOneLine), 0, QStringLiteral("AttStdRef"));
  // Every mark of the school file but the canary rows (keys from 990000), which only the engine's
  // scope guard reads.
  AddCondition(QString(), person, QStringLiteral("<"), QStringLiteral("990000"));
  AddOutputField(marks, QStringLiteral("periodID"), Getter(&DataAccessBase::ColOneLine), 0,
                 QStringLiteral("AttPerRef"));
  const ODBCField *date = AddOutputField(marks, QStringLiteral("date"), Getter(&DataAccessBase::ColDate), 0,
                                         QStringLiteral("AttDate"));
  AddOutputField(marks, QStringLiteral("status"), Getter(&DataAccessBase::ColOneLine), 0,
                 QStringLiteral("AttAttCodeRef"));
  SetChangeDateField(date);
}

void SchoolAttendanceRun::Run(const QDate &yearStart, const QDate &yearEnd) {
  // What the frame does at the start of every run.
  lastUpdateDate_ = ReadLastUpdateDate(PDEFolder());
  lastUpdateTime_ = ReadLastUpdateDateTime(PDEFolder());
  Connect(BuildConnectionString());
  StartPDEWriter();

  StartAttTable(QStringLiteral("PERIOD_ATT"), true, false);
  DescribeAttendanceQuery();
  WriteAttendanceTable(yearStart, yearEnd, RowFilter(), false);
  EndTable();
  SetFilterDateFields();

  StartUpdate();
  CreateStudentPeriodAttendanceFromDB(false);
  FinishUpdate();
  SaveBridgeConfig();
  Disconnect();
}
