// The attendance cache on SQLite: tables, merging marks, blanking, the stale check and the export
// of changed rows with their marks held in one transaction until the caller's file is published.
#include "attendancecache.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "bridgetaskbase.h"
#include "database.h"
#include "loglevels.h"
#include "pendingsentmarks.h"
#include "query.h"
#include "sqlerror.h"
#include "xdatetime.h"
#include "xexception.h"

namespace {

const QString kSetDatabase = QStringLiteral("PDEWriter::SetAttendanceDatabase");
const QString kStartAttTable = QStringLiteral("PDEWriter::StartAttTable");
const QString kWriteAttendance = QStringLiteral("PDEWriter::WriteAttendanceTable");
const QString kIsCacheStale = QStringLiteral("PDEWriter::IsCacheStale");
const QString kDropTable = QStringLiteral("PDEWriter::DropAttendanceTable");
const QString kDeleteDatabase = QStringLiteral("PDEWriter::DeleteAttendanceDatabase");

// Rows that wait to be written in key order. The larger the chunk, the more of a student's marks
// one range read of the stored rows serves; about 25 MB of waiting rows at this size.
constexpr size_t kChunkRows = 262144;
// Rows inserted by one statement when filling an empty table.
constexpr size_t kInsertBatchRows = 32;
// A chunk's text stays far below the 4 GB its 32-bit offsets reach.
constexpr size_t kChunkTextBytes = size_t(64) << 20;

const char *kMergeSavepoint = "SAVEPOINT attendance_merge";

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

// Cached values keep no single quotes: the cache has always been written without them.
QByteArray stored(const QString &text) {
  QByteArray utf8 = text.toUtf8();
  utf8.replace('\'', QByteArray());
  return utf8;
}

// The same into a reused buffer, without allocating for the usual ASCII values.
void appendStored(const QString &text, std::string &out) {
  const size_t start = out.size();
  for (const QChar ch : text) {
    const char16_t unit = ch.unicode();
    if (unit >= 0x80) {
      out.resize(start);
      const QByteArray utf8 = stored(text);
      out.append(utf8.constData(), size_t(utf8.size()));
      return;
    }
    if (unit != u'\'') out.push_back(char(unit));
  }
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

bool sameText(const sqlite::Query &query, int column, std::string_view value) {
  return !query.IsNullColumn(column) && query.TextView(column) == value;
}

// UPDATED as the cache stores it, "YYYY-MM-DD HH:NN:SS.LLL"; invalid when it does not read.
QDateTime parseUpdated(const QString &text) {
  XDateTime updated;
  if (!updated.ParseIso(text)) return QDateTime();
  return updated.ToQDateTime();
}

// The rowids a merge wrote or found unchanged. Cache rowids are dense, so a bitmap holds them in a
// bit each; rowids beyond what a bitmap should cover go to a sorted list.
class RowIdSet {
 public:
  void Add(long long rowId) {
    ++count_;
    if (rowId >= 0 && rowId < kDenseLimit) {
      if (size_t(rowId) >= bitmap_.size()) bitmap_.resize(std::max(size_t(rowId) + 1, bitmap_.size() * 2));
      bitmap_[size_t(rowId)] = true;
    } else {
      sparse_.push_back(rowId);
    }
  }
  bool Empty() const { return count_ == 0; }
  void Seal() { std::sort(sparse_.begin(), sparse_.end()); }
  bool Contains(long long rowId) const {
    if (rowId >= 0 && rowId < kDenseLimit) return size_t(rowId) < bitmap_.size() && bitmap_[size_t(rowId)];
    return std::binary_search(sparse_.begin(), sparse_.end(), rowId);
  }
  void Clear() {
    count_ = 0;
    std::vector<bool>().swap(bitmap_);
    std::vector<long long>().swap(sparse_);
  }

 private:
  static constexpr long long kDenseLimit = 1LL << 28;  // at most 32 MB of bits
  std::vector<bool> bitmap_;
  std::vector<long long> sparse_;
  size_t count_ = 0;
};

}  // namespace

// One row's values as bound to the merge statements: offsets into the chunk's shared text, so a
// waiting row costs no allocation of its own.
struct AttendanceCache::RowBuffers {
  const std::string *text = nullptr;
  uint32_t begin = 0;
  // Where stdkey, attdate, period, header, reason, newcode, excused, absent, tardy, truant and
  // discipline end in text.
  uint32_t ends[11] = {};

  std::string_view Field(int index) const {
    const uint32_t start = index == 0 ? begin : ends[index - 1];
    return std::string_view(*text).substr(start, ends[index] - start);
  }
  std::string_view Value(int index) const { return Field(5 + index); }
  auto Key() const { return std::make_tuple(Field(0), Field(1), Field(2), Field(3)); }
};

// The marks of one key that come one after another in a sorted chunk. Inserting the first and
// updating it with each later one leaves one stored row: the first mark's key and reason with the
// last mark's code columns, which is the row this stands for.
struct AttendanceCache::KeyMarks {
  const RowBuffers *const *marks = nullptr;  // in the order they came
  size_t count = 0;
  long long changes = 0;    // later marks whose code columns differ from the mark before
  long long unchanged = 0;  // later marks that repeat the mark before

  std::string_view Field(int index) const { return marks[0]->Field(index); }
  std::string_view Value(int index) const { return marks[count - 1]->Value(index); }
};

// The rows of one student already stored between two dates, read with one range query so that the
// marks of that student are compared in memory instead of looked up one by one.
struct AttendanceCache::StoredGroup {
  struct Row {
    long long rowId = 0;
    uint32_t begin = 0;
    // Where attdate, period, header, newcode, excused, absent, tardy, truant and discipline end.
    uint32_t ends[9] = {};
    unsigned nullValues = 0;  // bit i: value i (newcode ... discipline) is NULL
  };
  std::string text;
  std::vector<Row> rows;

  std::string_view Field(const Row &row, int index) const {
    const uint32_t start = index == 0 ? row.begin : row.ends[index - 1];
    return std::string_view(text).substr(start, row.ends[index] - start);
  }
  auto Key(const Row &row) const { return std::make_tuple(Field(row, 0), Field(row, 1), Field(row, 2)); }

  void Read(sqlite::Query &range, std::string_view stdkey, std::string_view from, std::string_view to) {
    text.clear();
    rows.clear();
    range.BindStatic(1, stdkey);
    range.BindStatic(2, from);
    range.BindStatic(3, to);
    try {
      while (range.Step()) {
        Row &row = rows.emplace_back();
        row.rowId = range.Int64Column(0);
        row.begin = uint32_t(text.size());
        for (int i = 0; i < 9; ++i) {
          if (i >= 3 && range.IsNullColumn(i + 1)) row.nullValues |= 1u << (i - 3);
          text.append(range.TextView(i + 1));
          row.ends[i] = uint32_t(text.size());
        }
      }
    } catch (...) {
      range.Reset();
      throw;
    }
    range.Reset();
    std::sort(rows.begin(), rows.end(),
              [this](const Row &left, const Row &right) { return Key(left) < Key(right); });
  }

  const Row *Find(const RowBuffers &mark) const {
    const auto key = std::make_tuple(mark.Field(1), mark.Field(2), mark.Field(3));
    auto found = std::lower_bound(rows.begin(), rows.end(), key,
                                  [this](const Row &row, const auto &wanted) { return Key(row) < wanted; });
    if (found == rows.end() || Key(*found) != key) return nullptr;
    return &*found;
  }

  bool Unchanged(const Row &row, const RowBuffers &mark) const {
    for (int i = 0; i < 6; ++i)
      if ((row.nullValues & (1u << i)) || Field(row, 3 + i) != mark.Value(i)) return false;
    return true;
  }
};

struct AttendanceCache::Impl {
  struct TableStatements {
    std::unique_ptr<sqlite::Query> lookup;
    std::unique_ptr<sqlite::Query> update;
    std::unique_ptr<sqlite::Query> insert;
    std::unique_ptr<sqlite::Query> studentRange;
    std::unique_ptr<sqlite::Query> insertBatch;  // kInsertBatchRows rows in one statement
  };

  sqlite::Database database;
  std::map<AttendanceTable, TableStatements> statements;
  std::map<AttendanceTable, QDate> pendingBlanks;
  std::optional<AttendanceTable> merging;
  std::optional<QDate> mergeBlank;
  RowIdSet seenRowIds;
  // The table had no rows when the merge began: rows go in by batches, without a lookup, unless a
  // batch cannot go in whole.
  bool freshTable = false;
  // Merging into an empty table drops the index of unsent rows, which would then list every row:
  // the rows are sent in key order and marked without it, and marking them builds it over the few
  // rows left unsent (or the table's next start does). A merge that fails builds it again at once.
  std::optional<AttendanceTable> unsentIndexDropped;

  void restoreUnsentIndex() {
    if (!unsentIndexDropped) return;
    const AttendanceTable table = *unsentIndexDropped;
    unsentIndexDropped.reset();
    database.Execute(UnsentIndexSql(table));
  }
  // Rows handed to the caller for the file being written, marked only once that file is published.
  PendingSentMarks pending{database};

  // Rows wait in a chunk and are written in key order, so that the key index is walked forward
  // instead of at random; rows with the same key keep the order in which they came.
  std::vector<RowBuffers> chunk;
  std::string chunkText;
  StoredGroup storedGroup;
  QDate lastDate;
  std::string lastDateText;

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
    set.studentRange = std::make_unique<sqlite::Query>(
        database,
        QStringLiteral("SELECT rowid, attdate, %2, header, newcode, excused, absent, tardy, truant, "
                       "discipline FROM %1 WHERE stdkey=?1 AND attdate>=?2 AND attdate<=?3")
            .arg(name, period));
    const QString insertInto = QStringLiteral(
                                   "INSERT INTO %1 (stdkey, attdate, reason, excused, absent, tardy, truant, "
                                   "discipline, %2, header, newcode) VALUES ")
                                   .arg(name, period);
    set.insert = std::make_unique<sqlite::Query>(
        database, insertInto + QStringLiteral("(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"));
    QStringList batchRows;
    for (size_t i = 0; i < kInsertBatchRows; ++i)
      batchRows << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    set.insertBatch =
        std::make_unique<sqlite::Query>(database, insertInto + batchRows.join(QStringLiteral(", ")));
    return set;
  }

  void forgetStatements() { statements.clear(); }

  // Blanks every row dated from `from` on whose rowid was not merged in this run.
  void applyBlank(AttendanceTable table, const QDate &from, const RowIdSet *seen) {
    const QString name = AttendanceTableName(table);
    const QByteArray fromText = storedDate(from);
    if (seen == nullptr || seen->Empty()) {
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
        if (!seen->Contains(rowId)) stale.push_back(rowId);
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
  const QString path = DatabasePathIn(folder);
  try {
    if (!QDir().mkpath(attendanceFolder)) throw XException("Could not create the folder " + attendanceFolder);
    databasePath_ = path;
    if (impl_->database.IsOpen()) return true;
    // One thread uses the connection, so SQLite's own locking of it is not needed.
    impl_->database.Open(path, QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    // Reading the schema proves the file is a SQLite database before anything is written to it.
    try {
      impl_->database.Execute(QStringLiteral("SELECT count(*) FROM sqlite_master"));
      impl_->database.Execute(QString::fromLatin1(kPragmas));
      impl_->pending.Recover();
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

QString AttendanceCache::DefaultFileName() {
  return QStringLiteral("Attendance.db");
}

QString AttendanceCache::PathIn(const QString &folder, const QString &fileName) {
  return QDir(QDir(folder).filePath(QStringLiteral("Attendance"))).filePath(fileName);
}

QString AttendanceCache::DatabasePathIn(const QString &folder) const {
  return PathIn(folder, fileName_);
}

void AttendanceCache::CloseKeepingPrepared() {
  impl_->pending.Detach();
  Close();
}

bool AttendanceCache::IsOpen() const {
  return impl_->database.IsOpen();
}

void AttendanceCache::Close() {
  if (!impl_->database.IsOpen()) return;
  RollbackSent();
  if (impl_->merging) InterruptMerge();
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
  impl_->database.Execute(UnsentIndexSql(table));
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
  impl_->seenRowIds.Clear();
  impl_->mergeBlank.reset();
  impl_->chunk.clear();
  impl_->chunkText.clear();
  impl_->lastDate = QDate();
  impl_->lastDateText.clear();
  auto pending = impl_->pendingBlanks.find(table);
  if (pending != impl_->pendingBlanks.end()) {
    impl_->mergeBlank = pending->second;
    impl_->pendingBlanks.erase(pending);
  }
  sqlite::Query any(impl_->database,
                    QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(AttendanceTableName(table)));
  impl_->freshTable = !any.Step();
  any.Finalize();
  if (impl_->freshTable) {
    // Blanking an empty table changes nothing.
    impl_->mergeBlank.reset();
    impl_->database.Execute(QStringLiteral("DROP INDEX IF EXISTS %1_UNSENT").arg(AttendanceTableName(table)));
    impl_->unsentIndexDropped = table;
  }
  mergedWrites_ = 0;
  mergedUnchanged_ = 0;
}

bool AttendanceCache::IsMerging() const {
  return impl_->merging.has_value();
}

namespace {

enum class LookupResult { NotFound, Unchanged, Updated };

// Finds the row with the buffers' key; rewrites its code columns when they differ.
LookupResult lookupAndUpdate(sqlite::Query &lookup, sqlite::Query &update, const auto &row,
                             long long &rowId) {
  lookup.BindStatic(1, row.Field(0));
  lookup.BindStatic(2, row.Field(1));
  lookup.BindStatic(3, row.Field(2));
  lookup.BindStatic(4, row.Field(3));
  if (!lookup.Step()) {
    lookup.Reset();
    return LookupResult::NotFound;
  }
  rowId = lookup.Int64Column(0);
  bool unchanged = true;
  for (int i = 0; i < 6 && unchanged; ++i) unchanged = sameText(lookup, i + 1, row.Value(i));
  lookup.Reset();
  if (unchanged) return LookupResult::Unchanged;
  for (int i = 0; i < 6; ++i) update.BindStatic(i + 1, row.Value(i));
  update.Bind(7, rowId);
  update.Step();
  update.Reset();
  return LookupResult::Updated;
}

// Binds a row's eleven insert values from parameter first + 1 on.
void bindInsert(sqlite::Query &insert, const auto &row, int first) {
  insert.BindStatic(first + 1, row.Field(0));
  insert.BindStatic(first + 2, row.Field(1));
  insert.BindStatic(first + 3, row.Field(4));
  for (int i = 1; i < 6; ++i) insert.BindStatic(first + i + 3, row.Value(i));
  insert.BindStatic(first + 9, row.Field(2));
  insert.BindStatic(first + 10, row.Field(3));
  insert.BindStatic(first + 11, row.Value(0));
}

enum class RowInsert { Written, KeyStored, Failed };

// Inserts one row. A key already stored is told apart (the caller updates it instead) when the
// caller expects it may be; any other failure of the row alone is logged and the row left out.
RowInsert insertRow(sqlite::Query &insert, const auto &row, bool keyMayBeStored, BridgeTaskBase &task) {
  try {
    bindInsert(insert, row, 0);
    insert.Step();
    insert.Reset();
    return RowInsert::Written;
  } catch (const sqlite::SqlError &e) {
    insert.Reset();
    if (keyMayBeStored && e.ResultCode() == SQLITE_CONSTRAINT_PRIMARYKEY) return RowInsert::KeyStored;
    if (!isRowFailure(e)) throw;
    task.Log(kDebug, "Attendance: Insert Row: " + e.Text(), kWriteAttendance);
    return RowInsert::Failed;
  }
}

}  // namespace

void AttendanceCache::MergeRow(const AttendanceCacheRow &input) {
  if (!impl_->merging) throw XException(QStringLiteral("Attendance: no merge in progress"));
  std::string &text = impl_->chunkText;
  RowBuffers &row = impl_->chunk.emplace_back();
  row.text = &text;
  row.begin = uint32_t(text.size());
  if (input.attdate != impl_->lastDate || impl_->lastDateText.empty() != !input.attdate.isValid()) {
    impl_->lastDate = input.attdate;
    const QByteArray date = storedDate(input.attdate);
    impl_->lastDateText.assign(date.constData(), size_t(date.size()));
  }
  const QString *texts[11] = {&input.stdkey, nullptr,       &input.period,    &input.header,
                              &input.reason, &input.code,   &input.excused,   &input.absent,
                              &input.tardy,  &input.truant, &input.discipline};
  for (int i = 0; i < 11; ++i) {
    if (texts[i] == nullptr) {
      text.append(impl_->lastDateText);
    } else {
      appendStored(*texts[i], text);
    }
    row.ends[i] = uint32_t(text.size());
  }
  if (impl_->chunk.size() >= kChunkRows || text.size() >= kChunkTextBytes) flushChunk();
}

void AttendanceCache::flushChunk() {
  const std::vector<RowBuffers> &chunk = impl_->chunk;
  std::vector<uint32_t> order(chunk.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&chunk](uint32_t left, uint32_t right) {
    return chunk[left].Key() < chunk[right].Key();
  });
  if (impl_->freshTable) {
    // Each key, with all of its marks, is one row of a batch inserted by one statement; a batch
    // that cannot go in whole is written mark by mark, which logs and leaves out the failing rows.
    std::vector<const RowBuffers *> sorted(order.size());
    for (size_t i = 0; i < order.size(); ++i) sorted[i] = &chunk[order[i]];
    std::vector<KeyMarks> batch;
    const auto insertPending = [&] {
      if (batch.size() < kInsertBatchRows || !insertBatch(batch))
        for (const KeyMarks &key : batch) writeKeyMarks(key);
      batch.clear();
    };
    for (size_t first = 0; first < sorted.size();) {
      KeyMarks key{&sorted[first], 1};
      while (first + key.count < sorted.size() && sorted[first + key.count]->Key() == sorted[first]->Key()) {
        const RowBuffers &before = *sorted[first + key.count - 1];
        const RowBuffers &mark = *sorted[first + key.count];
        bool same = true;
        for (int i = 0; i < 6 && same; ++i) same = mark.Value(i) == before.Value(i);
        ++(same ? key.unchanged : key.changes);
        ++key.count;
      }
      first += key.count;
      batch.push_back(key);
      if (batch.size() == kInsertBatchRows) insertPending();
    }
    insertPending();
  } else {
    // One student at a time: that student's stored rows within the dates of the marks are read
    // once; a key that comes again in the chunk is looked up, so it sees what its first mark wrote.
    Impl::TableStatements &set = impl_->statementsFor(*impl_->merging);
    StoredGroup &group = impl_->storedGroup;
    for (size_t first = 0; first < order.size();) {
      size_t end = first + 1;
      while (end < order.size() && chunk[order[end]].Field(0) == chunk[order[first]].Field(0)) ++end;
      group.Read(*set.studentRange, chunk[order[first]].Field(0), chunk[order[first]].Field(1),
                 chunk[order[end - 1]].Field(1));
      for (size_t i = first; i < end; ++i) {
        const bool repeated = i > first && chunk[order[i]].Key() == chunk[order[i - 1]].Key();
        writeRow(chunk[order[i]], repeated ? nullptr : &group, repeated);
      }
      first = end;
    }
  }
  impl_->chunk.clear();
  impl_->chunkText.clear();
}

bool AttendanceCache::insertBatch(const std::vector<KeyMarks> &keys) {
  sqlite::Query &insert = *impl_->statementsFor(*impl_->merging).insertBatch;
  try {
    for (size_t i = 0; i < keys.size(); ++i) bindInsert(insert, keys[i], int(i * 11));
    insert.Step();
    insert.Reset();
  } catch (const sqlite::SqlError &e) {
    // The statement left the table as it was; a row's own failure is found and logged row by row.
    insert.Reset();
    if (!isRowFailure(e)) throw;
    return false;
  }
  // Counted as if each key's first mark had been inserted and every later one compared with the
  // mark before it.
  for (const KeyMarks &key : keys) {
    mergedWrites_ += 1 + key.changes;
    mergedUnchanged_ += key.unchanged;
  }
  return true;
}

void AttendanceCache::writeKeyMarks(const KeyMarks &key) {
  writeRow(*key.marks[0], nullptr, false);
  for (size_t i = 1; i < key.count; ++i) writeRow(*key.marks[i], nullptr, true);
}

void AttendanceCache::writeRow(const RowBuffers &row, const StoredGroup *group, bool repeatedKey) {
  Impl::TableStatements &set = impl_->statementsFor(*impl_->merging);
  const bool trackSeen = impl_->mergeBlank.has_value();

  if (group) {
    // The stored row, if any, was read with the student's group: compare here, write what changed.
    if (const StoredGroup::Row *stored = group->Find(row)) {
      if (group->Unchanged(*stored, row)) {
        ++mergedUnchanged_;
      } else {
        try {
          for (int i = 0; i < 6; ++i) set.update->BindStatic(i + 1, row.Value(i));
          set.update->Bind(7, stored->rowId);
          set.update->Step();
          set.update->Reset();
        } catch (const sqlite::SqlError &e) {
          set.update->Reset();
          if (!isRowFailure(e)) throw;
          task_.Log(kDebug, "Attendance: Update Row: " + e.Text(), kWriteAttendance);
          return;
        }
        ++mergedWrites_;
      }
      if (trackSeen) impl_->seenRowIds.Add(stored->rowId);
      return;
    }
    const RowInsert inserted = insertRow(*set.insert, row, true, task_);
    if (inserted == RowInsert::Written) {
      ++mergedWrites_;
      if (trackSeen) impl_->seenRowIds.Add(impl_->database.LastInsertRowId());
    }
    if (inserted != RowInsert::KeyStored) return;
    // The key is stored in a form the range did not reach: look it up as below.
  }

  if (impl_->freshTable && !repeatedKey) {
    const RowInsert inserted = insertRow(*set.insert, row, true, task_);
    if (inserted == RowInsert::Written) ++mergedWrites_;
    if (inserted != RowInsert::KeyStored) return;
    // The key came earlier in this merge: update it as any other existing row.
  }

  long long rowId = 0;
  LookupResult result = LookupResult::NotFound;
  try {
    result = lookupAndUpdate(*set.lookup, *set.update, row, rowId);
  } catch (const sqlite::SqlError &e) {
    set.lookup->Reset();
    set.update->Reset();
    if (!isRowFailure(e)) throw;
    task_.Log(kDebug, "Attendance: Update Row: " + e.Text(), kWriteAttendance);
    return;
  }
  if (result != LookupResult::NotFound) {
    if (result == LookupResult::Unchanged) {
      ++mergedUnchanged_;
    } else {
      ++mergedWrites_;
    }
    if (trackSeen) impl_->seenRowIds.Add(rowId);
    return;
  }
  if (insertRow(*set.insert, row, false, task_) != RowInsert::Written) return;
  ++mergedWrites_;
  if (trackSeen) impl_->seenRowIds.Add(impl_->database.LastInsertRowId());
}

void AttendanceCache::FinishMerge() {
  if (!impl_->merging) return;
  const AttendanceTable table = *impl_->merging;
  try {
    flushChunk();
    std::vector<RowBuffers>().swap(impl_->chunk);
    std::string().swap(impl_->chunkText);
    impl_->unsentIndexDropped.reset();
  } catch (...) {
    impl_->chunk.clear();
    impl_->chunkText.clear();
    impl_->merging.reset();
    // Without the index the change query still answers, only slower; the next CreateTable builds it.
    try {
      impl_->restoreUnsentIndex();
    } catch (...) {
    }
    try {
      impl_->database.Execute(QStringLiteral("RELEASE attendance_merge"));
    } catch (...) {
    }
    throw;
  }
  impl_->merging.reset();
  std::optional<QDate> blank = impl_->mergeBlank;
  impl_->mergeBlank.reset();
  RowIdSet seen;
  std::swap(seen, impl_->seenRowIds);
  try {
    if (blank) {
      seen.Seal();
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

void AttendanceCache::InterruptMerge() {
  impl_->mergeBlank.reset();
  FinishMerge();
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
    const QDateTime when = parseUpdated(updated);
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
    impl_->pending.ForgetTable(table);
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
  const QString path = DatabasePathIn(importFolder);
  // A journal left by a killed run belongs to the old file and must not meet a new one.
  QFile::remove(path + QStringLiteral("-journal"));
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    task_.Log(kError, QStringLiteral("Attendance: Database could not be deleted"), kDeleteDatabase);
    return false;
  }
  return true;
}

void AttendanceCache::BeginSending() {
  if (IsSending()) return;
  impl_->flushAllPendingBlanks();
  impl_->pending.Begin();
}

bool AttendanceCache::IsSending() const {
  return impl_->pending.IsActive();
}

long long AttendanceCache::SendChanges(AttendanceTable table, const QString &header,
                                       const std::function<bool(const AttendanceChange &)> &write) {
  return SendChangeBytes(table, header, [&write](const AttendanceChangeBytes &bytes) {
    const auto text = [](std::string_view utf8) {
      return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    };
    return write(AttendanceChange{text(bytes.stdkey), text(bytes.attdate), text(bytes.period),
                                  text(bytes.code), text(bytes.reason), text(bytes.excused),
                                  text(bytes.absent), text(bytes.tardy), text(bytes.truant),
                                  text(bytes.discipline)});
  });
}

long long AttendanceCache::SendChangeBytes(AttendanceTable table, const QString &header,
                                           const std::function<bool(const AttendanceChangeBytes &)> &write) {
  BeginSending();
  if (impl_->pending.IsPrepared())
    throw XException(QStringLiteral("Attendance: the sent rows are already prepared"));
  const QString name = AttendanceTableName(table);
  const QString period = AttendancePeriodColumn(table);
  const bool withUnnamed = header == QLatin1String("AttTimeFrameRef");
  const QString headerCondition =
      withUnnamed ? QStringLiteral("(header = ?1 OR header = '')") : QStringLiteral("header = ?1");
  // In key order: the order in which rows were stored follows the order in which the school's
  // database returned them, and the update file must not.
  sqlite::Query changes(impl_->database,
                        QStringLiteral("SELECT rowid, stdkey, attdate, reason, excused, absent, "
                                       "tardy, truant, discipline, %1, newcode FROM %2 WHERE %3 AND %4 "
                                       "ORDER BY stdkey, attdate, %1, header")
                            .arg(period, name, QLatin1String(kUnsentCondition), headerCondition));
  changes.Bind(1, header);
  task_.Log(kProprietary, "Attendance Query: " + changes.Sql(),
            QStringLiteral("DataAccessBase::SendChanges"));
  long long read = 0;
  while (changes.Step()) {
    ++read;
    const AttendanceChangeBytes change{changes.TextView(1),  changes.TextView(2), changes.TextView(9),
                                       changes.TextView(10), changes.TextView(3), changes.TextView(4),
                                       changes.TextView(5),  changes.TextView(6), changes.TextView(7),
                                       changes.TextView(8)};
    if (write(change)) impl_->pending.Add(table, changes.Int64Column(0), changes.TextView(10));
  }
  return read;
}

void AttendanceCache::PrepareSent(const QString &workingPath, const QString &finalPath) {
  impl_->pending.Prepare(workingPath, finalPath);
}

void AttendanceCache::CommitSent() {
  impl_->pending.Commit();
}

void AttendanceCache::RollbackSent() {
  impl_->pending.RollBack();
}

QStringList AttendanceCache::PendingWorkingCopies(const QString &folder) {
  if (impl_->database.IsOpen()) return PendingSentMarks::NamedWorkingCopies(impl_->database);
  const QString path = DatabasePathIn(folder);
  if (!QFileInfo::exists(path)) return {};
  sqlite::Database database;
  database.Open(path, QString(), SQLITE_OPEN_READONLY);
  return PendingSentMarks::NamedWorkingCopies(database);
}

sqlite::Database &AttendanceCache::Database() {
  return impl_->database;
}
