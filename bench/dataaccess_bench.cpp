// Reading the bench school's largest tables (period attendance, student schedules) through the
// data-access layer, every value read as text, against a bare ODBC loop (bound columns, block
// fetch, values discarded) running the same SELECT through the same driver.
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <QFile>
#include <QString>
#include <vector>

#include "bridgetaskbase.h"
#include "databasetype.h"
#include "odbcsession.h"

namespace {

struct TableSpec {
  const char *name;
  std::vector<const char *> columns;
};

const TableSpec kAttendance{"Attendance",
                            {"attendanceID", "personID", "calendarID", "periodID", "date", "status", "excuse",
                             "excuseID", "comments"}};
const TableSpec kRoster{"Roster", {"rosterID", "personID", "sectionID", "trialID", "startDate", "endDate"}};

QString schoolPath(const char *size) {
  return QStringLiteral(ICB_BINARY_DIR "/fixtures/") + QLatin1String(size) + QStringLiteral(".db");
}

// The layer set up as the engine sets it up, on the SQLite school file.
struct Layer {
  explicit Layer(const QString &path) : session(task, 3) {
    session.SetDatabaseType(EffectiveDatabaseType(DatabaseType::MSSQL, path));
    session.Query().Options().QuoteFields = true;
    session.Query().Options().QuoteTables = true;
    session.SetTimeouts(720, 360);
    session.Connect(session.BuildConnectionString(path, std::nullopt, std::nullopt));
  }
  std::vector<const ODBCField *> describe(const TableSpec &table) {
    QueryDescription &q = session.Query();
    q.ClearQuery();
    const ODBCTable *t = q.AddTable(QLatin1String(table.name), QStringLiteral("T"));
    std::vector<const ODBCField *> fields;
    for (const char *column : table.columns) fields.push_back(q.AddField(*t, QLatin1String(column)));
    return fields;
  }
  BridgeTaskBase task;
  OdbcSession session;
};

// readValues false: the query runs and its rows are buffered, nothing is read (where the time goes).
void layerRun(benchmark::State &state, const char *size, const TableSpec &table, bool readValues) {
  const QString path = schoolPath(size);
  if (!QFile::exists(path)) {
    state.SkipWithError("bench school missing: build the target icb_school_bench");
    return;
  }
  Layer layer(path);
  const auto fields = layer.describe(table);
  int64_t rows = 0;
  for (auto _ : state) {
    layer.session.OpenQuery();
    for (bool row = layer.session.GetFirstRecord(); row; row = layer.session.GetNextRecord()) {
      if (readValues)
        for (const ODBCField *field : fields) benchmark::DoNotOptimize(layer.session.GetFieldText(field));
      ++rows;
    }
  }
  state.SetItemsProcessed(rows);
  state.counters["rows"] = double(rows) / double(state.iterations());
}

void bareRead(benchmark::State &state, const char *size, const TableSpec &table) {
  const QString path = schoolPath(size);
  if (!QFile::exists(path)) {
    state.SkipWithError("bench school missing: build the target icb_school_bench");
    return;
  }
  Layer layer(path);  // only to build the identical SELECT text
  layer.describe(table);
  const QByteArray sql = layer.session.BuildQuery().toUtf8();
  const QByteArray connection = (QStringLiteral("DRIVER=SQLite3;DATABASE=") + path).toUtf8();

  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  SQLDriverConnect(dbc, nullptr, (SQLCHAR *)connection.constData(), SQL_NTS, nullptr, 0, nullptr,
                   SQL_DRIVER_NOPROMPT);
  constexpr SQLULEN kRows = 1024;
  constexpr SQLLEN kWidth = 256;
  const size_t columns = table.columns.size();
  std::vector<std::vector<char>> buffers(columns, std::vector<char>(kRows * kWidth));
  std::vector<std::vector<SQLLEN>> indicators(columns, std::vector<SQLLEN>(kRows));
  int64_t rows = 0;
  for (auto _ : state) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLExecDirect(stmt, (SQLCHAR *)sql.constData(), SQL_NTS);
    for (size_t c = 0; c < columns; ++c)
      SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffers[c].data(), kWidth, indicators[c].data());
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
      rows += int64_t(fetched);
      benchmark::ClobberMemory();
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  state.SetItemsProcessed(rows);
  state.counters["rows"] = double(rows) / double(state.iterations());
}

void registerAll() {
  for (const char *size : {"bench", "bench20k"}) {
    for (const TableSpec *table : {&kAttendance, &kRoster}) {
      const std::string suffix = std::string(table->name) + "/" + size;
      benchmark::RegisterBenchmark(("Layer/" + suffix).c_str(), layerRun, size, *table, true)
          ->Unit(benchmark::kMillisecond)
          ->MinTime(2.0);
      benchmark::RegisterBenchmark(("LayerFetchOnly/" + suffix).c_str(), layerRun, size, *table, false)
          ->Unit(benchmark::kMillisecond)
          ->MinTime(2.0);
      benchmark::RegisterBenchmark(("BareOdbc/" + suffix).c_str(), bareRead, size, *table)
          ->Unit(benchmark::kMillisecond)
          ->MinTime(2.0);
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
