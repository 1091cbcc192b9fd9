// A thin RAII layer over the ODBC C API: handles that free themselves, and the diagnostic records
// of a failed call turned into the error text the layer reports.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <memory>

namespace odbc {

// One ODBC handle of any type; freed when the owner goes.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE parent);  // throws XException when it cannot be allocated
  ~Handle();
  Handle(Handle &&other) noexcept;
  Handle &operator=(Handle &&other) noexcept;
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }

 private:
  void release();
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// The process's ODBC 3 environment, shared by every connection that holds it.
std::shared_ptr<Handle> SharedEnvironment();

inline bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// One "Error number: %x\t%s\r\n" line per diagnostic record of the handle (native error, message);
// without records, the code of the call and the function that failed.
QString DiagnosticText(const Handle &handle, SQLRETURN rc, const char *function);

// The SQLSTATE of the handle's first diagnostic record ("" when there is none).
QString FirstSqlState(const Handle &handle);

// Text to and from the driver manager's UTF-16 wide characters.
std::u16string ToWide(const QString &text);

}  // namespace odbc
