// Reading the bench school's largest tables (period attendance, student schedules) through the
// data-access layer, every value read as text, against a bare ODBC loop (bound columns, block
// fetch, values discarded) running the same SELECT through the same driver.
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
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

// One query through the layer; readValues false: the rows are buffered, nothing is read (where the
// time goes). Returns the rows.
int64_t layerOnce(Layer &layer, const std::vector<const ODBCField *> &fields, bool readValues) {
  int64_t rows = 0;
  layer.session.OpenQuery();
  for (bool row = layer.session.GetFirstRecord(); row; row = layer.session.GetNextRecord()) {
    if (readValues)
      for (const ODBCField *field : fields) benchmark::DoNotOptimize(layer.session.GetFieldText(field));
    ++rows;
  }
  layer.session.CloseRecordSet();
  return rows;
}

bool schoolPresent(benchmark::State &state, const QString &path) {
  if (QFile::exists(path)) return true;
  state.SkipWithError("bench school missing: build the target icb_school_bench");
  return false;
}

void layerRun(benchmark::State &state, const char *size, const TableSpec &table, bool readValues) {
  const QString path = schoolPath(size);
  if (!schoolPresent(state, path)) return;
  Layer layer(path);
  const auto fields = layer.describe(table);
  int64_t rows = 0;
  for (auto _ : state) rows += layerOnce(layer, fields, readValues);
  state.SetItemsProcessed(rows);
  state.counters["rows"] = double(rows) / double(state.iterations());
}

// The same SELECT through the same driver with nothing but ODBC calls: bound columns, block fetch,
// values discarded.
class BareOdbc {
 public:
  BareOdbc(const QString &path, const TableSpec &table) : columns_(table.columns.size()) {
    Layer layer(path);  // only to build the identical SELECT text
    layer.describe(table);
    sql_ = layer.session.BuildQuery().toUtf8();
    const QByteArray connection = (QStringLiteral("DRIVER=SQLite3;DATABASE=") + path).toUtf8();
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    SQLDriverConnect(dbc_, nullptr, (SQLCHAR *)connection.constData(), SQL_NTS, nullptr, 0, nullptr,
                     SQL_DRIVER_NOPROMPT);
    buffers_.assign(columns_, std::vector<char>(kRows * kWidth));
    indicators_.assign(columns_, std::vector<SQLLEN>(kRows));
  }
  ~BareOdbc() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  int64_t Once() {
    int64_t rows = 0;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLExecDirect(stmt, (SQLCHAR *)sql_.constData(), SQL_NTS);
    for (size_t c = 0; c < columns_; ++c)
      SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffers_[c].data(), kWidth, indicators_[c].data());
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
      rows += int64_t(fetched);
      benchmark::ClobberMemory();
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
  }

 private:
  static constexpr SQLULEN kRows = 1024;
  static constexpr SQLLEN kWidth = 256;
  size_t columns_;
  QByteArray sql_;
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  std::vector<std::vector<char>> buffers_;
  std::vector<std::vector<SQLLEN>> indicators_;
};

void bareRead(benchmark::State &state, const char *size, const TableSpec &table) {
  const QString path = schoolPath(size);
  if (!schoolPresent(state, path)) return;
  BareOdbc bare(path, table);
  int64_t rows = 0;
  for (auto _ : state) rows += bare.Once();
  state.SetItemsProcessed(rows);
  state.counters["rows"] = double(rows) / double(state.iterations());
}

// The layer and the bare loop taking turns, each turn timed on its own: on a shared, noisy machine
// both meet the same load, and the ratio of their best turns is the layer's cost.
void layerOverBare(benchmark::State &state, const char *size, const TableSpec &table) {
  const QString path = schoolPath(size);
  if (!schoolPresent(state, path)) return;
  Layer layer(path);
  const auto fields = layer.describe(table);
  BareOdbc bare(path, table);
  using Clock = std::chrono::steady_clock;
  double bestLayer = 1e300;
  double bestBare = 1e300;
  for (auto _ : state) {
    const auto start = Clock::now();
    bare.Once();
    const auto middle = Clock::now();
    layerOnce(layer, fields, true);
    const auto end = Clock::now();
    bestBare = std::min(bestBare, std::chrono::duration<double, std::milli>(middle - start).count());
    bestLayer = std::min(bestLayer, std::chrono::duration<double, std::milli>(end - middle).count());
  }
  state.counters["bare_ms"] = bestBare;
  state.counters["layer_ms"] = bestLayer;
  state.counters["layer_over_bare"] = bestLayer / bestBare;
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
      benchmark::RegisterBenchmark(("LayerOverBare/" + suffix).c_str(), layerOverBare, size, *table)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(table == &kAttendance ? 8 : 40);
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
