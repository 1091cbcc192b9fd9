// Queries run ahead of the thread that reads them: worker threads, each with a connection of its
// own, take the announced statements in the order announced and fetch their rows while the reader
// is still writing an earlier result. The database works while the client writes, and the bytes
// written do not change: a result is only handed out for the very text the reader runs.
#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "recordset.h"

class OdbcConnection;

class QueryPrefetcher {
 public:
  // Each worker connects with the ODBC connection string (read-only unless exclusive) and runs every
  // statement under the query time-out. A worker starts a statement only while fewer than `waiting`
  // results are fetched or being fetched and unread, which bounds the memory to that many results
  // beside the one being read.
  QueryPrefetcher(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive,
                  int queryTimeoutSeconds, int workers = 2, int waiting = 2);
  // Waits for the statements the workers are running, then drops every result.
  ~QueryPrefetcher();
  QueryPrefetcher(const QueryPrefetcher &) = delete;
  QueryPrefetcher &operator=(const QueryPrefetcher &) = delete;

  void Announce(const QString &sql);
  // The rows of an announced statement, waited for; the statements announced before it are dropped.
  // Null when the text was not announced or the worker could not connect: the caller runs it itself.
  // Throws the XException of a statement that failed.
  std::unique_ptr<RecordSet> Take(const QString &sql);
  // False once a worker found it cannot connect.
  bool Usable();

 private:
  struct Entry {
    QString sql;
    bool started = false;
    bool done = false;
    std::unique_ptr<RecordSet> rows;
    std::exception_ptr error;
  };
  void work(QString odbcConnectionString, int loginTimeoutSeconds, bool exclusive);
  // The first announced statement not yet started, when fewer than the allowed results wait unread.
  std::shared_ptr<Entry> nextToRun() const;
  // Runs announced statements until the prefetcher stops; connected tells whether it could connect.
  void serve(OdbcConnection &connection, bool connected);

  const int queryTimeout_;
  const int waiting_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Entry>> announced_;  // in order, not yet taken
  bool stopping_ = false;
  bool unusable_ = false;  // a worker has no connection
  std::vector<std::thread> workers_;
};
