// The fetch floor: statements through ODBC, rows fetched in blocks and dropped.
#include "fetch_floor.h"

#include <sqlext.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

constexpr SQLULEN kBlockRows = 256;
constexpr SQLLEN kWidth = 512;  // bytes a column is bound with; longer values are cut, then dropped

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::u16string wide(const QString &text) {
  return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

}  // namespace

FetchFloor::FetchFloor(const QString &connection) : connection_(connection) {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
  SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
}

FetchFloor::~FetchFloor() {
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

int64_t FetchFloor::fetchAll(SQLHSTMT statement) {
  SQLSMALLINT columns = 0;
  SQLNumResultCols(statement, &columns);
  if (columns <= 0) return 0;
  std::vector<char> data(size_t(columns) * kBlockRows * kWidth);
  std::vector<SQLLEN> indicators(size_t(columns) * kBlockRows);
  SQLULEN fetched = 0;
  SQLSetStmtAttr(statement, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
  SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0);
  SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  for (SQLSMALLINT c = 0; c < columns; ++c)
    SQLBindCol(statement, SQLUSMALLINT(c + 1), SQL_C_CHAR, data.data() + size_t(c) * kBlockRows * kWidth,
               kWidth, indicators.data() + size_t(c) * kBlockRows);
  int64_t rows = 0;
  for (;;) {
    fetched = 0;
    const SQLRETURN rc = SQLFetch(statement);
    if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc)) break;
    rows += int64_t(fetched);
  }
  return rows;
}

FloorResult FetchFloor::Run(const QStringList &statements) {
  FloorResult result;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = processorSeconds();
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection);
  std::u16string text = wide(connection_);
  const SQLRETURN connected =
      SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR *>(text.data()),
                        SQLSMALLINT(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(connected)) {
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    return result;
  }
  result.connected = true;
  for (const QString &sql : statements) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
    std::u16string query = wide(sql);
    const SQLRETURN rc =
        SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR *>(query.data()), SQLINTEGER(query.size()));
    if (SQL_SUCCEEDED(rc))
      result.rows += fetchAll(statement);
    else
      ++result.failed;
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    ++result.statements;
  }
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = processorSeconds() - cpuStart;
  return result;
}
