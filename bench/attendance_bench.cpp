// Attendance cache throughput on the period attendance of the bench schools (the real marks of
// <build>/fixtures/bench.db, about 340,000, and bench20k.db, about 1,370,000): merging them into an
// empty cache, merging them again with 1 % of the codes changed, and sending the changes. The plain
// loop of prepared update-then-insert statements in one transaction runs in the same process as the
// reference. The marks are read from the school once, before any timing, and held compactly; each
// timed merge turns them into cache rows as the attendance query's getters would.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "attendancecache.h"
#include "bridgetaskbase.h"
#include "database.h"
#include "query.h"
#include "reference_merge.h"

namespace {

// One period mark of the school as the attendance query reads it.
struct SchoolMark {
  qint32 personId;
  qint32 periodId;
  qint32 julianDay;
  qint32 codeId;  // the attendance code's key (excuseID), or -1 when the mark has none
  char status;    // used as the code when there is no code key
};

const char *const kSchools[] = {"bench", "bench20k"};

// The school's marks in the order the window walk reads them: by date, then as stored.
std::vector<SchoolMark> readSchoolMarks(const char *school) {
  const std::string path = std::string(ICB_BINARY_DIR) + "/fixtures/" + school + ".db";
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "cannot open %s (build the target icb_school_bench)\n", path.c_str());
    std::exit(1);
  }
  // ICB_ATTENDANCE_BENCH_MARKS limits the marks read, for short runs under callgrind.
  const char *limit = std::getenv("ICB_ATTENDANCE_BENCH_MARKS");
  const std::string sql =
      "SELECT personID, periodID, date, excuseID, status FROM Attendance ORDER BY date, attendanceID LIMIT " +
      std::string(limit ? limit : "-1");
  sqlite3_stmt *statement = nullptr;
  // Reserved exactly, so that growing the list does not count towards the merge's peak memory.
  sqlite3_prepare_v2(db, ("SELECT count(*) FROM (" + sql + ")").c_str(), -1, &statement, nullptr);
  sqlite3_step(statement);
  std::vector<SchoolMark> marks;
  marks.reserve(size_t(sqlite3_column_int64(statement, 0)));
  sqlite3_finalize(statement);
  sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const char *date = reinterpret_cast<const char *>(sqlite3_column_text(statement, 2));
    const char *status = reinterpret_cast<const char *>(sqlite3_column_text(statement, 4));
    int year = 0, month = 0, day = 0;
    std::sscanf(date ? date : "", "%d-%d-%d", &year, &month, &day);
    marks.push_back({sqlite3_column_int(statement, 0), sqlite3_column_int(statement, 1),
                     qint32(QDate(year, month, day).toJulianDay()),
                     sqlite3_column_type(statement, 3) == SQLITE_NULL ? -1 : sqlite3_column_int(statement, 3),
                     status && *status ? *status : ' '});
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return marks;
}

// The marks of one school at a time (the benchmarks run school by school), so that the other
// school's marks do not count towards the peak memory.
const std::vector<SchoolMark> &schoolMarks(int school) {
  static int loadedSchool = -1;
  static std::vector<SchoolMark> loaded;
  if (school != loadedSchool) {
    std::vector<SchoolMark>().swap(loaded);
    // What the earlier school's benchmarks freed goes back to the system, so the peak measured for
    // this school is its own.
    malloc_trim(0);
    loaded = readSchoolMarks(kSchools[school]);
    loadedSchool = school;
  }
  return loaded;
}

// The marks as cache rows; changedPerThousand of them (spread evenly) carry another code.
class SchoolMarks {
 public:
  explicit SchoolMarks(int school) : marks_(schoolMarks(school)) {}
  // The benchmark's own copy of the marks, part of the process's peak but not of the merge's.
  double Megabytes() const { return double(marks_.capacity() * sizeof(SchoolMark)) / (1024.0 * 1024.0); }

  template <typename Emit>
  long long ForEach(int changedPerThousand, Emit sink) const {
    AttendanceCacheRow row;
    row.header = QStringLiteral("AttPerRef");
    long long index = 0;
    for (const SchoolMark &mark : marks_) {
      const bool changed = changedPerThousand > 0 && index % (1000 / changedPerThousand) == 0;
      row.stdkey = QString::number(mark.personId);
      row.period = QString::number(mark.periodId);
      row.attdate = QDate::fromJulianDay(mark.julianDay);
      row.code = mark.codeId >= 0 ? QString::number(mark.codeId + (changed ? 1 : 0))
                                  : QString(QLatin1Char(changed ? 'X' : mark.status));
      sink(row);
      ++index;
    }
    return index;
  }

 private:
  const std::vector<SchoolMark> &marks_;
};

long long merge(AttendanceCache &cache, const SchoolMarks &marks, int changedPerThousand) {
  cache.BlankNewCode(AttendanceTable::Period, QDate());
  cache.BeginMerge(AttendanceTable::Period);
  const long long count =
      marks.ForEach(changedPerThousand, [&](const AttendanceCacheRow &row) { cache.MergeRow(row); });
  cache.FinishMerge();
  return count;
}

long long sendAll(AttendanceCache &cache) {
  long long sent = 0;
  cache.BeginSending();
  cache.SendChanges(AttendanceTable::Period, QStringLiteral("AttPerRef"),
                    [&](const AttendanceChange &change) {
                      benchmark::DoNotOptimize(change.code.size());
                      ++sent;
                      return true;
                    });
  cache.CommitSent();
  return sent;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

struct Fixture {
  explicit Fixture(int school) : marks(school), cache(task) {
    cache.Open(dir.path(), dir.path());
    cache.CreateTable(AttendanceTable::Period);
  }
  QTemporaryDir dir;
  BridgeTaskBase task;
  SchoolMarks marks;
  AttendanceCache cache;
};

// Each benchmark runs one iteration: the set-up before the loop is not timed.
void BM_MergeIntoEmptyCache(benchmark::State &state) {
  Fixture fixture(int(state.range(0)));
  long long rows = 0;
  for (auto _ : state) rows = merge(fixture.cache, fixture.marks, 0);
  state.counters["rows"] = double(rows);
  state.counters["rows_per_s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["marks_MB"] = fixture.marks.Megabytes();
}

void BM_MergeOnePercentChanged(benchmark::State &state) {
  Fixture fixture(int(state.range(0)));
  merge(fixture.cache, fixture.marks, 0);
  sendAll(fixture.cache);
  long long rows = 0;
  for (auto _ : state) rows = merge(fixture.cache, fixture.marks, 10);
  state.counters["rows"] = double(rows);
  state.counters["rewritten"] = double(fixture.cache.MergedWrites());
  state.counters["rows_per_s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["marks_MB"] = fixture.marks.Megabytes();
}

void BM_SendChanges(benchmark::State &state) {
  Fixture fixture(int(state.range(0)));
  merge(fixture.cache, fixture.marks, 0);
  sendAll(fixture.cache);
  merge(fixture.cache, fixture.marks, 10);
  long long sent = 0;
  for (auto _ : state) sent = sendAll(fixture.cache);
  state.counters["sent"] = double(sent);
  state.counters["sent_per_s"] = benchmark::Counter(double(sent), benchmark::Counter::kIsRate);
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["marks_MB"] = fixture.marks.Megabytes();
}

// The reference: blank, then a prepared update and, when it changed nothing, an insert per mark,
// in one transaction.
long long plainMerge(AttendanceCache &cache, const SchoolMarks &marks, int changedPerThousand) {
  sqlite::Database &db = cache.Database();
  db.Execute("BEGIN");
  const long long count = attendancetest::ReferenceMerge(
      db, QDate(), [&](const auto &sink) { return marks.ForEach(changedPerThousand, sink); });
  db.Execute("COMMIT");
  return count;
}

void BM_PlainLoopIntoEmptyCache(benchmark::State &state) {
  Fixture fixture(int(state.range(0)));
  long long rows = 0;
  for (auto _ : state) rows = plainMerge(fixture.cache, fixture.marks, 0);
  state.counters["rows_per_s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

void BM_PlainLoopOnePercentChanged(benchmark::State &state) {
  Fixture fixture(int(state.range(0)));
  plainMerge(fixture.cache, fixture.marks, 0);
  sendAll(fixture.cache);
  long long rows = 0;
  for (auto _ : state) rows = plainMerge(fixture.cache, fixture.marks, 10);
  state.counters["rows_per_s"] = benchmark::Counter(double(rows), benchmark::Counter::kIsRate);
}

// The merge and the plain loop taking turns, each turn timed on its own with fresh caches: on a
// shared, noisy machine both meet the same load, and the ratio of their best turns is the speed-up.
// changedPerThousand 0: into an empty cache; otherwise the cache holds the marks, sent, and they are
// merged again with that many per thousand changed.
void runTurns(benchmark::State &state, int changedPerThousand) {
  constexpr int kTurns = 3;
  const SchoolMarks marks(int(state.range(0)));
  double bestPlain = 1e300;
  double bestMerge = 1e300;
  long long rows = 0;
  const auto seconds = [](auto start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (auto _ : state) {
    for (int turn = 0; turn < kTurns; ++turn) {
      {
        Fixture plain(int(state.range(0)));
        if (changedPerThousand > 0) {
          plainMerge(plain.cache, marks, 0);
          sendAll(plain.cache);
        }
        const auto start = std::chrono::steady_clock::now();
        rows = plainMerge(plain.cache, marks, changedPerThousand);
        bestPlain = std::min(bestPlain, seconds(start));
      }
      {
        Fixture merged(int(state.range(0)));
        if (changedPerThousand > 0) {
          merge(merged.cache, marks, 0);
          sendAll(merged.cache);
        }
        const auto start = std::chrono::steady_clock::now();
        merge(merged.cache, marks, changedPerThousand);
        bestMerge = std::min(bestMerge, seconds(start));
      }
    }
  }
  state.counters["plain_rows_per_s"] = double(rows) / bestPlain;
  state.counters["merge_rows_per_s"] = double(rows) / bestMerge;
  state.counters["merge_over_plain"] = bestPlain / bestMerge;
  state.counters["peak_MB"] = peakMegabytes();
}

void BM_TurnsIntoEmptyCache(benchmark::State &state) {
  runTurns(state, 0);
}

void BM_TurnsOnePercentChanged(benchmark::State &state) {
  runTurns(state, 10);
}

}  // namespace

// Arg 0: the bench school, 1: bench20k; school by school. The plain loop runs on bench, just before
// the merges it is compared with.
BENCHMARK(BM_PlainLoopIntoEmptyCache)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeIntoEmptyCache)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainLoopOnePercentChanged)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeOnePercentChanged)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SendChanges)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TurnsIntoEmptyCache)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TurnsOnePercentChanged)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeIntoEmptyCache)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeOnePercentChanged)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SendChanges)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
