// The attendance cache on SQLite: tables, merging marks, blanking, the stale check and the export
// of changed rows with their marks held in one transaction until the caller's file is published.
#include "attendancecache.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <vector>

#include "bridgetaskbase.h"
#include "database.h"
#include "query.h"
#include "sqlerror.h"
#include "xexception.h"

namespace {

constexpr int kError = 3;
constexpr int kWarning = 4;
constexpr int kDebug = 8;
constexpr int kProprietary = 9;

const QString kSetDatabase = QStringLiteral("PDEWriter::SetAttendanceDatabase");
const QString kStartAttTable = QStringLiteral("PDEWriter::StartAttTable");
const QString kWriteAttendance = QStringLiteral("PDEWriter::WriteAttendanceTable");
const QString kIsCacheStale = QStringLiteral("PDEWriter::IsCacheStale");
const QString kDropTable = QStringLiteral("PDEWriter::DropAttendanceTable");
const QString kDeleteDatabase = QStringLiteral("PDEWriter::DeleteAttendanceDatabase");

const char *kMergeSavepoint = "SAVEPOINT attendance_merge";
const char *kSendSavepoint = "SAVEPOINT attendance_send";

// The cache's page cache; large enough that a school's index pages stay in memory while merging.
const char *kPragmas = "PRAGMA cache_size=-32768";

QString createTableSql(AttendanceTable table) {
  const QString name = AttendanceTableName(table);
  const QString period = AttendancePeriodColumn(table);
  return QStringLiteral(
             "CREATE TABLE %1 (%2 VARCHAR(100), %3 DATETIME, %4 VARCHAR(100), %5 VARCHAR(100), %6 "
             "VARCHAR(100), "
             "%7 VARCHAR(100), %8 VARCHAR(100), %9 VARCHAR(100), %10 VARCHAR(100), %11 VARCHAR(10), "
             "%12 VARCHAR(100), %13 VARCHAR(100), PRIMARY KEY (%14, %15, %16, %17))")
      .arg(name, "stdkey", "attdate", period, "reason", "excused", "absent", "tardy", "truant")
      .arg("discipline", "header", "oldcode", "newcode", "stdkey", "attdate", period, "header");
}

// The rows the change query selects; the index holds only them, so sending costs what changed.
const char *kUnsentCondition = "newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)";

QString unsentIndexSql(AttendanceTable table) {
  const QString name = AttendanceTableName(table);
  return QStringLiteral("CREATE INDEX IF NOT EXISTS %1_UNSENT ON %1 (header) WHERE %2")
      .arg(name, QLatin1String(kUnsentCondition));
}

// Cached values keep no single quotes: the cache has always been written without them.
QByteArray stored(const QString &text) {
  QByteArray utf8 = text.toUtf8();
  utf8.replace('\'', QByteArray());
  return utf8;
}

QByteArray storedDate(const QDate &date) {
  return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() : QByteArray();
}

// Failures that concern one row; anything else (full disk, I/O, corruption) stops the merge.
bool isRowFailure(const sqlite::SqlError &error) {
  switch (error.PrimaryCode()) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      return true;
    default:
      return false;
  }
}

bool sameText(const sqlite::Query &query, int column, const QByteArray &value) {
  return !query.IsNullColumn(column) && query.Utf8Column(column) == value;
}

// "YYYY-MM-DD" then, from character 11, "HH:NN:SS.LLL" (milliseconds optional).
QDateTime parseIsoDateTime(const QString &text) {
  const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
  const QString timeText = text.mid(11).trimmed();
  QTime time = QTime::fromString(timeText, QStringLiteral("HH:mm:ss.zzz"));
  if (!time.isValid()) time = QTime::fromString(timeText, QStringLiteral("HH:mm:ss"));
  if (!date.isValid() || !time.isValid()) return QDateTime();
  return QDateTime(date, time);
}

}  // namespace

struct AttendanceCache::Impl {
  struct TableStatements {
    std::unique_ptr<sqlite::Query> lookup;
    std::unique_ptr<sqlite::Query> update;
    std::unique_ptr<sqlite::Query> insert;
  };

  sqlite::Database database;
  std::map<AttendanceTable, TableStatements> statements;
  std::map<AttendanceTable, QDate> pendingBlanks;
  std::optional<AttendanceTable> merging;
  std::optional<QDate> mergeBlank;
  std::vector<long long> seenRowIds;
  bool sending = false;

  TableStatements &statementsFor(AttendanceTable table) {
    TableStatements &set = statements[table];
    if (set.lookup) return set;
    const QString name = AttendanceTableName(table);
    const QString period = AttendancePeriodColumn(table);
    set.lookup = std::make_unique<sqlite::Query>(
        database, QStringLiteral("SELECT rowid, newcode, excused, absent, tardy, truant, discipline FROM %1 "
                                 "WHERE stdkey=?1 AND attdate=?2 AND %2=?3 AND header=?4")
                      .arg(name, period));
    set.update = std::make_unique<sqlite::Query>(
        database, QStringLiteral("UPDATE %1 SET newcode=?1, excused=?2, absent=?3, tardy=?4, truant=?5, "
                                 "discipline=?6 WHERE rowid=?7")
                      .arg(name));
    set.insert = std::make_unique<sqlite::Query>(
        database,
        QStringLiteral("INSERT INTO %1 (stdkey, attdate, reason, excused, absent, tardy, truant, "
                       "discipline, %2, header, newcode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                       "?10, ?11)")
            .arg(name, period));
    return set;
  }

  void forgetStatements() { statements.clear(); }

  // Blanks every row dated from `from` on whose rowid was not merged in this run.
  void applyBlank(AttendanceTable table, const QDate &from, const std::vector<long long> *seen) {
    const QString name = AttendanceTableName(table);
    const QByteArray fromText = storedDate(from);
    if (seen == nullptr || seen->empty()) {
      sqlite::Query blank(database, QStringLiteral("UPDATE %1 SET newcode='' WHERE attdate >= ?1 AND "
                                                   "newcode IS NOT ''")
                                        .arg(name));
      blank.Bind(1, fromText);
      blank.Step();
      return;
    }
    std::vector<long long> stale;
    {
      sqlite::Query scan(
          database,
          QStringLiteral("SELECT rowid FROM %1 WHERE attdate >= ?1 AND newcode IS NOT ''").arg(name));
      scan.Bind(1, fromText);
      while (scan.Step()) {
        const long long rowId = scan.Int64Column(0);
        if (!std::binary_search(seen->begin(), seen->end(), rowId)) stale.push_back(rowId);
      }
    }
    sqlite::Query blank(database, QStringLiteral("UPDATE %1 SET newcode='' WHERE rowid=?1").arg(name));
    for (long long rowId : stale) {
      blank.Bind(1, rowId);
      blank.Step();
      blank.Reset();
    }
  }

  void flushPendingBlank(AttendanceTable table) {
    auto pending = pendingBlanks.find(table);
    if (pending == pendingBlanks.end()) return;
    const QDate from = pending->second;
    pendingBlanks.erase(pending);
    applyBlank(table, from, nullptr);
  }

  void flushAllPendingBlanks() {
    while (!pendingBlanks.empty()) flushPendingBlank(pendingBlanks.begin()->first);
  }
};

AttendanceCache::AttendanceCache(BridgeTaskBase &task) : impl_(std::make_unique<Impl>()), task_(task) {}

AttendanceCache::~AttendanceCache() {
  try {
    Close();
  } catch (...) {
    // Closing on destruction must not throw; SQLite rolls back what was not committed.
  }
}

bool AttendanceCache::Open(const QString &folderIn, const QString &importFolder) {
  QString folder = folderIn;
  if (!QDir(folder).exists()) {
    task_.Log(kWarning, "Folder does not exist" + folder + " trying: " + importFolder, kSetDatabase);
    folder = importFolder;
  }
  const QString attendanceFolder = QDir(folder).filePath(QStringLiteral("Attendance"));
  const QString path = QDir(attendanceFolder).filePath(QStringLiteral("Attendance.db"));
  try {
    if (!QDir().mkpath(attendanceFolder)) throw XException("Could not create the folder " + attendanceFolder);
    databasePath_ = path;
    if (impl_->database.IsOpen()) return true;
    impl_->database.Open(path, QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // Reading the schema proves the file is a SQLite database before anything is written to it.
    try {
      impl_->database.Execute(QStringLiteral("SELECT count(*) FROM sqlite_master"));
      impl_->database.Execute(QString::fromLatin1(kPragmas));
    } catch (...) {
      impl_->database.Close();
      throw;
    }
    return true;
  } catch (const XException &e) {
    task_.Log(kError, "Set Database: " + e.Text(), kSetDatabase);
    task_.Log(kError, "Tried to set: " + folderIn + " tried: " + path, kSetDatabase);
    return false;
  }
}

bool AttendanceCache::IsOpen() const {
  return impl_->database.IsOpen();
}

void AttendanceCache::Close() {
  if (!impl_->database.IsOpen()) return;
  if (impl_->sending) RollbackSent();
  if (impl_->merging) FinishMerge();
  try {
    impl_->flushAllPendingBlanks();
  } catch (const XException &e) {
    task_.Log(kError, "Attendance: Blank New Codes: " + e.Text(), kStartAttTable);
  }
  impl_->forgetStatements();
  impl_->database.Close();
}

void AttendanceCache::CreateTable(AttendanceTable table) {
  try {
    impl_->database.Execute(createTableSql(table));
  } catch (const XException &e) {
    task_.Log(kDebug, "Attendance: Create Table Failed: " + e.Text(), kStartAttTable);
  }
  impl_->database.Execute(unsentIndexSql(table));
}

bool AttendanceCache::TableExists(AttendanceTable table) {
  sqlite::Query query(impl_->database,
                      QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1"));
  query.Bind(1, AttendanceTableName(table));
  return query.Step();
}

void AttendanceCache::BlankNewCode(AttendanceTable table, const QDate &from) {
  const QString shown = from.isValid() ? from.toString(QStringLiteral("yyyy-MM-dd")) : QString();
  task_.Log(
      kProprietary,
      QStringLiteral("UPDATE %1 SET newcode='' WHERE attdate >= '%2'").arg(AttendanceTableName(table), shown),
      kStartAttTable);
  if (impl_->merging == table) {
    impl_->mergeBlank = from;
    return;
  }
  impl_->pendingBlanks[table] = from;
}

void AttendanceCache::BeginMerge(AttendanceTable table) {
  if (impl_->merging) throw XException(QStringLiteral("Attendance: a merge is already in progress"));
  impl_->statementsFor(table);
  impl_->database.Execute(QString::fromLatin1(kMergeSavepoint));
  impl_->merging = table;
  impl_->seenRowIds.clear();
  impl_->mergeBlank.reset();
  auto pending = impl_->pendingBlanks.find(table);
  if (pending != impl_->pendingBlanks.end()) {
    impl_->mergeBlank = pending->second;
    impl_->pendingBlanks.erase(pending);
  }
  mergedWrites_ = 0;
  mergedUnchanged_ = 0;
}

bool AttendanceCache::IsMerging() const {
  return impl_->merging.has_value();
}

void AttendanceCache::MergeRow(const AttendanceCacheRow &row) {
  if (!impl_->merging) throw XException(QStringLiteral("Attendance: no merge in progress"));
  Impl::TableStatements &set = impl_->statementsFor(*impl_->merging);
  const QByteArray stdkey = stored(row.stdkey);
  const QByteArray attdate = storedDate(row.attdate);
  const QByteArray period = stored(row.period);
  const QByteArray header = stored(row.header);
  const QByteArray values[6] = {stored(row.code),  stored(row.excused), stored(row.absent),
                                stored(row.tardy), stored(row.truant),  stored(row.discipline)};
  const bool trackSeen = impl_->mergeBlank.has_value();

  long long rowId = 0;
  bool found = false;
  bool unchanged = false;
  try {
    sqlite::Query &lookup = *set.lookup;
    lookup.Bind(1, stdkey);
    lookup.Bind(2, attdate);
    lookup.Bind(3, period);
    lookup.Bind(4, header);
    found = lookup.Step();
    if (found) {
      rowId = lookup.Int64Column(0);
      unchanged = true;
      for (int i = 0; i < 6 && unchanged; ++i) unchanged = sameText(lookup, i + 1, values[i]);
    }
    lookup.Reset();
    if (found && !unchanged) {
      sqlite::Query &update = *set.update;
      for (int i = 0; i < 6; ++i) update.Bind(i + 1, values[i]);
      update.Bind(7, rowId);
      update.Step();
      update.Reset();
    }
  } catch (const sqlite::SqlError &e) {
    set.lookup->Reset();
    set.update->Reset();
    if (!isRowFailure(e)) throw;
    task_.Log(kDebug, "Attendance: Update Row: " + e.Text(), kWriteAttendance);
    return;
  }
  if (found) {
    if (unchanged) {
      ++mergedUnchanged_;
    } else {
      ++mergedWrites_;
    }
    if (trackSeen) impl_->seenRowIds.push_back(rowId);
    return;
  }
  try {
    sqlite::Query &insert = *set.insert;
    insert.Bind(1, stdkey);
    insert.Bind(2, attdate);
    insert.Bind(3, stored(row.reason));
    for (int i = 1; i < 6; ++i) insert.Bind(i + 3, values[i]);
    insert.Bind(9, period);
    insert.Bind(10, header);
    insert.Bind(11, values[0]);
    insert.Step();
    insert.Reset();
  } catch (const sqlite::SqlError &e) {
    set.insert->Reset();
    if (!isRowFailure(e)) throw;
    task_.Log(kDebug, "Attendance: Insert Row: " + e.Text(), kWriteAttendance);
    return;
  }
  ++mergedWrites_;
  if (trackSeen) impl_->seenRowIds.push_back(impl_->database.LastInsertRowId());
}

void AttendanceCache::FinishMerge() {
  if (!impl_->merging) return;
  const AttendanceTable table = *impl_->merging;
  impl_->merging.reset();
  std::optional<QDate> blank = impl_->mergeBlank;
  impl_->mergeBlank.reset();
  std::vector<long long> seen;
  seen.swap(impl_->seenRowIds);
  try {
    if (blank) {
      std::sort(seen.begin(), seen.end());
      impl_->applyBlank(table, *blank, &seen);
    }
    impl_->database.Execute(QStringLiteral("RELEASE attendance_merge"));
  } catch (...) {
    // Keep what was merged; a failed release leaves the transaction to SQLite's rollback.
    try {
      impl_->database.Execute(QStringLiteral("RELEASE attendance_merge"));
    } catch (...) {
    }
    throw;
  }
}

bool AttendanceCache::IsStale(const QString &element) {
  return IsStale(element, QDateTime::currentDateTime());
}

bool AttendanceCache::IsStale(const QString &element, const QDateTime &now) {
  task_.Log(
      kProprietary,
      QStringLiteral("UpdateConfig Query: SELECT UPDATED FROM UPDATECONFIG WHERE ELEMENT='%1'").arg(element),
      kIsCacheStale);
  try {
    sqlite::Query query(impl_->database, QStringLiteral("SELECT UPDATED FROM UPDATECONFIG WHERE ELEMENT=?1"));
    query.Bind(1, element);
    QString updated;
    bool any = false;
    while (query.Step()) {
      any = true;
      updated = query.StringColumn(QStringLiteral("UPDATED"));
    }
    if (!any) return true;
    const QDateTime when = parseIsoDateTime(updated);
    if (!when.isValid()) return true;
    return now > when.addSecs(12 * 3600);
  } catch (const XException &e) {
    task_.Log(kDebug, "Check SQLite Update Date: " + e.Text(), kIsCacheStale);
    return true;
  }
}

void AttendanceCache::DropTable(AttendanceTable table) {
  if (!IsStale(AttendanceTableName(table))) return;
  try {
    impl_->pendingBlanks.erase(table);
    impl_->statements.erase(table);
    impl_->database.Execute("DROP TABLE " + AttendanceTableName(table));
  } catch (const XException &e) {
    task_.Log(kWarning, "Failed to Drop table: " + e.Text(), kDropTable);
  }
}

bool AttendanceCache::DeleteDatabase(const QString &importFolder) {
  try {
    Close();
  } catch (const XException &e) {
    task_.Log(kDebug, "Attendance: Close: " + e.Text(), kDeleteDatabase);
  }
  const QString path = QDir(QDir(importFolder).filePath(QStringLiteral("Attendance")))
                           .filePath(QStringLiteral("Attendance.db"));
  // A journal left by a killed run belongs to the old file and must not meet a new one.
  QFile::remove(path + QStringLiteral("-journal"));
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    task_.Log(kError, QStringLiteral("Attendance: Database could not be deleted"), kDeleteDatabase);
    return false;
  }
  return true;
}

void AttendanceCache::BeginSending() {
  if (impl_->sending) return;
  impl_->database.Execute(QString::fromLatin1(kSendSavepoint));
  impl_->sending = true;
}

bool AttendanceCache::IsSending() const {
  return impl_->sending;
}

long long AttendanceCache::SendChanges(AttendanceTable table, const QString &header,
                                       const std::function<bool(const AttendanceChange &)> &write) {
  impl_->flushPendingBlank(table);
  const QString name = AttendanceTableName(table);
  const QString period = AttendancePeriodColumn(table);
  const bool withUnnamed = header == QLatin1String("AttTimeFrameRef");
  const QString headerCondition =
      withUnnamed ? QStringLiteral("(header = ?1 OR header = '')") : QStringLiteral("header = ?1");
  sqlite::Query changes(
      impl_->database,
      QStringLiteral("SELECT rowid, stdkey, attdate, reason, excused, absent, tardy, truant, "
                     "discipline, %1, newcode FROM %2 WHERE %3 AND %4")
          .arg(period, name, QLatin1String(kUnsentCondition), headerCondition));
  changes.Bind(1, header);
  task_.Log(kProprietary, "Attendance Query: " + changes.Sql(),
            QStringLiteral("DataAccessBase::SendChanges"));

  // Marks are applied after the read: updating rows under a running scan of their own index is
  // not safe in SQLite.
  std::vector<std::pair<long long, QByteArray>> marks;
  long long read = 0;
  while (changes.Step()) {
    ++read;
    AttendanceChange change{changes.StringColumn(1),  changes.StringColumn(2), changes.StringColumn(9),
                            changes.StringColumn(10), changes.StringColumn(3), changes.StringColumn(4),
                            changes.StringColumn(5),  changes.StringColumn(6), changes.StringColumn(7),
                            changes.StringColumn(8)};
    if (write(change)) marks.emplace_back(changes.Int64Column(0), changes.Utf8Column(10));
  }
  changes.Finalize();
  if (marks.empty()) return read;

  BeginSending();
  sqlite::Query mark(impl_->database,
                     QStringLiteral("UPDATE %1 SET oldcode=newcode WHERE rowid=?1 AND newcode=?2").arg(name));
  for (const auto &[rowId, code] : marks) {
    mark.Bind(1, rowId);
    mark.Bind(2, code);
    mark.Step();
    mark.Reset();
  }
  return read;
}

void AttendanceCache::CommitSent() {
  if (!impl_->sending) return;
  impl_->database.Execute(QStringLiteral("RELEASE attendance_send"));
  impl_->sending = false;
}

void AttendanceCache::RollbackSent() {
  if (!impl_->sending) return;
  impl_->sending = false;
  impl_->database.Execute(QStringLiteral("ROLLBACK TO attendance_send; RELEASE attendance_send"));
}

sqlite::Database &AttendanceCache::Database() {
  return impl_->database;
}
