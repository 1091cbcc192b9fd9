// The rows one fetch brings. A block of rows is asked for with a count of the rows fetched and a
// status for each; a driver that refuses any of that is read one row a fetch, which every driver
// does, rather than trusted with a count it never writes or rows it cannot vouch for.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "statementcalls.h"

class Rowset {
 public:
  Rowset() = default;
  // The driver holds the addresses of the count and the status array.
  Rowset(const Rowset &) = delete;
  Rowset &operator=(const Rowset &) = delete;

  // Asks for up to `wanted` rows a fetch. Returns SQL_SUCCESS, or the code of the call that failed
  // to bring the statement back to one row a fetch (its diagnostics say why).
  SQLRETURN Request(StatementCalls &calls, SQLHSTMT statement, SQLULEN wanted);

  SQLULEN Size() const { return size_; }
  // Before each fetch: a driver that leaves the count alone is then not taken to repeat a block.
  void ClearCount() { fetched_ = 0; }
  // The rows a fetch that succeeded brought.
  SQLULEN Fetched() const { return size_ == 1 ? 1 : std::min(fetched_, size_); }
  // True when the driver flagged this row of the last fetch in error.
  bool InError(SQLULEN row) const { return statusSet_ && status_[row] == SQL_ROW_ERROR; }
  // True when this row of the last fetch holds no data.
  bool Empty(SQLULEN row) const { return statusSet_ && status_[row] == SQL_ROW_NOROW; }

 private:
  SQLULEN size_ = 1;
  SQLULEN fetched_ = 0;
  std::vector<SQLUSMALLINT> status_;
  bool statusSet_ = false;
};
