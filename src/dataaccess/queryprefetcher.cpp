// The worker of the query prefetcher and the hand-over of its results.
#include "queryprefetcher.h"

#include <algorithm>

#include "freedmemory.h"
#include "odbcconnection.h"
#include "xexception.h"

QueryPrefetcher::QueryPrefetcher(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive,
                                 int queryTimeoutSeconds, int workers, int waiting)
    : queryTimeout_(queryTimeoutSeconds), waiting_(std::max(1, waiting)) {
  for (int i = 0; i < std::max(1, workers); ++i)
    workers_.emplace_back(&QueryPrefetcher::work, this, odbcConnectionString, loginTimeoutSeconds, exclusive);
}

QueryPrefetcher::~QueryPrefetcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread &worker : workers_) worker.join();
}

void QueryPrefetcher::Announce(const QString &sql) {
  {
    std::lock_guard lock(mutex_);
    if (unusable_) return;
    auto entry = std::make_shared<Entry>();
    entry->sql = sql;
    announced_.push_back(std::move(entry));
  }
  changed_.notify_all();
}

std::unique_ptr<RecordSet> QueryPrefetcher::Take(const QString &sql) {
  std::unique_lock lock(mutex_);
  const auto found = std::find_if(announced_.begin(), announced_.end(),
                                  [&sql](const std::shared_ptr<Entry> &entry) { return entry->sql == sql; });
  if (unusable_ || found == announced_.end()) return nullptr;
  const std::shared_ptr<Entry> entry = *found;
  // Statements announced before it will not be read: a running one finishes unseen.
  announced_.erase(announced_.begin(), found);
  changed_.notify_all();
  changed_.wait(lock, [&] { return entry->done || unusable_; });
  if (!entry->done) return nullptr;
  announced_.pop_front();
  changed_.notify_all();
  if (entry->error) std::rethrow_exception(entry->error);
  return std::move(entry->rows);
}

bool QueryPrefetcher::Usable() {
  std::lock_guard lock(mutex_);
  return !unusable_;
}

std::shared_ptr<QueryPrefetcher::Entry> QueryPrefetcher::nextToRun() const {
  int unread = 0;
  for (const auto &entry : announced_) {
    if (!entry->started) return unread < waiting_ ? entry : nullptr;
    ++unread;
  }
  return nullptr;
}

void QueryPrefetcher::work(QString odbcConnectionString, int loginTimeoutSeconds, bool exclusive) {
  OdbcConnection connection;
  bool connected = false;
  try {
    connected = connection.Open(odbcConnectionString, loginTimeoutSeconds, exclusive).isEmpty();
  } catch (...) {
  }
  serve(connection, connected);
}

void QueryPrefetcher::serve(OdbcConnection &connection, bool connected) {
  std::unique_lock lock(mutex_);
  if (!connected) {
    // All connections or none: a database that refuses one more gets no more statements than before,
    // as the reader then runs each itself.
    unusable_ = true;
    announced_.clear();
    changed_.notify_all();
    return;
  }
  for (;;) {
    std::shared_ptr<Entry> entry;
    changed_.wait(lock, [&] { return stopping_ || unusable_ || (entry = nextToRun()); });
    if (stopping_ || unusable_) return;
    entry->started = true;
    lock.unlock();
    std::unique_ptr<RecordSet> rows;
    std::exception_ptr error;
    try {
      rows = std::make_unique<RecordSet>(connection.Handle(), entry->sql, queryTimeout_);
    } catch (...) {
      error = std::current_exception();
    }
    ReturnFreedMemory();  // the driver's copy of the result
    lock.lock();
    entry->rows = std::move(rows);
    entry->error = error;
    entry->done = true;
    changed_.notify_all();
  }
}
