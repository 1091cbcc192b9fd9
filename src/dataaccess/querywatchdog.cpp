// Client-side query time-out.
#include "querywatchdog.h"

#include <sqlext.h>

#include <chrono>

QueryWatchdog::QueryWatchdog(SQLHSTMT statement, int seconds) : seconds_(seconds) {
  if (seconds > 0 && statement != SQL_NULL_HSTMT)
    thread_ = std::thread([this, statement] { watch(statement); });
}

QueryWatchdog::~QueryWatchdog() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  finished_.notify_one();
  thread_.join();
}

void QueryWatchdog::watch(SQLHSTMT statement) {
  std::unique_lock lock(mutex_);
  if (finished_.wait_for(lock, std::chrono::seconds(seconds_), [this] { return done_; })) return;
  // The lock is held while cancelling, so the owner cannot stop watching and free the statement
  // in the middle of the call.
  fired_ = true;
  SQLCancel(statement);
}
