// Where the generated test schools are and how to reach them through ODBC: the SQLite files built
// with the project and the SQL Server dialect test server that the "school_server" CTest fixture runs.
#pragma once

#include <QString>

namespace icbtest {

// The run values that select the school of the tiny (and every other) test school.
inline constexpr char kSchoolDistrict[] = "1";
inline constexpr char kSchoolNumber[] = "10";
inline constexpr char kSchoolYear[] = "2026";                  // startYear of the active school year
inline constexpr char kSchoolInactiveCutoff[] = "11/01/2026";  // parameter "inactivedate" (mm/dd/yyyy)
inline constexpr char kSchoolDefaultCalendar[] = "1011";       // parameter "defaultcal" (a structureID)

// Path of the generated SQLite school of a size: "tiny" and "demo" are built with the project,
// "bench" and "bench20k" by the target icb_school_bench.
QString schoolDbPath(const QString &size);
// "DRIVER=SQLite3;DATABASE=<file>" for that school (the driver as registered by libsqliteodbc).
QString sqliteConnectionString(const QString &size);

// True while the test server runs with its schools loaded. Tests declared with
// icb_tests(... SCHOOL_SERVER) get the fixture, which starts it, and the environment variable
// ODBCSYSINI=<build>/fixtures/server, whose odbc.ini has the DSNs "icb_tiny" and "icb_demo" and
// whose odbcinst.ini registers "SQLite3" and "PostgreSQL Unicode".
bool schoolServerAvailable();
// A full connection string (driver path, host, port, database, user SA, password sa) for the
// server's copy of the tiny or demo school; empty when the server is not running.
QString schoolServerConnectionString(const QString &size = QStringLiteral("tiny"));
// True when the test runs under the fixture (ODBCSYSINI names the server's folder), so a missing
// server is a failure rather than a reason to skip.
bool schoolServerExpected();
// The DSN name of the server's copy of a size ("icb_tiny", "icb_demo"), usable when ODBCSYSINI is set.
QString schoolServerDsn(const QString &size = QStringLiteral("tiny"));

}  // namespace icbtest

// In a GoogleTest body or SetUp: skips without the server when run by hand, fails under the fixture.
#define ICBTEST_REQUIRE_SCHOOL_SERVER()                                                          \
  do {                                                                                           \
    if (!icbtest::schoolServerAvailable()) {                                                     \
      if (icbtest::schoolServerExpected()) FAIL() << "the school server fixture is not running"; \
      GTEST_SKIP() << "the school server is not running (run the tests through ctest)";          \
    }                                                                                            \
  } while (false)
