// ODBC handles and diagnostic texts.
#include "odbchandles.h"

#include <sqlucode.h>

#include <mutex>

#include "xexception.h"

namespace odbc {

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!Succeeded(rc)) {
    handle_ = SQL_NULL_HANDLE;
    throw XException(QStringLiteral("Failed to initialize connection."), rc);
  }
}

Handle::~Handle() {
  release();
}

Handle::Handle(Handle &&other) noexcept : type_(other.type_), handle_(other.handle_) {
  other.handle_ = SQL_NULL_HANDLE;
}

Handle &Handle::operator=(Handle &&other) noexcept {
  if (this != &other) {
    release();
    type_ = other.type_;
    handle_ = other.handle_;
    other.handle_ = SQL_NULL_HANDLE;
  }
  return *this;
}

void Handle::release() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
}

std::shared_ptr<Handle> SharedEnvironment() {
  // Connections are also opened on the threads that run queries ahead.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  static std::weak_ptr<Handle> shared;
  if (auto env = shared.lock()) return env;
  auto env = std::make_shared<Handle>(SQLSMALLINT(SQL_HANDLE_ENV), SQLHANDLE(nullptr));
  SQLSetEnvAttr(env->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  shared = env;
  return env;
}

namespace {
const char *returnCodeName(SQLRETURN rc) {
  switch (rc) {
    case SQL_ERROR:
      return "SQL_ERROR";
    case SQL_INVALID_HANDLE:
      return "SQL_INVALID_HANDLE";
    case SQL_NO_DATA:
      return "SQL_NO_DATA";
    case SQL_NEED_DATA:
      return "SQL_NEED_DATA";
    case SQL_SUCCESS_WITH_INFO:
      return "SQL_SUCCESS_WITH_INFO";
    default:
      return "ODBC call failed";
  }
}
}  // namespace

QString DiagnosticText(const Handle &handle, SQLRETURN rc, const char *function) {
  QString text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR message[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN got = SQLGetDiagRecW(handle.type(), handle.get(), record, state, &native, message,
                                         SQLSMALLINT(std::size(message)), &length);
    if (!Succeeded(got)) break;
    const qsizetype shown = std::min<qsizetype>(length, qsizetype(std::size(message)) - 1);
    text += QString::asprintf("Error number: %x\t", unsigned(native)) +
            QString::fromUtf16(reinterpret_cast<const char16_t *>(message), shown) + QStringLiteral("\r\n");
  }
  if (!text.isEmpty()) return text;
  return QString::asprintf("COM Error Code = %08lx, Code Meaning = %s\r\nSource = %s, Description = %s",
                           static_cast<unsigned long>(static_cast<unsigned short>(rc)), returnCodeName(rc),
                           function, "no diagnostic record");
}

QString FirstSqlState(const Handle &handle) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!Succeeded(SQLGetDiagRecW(handle.type(), handle.get(), 1, state, &native, nullptr, 0, &length)))
    return {};
  return QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5);
}

std::u16string ToWide(const QString &text) {
  return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

}  // namespace odbc
