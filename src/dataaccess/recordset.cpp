// Running a statement and fetching its rows into the client-side buffer. Columns are bound in
// row arrays (block fetch); when a column is too long for a bound buffer the statement is run again
// and read row by row with SQLGetData, so no value is ever cut short.
#include "recordset.h"

#include <sqlucode.h>

#include <algorithm>

#include "querywatchdog.h"
#include "rowset.h"
#include "xexception.h"

namespace {

constexpr SQLLEN kLongColumn = 4000;      // characters; longer columns are read in pieces
constexpr SQLLEN kLongTextGuess = 1024;   // characters first bound for a long text column
constexpr size_t kBlockBytes = 1u << 20;  // bound buffer per block of rows
constexpr SQLULEN kMaxBlockRows = 1024;

ColumnKind kindOf(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return ColumnKind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ColumnKind::Floating;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return ColumnKind::Decimal;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
      return ColumnKind::Date;
    case SQL_BIT:
      return ColumnKind::Bit;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_GUID:
      return ColumnKind::Text;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ColumnKind::Binary;
    default:
      return ColumnKind::Unsupported;
  }
}

// The C type a column is read as.
SQLSMALLINT cTypeOf(const ColumnInfo &column) {
  switch (column.kind) {
    case ColumnKind::Integer:
      return column.binaryInteger ? SQL_C_SBIGINT : SQL_C_CHAR;
    case ColumnKind::Floating:
      return SQL_C_DOUBLE;
    case ColumnKind::Text:
      return column.utf8 ? SQL_C_CHAR : SQL_C_WCHAR;
    case ColumnKind::Unsupported:
      return SQL_C_WCHAR;
    case ColumnKind::Binary:
      return SQL_C_BINARY;
    default:
      return SQL_C_CHAR;
  }
}

// Bytes a call adds after the data: a terminating zero for character data.
SQLLEN terminatorOf(SQLSMALLINT cType) {
  if (cType == SQL_C_CHAR) return 1;
  if (cType == SQL_C_WCHAR) return 2;
  return 0;
}

// The bound buffer width in bytes for a column, or 0 when it must be read in pieces.
SQLLEN boundWidth(const ColumnInfo &column) {
  const SQLLEN size = SQLLEN(column.size);
  switch (column.kind) {
    case ColumnKind::Floating:
      return sizeof(double);
    case ColumnKind::Integer:
      return column.binaryInteger ? SQLLEN(sizeof(qint64)) : 24;
    case ColumnKind::Bit:
      return 32;
    case ColumnKind::Decimal:
      return std::max<SQLLEN>(48, size + 8);
    case ColumnKind::Date:
      return 64;
    case ColumnKind::Text:
      // Long text (notes, comments, SQLite's TEXT) is mostly short: bound with a modest buffer,
      // and a value that does not fit sends the query down the piecewise path.
      if (size <= 0 || size > kLongColumn)
        return column.utf8 ? kLongTextGuess * 3 + 1 : (kLongTextGuess + 1) * 2;
      return column.utf8 ? size * 3 + 1 : (size + 1) * 2;
    case ColumnKind::Binary:
      if (size <= 0 || size > 2 * kLongColumn) return 0;
      return size;
    case ColumnKind::Unsupported:
      return 512;
  }
  return 0;
}

// The SQLite 3 driver keeps text as UTF-8 and hands it out unchanged as character data; reading
// it so spares a conversion to UTF-16 and back for every value.
bool driverKeepsUtf8(SQLHDBC connection) {
  SQLCHAR name[128] = {};
  SQLSMALLINT length = 0;
  if (!odbc::Succeeded(SQLGetInfo(connection, SQL_DRIVER_NAME, name, sizeof(name), &length))) return false;
  return QByteArray(reinterpret_cast<const char *>(name)).contains("sqlite3odbc");
}

[[noreturn]] void fail(const odbc::Handle &handle, SQLRETURN rc, const char *function) {
  throw XException(odbc::DiagnosticText(handle, rc, function));
}

}  // namespace

// A statement being run and the watch that cancels it at its query time-out. Members go in
// reverse order, so the watch has stopped before the statement is freed.
struct RunningStatement {
  odbc::Handle handle;
  std::unique_ptr<QueryWatchdog> watchdog;

  SQLHSTMT get() const { return handle.get(); }

  // The failure of a call: the lines of `context`, then the driver's diagnostics. A call the
  // time-out cancelled says so first, as SQL Server does.
  [[noreturn]] void Fail(SQLRETURN rc, const char *function, const QString &context = {}) const {
    QString text = context + odbc::DiagnosticText(handle, rc, function);
    if (TimedOut())
      text.prepend(
          QStringLiteral("Error number: 0\tQuery timeout expired (%1 seconds)\r\n").arg(watchdog->Seconds()));
    throw XException(text);
  }
  bool TimedOut() const { return watchdog && watchdog->Fired(); }
};

namespace {
uint64_t nextRecordSetId = 1;
}  // namespace

RecordSet::RecordSet(SQLHDBC connection, const QString &sql, int queryTimeoutSeconds, bool rows,
                     StatementCalls &calls)
    : id_(nextRecordSetId++) {
  if (!rows) {
    execute(connection, sql, queryTimeoutSeconds, calls);
    return;
  }
  if (!fetchInBlocks(connection, sql, queryTimeoutSeconds, calls))
    fetchRowByRow(connection, sql, queryTimeoutSeconds, calls);
}

int RecordSet::ColumnIndex(const QString &name) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

bool RecordSet::First() {
  current_ = 0;
  return current_ < rows_;
}

bool RecordSet::Next() {
  if (current_ < rows_) ++current_;
  return current_ < rows_;
}

RunningStatement RecordSet::execute(SQLHDBC connection, const QString &sql, int timeout,
                                    StatementCalls &calls) {
  RunningStatement statement;
  try {
    statement.handle = odbc::Handle(SQL_HANDLE_STMT, connection);
  } catch (const XException &) {
    throw XException(QStringLiteral("Failed to create query object for: %1").arg(sql), kQueryObjectFailure);
  }
  // The driver's own time-out where it keeps one; a driver that refuses or ignores it is held to
  // the time by the watchdog all the same, so its answer changes nothing.
  if (timeout > 0)
    (void)calls.SetAttribute(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                             reinterpret_cast<SQLPOINTER>(SQLULEN(timeout)), 0);
  statement.watchdog = std::make_unique<QueryWatchdog>(statement.get(), timeout);
  std::u16string wide = odbc::ToWide(sql);
  const SQLRETURN rc =
      SQLExecDirectW(statement.get(), reinterpret_cast<SQLWCHAR *>(wide.data()), SQLINTEGER(wide.size()));
  if (!odbc::Succeeded(rc) && rc != SQL_NO_DATA) statement.Fail(rc, "SQLExecDirect");
  describe(connection, statement.handle);
  return statement;
}

void RecordSet::describe(SQLHDBC connection, const odbc::Handle &statement) {
  columns_.clear();
  const bool utf8 = driverKeepsUtf8(connection);
  SQLSMALLINT count = 0;
  const SQLRETURN rc = SQLNumResultCols(statement.get(), &count);
  if (!odbc::Succeeded(rc)) fail(statement, rc, "SQLNumResultCols");
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLength = 0;
    ColumnInfo column;
    SQLSMALLINT nullable = 0;
    const SQLRETURN described =
        SQLDescribeColW(statement.get(), SQLUSMALLINT(i), name, SQLSMALLINT(std::size(name)), &nameLength,
                        &column.sqlType, &column.size, &column.decimals, &nullable);
    if (!odbc::Succeeded(described)) fail(statement, described, "SQLDescribeCol");
    column.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(name),
                                     std::min<qsizetype>(nameLength, qsizetype(std::size(name)) - 1));
    column.kind = kindOf(column.sqlType);
    column.utf8 = utf8 && column.kind == ColumnKind::Text;
    // A driver that keeps text hands integers out as text: converting them to 8-byte values and
    // back to text would be work for nothing.
    column.binaryInteger = !utf8 && column.kind == ColumnKind::Integer;
    columns_.push_back(column);
  }
}

void RecordSet::clearRows() {
  cells_.Clear();
  rows_ = 0;
  current_ = -1;
}

struct RecordSet::Binding {
  SQLSMALLINT cType;
  SQLLEN width;
  std::vector<char> data;
  std::vector<SQLLEN> indicators;
};

bool RecordSet::fetchInBlocks(SQLHDBC connection, const QString &sql, int timeout, StatementCalls &calls) {
  RunningStatement statement = execute(connection, sql, timeout, calls);
  clearRows();
  if (columns_.empty()) return true;

  SQLLEN rowWidth = 0;
  for (const auto &column : columns_) {
    const SQLLEN width = boundWidth(column);
    if (width == 0) return false;  // a long column: read row by row
    rowWidth += width + SQLLEN(sizeof(SQLLEN));
  }
  Rowset rowset;
  const SQLULEN blockRows = std::clamp<SQLULEN>(kBlockBytes / SQLULEN(rowWidth), 1, kMaxBlockRows);
  if (const SQLRETURN rc = rowset.Request(calls, statement.get(), blockRows); !odbc::Succeeded(rc))
    statement.Fail(rc, "SQLSetStmtAttr");

  std::vector<Binding> bindings;
  bindings.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    Binding binding{cTypeOf(columns_[i]), boundWidth(columns_[i]), {}, {}};
    binding.data.resize(size_t(binding.width) * rowset.Size());
    binding.indicators.resize(rowset.Size());
    const SQLRETURN rc = SQLBindCol(statement.get(), SQLUSMALLINT(i + 1), binding.cType, binding.data.data(),
                                    binding.width, binding.indicators.data());
    if (!odbc::Succeeded(rc)) statement.Fail(rc, "SQLBindCol");
    bindings.push_back(std::move(binding));
  }

  // A value the driver cannot convert to the bound type (SQLSTATE 22...) is read again as text.
  auto conversionFailed = [&] {
    return !statement.TimedOut() && odbc::FirstSqlState(statement.handle).startsWith(QLatin1String("22"));
  };
  for (;;) {
    const SQLRETURN rc = calls.Fetch(statement.get());
    if (rc == SQL_NO_DATA) break;
    if (!odbc::Succeeded(rc) && conversionFailed()) return false;
    if (!odbc::Succeeded(rc)) statement.Fail(rc, "SQLFetch");
    for (SQLULEN row = 0; row < rowset.Fetched(); ++row) {
      if (rowset.InError(row)) {
        if (conversionFailed()) return false;
        statement.Fail(
            rc, "SQLFetch",
            QStringLiteral("Error number: 0\tRow %1 of the result could not be read\r\n").arg(rows_ + 1));
      }
      if (rowset.Empty(row)) continue;
      for (const auto &binding : bindings) {
        const SQLLEN length = binding.indicators[row];
        if (length == SQL_NULL_DATA) {
          cells_.AppendNull();
          continue;
        }
        if (length == SQL_NO_TOTAL || length > binding.width - terminatorOf(binding.cType)) return false;
        cells_.Append(binding.data.data() + size_t(binding.width) * row, size_t(length));
      }
      ++rows_;
    }
  }
  return true;
}

void RecordSet::fetchRowByRow(SQLHDBC connection, const QString &sql, int timeout, StatementCalls &calls) {
  RunningStatement statement = execute(connection, sql, timeout, calls);
  clearRows();
  if (columns_.empty()) return;
  // Every integer is read as text here: the path is also taken when a value would not convert.
  for (auto &column : columns_) column.binaryInteger = false;
  std::vector<char> piece(64 * 1024);
  std::vector<char> cell;
  for (;;) {
    const SQLRETURN rc = calls.Fetch(statement.get());
    if (rc == SQL_NO_DATA) break;
    if (!odbc::Succeeded(rc)) statement.Fail(rc, "SQLFetch");
    for (size_t i = 0; i < columns_.size(); ++i) {
      const SQLSMALLINT cType = cTypeOf(columns_[i]);
      const SQLLEN terminator = terminatorOf(cType);
      cell.clear();
      bool null = false;
      for (;;) {
        SQLLEN length = 0;
        const SQLLEN room = cType == SQL_C_DOUBLE ? SQLLEN(sizeof(double)) : SQLLEN(piece.size());
        const SQLRETURN got =
            SQLGetData(statement.get(), SQLUSMALLINT(i + 1), cType, piece.data(), room, &length);
        if (got == SQL_NO_DATA) break;
        if (!odbc::Succeeded(got)) statement.Fail(got, "SQLGetData");
        if (length == SQL_NULL_DATA) {
          null = true;
          break;
        }
        const bool more =
            got == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length > room - terminator);
        const SQLLEN taken = more ? room - terminator : length;
        cell.insert(cell.end(), piece.data(), piece.data() + taken);
        if (!more || cType == SQL_C_DOUBLE) break;
      }
      if (null) {
        cells_.AppendNull();
      } else {
        cells_.Append(cell.data(), cell.size());
      }
    }
    ++rows_;
  }
}
