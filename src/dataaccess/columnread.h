// How the record set reads each column of a result: the C type of its values and the width of the
// buffer it is bound to, from its type and declared length. Long data (text or bytes without a
// usable declared length) is not bound but read cell by cell with SQLGetData.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "recordset.h"

ColumnKind KindOf(SQLSMALLINT sqlType);

// The C type a column is read as.
SQLSMALLINT CTypeOf(const ColumnInfo &column);

// Bytes a call adds after the data: a terminating zero for character data.
SQLLEN TerminatorOf(SQLSMALLINT cType);

// The bound buffer width in bytes for a column, or 0 for long data, read with SQLGetData.
SQLLEN BoundWidth(const ColumnInfo &column);
