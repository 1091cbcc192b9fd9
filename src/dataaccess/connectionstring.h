// Connection strings: the text built for each database type (the text that is logged, masked),
// the masking of passwords, and the mapping of that text onto the ODBC driver manager's keywords.
#pragma once

#include <QString>
#include <optional>

class BridgeTaskBase;

// The connection string of the database type for data source D, user U and password P (a value
// that is not given is std::nullopt). Throws XException through the task for types without one.
QString BuildConnectionString(BridgeTaskBase &task, int databaseType, const QString &dataSource,
                              const std::optional<QString> &user, const std::optional<QString> &password);

// The text with every password value replaced by "*", one for each character. The text is read as
// key=value pairs the way the driver reads a connection string (braced values whole).
QString MaskPasswords(const QString &text);

// The keywords the ODBC driver manager understands: Data Source -> DSN, User ID/User Id/Uid -> UID,
// Password/Pwd -> PWD, Database -> DATABASE; Provider, Persist Security Info and Collating
// Sequence are dropped; others pass through. A SQLite database is opened through the SQLite 3
// driver.
QString ToOdbcConnectionString(const QString &connectionString, int databaseType);
