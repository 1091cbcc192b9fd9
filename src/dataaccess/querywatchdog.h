// The query time-out, enforced on the client for each call that waits on the database (execution,
// every fetch): a call still running when its time is up is cancelled from a second thread with
// SQLCancel, which every driver supports (some, like SQLite's, ignore the ODBC time-out attribute).
#pragma once

#include <sql.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class QueryWatchdog {
 public:
  // Starts the watch over the statement's calls; seconds <= 0 watches nothing.
  QueryWatchdog(SQLHSTMT statement, int seconds);
  // Stops watching: once it returns, the statement is never cancelled and may be freed.
  ~QueryWatchdog();
  QueryWatchdog(const QueryWatchdog &) = delete;
  QueryWatchdog &operator=(const QueryWatchdog &) = delete;

  // Makes one driver call with the time-out counted from its start.
  template <typename Call>
  SQLRETURN Watch(Call call) {
    if (!thread_.joinable()) return call();
    begin();
    struct End {
      QueryWatchdog *watchdog;
      ~End() { watchdog->end(); }
    } end{this};
    return call();
  }

  // True when the last watched call ran out of time and was cancelled.
  bool Fired() const { return fired_; }
  int Seconds() const { return seconds_; }

 private:
  using Clock = std::chrono::steady_clock;
  void begin();
  void end();
  void watch(SQLHSTMT statement);

  int seconds_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  bool calling_ = false;  // a watched call is running
  uint64_t call_ = 0;     // the number of the latest watched call
  Clock::time_point deadline_;
  bool idle_ = false;  // the watch waits for a call, not for a deadline
  std::atomic<bool> fired_ = false;
  std::thread thread_;
};
