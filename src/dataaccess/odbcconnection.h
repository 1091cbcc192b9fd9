// One connection to a database through the ODBC driver manager: opened with an ODBC connection
// string, closed by Close or by its destructor.
#pragma once

#include <QString>
#include <memory>

#include "odbchandles.h"
#include "xexception.h"

// A failed connect: the text is the layer's message, Diagnostic() the driver's own error lines.
class ConnectError : public XException {
 public:
  ConnectError(const QString &text, const QString &diagnostic) : XException(text), diagnostic_(diagnostic) {}
  const QString &Diagnostic() const { return diagnostic_; }

 private:
  QString diagnostic_;
};

class OdbcConnection {
 public:
  OdbcConnection();  // throws XException "Failed to initialize connection." with the ODBC code
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection &) = delete;
  OdbcConnection &operator=(const OdbcConnection &) = delete;

  // Opens with the login time-out in seconds, read-only unless exclusive. On failure returns the
  // driver's diagnostic text; on success an empty text.
  QString Open(const QString &odbcConnectionString, int loginTimeoutSeconds, bool exclusive);
  void Close();
  bool IsOpen() const { return open_; }
  // Open, and not known to be lost: the driver's own word (SQL_ATTR_CONNECTION_DEAD, no round trip
  // to the server); a driver that cannot tell counts as alive.
  bool Alive() const;
  SQLHDBC Handle() const { return connection_.get(); }

 private:
  std::shared_ptr<odbc::Handle> environment_;
  odbc::Handle connection_;
  bool open_ = false;
};
