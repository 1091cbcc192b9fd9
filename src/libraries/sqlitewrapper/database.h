// One SQLite connection: opening a file with flags and an optional key, running statements that
// return no rows, and closing. Every failure arrives as a sqlite::SqlError (see sqlerror.h).
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdarg>

struct sqlite3;

namespace sqlite {

// The key applied to a connection: length 0 (no key) or 16, followed by the key bytes.
struct KeyRecord {
  int length = 0;
  std::array<unsigned char, 16> bytes{};

  // An absent or empty text gives no key; otherwise the key is the MD5 digest of the text's bytes.
  static KeyRecord FromText(const QString &text);
};

class Database {
 public:
  static constexpr int kBusyTimeoutMs = 30000;

  Database() = default;
  Database(const Database &) = delete;
  Database &operator=(const Database &) = delete;
  virtual ~Database();

  // Opens path with sqlite3_open_v2 flags. A non-empty key is applied through SQLite's encryption
  // call; a build without an encryption codec answers "Unable to decrypt database.".
  void Open(const QString &path, const QString &key, int flags);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  // Runs one or more statements that return no rows.
  void Execute(const QString &sql);
  // printf-style form; the caller is responsible for the values it formats into the text.
  void ExecuteFormat(const char *format, ...);
  // Ends the open transaction, if there still is one: SQLite rolls back by itself after some
  // failures (a full disk, an I/O error), and a second ROLLBACK would fail and hide the first error.
  void RollbackIfOpen();

  sqlite3 *Handle() const { return handle_; }
  const QString &Path() const { return path_; }
  int Flags() const { return flags_; }
  // Rows changed by the last INSERT, UPDATE or DELETE.
  int Changes() const;
  long long LastInsertRowId() const;

 private:
  void applyKey();

  sqlite3 *handle_ = nullptr;
  QString path_;
  KeyRecord key_;
  int flags_ = 0;
};

// SQL text from a printf-style format with SQLite's own conversions (%q, %Q, ...).
QString FormatSql(const char *format, va_list args);

}  // namespace sqlite
