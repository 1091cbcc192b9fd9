// Asking the driver for a block of rows, or for one row a fetch.
#include "rowset.h"

#include "odbchandles.h"

SQLRETURN Rowset::Request(StatementCalls &calls, SQLHSTMT statement, SQLULEN wanted) {
  auto accepted = [&](SQLINTEGER attribute, SQLPOINTER value) {
    return odbc::Succeeded(calls.SetAttribute(statement, attribute, value, 0));
  };
  status_.assign(std::max<SQLULEN>(wanted, 1), SQL_ROW_NOROW);
  size_ = 1;
  const bool counted = accepted(SQL_ATTR_ROWS_FETCHED_PTR, &fetched_);
  statusSet_ = accepted(SQL_ATTR_ROW_STATUS_PTR, status_.data());
  if (wanted <= 1 || !counted || !statusSet_ ||
      !accepted(SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN)))
    return SQL_SUCCESS;
  if (!accepted(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(wanted))) return SQL_SUCCESS;
  // The driver may grant fewer rows than asked (and says so with a warning).
  SQLULEN granted = 0;
  if (odbc::Succeeded(SQLGetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) &&
      granted >= 1 && granted <= wanted) {
    size_ = granted;
    return SQL_SUCCESS;
  }
  // A size that cannot be read back is not trusted: the buffers would not match what is written.
  return calls.SetAttribute(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
}
