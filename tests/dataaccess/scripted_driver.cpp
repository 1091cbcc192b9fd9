// The scripted driver's quirks over the real driver's calls.
#include "scripted_driver.h"

#include <thread>

SQLRETURN ScriptedDriver::SetAttribute(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value,
                                       SQLINTEGER length) {
  if (attribute == refusedAttribute) return SQL_ERROR;
  if (attribute == ignoredAttribute) return SQL_SUCCESS;
  if (attribute == SQL_ATTR_ROW_STATUS_PTR) rowStatus_ = static_cast<SQLUSMALLINT *>(value);
  if (attribute == SQL_ATTR_ROWS_FETCHED_PTR) rowsFetched_ = static_cast<SQLULEN *>(value);
  if (attribute == SQL_ATTR_ROW_ARRAY_SIZE && rowsetCap > 0 && reinterpret_cast<SQLULEN>(value) > rowsetCap) {
    // As a driver with a smaller limit does: the value is changed and the call says so.
    const SQLRETURN rc =
        SQLSetStmtAttr(statement, attribute, reinterpret_cast<SQLPOINTER>(rowsetCap), length);
    return SQL_SUCCEEDED(rc) ? SQLRETURN(SQL_SUCCESS_WITH_INFO) : rc;
  }
  return SQLSetStmtAttr(statement, attribute, value, length);
}

SQLRETURN ScriptedDriver::Fetch(SQLHSTMT statement) {
  std::this_thread::sleep_for(fetchCalls_++ == stalledFetch ? stall : fetchDelay);
  const SQLRETURN rc = SQLFetch(statement);
  if (!SQL_SUCCEEDED(rc)) return rc;
  const qint64 first = rowsSeen_;
  const qint64 rows = rowsFetched_ != nullptr ? qint64(*rowsFetched_) : 1;
  rowsSeen_ += rows;
  if (errorRow < first || errorRow >= rowsSeen_) return rc;
  if (rowStatus_ != nullptr) rowStatus_[errorRow - first] = SQL_ROW_ERROR;
  // Some rows of the block came through; a fetch of one row fails outright.
  return rows > 1 ? SQLRETURN(SQL_SUCCESS_WITH_INFO) : SQLRETURN(SQL_ERROR);
}

SQLRETURN ScriptedDriver::Execute(SQLHSTMT statement, SQLWCHAR *text, SQLINTEGER length) {
  ++executions;
  return SQLExecDirectW(statement, text, length);
}

SQLRETURN ScriptedDriver::GetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType,
                                  SQLPOINTER buffer, SQLLEN room, SQLLEN *length) {
  columnsReadInPieces.insert(column);
  return SQLGetData(statement, column, cType, buffer, room, length);
}

SQLUINTEGER ScriptedDriver::GetDataExtensions(SQLHDBC connection) {
  const SQLUINTEGER extensions = StatementCalls::GetDataExtensions(connection);
  return getDataAfterBoundOnly ? extensions & ~SQLUINTEGER(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER) : extensions;
}
