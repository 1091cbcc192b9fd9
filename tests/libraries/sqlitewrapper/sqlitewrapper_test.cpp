// The SQLite wrapper: typed errors by primary result code, message format, opening with and without
// a key, statements, case-insensitive column lookup and the busy time-out.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <thread>
#include <typeinfo>

#include "database.h"
#include "query.h"
#include "sqlerror.h"
#include "test_support.h"

using namespace sqlite;

namespace {

const int kReadWriteCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

class SqliteWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath("test.db");
  }
  QTemporaryDir dir_;
  QString path_;
};

// Runs action and returns the exception it threw; fails the test when it threw none.
template <typename Action>
SqlError caught(Action action) {
  try {
    action();
  } catch (const SqlError &e) {
    return e;
  }
  ADD_FAILURE() << "no SqlError thrown";
  return SqlError({}, 0, {}, {}, {}, {});
}

struct ErrorClassCase {
  int code;
  const char *expectedClass;
};

TEST(SqlErrorTest, ExceptionClassFollowsThePrimaryResultCode) {
  const ErrorClassCase cases[] = {
      {SQLITE_PERM, typeid(PermError).name()},
      {SQLITE_ABORT, typeid(AbortError).name()},
      {SQLITE_BUSY, typeid(BusyError).name()},
      {SQLITE_BUSY_SNAPSHOT, typeid(BusyError).name()},
      {SQLITE_IOERR, typeid(IOError).name()},
      {SQLITE_IOERR_READ, typeid(IOError).name()},
      {SQLITE_MISMATCH, typeid(DataTypeMismatchError).name()},
      {SQLITE_ERROR, typeid(SqlError).name()},
      {SQLITE_CONSTRAINT_UNIQUE, typeid(SqlError).name()},
      {SQLITE_FULL, typeid(SqlError).name()},
  };
  for (const auto &c : cases) {
    try {
      CheckResult(false, c.code, nullptr, "place", "description", "SQL");
      ADD_FAILURE() << "code " << c.code << " threw nothing";
    } catch (const SqlError &e) {
      EXPECT_STREQ(typeid(e).name(), c.expectedClass) << "code " << c.code;
      EXPECT_EQ(e.ResultCode(), c.code);
      EXPECT_EQ(e.PrimaryCode(), c.code & 0xff);
      EXPECT_EQ(e.Sql(), "SQL");
    }
  }
}

TEST(SqlErrorTest, SuccessThrowsNothing) {
  EXPECT_NO_THROW(CheckResult(true, SQLITE_ERROR, nullptr, "p", "d"));
}

TEST(SqlErrorTest, MessageNamesConnectionMessageDescriptionAndPlace) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  sqlite3_exec(db, "SELECT * FROM missing_table", nullptr, nullptr, nullptr);
  const SqlError e =
      caught([&] { CheckResult(false, SQLITE_ERROR, db, "sqlite::Query::Step", "failed", "x"); });
  sqlite3_close(db);
  EXPECT_EQ(e.Text(), "Sql Error: no such table: missing_table (failed) (sqlite::Query::Step)");
  EXPECT_EQ(e.SqliteMessage(), "no such table: missing_table");
  EXPECT_EQ(e.Description(), "failed");
  EXPECT_EQ(e.Place(), "sqlite::Query::Step");
  // Copyable, and catchable as the foundation's exception.
  const SqlError copy = e;
  EXPECT_EQ(copy.Text(), e.Text());
  const XException &base = copy;
  EXPECT_STREQ(base.what(), "Sql Error: no such table: missing_table (failed) (sqlite::Query::Step)");
}

TEST(KeyRecordTest, EmptyTextGivesNoKeyAndOtherTextItsMd5) {
  const KeyRecord none = KeyRecord::FromText(QString());
  EXPECT_EQ(none.length, 0);
  for (unsigned char b : none.bytes) EXPECT_EQ(b, 0);
  EXPECT_EQ(KeyRecord::FromText("").length, 0);

  const KeyRecord abc = KeyRecord::FromText("abc");
  EXPECT_EQ(abc.length, 16);
  const unsigned char md5abc[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                    0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(abc.bytes[i], md5abc[i]) << i;
}

TEST_F(SqliteWrapperTest, OpenWithoutKeySetsBusyTimeoutAndExtendedCodes) {
  Database db;
  EXPECT_FALSE(db.IsOpen());
  db.Open(path_, QString(), kReadWriteCreate);
  EXPECT_TRUE(db.IsOpen());
  EXPECT_EQ(db.Path(), path_);
  Query timeout(db, "PRAGMA busy_timeout");
  ASSERT_TRUE(timeout.Step());
  EXPECT_EQ(timeout.StringColumn(0), "30000");
  timeout.Finalize();

  db.Execute("CREATE TABLE t (a PRIMARY KEY)");
  db.Execute("INSERT INTO t VALUES (1)");
  const SqlError e = caught([&] { db.Execute("INSERT INTO t VALUES (1)"); });
  EXPECT_EQ(e.ResultCode(), SQLITE_CONSTRAINT_PRIMARYKEY);
  EXPECT_EQ(e.Place(), "sqlite::Database::Execute");
  EXPECT_EQ(e.Sql(), "INSERT INTO t VALUES (1)");
  EXPECT_TRUE(e.Description().contains("UNIQUE constraint failed")) << e.Description().toStdString();
}

TEST_F(SqliteWrapperTest, NonEmptyKeyCannotBeAppliedWithoutCodec) {
  Database db;
  const SqlError e = caught([&] { db.Open(path_, "secret", kReadWriteCreate); });
  EXPECT_EQ(e.Text(), "Unable to decrypt database.");
  EXPECT_EQ(e.Place(), "sqlite::Database::Open");
  EXPECT_FALSE(db.IsOpen());
  // The connection is not left half-open: a plain open afterwards works.
  db.Open(path_, QString(), kReadWriteCreate);
  EXPECT_TRUE(db.IsOpen());
}

TEST_F(SqliteWrapperTest, OpenFailuresThrowWithThePlaceOfOpen) {
  Database db;
  const SqlError missing =
      caught([&] { db.Open(dir_.filePath("nofolder/x.db"), QString(), SQLITE_OPEN_READWRITE); });
  EXPECT_EQ(missing.PrimaryCode(), SQLITE_CANTOPEN);
  EXPECT_TRUE(missing.Text().endsWith("(failed) (sqlite::Database::Open)")) << missing.Text().toStdString();
  EXPECT_FALSE(db.IsOpen());

  db.Open(path_, QString(), kReadWriteCreate);
  const SqlError twice = caught([&] { db.Open(path_, QString(), kReadWriteCreate); });
  EXPECT_EQ(twice.Place(), "sqlite::Database::Open");
  EXPECT_TRUE(db.IsOpen());
}

TEST_F(SqliteWrapperTest, ExecuteFailures) {
  Database db;
  const SqlError closed = caught([&] { db.Execute("SELECT 1"); });
  EXPECT_EQ(closed.Description(), "db not open");
  EXPECT_EQ(closed.Place(), "sqlite::Database::Execute");

  db.Open(path_, QString(), kReadWriteCreate);
  const SqlError syntax = caught([&] { db.Execute("SELEKT 1"); });
  EXPECT_EQ(syntax.Description(), "near \"SELEKT\": syntax error");
  EXPECT_EQ(syntax.Text(),
            "Sql Error: near \"SELEKT\": syntax error (near \"SELEKT\": syntax error) "
            "(sqlite::Database::Execute)");
}

TEST_F(SqliteWrapperTest, ExecuteRunsSeveralStatementsAndFormats) {
  Database db;
  db.Open(path_, QString(), kReadWriteCreate);
  db.Execute("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('x')");
  db.ExecuteFormat("INSERT INTO t VALUES (%Q)", "it's");
  Query q(db, "SELECT a FROM t ORDER BY a");
  ASSERT_TRUE(q.Step());
  EXPECT_EQ(q.StringColumn("A"), "it's");
  ASSERT_TRUE(q.Step());
  EXPECT_EQ(q.StringColumn("a"), "x");
  EXPECT_FALSE(q.Step());
}

TEST_F(SqliteWrapperTest, FindColumnIgnoresCase) {
  Database db;
  db.Open(path_, QString(), kReadWriteCreate);
  db.Execute("CREATE TABLE t (stdkey TEXT, ATTDATE TEXT, NewCode TEXT)");
  Query q(db, "SELECT stdkey, ATTDATE, NewCode FROM t");
  const struct {
    const char *name;
    int index;
  } cases[] = {{"attdate", 1}, {"ATTDATE", 1}, {"AttDate", 1}, {"STDKEY", 0}, {"newcode", 2}, {"NEWCODE", 2}};
  for (const auto &c : cases) EXPECT_EQ(q.FindColumn(c.name), c.index) << c.name;

  const SqlError e = caught([&] { q.FindColumn("perkey"); });
  EXPECT_EQ(e.Description(), "Request for non-existent column \"perkey\"");
  EXPECT_EQ(e.Place(), "sqlite::Query::FindColumn");
}

TEST_F(SqliteWrapperTest, StepOnAStatementWithoutRowsReturnsFalseAtOnce) {
  Database db;
  db.Open(path_, QString(), kReadWriteCreate);
  db.Execute("CREATE TABLE t (a TEXT)");
  Query select(db, "SELECT a FROM t");
  EXPECT_FALSE(select.Step());
  Query insert(db, "INSERT INTO t VALUES ('a')");
  EXPECT_FALSE(insert.Step());
  EXPECT_EQ(db.Changes(), 1);
}

TEST_F(SqliteWrapperTest, StatementRulesAndMessages) {
  Database db;
  Query onClosed(db);
  const SqlError noDatabase = caught([&] { onClosed.Prepare("SELECT 1"); });
  EXPECT_EQ(noDatabase.Description(), "No database");

  db.Open(path_, QString(), kReadWriteCreate);
  Query q(db);
  EXPECT_FALSE(q.IsPrepared());
  const struct {
    const char *place;
    std::function<void()> action;
  } unprepared[] = {
      {"sqlite::Query::Step", [&] { q.Step(); }},
      {"sqlite::Query::Finalize", [&] { q.Finalize(); }},
      {"sqlite::Query::FindColumn", [&] { q.FindColumn("a"); }},
      {"sqlite::Query::StringColumn", [&] { q.StringColumn("a"); }},
  };
  for (const auto &c : unprepared) {
    const SqlError e = caught(c.action);
    EXPECT_EQ(e.Description(), "No prepared statement") << c.place;
    EXPECT_EQ(e.Place(), c.place);
  }
  const SqlError empty = caught([&] { q.Prepare(QString()); });
  EXPECT_EQ(empty.Description(), "no statement to prepare");
  EXPECT_EQ(empty.Place(), "sqlite::Query::Prepare");

  const SqlError bad = caught([&] { q.Prepare("SELECT nothing FROM nowhere"); });
  EXPECT_EQ(bad.Sql(), "SELECT nothing FROM nowhere");
  EXPECT_EQ(bad.Description(), "failed");
}

TEST_F(SqliteWrapperTest, BoundStatementIsReusedAndKeepsQuotesIntact) {
  Database db;
  db.Open(path_, QString(), kReadWriteCreate);
  db.Execute("CREATE TABLE t (a TEXT, b INTEGER)");
  Query insert(db, "INSERT INTO t VALUES (?1, ?2)");
  const char *values[] = {"plain", "O'Brien", "'); DROP TABLE t; --", ""};
  long long n = 0;
  for (const char *v : values) {
    insert.Bind(1, QString::fromUtf8(v));
    insert.Bind(2, ++n);
    insert.Step();
    insert.Reset();
  }
  Query select(db, "SELECT a, b FROM t ORDER BY b");
  for (const char *v : values) {
    ASSERT_TRUE(select.Step());
    EXPECT_EQ(select.StringColumn(0), QString::fromUtf8(v));
  }
  EXPECT_FALSE(select.Step());
}

TEST_F(SqliteWrapperTest, ShortLockIsWaitedOutAndBusyMapsToBusyError) {
  Database writer;
  writer.Open(path_, QString(), kReadWriteCreate);
  writer.Execute("CREATE TABLE t (a)");

  Database holder;
  holder.Open(path_, QString(), kReadWriteCreate);
  holder.Execute("BEGIN EXCLUSIVE");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.Execute("COMMIT");
  });
  EXPECT_NO_THROW(writer.Execute("INSERT INTO t VALUES (1)"));
  release.join();

  // A lock held longer than the time-out ends in BusyError (time-out shortened for the test).
  holder.Execute("BEGIN EXCLUSIVE");
  sqlite3_busy_timeout(writer.Handle(), 50);
  try {
    writer.Execute("INSERT INTO t VALUES (2)");
    ADD_FAILURE() << "no BusyError";
  } catch (const BusyError &e) {
    EXPECT_EQ(e.PrimaryCode(), SQLITE_BUSY);
  }
  holder.Execute("ROLLBACK");
}

TEST_F(SqliteWrapperTest, ClosingAndDestructionReleaseEverything) {
  auto db = std::make_unique<Database>();
  db->Open(path_, QString(), kReadWriteCreate);
  db->Execute("CREATE TABLE t (a)");
  {
    Query pending(*db, "SELECT a FROM t");
    // Destroyed while prepared: finalised without throwing.
  }
  db->Close();
  EXPECT_FALSE(db->IsOpen());
  EXPECT_NO_THROW(db->Close());
  db->Open(path_, QString(), kReadWriteCreate);
  EXPECT_NO_THROW(db.reset());
}

}  // namespace
