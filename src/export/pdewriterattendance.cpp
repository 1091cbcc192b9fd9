// The writer's attendance members: the cache beside the import files, filled from the current query
// window by window, and reset when the configuration changes. The cache itself lives in the
// attendance layer; this file feeds it the writer's query, dates and update date.
#include <QFileInfo>

#include "attendancewriter.h"
#include "pdewriter.h"
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
  QuerySource(std::function<void(const QDate &, const QDate &)> filter, std::function<bool()> open,
              std::function<bool(bool first)> move, std::function<void()> close, const RowFilter &rowFilter,
              std::function<bool(QStringList &)> values)
      : m_filter(std::move(filter)),
        m_open(std::move(open)),
        m_move(std::move(move)),
        m_close(std::move(close)),
        m_rowFilter(rowFilter),
        m_values(std::move(values)) {}

  void SetDateFilter(const QDate &from, const QDate &to) override { m_filter(from, to); }
  void Open() override {
    m_isOpen = m_open();
    m_first = true;
  }
  bool Next(QStringList &values) override {
    while (m_isOpen && m_move(m_first)) {
      m_first = false;
      if (m_rowFilter && !m_rowFilter()) continue;
      return m_values(values);
    }
    m_isOpen = false;
    return false;
  }
  void Close() override {
    m_isOpen = false;
    m_close();
  }

 private:
  std::function<void(const QDate &, const QDate &)> m_filter;
  std::function<bool()> m_open;
  std::function<bool(bool)> m_move;
  std::function<void()> m_close;
  RowFilter m_rowFilter;
  std::function<bool(QStringList &)> m_values;
  bool m_isOpen = false;
  bool m_first = true;
};

AttendanceDateFormat WriterDates(const QString &pattern) {
  AttendanceDateFormat dates;
  dates.format = [pattern](const QDate &date) { return XDate::FromQDate(date).Format(pattern); };
  dates.parse = [pattern](const QString &text) {
    XDate date;
    return date.Parse(pattern, text) ? date.ToQDate() : QDate();
  };
  return dates;
}

}  // namespace

AttendanceCache &PDEWriter::Attendance() {
  return m_attendance->Cache();
}

AttendanceHeaderSets &PDEWriter::AttendanceHeaders() {
  return m_attendance->HeaderSets();
}

bool PDEWriter::SetAttendanceDatabase(const QString &folder) {
  return m_attendance->SetDatabase(folder, PDEFolder());
}

void PDEWriter::StartAttTable(const QString &table, bool blankFromUpdateDate, bool extraDay) {
  const bool daily = TableNamed(table) == AttendanceTable::Daily;
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(PDEFolder()));
  const QString overlap = bridgeconfig::Value(stored, QStringLiteral("OverlapInDays"));
  if (!overlap.isEmpty()) m_overlap = overlap;
  m_lastUpdateDate =
      m_attendance->StartTable(table, blankFromUpdateDate, extraDay, ReadLastUpdateDate(PDEFolder()),
                               OverlapDays(), PDEFolder(), WriterDates(ControlSettings().dateFormat));
  if (daily)
    StartTable(QStringLiteral("Student Daily Attendance"), QStringLiteral("StudentDailyAtt.pef"));
  else
    StartTable(QStringLiteral("Student Period Attendance"), QStringLiteral("StudentPeriodAtt.pef"));
}

void PDEWriter::WriteAttendanceTable(const QDate &yearStart, const QDate &yearEnd, const RowFilter &rowFilter,
                                     bool lastWindowExtraDay) {
  if (!m_currentHeader) throw XException(QStringLiteral("No export table has been started."));
  QStringList headers;
  std::vector<const ExportColumn *> valueColumns;
  for (size_t i = 0; i < m_columns.size(); ++i) {
    if (!m_columns[i].valueGetter) continue;
    headers << (i < m_currentHeader->fields.size() ? m_currentHeader->fields[i].name : QString());
    valueColumns.push_back(&m_columns[i]);
  }
  QuerySource source([this](const QDate &from, const QDate &to) { FilterAttendance(from, to); },
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
      m_attendance->WriteTable(source, headers, m_lastUpdateDate, yearStart, yearEnd, lastWindowExtraDay,
                               Today(), WriterDates(ControlSettings().dateFormat));
  // The record saves where this run read up to and when, so the next run starts from there less the
  // overlap instead of from a date that stays behind or slides back a day with every run.
  if (lastDayRead.isValid()) {
    m_lastUpdateDate = lastDayRead;
    m_lastUpdateTime = Now().ToQDateTime();
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
  if (Attendance().IsSending()) Attendance().PrepareSent(workingPath);
}

void PDEWriter::UpdateFilePublished(const QString &) {
  if (Attendance().IsSending()) Attendance().CommitSent();
}
