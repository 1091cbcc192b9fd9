// The attendance cache: the SQLite file "Attendance/Attendance.db" that remembers every mark read
// and the code last sent for it, so that a run exports only the marks that changed. All statements
// are prepared once and take their values bound, never pasted into the SQL text.
//
// A run uses it in this order:
//   Open -> CreateTable -> BlankNewCode -> BeginMerge, MergeRow..., FinishMerge
//   -> BeginSending, SendChanges per header..., (caller completes and flushes the file)
//   -> PrepareSent(working copy path, final path), (caller renames the working copy)
//   -> CommitSent when the rename succeeded, RollbackSent when it did not
// Rows handed to the caller by SendChanges are marked as sent (oldcode = the code sent) only when
// the file that carries them was published. PrepareSent records the marks durably together with
// the file's working and final paths; CommitSent applies them. When a run dies in between, the next
// Open applies them only if the file exists under its final name and its working copy is gone, and
// drops them otherwise. A run that dies earlier, or calls RollbackSent, leaves the rows unmarked so
// that they are sent again: every change is sent at least once and never lost.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "attendancerow.h"

class BridgeTaskBase;

namespace sqlite {
class Database;
}

class AttendanceCache {
 public:
  // Log records go to task with the task chain's method names ("PDEWriter::StartAttTable", ...).
  explicit AttendanceCache(BridgeTaskBase &task);
  AttendanceCache(const AttendanceCache &) = delete;
  AttendanceCache &operator=(const AttendanceCache &) = delete;
  ~AttendanceCache();

  // The folder "Attendance" in folder (the import folder when folder does not exist), created when
  // missing, and "Attendance.db" in it opened read-write (created when missing), unless a database
  // is open already. False after logging "Set Database: ..." and "Tried to set: ..." on failure;
  // a file that is not a SQLite database fails here.
  bool Open(const QString &folder, const QString &importFolder);
  bool IsOpen() const;
  // Applies a pending blank, rolls back unfinished work and closes the database.
  void Close();
  // Closes the database but keeps the sent rows prepared for a file that is about to be published:
  // the next Open applies them once the file is found under its final name.
  void CloseKeepingPrepared();
  // The name of the database file in the "Attendance" folder ("Attendance.db"); a run that rebuilds
  // the cache works on a file of another name until it publishes it. Takes effect with the next Open.
  void SetFileName(const QString &name) { fileName_ = name; }
  static QString DefaultFileName();
  // The path of a database file of that name in folder's "Attendance" folder.
  static QString PathIn(const QString &folder, const QString &fileName);
  // The path of the database file in folder's "Attendance" folder under the current file name.
  QString DatabasePathIn(const QString &folder) const;
  // The path of the database file once Open has named it.
  const QString &DatabasePath() const { return databasePath_; }

  // Creates the table with its fixed CREATE TABLE text ("Attendance: Create Table Failed: ..." is
  // logged and ignored when it exists) and the index that serves the change query.
  void CreateTable(AttendanceTable table);
  bool TableExists(AttendanceTable table);

  // Every row dated from `from` on ("yyyy-mm-dd" compared as text; every row when from is invalid)
  // loses its new code. Applied with the next merge of the table, or before any other use of it, so
  // rows read again with an unchanged mark are not rewritten.
  void BlankNewCode(AttendanceTable table, const QDate &from);

  // Merging marks: one transaction for the whole merge. Each row updates newcode, excused, absent,
  // tardy, truant and discipline of the row with the same key, or is inserted with all its values;
  // single quotes are removed from every value. A row whose stored values are already those given
  // is not rewritten. Rows are collected in chunks and written in key order (rows with the same key
  // in the order they came), so the end state is that of writing them one by one. A row write that
  // fails for that row alone is logged ("Attendance: Update Row: " / "Attendance: Insert Row: ")
  // and skipped; a failure of the file itself (full disk, I/O, corruption) is thrown. FinishMerge
  // writes the last chunk, applies the pending blank and commits; call it on failures too.
  void BeginMerge(AttendanceTable table);
  void MergeRow(const AttendanceCacheRow &row);
  void FinishMerge();
  // Ends a merge that did not read all its marks: keeps what was merged but drops the blank, since
  // rows not reached are not known to be gone.
  void InterruptMerge();
  bool IsMerging() const;
  // Rows written (inserted or changed) and rows left as they were, since BeginMerge.
  long long MergedWrites() const { return mergedWrites_; }
  long long MergedUnchanged() const { return mergedUnchanged_; }

  // True when now is later than the UPDATED time of element in UPDATECONFIG plus 12 hours, when
  // there is no such row, or when the query fails ("Check SQLite Update Date: ..." logged).
  bool IsStale(const QString &element);
  bool IsStale(const QString &element, const QDateTime &now);
  // DROP TABLE when IsStale(table name); a failure is logged as "Failed to Drop table: ...".
  void DropTable(AttendanceTable table);
  // Closes the database and deletes "Attendance/Attendance.db" in importFolder (logs "Attendance:
  // Database could not be deleted" when that fails).
  bool DeleteDatabase(const QString &importFolder);

  // Sending changes. SendChanges runs the change query of one header (header "AttTimeFrameRef"
  // also takes rows stored without a header) and hands each changed row to write, in key order
  // (stdkey, attdate, period, header); rows for which
  // write returned true are remembered for marking. It returns the number of rows read. It begins
  // sending when BeginSending was not called.
  void BeginSending();
  long long SendChanges(AttendanceTable table, const QString &header,
                        const std::function<bool(const AttendanceChange &)> &write);
  // The same, each row handed over as the cache stores it, without a text made of each value.
  long long SendChangeBytes(AttendanceTable table, const QString &header,
                            const std::function<bool(const AttendanceChangeBytes &)> &write);
  // Call when the file is complete and flushed under workingPath, just before it is renamed to
  // finalPath.
  void PrepareSent(const QString &workingPath, const QString &finalPath);
  // Call once the file is published: marks the rows (oldcode = code sent, where newcode is still
  // that code). Without PrepareSent the marks are applied at once (for output that is not renamed).
  void CommitSent();
  // Forgets the rows handed over; they stay unsent. Also done by Close and destruction: a run that
  // ends without CommitSent has not seen its file published.
  void RollbackSent();
  bool IsSending() const;
  // The working copies of files whose sent rows are prepared and not yet settled, read from the
  // cache in folder ("Attendance/Attendance.db") when this one is not open; empty without a cache.
  // Throws when the cache cannot be read.
  QStringList PendingWorkingCopies(const QString &folder);

  // The connection, for tests and diagnostics.
  sqlite::Database &Database();

 private:
  struct Impl;
  struct RowBuffers;
  struct KeyMarks;
  struct StoredGroup;
  void flushChunk();
  // group: the row's student's stored rows, or none to look the row up on its own; repeatedKey: the
  // row before it in the chunk has the same key.
  void writeRow(const RowBuffers &row, const StoredGroup *group, bool repeatedKey);
  // Inserts the rows of keys (kInsertBatchRows of them) with one statement into an empty table;
  // false, with the table unchanged, when one of them cannot be inserted.
  bool insertBatch(const std::vector<KeyMarks> &keys);
  // Writes the marks of one key one by one: the first inserted, each later one updating it.
  void writeKeyMarks(const KeyMarks &key);
  std::unique_ptr<Impl> impl_;
  BridgeTaskBase &task_;
  QString databasePath_;
  QString fileName_ = DefaultFileName();
  long long mergedWrites_ = 0;
  long long mergedUnchanged_ = 0;
};
