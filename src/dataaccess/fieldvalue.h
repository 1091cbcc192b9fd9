// Turning one cell of a record set into the values the getters hand out: text, numbers, flags,
// dates and bytes, decided by the column's type as the driver reports it.
#pragma once

#include <QByteArray>
#include <QString>

#include "recordset.h"
#include "xdatetime.h"

namespace fieldvalue {

// The value as text: integers in decimal, floating values with 4 decimals and trailing zeros
// removed, exact decimals from the driver's digits, dates as "YYYY/MM/DD HH:NN:SS", bits as
// "True"/"False", strings in the single-byte code page; NULL and binary values give "".
// Throws XException for a column type the getters do not know.
QString Text(const ColumnInfo &column, const CellView &cell);
qint64 Integer(const ColumnInfo &column, const CellView &cell);
double Double(const ColumnInfo &column, const CellView &cell);
bool Bool(const ColumnInfo &column, const CellView &cell);
// Date columns and character columns holding ISO text; anything else is empty.
XDateTime DateTime(const ColumnInfo &column, const CellView &cell);
QByteArray Bytes(const ColumnInfo &column, const CellView &cell);

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" (or with "T") and "HH:MM[:SS[.fff]]".
// A text holding only a time gives the date 30 December 1899, as a time-only value reads in the
// OLE date form. Returns an empty value for anything else.
XDateTime ParseIsoDateTime(QStringView text);

// 4 decimals, then trailing zeros and a trailing point removed: 2.5 -> "2.5", 3.0 -> "3".
QString FormatFloating(double value);
// The same rounding and trimming done on decimal digits, so no value passes through a double.
QString FormatDecimalText(QStringView digits);

// The field status texts of a failed read.
QString FieldStatusText(int status);

}  // namespace fieldvalue
