// A driver with quirks over the real one (which has none of them): an attribute refused or ignored,
// fewer rows a fetch, a row in error, long data read only after the bound columns (as SQL Server's
// driver does), slow fetches. It counts the statements run and the columns read in pieces.
#pragma once

#include <QtGlobal>
#include <chrono>
#include <set>

#include "statementcalls.h"

class ScriptedDriver : public StatementCalls {
 public:
  SQLINTEGER refusedAttribute = 0;          // answered SQL_ERROR without reaching the driver
  SQLINTEGER ignoredAttribute = 0;          // answered SQL_SUCCESS without reaching the driver
  SQLULEN rowsetCap = 0;                    // the most rows a fetch it grants; 0 grants what is asked
  qint64 errorRow = -1;                     // the row of the result (from 0) flagged SQL_ROW_ERROR
  bool getDataAfterBoundOnly = false;       // reports neither SQL_GD_ANY_COLUMN nor SQL_GD_ANY_ORDER
  std::chrono::milliseconds fetchDelay{0};  // the wait of every fetch call
  int stalledFetch = -1;                    // the fetch call (from 0) that waits `stall` instead
  std::chrono::milliseconds stall{0};

  int executions = 0;
  std::set<int> columnsReadInPieces;  // 1-based columns asked for with SQLGetData

  SQLRETURN Execute(SQLHSTMT statement, SQLWCHAR *text, SQLINTEGER length) override;

  SQLRETURN SetAttribute(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value,
                         SQLINTEGER length) override;
  SQLRETURN Fetch(SQLHSTMT statement) override;
  SQLRETURN GetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer,
                    SQLLEN room, SQLLEN *length) override;
  SQLUINTEGER GetDataExtensions(SQLHDBC connection) override;

 private:
  SQLUSMALLINT *rowStatus_ = nullptr;
  SQLULEN *rowsFetched_ = nullptr;
  qint64 rowsSeen_ = 0;
  int fetchCalls_ = 0;
};
