// The full extraction run against its raw fetch floor, on the bench schools of both engines: the
// SQLite school file and the SQL Server dialect server (started here with the bench schools
// loaded). Each turn runs the built `icbridge run` (all flags on, multi calendar off) into a fresh
// folder, then sends the SELECT statements that run logged through the same driver with every row
// fetched and dropped; the best turn of each is kept, so both meet the same load on a shared machine.
// Also: the run's peak memory, a second run with nothing changed against the first, a run with
// --reconcile against a plain second run, and the two school sizes side by side.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench_server.h"
#include "bridge_run.h"
#include "fetch_floor.h"

namespace {

enum class Engine { SQLite, Server };

struct School {
  const char *size;
  int students;
};
const School kBench{"bench", 5000};
const School kBench20k{"bench20k", 20000};

int turns() {
  const char *text = std::getenv("ICB_BENCH_TURNS");
  return text ? std::max(1, std::atoi(text)) : 3;
}

QString schoolFile(const School &school) {
  return QStringLiteral(ICB_BINARY_DIR "/fixtures/") + QLatin1String(school.size) + QStringLiteral(".db");
}

// The server, started by the first benchmark that needs it and stopped before the program ends.
std::unique_ptr<BenchServer> running;

BenchServer *server(benchmark::State &state) {
  if (!running) {
    QStringList sizes{QString::fromLatin1(kBench.size)};
    if (!std::getenv("ICB_BENCH_NO_SERVER_20K")) sizes << QString::fromLatin1(kBench20k.size);
    running = std::make_unique<BenchServer>(sizes);
  }
  if (!running->Problem().isEmpty()) {
    state.SkipWithError(running->Problem().toStdString().c_str());
    return nullptr;
  }
  return running.get();
}

// Where a run reads its school, and how the floor reaches the same school through the same driver
// (the driver's file named in the connection string, so the floor needs no ini files).
struct Target {
  QString dsn;
  QString floorConnection;
  QString odbcSysIni;
};

bool targetOf(benchmark::State &state, Engine engine, const School &school, Target &target) {
  if (engine == Engine::SQLite) {
    target = {schoolFile(school), QStringLiteral("DRIVER=SQLite3;DATABASE=") + schoolFile(school), QString()};
    if (QFile::exists(target.dsn)) return true;
    state.SkipWithError("bench school missing: build the target icb_school_bench");
    return false;
  }
  const BenchServer *running = server(state);
  if (!running) return false;
  const QString dsn = BenchServer::Dsn(QString::fromLatin1(school.size));
  target = {dsn, running->ConnectionString(QString::fromLatin1(school.size)), running->OdbcSysIni()};
  return true;
}

BridgeRunResult runInto(const Target &target, const QString &folder, const QString &logFolder,
                        const QStringList &switches = {}) {
  BridgeRunRequest request{
      QStringLiteral(ICB_BINARY_DIR "/icbridge"),
      folder,
      logFolder,
      target.dsn,
      target.odbcSysIni,
      {QStringLiteral("--user=SA"), QStringLiteral("--pwd=sa"), QStringLiteral("--district=1"),
       QStringLiteral("--school=10"), QStringLiteral("--filterhealthhist=true"),
       QStringLiteral("--filtercustom=true")}};
  request.extra << switches;
  return RunBridge(request);
}

// Runs one after another into one fresh folder, each with its switches and a log folder of its own;
// none when one of them fails.
std::vector<BridgeRunResult> runsIntoOneFolder(const Target &target,
                                               const std::vector<QStringList> &switches) {
  QTemporaryDir output;
  std::vector<BridgeRunResult> runs;
  for (const QStringList &extra : switches) {
    QTemporaryDir logs;
    runs.push_back(runInto(target, output.path(), logs.path(), extra));
    if (runs.back().exitCode != 0) return {};
  }
  return runs;
}

FloorResult floorOf(const Target &target, const QStringList &statements) {
  FetchFloor floor(target.floorConnection);
  return floor.Run(statements);
}

int attendanceWindows(const QStringList &statements) {
  return int(std::count_if(statements.cbegin(), statements.cend(),
                           [](const QString &sql) { return sql.contains(QLatin1String("PERATT")); }));
}

// Turns of a full run into a fresh folder and its floor; the best of each.
void RunOverFloor(benchmark::State &state, Engine engine, School school) {
  Target target;
  if (!targetOf(state, engine, school, target)) return;
  double bestRun = 1e300, bestFloor = 1e300, peak = 0, runCpu = 1e300, floorCpu = 1e300;
  FloorResult floor;
  BridgeRunResult run;
  for (auto _ : state) {
    for (int turn = 0; turn < turns(); ++turn) {
      QTemporaryDir output, logs;
      run = runInto(target, output.path(), logs.path());
      if (run.exitCode != 0) {
        state.SkipWithError("the run failed");
        return;
      }
      floor = floorOf(target, run.statements);
      if (!floor.connected) {
        state.SkipWithError("the fetch floor cannot connect");
        return;
      }
      bestRun = std::min(bestRun, run.seconds);
      bestFloor = std::min(bestFloor, floor.seconds);
      runCpu = std::min(runCpu, run.cpuSeconds);
      floorCpu = std::min(floorCpu, floor.cpuSeconds);
      peak = std::max(peak, run.peakMegabytes);
    }
  }
  state.counters["run_s"] = bestRun;
  state.counters["floor_s"] = bestFloor;
  state.counters["run_over_floor"] = bestRun / bestFloor;
  // Processor time of the client alone: the rest of each wall time is the database's (and waits).
  state.counters["run_cpu_s"] = runCpu;
  state.counters["floor_cpu_s"] = floorCpu;
  state.counters["run_ms_per_1000_students"] = bestRun * 1000.0 / (school.students / 1000.0);
  state.counters["statements"] = double(floor.statements);
  state.counters["refused"] = double(floor.failed);
  state.counters["rows"] = double(floor.rows);
  state.counters["peak_MB"] = peak;
}

// A run, then a second run into the same folder with nothing changed in the school; each with the
// floor of what it sent.
void SecondRun(benchmark::State &state, Engine engine, School school) {
  Target target;
  if (!targetOf(state, engine, school, target)) return;
  double first = 1e300, second = 1e300, secondFloor = 1e300;
  FloorResult firstRows, secondRows;
  int firstWindows = 0, secondWindows = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < turns(); ++turn) {
      const std::vector<BridgeRunResult> runs = runsIntoOneFolder(target, {{}, {}});
      if (runs.empty()) {
        state.SkipWithError("a run failed");
        return;
      }
      const BridgeRunResult &one = runs[0], &two = runs[1];
      firstRows = floorOf(target, one.statements);
      secondRows = floorOf(target, two.statements);
      if (!firstRows.connected || !secondRows.connected) {
        state.SkipWithError("the fetch floor cannot connect");
        return;
      }
      first = std::min(first, one.seconds);
      second = std::min(second, two.seconds);
      secondFloor = std::min(secondFloor, secondRows.seconds);
      firstWindows = attendanceWindows(one.statements);
      secondWindows = attendanceWindows(two.statements);
    }
  }
  state.counters["first_s"] = first;
  state.counters["second_s"] = second;
  state.counters["second_over_first"] = second / first;
  state.counters["second_over_its_floor"] = second / secondFloor;
  state.counters["first_rows"] = double(firstRows.rows);
  state.counters["second_rows"] = double(secondRows.rows);
  state.counters["first_statements"] = double(firstRows.statements);
  state.counters["second_statements"] = double(secondRows.statements);
  state.counters["first_attendance_windows"] = firstWindows;
  state.counters["second_attendance_windows"] = secondWindows;
}

// A first run, a plain second run and a run with --reconcile into the same folder, nothing changed
// in the school: what reading the whole year again costs against a plain run.
void ReconcileRun(benchmark::State &state, Engine engine, School school) {
  Target target;
  if (!targetOf(state, engine, school, target)) return;
  double plain = 1e300, reconcile = 1e300;
  int plainWindows = 0, reconcileWindows = 0;
  for (auto _ : state) {
    for (int turn = 0; turn < turns(); ++turn) {
      const std::vector<BridgeRunResult> runs =
          runsIntoOneFolder(target, {{}, {}, {QStringLiteral("--reconcile")}});
      if (runs.empty()) {
        state.SkipWithError("a run failed");
        return;
      }
      const BridgeRunResult &second = runs[1], &third = runs[2];
      plain = std::min(plain, second.seconds);
      reconcile = std::min(reconcile, third.seconds);
      plainWindows = attendanceWindows(second.statements);
      reconcileWindows = attendanceWindows(third.statements);
    }
  }
  state.counters["plain_s"] = plain;
  state.counters["reconcile_s"] = reconcile;
  state.counters["reconcile_over_plain"] = reconcile / plain;
  state.counters["plain_attendance_windows"] = plainWindows;
  state.counters["reconcile_attendance_windows"] = reconcileWindows;
}

void registerAll() {
  for (const auto &[engine, name] :
       {std::pair{Engine::SQLite, "sqlite"}, std::pair{Engine::Server, "server"}}) {
    for (const School &school : {kBench, kBench20k})
      benchmark::RegisterBenchmark((std::string("RunOverFloor/") + name + "/" + school.size).c_str(),
                                   RunOverFloor, engine, school)
          ->Unit(benchmark::kSecond)
          ->Iterations(1);
    benchmark::RegisterBenchmark((std::string("SecondRun/") + name + "/" + kBench.size).c_str(), SecondRun,
                                 engine, kBench)
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark((std::string("ReconcileRun/") + name + "/" + kBench.size).c_str(),
                                 ReconcileRun, engine, kBench)
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
  }
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication application(argc, argv);
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  running.reset();
  benchmark::Shutdown();
  return 0;
}
