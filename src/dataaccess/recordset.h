// A query's result held on the client: the statement runs, every row is fetched (in blocks where
// no column holds long data) into one compact buffer, and the rows can then be walked, counted and
// walked again (a static cursor).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "cellstore.h"
#include "odbchandles.h"
#include "statementcalls.h"

struct RunningStatement;

// How a column's values are held and turned into text.
enum class ColumnKind {
  Integer,      // decimal text
  Floating,     // an 8-byte double
  Decimal,      // the driver's exact decimal text
  Date,         // ISO text: date, time or timestamp
  Bit,          // "0" / "1"
  Text,         // UTF-16 code units
  Binary,       // raw bytes
  Unsupported,  // a type the getters do not know (held as text for the log)
};

struct ColumnInfo {
  QString name;
  SQLSMALLINT sqlType = 0;
  SQLULEN size = 0;
  SQLSMALLINT decimals = 0;
  ColumnKind kind = ColumnKind::Unsupported;
  // Integers held as 8-byte values (block fetch) rather than the driver's text.
  bool binaryInteger = false;
  // Text held as UTF-8 bytes (a driver that keeps UTF-8 itself) rather than UTF-16.
  bool utf8 = false;
};

// XException code of a statement that could not even be created.
constexpr int kQueryObjectFailure = -2;

class RecordSet {
 public:
  // Runs the text on the connection and fetches every row. Throws XException with the driver's
  // diagnostic text when the statement or a fetch fails, or when the execution or any one fetch
  // call outlasts the time-out (the fetches together may take longer).
  // With rows = false the statement only runs and its columns are described (a trial query).
  RecordSet(SQLHDBC connection, const QString &sql, int queryTimeoutSeconds, bool rows = true,
            StatementCalls &calls = StatementCalls::Driver());

  // Unique for the life of the process: tells one record set from a later one at the same address.
  uint64_t Id() const { return id_; }
  int ColumnCount() const { return int(columns_.size()); }
  const ColumnInfo &Column(int index) const { return columns_[size_t(index)]; }
  // The position of the column with this name (letter case ignored), or -1.
  int ColumnIndex(const QString &name) const;

  qint64 RowCount() const { return rows_; }
  bool First();
  bool Next();
  bool AtEnd() const { return current_ >= rows_; }
  bool AtStart() const { return current_ < 0; }

  // The cell of the current row; null when there is no current row.
  CellView Cell(int column) const {
    if (current_ < 0 || current_ >= rows_ || column < 0 || column >= ColumnCount()) return {};
    return cells_.Cell(size_t(current_) * columns_.size() + size_t(column));
  }

 private:
  // What one run of the query showed the next run must do otherwise.
  struct ReadChoices {
    bool integersAsText = false;
    std::vector<bool> inPieces;  // columns read with SQLGetData although they declare a length
  };
  struct Binding;
  std::vector<Binding> plan(ReadChoices &choices, bool getDataAnyColumn);
  // Runs the query and fetches every row. False when a value showed the choices wrong: they are
  // changed, and the query must run again.
  bool fetchAll(SQLHDBC connection, const QString &sql, int timeout, StatementCalls &calls,
                ReadChoices &choices);
  // Appends the current row's value of a column not bound, read with SQLGetData into the buffer
  // (grown to the longest value read).
  void readLongValue(const RunningStatement &statement, SQLUSMALLINT column, SQLSMALLINT cType,
                     std::vector<char> &buffer);
  RunningStatement execute(SQLHDBC connection, const QString &sql, int timeout, StatementCalls &calls);
  void describe(SQLHDBC connection, const odbc::Handle &statement);
  void clearRows();

  std::vector<ColumnInfo> columns_;
  uint64_t id_;
  CellStore cells_;
  qint64 rows_ = 0;
  qint64 current_ = -1;
};
