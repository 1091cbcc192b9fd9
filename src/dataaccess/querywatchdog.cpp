// Client-side query time-out, per driver call.
#include "querywatchdog.h"

#include <sqlext.h>

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
  changed_.notify_one();
  thread_.join();
}

// A call's start and end only take the lock: the watch, asleep until the deadline of a call,
// is woken only when it waits for one to start, so a fetch costs no thread switch.
void QueryWatchdog::begin() {
  std::lock_guard lock(mutex_);
  ++call_;
  deadline_ = Clock::now() + std::chrono::seconds(seconds_);
  calling_ = true;
  fired_ = false;
  if (idle_) changed_.notify_one();
}

void QueryWatchdog::end() {
  std::lock_guard lock(mutex_);
  calling_ = false;
  if (fired_) changed_.notify_one();
}

void QueryWatchdog::watch(SQLHSTMT statement) {
  std::unique_lock lock(mutex_);
  while (!done_) {
    if (!calling_) {
      idle_ = true;
      changed_.wait(lock, [this] { return done_ || calling_; });
      idle_ = false;
      continue;
    }
    // Later calls have later deadlines: waking at this one's is never too late for them.
    const uint64_t call = call_;
    const Clock::time_point deadline = deadline_;
    if (changed_.wait_until(lock, deadline, [this] { return done_; })) break;
    if (!calling_ || call_ != call) continue;
    // The lock is held while cancelling, so the owner cannot end the call and free the statement
    // in the middle of it; the call is then failed, whatever it returns.
    fired_ = true;
    SQLCancel(statement);
    changed_.wait(lock, [&] { return done_ || !calling_ || call_ != call; });
  }
}
