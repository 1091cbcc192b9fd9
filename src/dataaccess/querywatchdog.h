// The query time-out, enforced on the client. Some drivers (the SQLite 3 driver among them) ignore
// the ODBC query time-out attribute; a statement still running when its time is up is cancelled
// from a second thread with SQLCancel, which every driver supports, so a query never hangs a run.
#pragma once

#include <sql.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QueryWatchdog {
 public:
  // Starts watching the statement; seconds <= 0 watches nothing.
  QueryWatchdog(SQLHSTMT statement, int seconds);
  // Stops watching: once it returns, the statement is never cancelled and may be freed.
  ~QueryWatchdog();
  QueryWatchdog(const QueryWatchdog &) = delete;
  QueryWatchdog &operator=(const QueryWatchdog &) = delete;

  // True when the time ran out and the statement was cancelled.
  bool Fired() const { return fired_; }
  int Seconds() const { return seconds_; }

 private:
  void watch(SQLHSTMT statement);

  int seconds_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::atomic<bool> fired_ = false;
  std::thread thread_;
};
