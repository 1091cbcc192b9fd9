// The export of cached attendance: for each header name the cache's rows whose code changed since
// they were last sent are written as one table (daily or period attendance) and marked as sent.
// The marks become durable only once the file that carries the rows is published: right after the
// table file in an import run, with the update file in an update run.
#include <QDate>

#include "attendancecache.h"
#include "attendanceheadermap.h"
#include "attendancerow.h"
#include "dataaccessbase.h"
#include "delimitedoutput.h"
#include "loglevels.h"
#include "xexception.h"

namespace {

// A failure of the file being written, as opposed to one of the cache.
struct OutputFailure {
  QString text;
};
}  // namespace

struct DataAccessBase::CachedExport {
  AttendanceTable table;
  const char *method;        // "CreateStudentDailyAttendanceFromDB" or the period form
  const char *missingTable;  // the job text when the cache has no such table
  const char *exportName;
  const char *fileName;
  const char *errorWord;  // "Error" or "Warning"
  bool reportFailedUpdate;
};

void DataAccessBase::CreateStudentDailyAttendanceFromDB(bool filter) {
  static const CachedExport daily{AttendanceTable::Daily,
                                  "CreateStudentDailyAttendanceFromDB",
                                  "Daily Attendance Table does not exist, skipping",
                                  "Cached Daily Attendance",
                                  "StudentDailyAtt.pef",
                                  "Error",
                                  false};
  ExportCachedAttendance(daily, filter);
}

void DataAccessBase::CreateStudentPeriodAttendanceFromDB(bool filter) {
  static const CachedExport period{AttendanceTable::Period,
                                   "CreateStudentPeriodAttendanceFromDB",
                                   "Period Attendance Table does not exist, skipping",
                                   "Cached Period Attendance",
                                   "StudentPeriodAtt.pef",
                                   "Warning",
                                   true};
  ExportCachedAttendance(period, filter);
}

void DataAccessBase::ExportCachedAttendance(const CachedExport &cached, bool filter) {
  const QString method = QStringLiteral("DataAccessBase::") + QLatin1String(cached.method);
  AttendanceCache &cache = Attendance();
  if (!cache.IsOpen() || !cache.TableExists(cached.table)) {
    PutJobText(QString::fromLatin1(cached.missingTable));
    return;
  }
  const bool daily = cached.table == AttendanceTable::Daily;
  Log(kInformational, QStringLiteral("Exporting Daily Attendance from DB"), method);

  AttendanceHeaderSets &sets = AttendanceHeaders();
  std::set<QString> &headers = daily ? sets.timeFrameHeaders : sets.periodHeaders;
  if (!daily && headers.empty()) {
    headers.insert(QStringLiteral("AttPerRef"));
    Log(kDebug,
        QStringLiteral("CreateStudentPeriodAttendanceFromDB: Either no data returned or No Period Timeframe "
                       "header set, assuming AttPerRef"),
        method);
  }
  bool anyUpdateFailed = false;
  const std::set<QString> names = headers;  // the passes may not change the set they walk
  bool firstPass = true;
  for (const QString &header : names) {
    const QString fileName = PassFileName(QString::fromLatin1(cached.fileName), header, firstPass);
    if (!ExportCachedHeader(cached, header, fileName, filter)) anyUpdateFailed = true;
    firstPass = false;
  }
  if (anyUpdateFailed && cached.reportFailedUpdate)
    Log(kDebug, QStringLiteral("CreateStudentPeriodAttendanceFromDB At least 1 update failed."), method);
}

// Each header's pass is a table with its own header line. In an update run every pass is a block
// of the one update file; in an import run each needs a table file of its own: a later pass writing
// the first pass's file would replace it after its rows were marked as sent, and they would be lost.
// The first pass keeps the table's file name, a later one adds its header name ("StudentDailyAtt.pef",
// "StudentDailyAtt_AttTimeSlot.pef"); the import control file names each table's file.
QString DataAccessBase::PassFileName(const QString &fileName, const QString &header, bool firstPass) const {
  if (firstPass || IsUpdateMode()) return fileName;
  return SuffixedFileName(fileName, CleanFileName(header));
}

QString DataAccessBase::ChangeDateText(std::string_view stored,
                                       std::map<std::string, QString, std::less<>> &known) {
  const auto found = known.find(stored);
  if (found != known.end()) return found->second;
  const QDate date = QDate::fromString(QString::fromUtf8(stored.data(), qsizetype(stored.size())),
                                       QStringLiteral("yyyy-MM-dd"));
  return known.emplace(stored, date.isValid() ? FormatDate(XDate::FromQDate(date)) : QString()).first->second;
}

// The values go to the file as the cache stores them: most are ASCII, written without a text
// made of each.
void DataAccessBase::WriteChange(DelimitedOutput &output, const AttendanceChangeBytes &change,
                                 std::map<std::string, QString, std::less<>> &dates) {
  output.WriteUtf8Value(change.stdkey);
  output.WriteValue(ChangeDateText(change.attdate, dates));
  for (const std::string_view value : {change.period, change.code, change.reason, change.excused,
                                       change.absent, change.tardy, change.truant, change.discipline})
    output.WriteUtf8Value(value);
  output.EndLine();
}

// One pass: the table of one header name. False when marking the rows as sent failed.
bool DataAccessBase::ExportCachedHeader(const CachedExport &cached, const QString &header,
                                        const QString &fileName, bool filter) {
  const QString method = QStringLiteral("DataAccessBase::") + QLatin1String(cached.method);
  AttendanceCache &cache = Attendance();
  StartTable(QString::fromLatin1(cached.exportName), fileName);
  for (const char *field : {"AttStdRef", "AttDate"}) AddHeaderField(QString::fromLatin1(field));
  AddHeaderField(header);
  for (const char *field :
       {"AttAttCodeRef", "AttAttReasonRef", "AttExcused", "AttAbs", "AttTardy", "AttTruant", "AttDiscipline"})
    AddHeaderField(QString::fromLatin1(field));

  const QString tableName = AttendanceTableName(cached.table);
  const QString updateText =
      QStringLiteral("UPDATE %1 SET oldcode=newcode WHERE rowid=?1 AND newcode=?2").arg(tableName);
  long long read = 0;
  int written = 0;
  // A school year has a few hundred days and a first run sends hundreds of thousands of marks:
  // each stored date is turned into the file's date text once.
  std::map<std::string, QString, std::less<>> dates;
  bool marked = true;
  DelimitedOutput *output = nullptr;
  try {
    try {
      output = &BeginTableOutput();
    } catch (const XException &e) {
      throw OutputFailure{e.Text()};
    }
    read = cache.SendChangeBytes(cached.table, header, [&](const AttendanceChangeBytes &change) {
      if (filter &&
          !IsStudentIncluded(QString::fromUtf8(change.stdkey.data(), qsizetype(change.stdkey.size()))))
        return false;
      try {
        WriteChange(*output, change, dates);
      } catch (const XException &e) {
        throw OutputFailure{e.Text()};
      }
      ++written;
      return true;
    });
    Log(kDebug,
        QStringLiteral("Attendance Query: Wrote") + QString::number(read) + QStringLiteral(" records."),
        method);
  } catch (const OutputFailure &failure) {
    // The file could not be opened or written: the run fails, and nothing of it counts as sent.
    cache.RollbackSent();
    AbandonTableOutput();
    EndTable();
    LogAndThrow(kDebug,
                QLatin1String(cached.method) + QLatin1Char(' ') + QLatin1String(cached.errorWord) +
                    QStringLiteral(": ") + failure.text,
                method);
  } catch (const std::exception &e) {
    // A failing query or mark: the rows handed over are in the file; the rest stay unmarked and are
    // sent again next time.
    const QString text = dynamic_cast<const XException *>(&e) ? static_cast<const XException &>(e).Text()
                                                              : QString::fromLocal8Bit(e.what());
    Log(kDebug,
        QLatin1String(cached.method) + QLatin1Char(' ') + QLatin1String(cached.errorWord) +
            QStringLiteral(": ") + text,
        method);
    Log(kProprietary, QStringLiteral("Update Query: ") + updateText, method);
    marked = false;
  }
  if (output) {
    EndTableOutput(written);
    // A table file is complete and published now; an update file commits the marks when it is.
    if (!IsUpdateMode() && cache.IsSending()) cache.CommitSent();
  }
  EndTable();
  return marked;
}
