// The writer's attendance members: the cache beside the import files, filled from the current query
// window by window, and reset when the configuration changes. The cache itself lives in the
// attendance layer; this file feeds it the writer's query, dates and update date.
#include <QFileInfo>
#include <QHash>
#include <memory>

#include "attendancewriter.h"
#include "fullreaddates.h"
#include "loglevels.h"
#include "pdewriter.h"
#include "publishedfile.h"
#include "xexception.h"

namespace {

AttendanceTable TableNamed(const QString &name) {
  const std::optional<AttendanceTable> table = AttendanceTableFromName(name);
  if (!table) throw XException(QStringLiteral("Attendance: Unknown attendance table: ") + name);
  return *table;
}

// The writer's current query as the attendance writer reads it: the values of the columns that have
// a value getter, for every record that passes the row filter.
class QuerySource : public AttendanceSource {
 public:
  QuerySource(std::function<void(const QDate &, const QDate &)> filter,
              std::function<void(const QDate &, const QDate &)> ahead, std::function<bool()> open,
              std::function<bool(bool first)> move, std::function<void()> close, const RowFilter &rowFilter,
              std::function<bool(QStringList &)> values)
      : filter_(std::move(filter)),
        ahead_(std::move(ahead)),
        open_(std::move(open)),
        move_(std::move(move)),
        close_(std::move(close)),
        rowFilter_(rowFilter),
        values_(std::move(values)) {}

  void SetDateFilter(const QDate &from, const QDate &to) override { filter_(from, to); }
  void RunAhead(const QDate &from, const QDate &to) override { ahead_(from, to); }
  // A window whose query did not open was not read; taken as empty, it would blank its marks.
  void Open() override {
    isOpen_ = open_();
    if (!isOpen_) throw XException(QStringLiteral("The attendance query could not be opened."));
    first_ = true;
  }
  bool Next(QStringList &values) override {
    while (isOpen_ && move_(first_)) {
      first_ = false;
      if (rowFilter_ && !rowFilter_()) continue;
      return values_(values);
    }
    isOpen_ = false;
    return false;
  }
  void Close() override {
    isOpen_ = false;
    close_();
  }

 private:
  std::function<void(const QDate &, const QDate &)> filter_;
  std::function<void(const QDate &, const QDate &)> ahead_;
  std::function<bool()> open_;
  std::function<bool(bool)> move_;
  std::function<void()> close_;
  RowFilter rowFilter_;
  std::function<bool(QStringList &)> values_;
  bool isOpen_ = false;
  bool first_ = true;
};

AttendanceDateFormat WriterDates(const QString &pattern) {
  AttendanceDateFormat dates;
  dates.format = [pattern](const QDate &date) { return XDate::FromQDate(date).Format(pattern); };
  // The marks of a run carry a few hundred dates, each many times over: each text is parsed once.
  constexpr qsizetype kKnownDates = 4096;
  dates.parse = [pattern, known = std::make_shared<QHash<QString, QDate>>()](const QString &text) {
    const auto found = known->constFind(text);
    if (found != known->cend()) return *found;
    XDate date;
    const QDate parsed = date.Parse(pattern, text) ? date.ToQDate() : QDate();
    if (known->size() >= kKnownDates) known->clear();
    known->insert(text, parsed);
    return parsed;
  };
  return dates;
}

}  // namespace

AttendanceCache &PDEWriter::Attendance() {
  return attendance_->Cache();
}

AttendanceHeaderSets &PDEWriter::AttendanceHeaders() {
  return attendance_->HeaderSets();
}

QString PDEWriter::PublishedCachePath() const {
  return AttendanceCache::PathIn(PDEFolder(), AttendanceCache::DefaultFileName());
}

const AttendanceReconcile &PDEWriter::Reconcile(AttendanceTable table) {
  auto known = reconcile_.find(table);
  if (known != reconcile_.end()) return known->second;
  const FullReadState lastRead = fullreaddates::Read(PublishedCachePath(), table);
  const bool asked = Parameter(QStringLiteral("reconcile")) == QLatin1String("true");
  return reconcile_[table] = DecideReconcile(asked, lastRead, Today());
}

qint64 PDEWriter::AttendanceProgressSteps(const QString &pdeFolder) {
  const AttendanceReconcile &reconcile = Reconcile(AttendanceTable::Period);
  if (!reconcile.due || !ReadLastUpdateDate(pdeFolder).isValid())
    return BridgeTaskBase::AttendanceProgressSteps(pdeFolder);
  if (!reconcile.readFrom.isValid()) return AttendanceStepsSince(QDate());
  return WalkAttendanceWindows(QDate(), Today(), reconcile.readFrom, QDate(), false, false).windows.size();
}

bool PDEWriter::SetAttendanceDatabase(const QString &folder) {
  return attendance_->SetDatabase(folder, PDEFolder());
}

void PDEWriter::StartAttTable(const QString &table, bool blankFromUpdateDate, bool extraDay) {
  const bool daily = TableNamed(table) == AttendanceTable::Daily;
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(PDEFolder()));
  const QString overlap = bridgeconfig::Value(stored, QStringLiteral("OverlapInDays"));
  if (!overlap.isEmpty()) overlap_ = overlap;
  // After a change of configuration the old record stays until the run is published, but its date
  // belongs to the cache being replaced: attendance is read anew.
  QDate updateDate = staleFilesDeferred_ ? QDate() : ReadLastUpdateDate(PDEFolder());
  const AttendanceReconcile &reconcile = Reconcile(TableNamed(table));
  // Without an update date the run is a first run, which reads the whole year anyway.
  const bool reconciling = reconcile.due && updateDate.isValid();
  if (reconciling) {
    Log(kInformational, "Reconciling attendance with the whole school year: " + reconcile.reason,
        QStringLiteral("PDEWriter::StartAttTable"));
    updateDate = QDate();
  }
  lastUpdateDate_ = attendance_->StartTable(table, blankFromUpdateDate, extraDay, updateDate, OverlapDays(),
                                            PDEFolder(), WriterDates(ControlSettings().dateFormat));
  // A reconcile asked for and killed before its merge is committed stays due for the next run.
  if (reconciling && Parameter(QStringLiteral("reconcile")) == QLatin1String("true"))
    fullreaddates::MarkUnfinished(Attendance().Database(), TableNamed(table));
  if (daily)
    StartTable(QStringLiteral("Student Daily Attendance"), QStringLiteral("StudentDailyAtt.pef"));
  else
    StartTable(QStringLiteral("Student Period Attendance"), QStringLiteral("StudentPeriodAtt.pef"));
}

void PDEWriter::WriteAttendanceTable(const QDate &yearStart, const QDate &yearEnd, const RowFilter &rowFilter,
                                     bool lastWindowExtraDay) {
  if (!currentHeader_) throw XException(QStringLiteral("No export table has been started."));
  QStringList headers;
  std::vector<const ExportColumn *> valueColumns;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!columns_[i].valueGetter) continue;
    headers << (i < currentHeader_->fields.size() ? currentHeader_->fields[i].name : QString());
    valueColumns.push_back(&columns_[i]);
  }
  QuerySource source([this](const QDate &from, const QDate &to) { FilterAttendance(from, to); },
                     [this](const QDate &from, const QDate &to) {
                       FilterAttendance(from, to);
                       RunQueryAhead(QueryText());
                     },
                     [this] { return OpenTable(); },
                     [this](bool first) { return first ? GetFirstRecord() : GetNextRecord(); },
                     [this] { CloseRecordSet(); }, rowFilter,
                     [this, &valueColumns](QStringList &values) {
                       values.clear();
                       for (const ExportColumn *column : valueColumns) {
                         SetCurrentField(column->queryField);
                         values << column->valueGetter();
                       }
                       return true;
                     });
  const QDate lastDayRead =
      attendance_->WriteTable(source, headers, lastUpdateDate_, yearStart, yearEnd, lastWindowExtraDay,
                              Today(), WriterDates(ControlSettings().dateFormat));
  // The record saves where this run read up to and when, so the next run starts from there less the
  // overlap instead of from a date that stays behind or slides back a day with every run.
  if (lastDayRead.isValid()) {
    lastUpdateDate_ = lastDayRead;
    lastUpdateTime_ = Now().ToQDateTime();
  }
}

void PDEWriter::BlankNewCodeInSQLiteDB(const QString &table, const QDate &date) {
  Attendance().BlankNewCode(TableNamed(table), date);
}

bool PDEWriter::IsCacheStale(const QString &element) {
  return Attendance().IsStale(element);
}

void PDEWriter::DropAttendanceTable(const QString &table) {
  const std::optional<AttendanceTable> named = AttendanceTableFromName(table);
  if (named && IsCacheStale(table)) Attendance().DropTable(*named);
}

void PDEWriter::DeleteAttendanceDatabase() {
  Attendance().DeleteDatabase(PDEFolder());
}

void PDEWriter::FileAboutToBePublished(const QString &workingPath) {
  if (Attendance().IsSending())
    Attendance().PrepareSent(workingPath, PublishedFile::FinalPathOf(workingPath));
}

void PDEWriter::UpdateFilePublished(const QString &) {
  if (Attendance().IsSending()) Attendance().CommitSent();
}
