// Queries run ahead of the thread that reads them: worker threads, each with a connection of its
// own, take the announced statements in the order announced and fetch their rows while the reader
// is still writing an earlier result. The database works while the client writes, and the bytes
// written do not change: a result is only handed out for the very text the reader runs.
//
// The extra connections may cost speed, never the run: whatever goes wrong on a worker (no
// connection, a failed statement, a lost connection, a login that hangs) leaves the statement to
// the reader, who runs it on its own connection, and no wait of the reader or of the teardown lasts
// longer than the query time-out.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "recordset.h"

class OdbcConnection;

class QueryPrefetcher {
 public:
  // Makes and opens a worker's connection: null when the database refuses it; throws like the driver
  // manager when it refuses the handle. Called on the worker's own thread, by two workers at once;
  // tests stand in for the driver manager with it.
  using Connector = std::function<std::unique_ptr<OdbcConnection>()>;

  // Each worker connects with the ODBC connection string (read-only unless exclusive) and runs every
  // statement under the query time-out. A worker starts a statement only while fewer than `waiting`
  // results are fetched or being fetched and unread, which bounds the memory to that many results
  // beside the one being read.
  QueryPrefetcher(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive,
                  int queryTimeoutSeconds, int workers = 2, int waiting = 2, Connector connector = {});
  // Drops every result. Waits for the workers at most the query time-out; a worker still in a login
  // or a statement then ends by itself, later, without touching this object.
  ~QueryPrefetcher();
  QueryPrefetcher(const QueryPrefetcher &) = delete;
  QueryPrefetcher &operator=(const QueryPrefetcher &) = delete;

  void Announce(const QString &sql);
  // The rows of an announced statement, waited for; the statements announced before it are dropped.
  // Null when the caller must run the text itself: it was not announced, the workers could not
  // connect, the worker's statement failed (the reader's own run tells whether that is the run's
  // error), or no worker started it within the query time-out.
  std::unique_ptr<RecordSet> Take(const QString &sql);
  // False once the workers cannot serve: a connection was refused, none is left, or they hang.
  bool Usable();

 private:
  struct Shared;
  struct Entry;
  static void work(std::shared_ptr<Shared> shared, Connector connector);
  // Runs announced statements until the prefetcher stops or the connection is lost (then retired).
  static void serve(Shared &shared, OdbcConnection &connection, bool &retired);

  // Held by the workers too, so that a worker may outlive the prefetcher.
  std::shared_ptr<Shared> shared_;
  std::vector<std::thread> threads_;
};
