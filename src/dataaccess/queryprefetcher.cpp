// The workers of the query prefetcher and the hand-over of their results.
#include "queryprefetcher.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>

#include "freedmemory.h"
#include "odbcconnection.h"
#include "xexception.h"

struct QueryPrefetcher::Entry {
  QString sql;
  bool started = false;
  bool done = false;
  std::unique_ptr<RecordSet> rows;  // null when done: the worker's statement failed
};

struct QueryPrefetcher::Shared {
  int queryTimeout = 0;
  int waiting = 1;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Entry>> announced;  // in order, not yet taken
  bool stopping = false;
  bool unusable = false;
  int running = 0;  // worker threads not yet ended
  int serving = 0;  // workers connected or connecting, with a connection not known to be lost

  // The first announced statement not yet started, when fewer than the allowed results wait unread.
  std::shared_ptr<Entry> nextToRun() const {
    int unread = 0;
    for (const auto &entry : announced) {
      if (!entry->started) return unread < waiting ? entry : nullptr;
      ++unread;
    }
    return nullptr;
  }
  // A wait of at most the query time-out (none without a time-out); false when the time ran out.
  template <typename Predicate>
  bool waitBounded(std::unique_lock<std::mutex> &lock, Predicate predicate) {
    if (queryTimeout <= 0) {
      changed.wait(lock, predicate);
      return true;
    }
    return changed.wait_for(lock, std::chrono::seconds(queryTimeout), predicate);
  }
  void giveUp() {
    unusable = true;
    changed.notify_all();
  }
  // A worker leaves; with the last one the prefetcher is of no more use.
  void retire() {
    if (--serving == 0) giveUp();
  }
};

QueryPrefetcher::QueryPrefetcher(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive,
                                 int queryTimeoutSeconds, int workers, int waiting, Connector connector)
    : shared_(std::make_shared<Shared>()) {
  shared_->queryTimeout = queryTimeoutSeconds;
  shared_->waiting = std::max(1, waiting);
  if (!connector) {
    connector = [odbcConnectionString, loginTimeoutSeconds, exclusive]() {
      auto connection = std::make_unique<OdbcConnection>();
      if (!connection->Open(odbcConnectionString, loginTimeoutSeconds, exclusive).isEmpty())
        connection.reset();
      return connection;
    };
  }
  std::lock_guard lock(shared_->mutex);
  for (int i = 0; i < std::max(1, workers); ++i) {
    ++shared_->running;
    ++shared_->serving;
    try {
      threads_.emplace_back(&QueryPrefetcher::work, shared_, connector);
    } catch (const std::system_error &) {
      // No thread to be had: the reader runs every statement itself.
      --shared_->running;
      --shared_->serving;
      shared_->giveUp();
      break;
    }
  }
}

QueryPrefetcher::~QueryPrefetcher() {
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->announced.clear();
  shared_->changed.notify_all();
  // A worker between statements ends at once; one in a login or a statement is left to end by
  // itself, holding only the state it shares.
  const bool ended = shared_->waitBounded(lock, [this] { return shared_->running == 0; });
  lock.unlock();
  for (std::thread &thread : threads_) ended ? thread.join() : thread.detach();
}

void QueryPrefetcher::Announce(const QString &sql) {
  std::lock_guard lock(shared_->mutex);
  if (shared_->unusable) return;
  auto entry = std::make_shared<Entry>();
  entry->sql = sql;
  shared_->announced.push_back(std::move(entry));
  shared_->changed.notify_all();
}

std::unique_ptr<RecordSet> QueryPrefetcher::Take(const QString &sql) {
  Shared &shared = *shared_;
  std::unique_lock lock(shared.mutex);
  const auto found = std::find_if(shared.announced.begin(), shared.announced.end(),
                                  [&sql](const std::shared_ptr<Entry> &entry) { return entry->sql == sql; });
  if (shared.unusable || found == shared.announced.end()) return nullptr;
  const std::shared_ptr<Entry> entry = *found;
  // Statements announced before it will not be read: a running one finishes unseen.
  shared.announced.erase(shared.announced.begin(), found);
  shared.changed.notify_all();
  // A started statement is bounded by its own time-out; one that no worker starts in that time
  // shows the workers stuck (a login that hangs), and the reader stops counting on them.
  if (!shared.waitBounded(lock, [&] { return entry->started || shared.unusable; })) shared.giveUp();
  shared.changed.wait(lock, [&] { return entry->done || shared.unusable; });
  // Wherever it is now: a worker that gave up may have emptied the queue meanwhile.
  const auto at = std::find(shared.announced.begin(), shared.announced.end(), entry);
  if (at != shared.announced.end()) shared.announced.erase(at);
  shared.changed.notify_all();
  return entry->done ? std::move(entry->rows) : nullptr;
}

bool QueryPrefetcher::Usable() {
  std::lock_guard lock(shared_->mutex);
  return !shared_->unusable;
}

void QueryPrefetcher::work(std::shared_ptr<Shared> shared, Connector connector) {
  std::unique_ptr<OdbcConnection> connection;
  try {
    connection = connector();
  } catch (...) {
    // A handle the driver manager refuses is a refused connection.
  }
  const bool connected = connection != nullptr;
  bool retired = false;
  if (connected) {
    try {
      serve(*shared, *connection, retired);
    } catch (...) {
      // Nothing may leave the thread; the reader runs the statements itself.
    }
  }
  std::unique_lock lock(shared->mutex);
  // All connections or none: a database that refuses one more gets no more statements than before,
  // as the reader then runs each itself.
  if (!connected) shared->giveUp();
  if (!retired) shared->retire();
  lock.unlock();
  connection.reset();  // a lost server may hold the disconnect: not under the lock
  lock.lock();
  --shared->running;
  shared->changed.notify_all();
}

void QueryPrefetcher::serve(Shared &shared, OdbcConnection &connection, bool &retired) {
  std::unique_lock lock(shared.mutex);
  for (;;) {
    std::shared_ptr<Entry> entry;
    shared.changed.wait(lock,
                        [&] { return shared.stopping || shared.unusable || (entry = shared.nextToRun()); });
    if (shared.stopping || shared.unusable) return;
    entry->started = true;
    lock.unlock();
    std::unique_ptr<RecordSet> rows;
    try {
      rows = std::make_unique<RecordSet>(connection.Handle(), entry->sql, shared.queryTimeout);
    } catch (...) {
      // Left to the reader, whose own connection tells whether it is the run's error.
    }
    const bool alive = rows || connection.Alive();
    ReturnFreedMemory();  // the driver's copy of the result
    lock.lock();
    // A worker whose connection is gone takes no more statements; it leaves before the reader
    // hears of the result, so the reader never counts on it again.
    if (!alive) {
      shared.retire();
      retired = true;
    }
    entry->rows = std::move(rows);
    entry->done = true;
    shared.changed.notify_all();
    if (retired) return;
  }
}
