// Attendance cache throughput: merging a school year's period marks into an empty cache, merging
// them again with 1 % changed, and sending the changes. The marks are generated here: students x
// school days x 7 periods, about 5 % of the slots marked (about 315,000 marks for 5,000 students).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QTemporaryDir>
#include <vector>

#include "attendancecache.h"
#include "bridgetaskbase.h"
#include "database.h"
#include "query.h"

namespace {

constexpr int kDays = 180;
constexpr int kPeriods = 7;
constexpr int kMarkedPerThousand = 50;

// Deterministic marks: slot (student, day, period) is marked when its hash falls under 5 %.
class MarkGenerator {
 public:
  explicit MarkGenerator(int students) : students_(students) {
    for (int s = 0; s < students; ++s) keys_.push_back(QString::number(100000 + s));
    const QDate start(2026, 8, 20);
    for (int day = 0; day < kDays; ++day) dates_.push_back(start.addDays(day + (day / 5) * 2));
    for (int p = 1; p <= kPeriods; ++p) periods_.push_back(QString::number(p));
    codes_ = {"A", "T", "E", "U", "X"};
  }

  // Calls sink(row) for every mark; changedPerThousand of them get a different code.
  template <typename Emit>
  long long ForEach(int changedPerThousand, Emit sink) const {
    AttendanceCacheRow row;
    row.header = QStringLiteral("AttPerRef");
    long long count = 0;
    for (int day = 0; day < kDays; ++day) {
      for (int s = 0; s < students_; ++s) {
        for (int p = 0; p < kPeriods; ++p) {
          const unsigned h = hash(s, day, p);
          if (h % 1000 >= kMarkedPerThousand) continue;
          row.stdkey = keys_[s];
          row.attdate = dates_[day];
          row.period = periods_[p];
          const bool changed = (h / 1000) % 1000 < unsigned(changedPerThousand);
          row.code = codes_[(h / 7 + (changed ? 1 : 0)) % codes_.size()];
          row.excused = (h & 1) ? QStringLiteral("Y") : QStringLiteral("N");
          sink(row);
          ++count;
        }
      }
    }
    return count;
  }

 private:
  static unsigned hash(int s, int day, int p) {
    unsigned x = unsigned(s) * 2654435761u ^ unsigned(day) * 40503u ^ unsigned(p) * 2246822519u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x;
  }

  int students_;
  std::vector<QString> keys_;
  std::vector<QDate> dates_;
  std::vector<QString> periods_;
  std::vector<QString> codes_;
};

long long merge(AttendanceCache &cache, const MarkGenerator &marks, int changedPerThousand) {
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
  explicit Fixture(int students) : marks(students), cache(task) {
    cache.Open(dir.path(), dir.path());
    cache.CreateTable(AttendanceTable::Period);
  }
  QTemporaryDir dir;
  BridgeTaskBase task;
  MarkGenerator marks;
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
}

// The reference: blank, then a prepared update and, when it changed nothing, an insert per mark,
// in one transaction.
long long plainMerge(AttendanceCache &cache, const MarkGenerator &marks, int changedPerThousand) {
  sqlite::Database &db = cache.Database();
  db.Execute("BEGIN");
  db.Execute("UPDATE PERIOD_ATT SET newcode='' WHERE attdate >= ''");
  sqlite::Query update(
      db,
      "UPDATE PERIOD_ATT SET newcode=?1, excused=?2, absent=?3, tardy=?4, truant=?5, discipline=?6 "
      "WHERE stdkey=?7 AND attdate=?8 AND perkey=?9 AND header=?10");
  sqlite::Query insert(
      db,
      "INSERT INTO PERIOD_ATT (stdkey, attdate, reason, excused, absent, tardy, truant, discipline, "
      "perkey, header, newcode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
  const long long count = marks.ForEach(changedPerThousand, [&](const AttendanceCacheRow &r) {
    const QString date = r.attdate.toString(QStringLiteral("yyyy-MM-dd"));
    const QString values[] = {r.code,       r.excused, r.absent, r.tardy,  r.truant,
                              r.discipline, r.stdkey,  date,     r.period, r.header};
    for (int i = 0; i < 10; ++i) update.Bind(i + 1, values[i]);
    update.Step();
    update.Reset();
    if (db.Changes() > 0) return;
    const QString inserted[] = {r.stdkey, date,         r.reason, r.excused, r.absent, r.tardy,
                                r.truant, r.discipline, r.period, r.header,  r.code};
    for (int i = 0; i < 11; ++i) insert.Bind(i + 1, inserted[i]);
    insert.Step();
    insert.Reset();
  });
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

}  // namespace

BENCHMARK(BM_PlainLoopIntoEmptyCache)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainLoopOnePercentChanged)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeIntoEmptyCache)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeOnePercentChanged)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SendChanges)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
