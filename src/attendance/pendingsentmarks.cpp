// The pending marks of sent attendance rows, kept in two tables of the cache: the rows (table name,
// rowid, code sent) and the file that carries them.
#include "pendingsentmarks.h"

#include <QFileInfo>

#include "database.h"
#include "query.h"

namespace {
const QString kRowsTable = QStringLiteral("ATTENDANCE_SENT_PENDING");
const QString kFileTable = QStringLiteral("ATTENDANCE_SENT_FILES");

bool tableExists(sqlite::Database &database, const QString &name) {
  sqlite::Query exists(database,
                       QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1"));
  exists.Bind(1, name);
  return exists.Step();
}
}  // namespace

PendingSentMarks::PendingSentMarks(sqlite::Database &database) : database_(database) {}

PendingSentMarks::~PendingSentMarks() = default;

bool PendingSentMarks::tablesExist() {
  return tableExists(database_, kFileTable);
}

void PendingSentMarks::Begin() {
  if (IsActive()) return;
  database_.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename TEXT, rid INTEGER, code TEXT); "
                                   "CREATE TABLE IF NOT EXISTS %2 (workfile TEXT, finalfile TEXT)")
                        .arg(kRowsTable, kFileTable));
  database_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
  try {
    clear();
  } catch (...) {
    database_.RollbackIfOpen();
    throw;
  }
  state_ = State::Sending;
  insert_ = std::make_unique<sqlite::Query>(
      database_, QStringLiteral("INSERT INTO %1 (tablename, rid, code) VALUES (?1, ?2, ?3)").arg(kRowsTable));
}

void PendingSentMarks::Add(AttendanceTable table, long long rowId, std::string_view code) {
  insert_->Bind(1, AttendanceTableName(table));
  insert_->Bind(2, rowId);
  insert_->BindStatic(3, code);
  insert_->Step();
  insert_->Reset();
}

void PendingSentMarks::Prepare(const QString &workingPath, const QString &finalPath) {
  if (state_ != State::Sending) return;
  sqlite::Query file(database_,
                     QStringLiteral("INSERT INTO %1 (workfile, finalfile) VALUES (?1, ?2)").arg(kFileTable));
  file.Bind(1, workingPath);
  file.Bind(2, finalPath);
  file.Step();
  database_.Execute(QStringLiteral("COMMIT"));
  state_ = State::Prepared;
}

void PendingSentMarks::Commit() {
  if (!IsActive()) return;
  if (IsPrepared()) database_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
  try {
    apply();
    clear();
    database_.Execute(QStringLiteral("COMMIT"));
  } catch (...) {
    database_.RollbackIfOpen();
    end();
    throw;
  }
  end();
}

void PendingSentMarks::RollBack() {
  if (!IsActive()) return;
  const bool prepared = IsPrepared();
  end();
  if (!prepared) {
    database_.RollbackIfOpen();
    return;
  }
  // The caller knows the file was not published; a file found under its final name now may belong to
  // someone else, so the marks are not settled by the files here.
  database_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
  try {
    clear();
    database_.Execute(QStringLiteral("COMMIT"));
  } catch (...) {
    database_.RollbackIfOpen();
    throw;
  }
}

void PendingSentMarks::Detach() {
  if (IsPrepared()) end();
}

void PendingSentMarks::end() {
  state_ = State::Idle;
  insert_.reset();
}

// oldcode takes the code that was sent, unless the row's code has moved on since. A table filled
// from empty is sent without its index of unsent rows; it is built once the sent rows left it.
void PendingSentMarks::apply() {
  for (AttendanceTable table : {AttendanceTable::Daily, AttendanceTable::Period}) {
    const QString name = AttendanceTableName(table);
    if (!tableExists(database_, name)) continue;
    sqlite::Query mark(database_,
                       QStringLiteral("UPDATE %1 SET oldcode = p.code FROM %2 AS p WHERE p.tablename = ?1 "
                                      "AND %1.rowid = p.rid AND %1.newcode = p.code")
                           .arg(name, kRowsTable));
    mark.Bind(1, name);
    mark.Step();
    database_.Execute(UnsentIndexSql(table));
  }
}

void PendingSentMarks::clear() {
  database_.Execute(QStringLiteral("DELETE FROM %1; DELETE FROM %2").arg(kRowsTable, kFileTable));
}

// Applied when the file exists under its final name and its working copy is gone: it was renamed.
// A working copy that is gone without a published file was removed, not published; one still there
// was never renamed, whatever holds the final name.
void PendingSentMarks::Recover() {
  if (!tablesExist()) return;
  QString workfile;
  QString finalfile;
  {
    sqlite::Query file(database_, QStringLiteral("SELECT workfile, finalfile FROM %1").arg(kFileTable));
    if (file.Step()) {
      workfile = file.StringColumn(0);
      finalfile = file.StringColumn(1);
    }
  }
  const bool published = !workfile.isEmpty() && !finalfile.isEmpty() && QFileInfo::exists(finalfile) &&
                         !QFileInfo::exists(workfile);
  database_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
  try {
    if (published) apply();
    clear();
    database_.Execute(QStringLiteral("COMMIT"));
  } catch (...) {
    database_.RollbackIfOpen();
    throw;
  }
}

QStringList PendingSentMarks::NamedWorkingCopies(sqlite::Database &database) {
  QStringList paths;
  if (!tableExists(database, kFileTable)) return paths;
  sqlite::Query files(database, QStringLiteral("SELECT workfile FROM %1").arg(kFileTable));
  while (files.Step()) paths << files.StringColumn(0);
  return paths;
}

void PendingSentMarks::ForgetTable(AttendanceTable table) {
  if (IsActive() || !tablesExist()) return;
  sqlite::Query forget(database_, QStringLiteral("DELETE FROM %1 WHERE tablename=?1").arg(kRowsTable));
  forget.Bind(1, AttendanceTableName(table));
  forget.Step();
}
