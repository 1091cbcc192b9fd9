// Opening and closing an ODBC connection.
#include "odbcconnection.h"

#include <sqlucode.h>

#include <mutex>

namespace {
// psqlODBC sets and restores the C library's locale while it connects, and setlocale is not
// thread-safe: two connections opened at once on two threads had one of them read a locale name
// the other had just freed. Connections are therefore opened one at a time in the process.
std::mutex &connectMutex() {
  static std::mutex mutex;
  return mutex;
}
}  // namespace

OdbcConnection::OdbcConnection() : environment_(odbc::SharedEnvironment()) {
  connection_ = odbc::Handle(SQL_HANDLE_DBC, environment_->get());
}

OdbcConnection::~OdbcConnection() {
  Close();
}

QString OdbcConnection::Open(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive) {
  Close();
  if (loginTimeoutSeconds > 0)
    SQLSetConnectAttr(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(SQLULEN(loginTimeoutSeconds)), 0);
  // Drivers that cannot honour the access mode ignore it; the layer only ever reads.
  SQLSetConnectAttr(
      connection_.get(), SQL_ATTR_ACCESS_MODE,
      reinterpret_cast<SQLPOINTER>(SQLULEN(exclusive ? SQL_MODE_READ_WRITE : SQL_MODE_READ_ONLY)), 0);
  std::u16string wide = odbc::ToWide(odbcConnectionString);
  SQLWCHAR completed[1024] = {};
  SQLSMALLINT completedLength = 0;
  std::unique_lock oneAtATime(connectMutex());
  const SQLRETURN rc = SQLDriverConnectW(
      connection_.get(), nullptr, reinterpret_cast<SQLWCHAR *>(wide.data()), SQLSMALLINT(wide.size()),
      completed, SQLSMALLINT(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT);
  oneAtATime.unlock();
  if (!odbc::Succeeded(rc)) return odbc::DiagnosticText(connection_, rc, "SQLDriverConnect");
  open_ = true;
  return {};
}

bool OdbcConnection::Alive() const {
  if (!open_) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  const SQLRETURN rc = SQLGetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  return !odbc::Succeeded(rc) || dead != SQL_CD_TRUE;
}

void OdbcConnection::Close() {
  if (!open_) return;
  SQLDisconnect(connection_.get());
  open_ = false;
}
