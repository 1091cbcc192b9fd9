// The marks of attendance rows handed out for a file that is still being written: they wait in the
// cache's own tables and become "sent" (oldcode = the code sent) only once that file is published.
// Begin, Add per row, Prepare when the file is complete, then Commit once it is published or
// RollBack when it is not; Recover settles the marks of a run that ended between Prepare and Commit
// by the files: only a file found under its final name, its working copy gone, was published.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

#include "attendancerow.h"

namespace sqlite {
class Database;
class Query;
}  // namespace sqlite

class PendingSentMarks {
 public:
  explicit PendingSentMarks(sqlite::Database &database);
  ~PendingSentMarks();
  PendingSentMarks(const PendingSentMarks &) = delete;
  PendingSentMarks &operator=(const PendingSentMarks &) = delete;

  // Opens the sending transaction; marks left by an earlier run are cleared first.
  void Begin();
  bool IsActive() const { return state_ != State::Idle; }
  bool IsPrepared() const { return state_ == State::Prepared; }
  void Add(AttendanceTable table, long long rowId, std::string_view code);
  // Commits the marks with the file's names: it is complete and about to be renamed.
  void Prepare(const QString &workingPath, const QString &finalPath);
  // Applies the marks; the file is published.
  void Commit();
  // Drops the marks; the file was not published, so its rows stay unsent.
  void RollBack();
  // Marks prepared by a run that ended before committing or dropping them.
  void Recover();
  // Leaves prepared marks to Recover: their file is published after this connection closes.
  void Detach();
  // The working copies of files whose marks are prepared and not settled.
  static QStringList NamedWorkingCopies(sqlite::Database &database);
  // Forgets the marks of a table that is dropped; nothing is sent meanwhile.
  void ForgetTable(AttendanceTable table);

 private:
  enum class State { Idle, Sending, Prepared };
  bool tablesExist();
  void apply();
  void clear();
  void end();

  sqlite::Database &database_;
  State state_ = State::Idle;
  std::unique_ptr<sqlite::Query> insert_;
};
