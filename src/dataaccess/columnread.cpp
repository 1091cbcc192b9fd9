// Column kinds, C types and buffer widths.
#include "columnread.h"

#include <sqlucode.h>

#include <algorithm>

namespace {

// SQL Server's longest character column short of the (max) types, and its longest binary one.
// A declared length up to this is bound in full; beyond it, or without one, the column is long.
constexpr SQLLEN kLongestBound = 8000;

// Bytes a text column of this many characters needs in the form it is read in.
SQLLEN textBytes(const ColumnInfo &column, SQLLEN characters) {
  return column.utf8 ? characters * 3 + 1 : (characters + 1) * 2;
}

bool declaresLength(const ColumnInfo &column) {
  return column.size > 0 && column.size <= SQLULEN(kLongestBound);
}

}  // namespace

ColumnKind KindOf(SQLSMALLINT sqlType) {
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

SQLSMALLINT CTypeOf(const ColumnInfo &column) {
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

SQLLEN TerminatorOf(SQLSMALLINT cType) {
  if (cType == SQL_C_CHAR) return 1;
  if (cType == SQL_C_WCHAR) return 2;
  return 0;
}

SQLLEN BoundWidth(const ColumnInfo &column) {
  switch (column.kind) {
    case ColumnKind::Floating:
      return sizeof(double);
    case ColumnKind::Integer:
      return column.binaryInteger ? SQLLEN(sizeof(qint64)) : 24;
    case ColumnKind::Bit:
      return 32;
    case ColumnKind::Decimal:
      return std::max<SQLLEN>(48, SQLLEN(column.size) + 8);
    case ColumnKind::Date:
      return 64;
    case ColumnKind::Text:
      return declaresLength(column) ? textBytes(column, SQLLEN(column.size)) : 0;
    case ColumnKind::Binary:
      return declaresLength(column) ? SQLLEN(column.size) : 0;
    case ColumnKind::Unsupported:
      return 512;
  }
  return 0;
}
