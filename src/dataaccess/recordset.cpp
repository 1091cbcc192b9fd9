// Running a statement and fetching its rows into the client-side buffer. Columns of a known width
// are bound in row arrays (block fetch); a result with long data is fetched a row at a time and its
// long cells read with SQLGetData, so no value is cut short and the query runs once. Only a value
// longer than its column's declared length, or one the driver cannot convert to the bound type,
// sends the query round again, that column then read in pieces (or integers read as text).
#include "recordset.h"

#include <sqlucode.h>

#include <algorithm>
#include <atomic>

#include "columnread.h"
#include "querywatchdog.h"
#include "rowset.h"
#include "xexception.h"

namespace {

constexpr size_t kBlockBytes = 1u << 20;  // bound buffer per block of rows
constexpr SQLULEN kMaxBlockRows = 1024;
// The first piece of a long value offered to the driver: most notes and comments fit. A longer
// value is taken whole in a second call, the driver having told its length. (A larger first offer
// costs: the SQLite 3 driver clears all of the buffer it is given.)
constexpr SQLLEN kFirstPieceBytes = 16 * 1024;

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

// A statement being run and the watch that cancels a call of it at the query time-out. Members go
// in reverse order, so the watch has stopped before the statement is freed.
struct RunningStatement {
  StatementCalls *calls = nullptr;
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

  // Makes one call that waits on the database under the time-out. A call the watchdog cancelled
  // fails the query whatever it returned: a driver may end it with "no data" as well as an error.
  template <typename Call>
  SQLRETURN Run(const char *function, Call call) const {
    const SQLRETURN rc = watchdog ? watchdog->Watch(call) : call();
    if (TimedOut()) Fail(rc, function);
    return rc;
  }
};

namespace {
// Record sets are also made on the thread that runs queries ahead.
std::atomic<uint64_t> nextRecordSetId = 1;
}  // namespace

RecordSet::RecordSet(SQLHDBC connection, const QString &sql, int queryTimeoutSeconds, bool rows,
                     StatementCalls &calls)
    : id_(nextRecordSetId++) {
  if (!rows) {
    execute(connection, sql, queryTimeoutSeconds, calls);
    return;
  }
  ReadChoices choices;
  while (!fetchAll(connection, sql, queryTimeoutSeconds, calls, choices)) {
  }
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
  statement.calls = &calls;
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
  const SQLRETURN rc = statement.Run("SQLExecDirect", [&] {
    return calls.Execute(statement.get(), reinterpret_cast<SQLWCHAR *>(wide.data()), SQLINTEGER(wide.size()));
  });
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
    column.kind = KindOf(column.sqlType);
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
  SQLLEN width;  // 0: read with SQLGetData after the fetch
  std::vector<char> data;
  std::vector<SQLLEN> indicators;
};

std::vector<RecordSet::Binding> RecordSet::plan(ReadChoices &choices, bool getDataAnyColumn) {
  choices.inPieces.resize(columns_.size());
  std::vector<Binding> bindings;
  bool afterPieces = false;
  for (size_t i = 0; i < columns_.size(); ++i) {
    ColumnInfo &column = columns_[i];
    if (choices.integersAsText) column.binaryInteger = false;
    SQLLEN width = choices.inPieces[i] ? 0 : BoundWidth(column);
    // Without SQL_GD_ANY_COLUMN a driver reads with SQLGetData only the columns after the last
    // bound one (SQL Server's does so).
    if (afterPieces && !getDataAnyColumn) width = 0;
    afterPieces = afterPieces || width == 0;
    bindings.push_back({CTypeOf(column), width, {}, {}});
  }
  return bindings;
}

bool RecordSet::fetchAll(SQLHDBC connection, const QString &sql, int timeout, StatementCalls &calls,
                         ReadChoices &choices) {
  RunningStatement statement = execute(connection, sql, timeout, calls);
  clearRows();
  if (columns_.empty()) return true;

  std::vector<Binding> bindings = plan(choices, calls.GetDataExtensions(connection) & SQL_GD_ANY_COLUMN);
  SQLLEN rowWidth = 0;
  bool longData = false;
  for (const Binding &binding : bindings) {
    longData = longData || binding.width == 0;
    rowWidth += binding.width + SQLLEN(sizeof(SQLLEN));
  }
  // Long data is read after a fetch of one row: reading it out of a block needs positioning in the
  // block, which few drivers offer.
  const SQLULEN wanted =
      longData ? 1 : std::clamp<SQLULEN>(kBlockBytes / SQLULEN(rowWidth), 1, kMaxBlockRows);
  Rowset rowset;
  if (const SQLRETURN rc = rowset.Request(calls, statement.get(), wanted); !odbc::Succeeded(rc))
    statement.Fail(rc, "SQLSetStmtAttr");
  for (size_t i = 0; i < bindings.size(); ++i) {
    Binding &binding = bindings[i];
    if (binding.width == 0) continue;
    binding.data.resize(size_t(binding.width) * rowset.Size());
    binding.indicators.resize(rowset.Size());
    const SQLRETURN rc = SQLBindCol(statement.get(), SQLUSMALLINT(i + 1), binding.cType, binding.data.data(),
                                    binding.width, binding.indicators.data());
    if (!odbc::Succeeded(rc)) statement.Fail(rc, "SQLBindCol");
  }
  std::vector<char> longValue;

  // A value the driver cannot convert to the bound type (SQLSTATE 22...): integers are read again
  // as text.
  auto retryIntegersAsText = [&] {
    if (choices.integersAsText || statement.TimedOut() ||
        !odbc::FirstSqlState(statement.handle).startsWith(QLatin1String("22")))
      return false;
    choices.integersAsText = true;
    return true;
  };
  for (;;) {
    rowset.ClearCount();
    const SQLRETURN rc = statement.Run("SQLFetch", [&] { return calls.Fetch(statement.get()); });
    if (rc == SQL_NO_DATA) break;
    if (!odbc::Succeeded(rc)) {
      if (retryIntegersAsText()) return false;
      statement.Fail(rc, "SQLFetch");
    }
    // A fetch that succeeded brought rows: without a count of them the result cannot be trusted.
    if (rowset.Fetched() == 0)
      statement.Fail(rc, "SQLFetch",
                     QStringLiteral("Error number: 0\tThe driver fetched rows but counted no rows\r\n"));
    for (SQLULEN row = 0; row < rowset.Fetched(); ++row) {
      if (rowset.InError(row)) {
        if (retryIntegersAsText()) return false;
        statement.Fail(
            rc, "SQLFetch",
            QStringLiteral("Error number: 0\tRow %1 of the result could not be read\r\n").arg(rows_ + 1));
      }
      if (rowset.Empty(row)) continue;
      for (size_t i = 0; i < bindings.size(); ++i) {
        const Binding &binding = bindings[i];
        if (binding.width == 0) {
          readLongValue(statement, SQLUSMALLINT(i + 1), binding.cType, longValue);
          continue;
        }
        const SQLLEN length = binding.indicators[row];
        if (length == SQL_NULL_DATA) {
          cells_.AppendNull();
          continue;
        }
        if (length == SQL_NO_TOTAL || length > binding.width - TerminatorOf(binding.cType)) {
          // Longer than the column's declared length (SQLite does not hold text to it).
          choices.inPieces[i] = true;
          return false;
        }
        cells_.Append(binding.data.data() + size_t(binding.width) * row, size_t(length));
      }
      ++rows_;
    }
  }
  return true;
}

void RecordSet::readLongValue(const RunningStatement &statement, SQLUSMALLINT column, SQLSMALLINT cType,
                              std::vector<char> &buffer) {
  const SQLLEN terminator = TerminatorOf(cType);
  size_t used = 0;
  SQLLEN room = kFirstPieceBytes;
  for (;;) {
    if (buffer.size() < used + size_t(room)) buffer.resize(used + size_t(room));
    SQLLEN length = 0;
    const SQLRETURN rc = statement.Run("SQLGetData", [&] {
      return statement.calls->GetData(statement.get(), column, cType, buffer.data() + used, room, &length);
    });
    if (rc == SQL_NO_DATA) break;
    if (!odbc::Succeeded(rc)) statement.Fail(rc, "SQLGetData");
    if (length == SQL_NULL_DATA) {
      cells_.AppendNull();
      return;
    }
    const bool more = rc == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length > room - terminator);
    if (!more) {
      used += size_t(length);
      break;
    }
    used += size_t(room - terminator);
    // The rest, as long as the driver says it is, or twice the piece when it cannot tell.
    room = length == SQL_NO_TOTAL ? room * 2 : length - (room - terminator) + terminator;
  }
  cells_.Append(buffer.data(), used);
}
