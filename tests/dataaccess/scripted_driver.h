// A driver with quirks, put between a record set and the real driver (the SQLite 3 driver and
// psqlODBC do none of this): it refuses one statement attribute, grants fewer rows a fetch than
// asked, or flags one row of the result in error.
#pragma once

#include <QtGlobal>

#include "statementcalls.h"

class ScriptedDriver : public StatementCalls {
 public:
  SQLINTEGER refusedAttribute = 0;  // answered SQL_ERROR without reaching the driver
  SQLULEN rowsetCap = 0;            // the most rows a fetch it grants; 0 grants what is asked
  qint64 errorRow = -1;             // the row of the result (from 0) flagged SQL_ROW_ERROR

  SQLRETURN SetAttribute(SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value,
                         SQLINTEGER length) override;
  SQLRETURN Fetch(SQLHSTMT statement) override;

 private:
  SQLUSMALLINT *rowStatus_ = nullptr;
  SQLULEN *rowsFetched_ = nullptr;
  qint64 rowsSeen_ = 0;
};
