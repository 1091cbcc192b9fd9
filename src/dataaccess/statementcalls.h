// The driver calls a record set makes on its statement whose outcome differs from driver to driver:
// setting statement attributes and fetching. They go through this interface so that a test can
// stand in for a driver that refuses block fetch, flags rows in error or answers slowly.
#pragma once

#include <sql.h>
#include <sqlext.h>

class StatementCalls {
 public:
  virtual ~StatementCalls() = default;

  virtual SQLRETURN SetAttribute(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER length) {
    return SQLSetStmtAttr(statement, attribute, value, length);
  }
  virtual SQLRETURN Fetch(SQLHSTMT statement) { return SQLFetch(statement); }

  // The plain ODBC calls.
  static StatementCalls &Driver() {
    static StatementCalls driver;
    return driver;
  }
};
