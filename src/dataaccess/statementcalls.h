// The driver calls of a record set whose outcome differs from driver to driver (running, statement
// attributes, fetching, reading long data and the rules for it), behind an interface so that a
// test can stand in for a driver that refuses block fetch, flags rows in error or answers slowly.
#pragma once

#include <sql.h>
#include <sqlext.h>

class StatementCalls {
 public:
  virtual ~StatementCalls() = default;

  virtual SQLRETURN Execute(SQLHSTMT statement, SQLWCHAR *text, SQLINTEGER length) {
    return SQLExecDirectW(statement, text, length);
  }
  virtual SQLRETURN SetAttribute(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER length) {
    return SQLSetStmtAttr(statement, attribute, value, length);
  }
  virtual SQLRETURN Fetch(SQLHSTMT statement) { return SQLFetch(statement); }
  virtual SQLRETURN GetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer,
                            SQLLEN room, SQLLEN *length) {
    return SQLGetData(statement, column, cType, buffer, room, length);
  }
  // The connection's SQL_GETDATA_EXTENSIONS bits (0 when the driver does not say).
  virtual SQLUINTEGER GetDataExtensions(SQLHDBC connection) {
    SQLUINTEGER extensions = 0;
    if (!SQL_SUCCEEDED(
            SQLGetInfo(connection, SQL_GETDATA_EXTENSIONS, &extensions, sizeof(extensions), nullptr)))
      return 0;
    return extensions;
  }

  // The plain ODBC calls.
  static StatementCalls &Driver() {
    static StatementCalls driver;
    return driver;
  }
};
