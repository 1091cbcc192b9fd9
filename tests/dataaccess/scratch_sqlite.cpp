// Writing a scratch SQLite database for a test.
#include "scratch_sqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

ScratchSqlite::ScratchSqlite(const char *statements) : path_(dir_.filePath(QStringLiteral("scratch.db"))) {
  sqlite3 *db = nullptr;
  if (sqlite3_open(path_.toUtf8().constData(), &db) != SQLITE_OK) {
    ADD_FAILURE() << "cannot create " << path_.toStdString();
    sqlite3_close(db);
    return;
  }
  char *error = nullptr;
  if (sqlite3_exec(db, statements, nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << "scratch database: " << (error ? error : "?");
    sqlite3_free(error);
  }
  sqlite3_close(db);
}
