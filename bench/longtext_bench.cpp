// Reading long text through the data-access layer: a table of 10,000 rows with one 4,000-character
// column, read with that column and without it, the two reads taking turns in one run so both
// meet the same machine load. The column is declared TEXT (no usable length: its cells are read
// with SQLGetData) and, in a second table, VARCHAR(4000) (bound at its declared length).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <ctime>

#include "bridgetaskbase.h"
#include "databasetype.h"
#include "odbcsession.h"

namespace {

constexpr int kRows = 10000;
constexpr int kLongCharacters = 4000;

// Two tables of the same rows, the long column declared TEXT in one and VARCHAR(4000) in the other.
class LongTextSchool {
 public:
  LongTextSchool() : path_(dir_.filePath(QStringLiteral("longtext.db"))) {
    sqlite3 *db = nullptr;
    sqlite3_open(path_.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE NoteText (noteID INTEGER, personID INTEGER, noteDate DATE, "
                 "author VARCHAR(60), note TEXT);"
                 "CREATE TABLE NoteVarchar (noteID INTEGER, personID INTEGER, noteDate DATE, "
                 "author VARCHAR(60), note VARCHAR(4000));",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const char *table : {"NoteText", "NoteVarchar"}) {
      sqlite3_stmt *insert = nullptr;
      const QByteArray sql = QByteArray("INSERT INTO ") + table + " VALUES (?, ?, '2026-09-01', ?, ?)";
      sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
      for (int row = 0; row < kRows; ++row) {
        // Every note differs (its number leads), as a school's notes do.
        QByteArray note = QByteArray::number(row) + ' ';
        while (note.size() < kLongCharacters) note += "Discussed progress with the family. ";
        note.truncate(kLongCharacters);
        const QByteArray author = "Counselor " + QByteArray::number(row % 40);
        sqlite3_bind_int(insert, 1, row);
        sqlite3_bind_int(insert, 2, 100000 + row / 3);
        sqlite3_bind_text(insert, 3, author.constData(), int(author.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, note.constData(), int(note.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
      }
      sqlite3_finalize(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  const QString &Path() const { return path_; }

 private:
  QTemporaryDir dir_;
  QString path_;
};

// The layer set up as the engine sets it up, reading one of the tables with or without its note.
class NoteReader {
 public:
  NoteReader(const QString &path, const char *table, bool withNote) : session_(task_, 3) {
    session_.SetDatabaseType(DatabaseType::SQLite);
    session_.SetTimeouts(720, 360);
    session_.Connect(session_.BuildConnectionString(path, std::nullopt, std::nullopt));
    QueryDescription &q = session_.Query();
    const ODBCTable *t = q.AddTable(QLatin1String(table), QStringLiteral("N"));
    for (const char *column : {"noteID", "personID", "noteDate", "author"})
      fields_.push_back(q.AddField(*t, QLatin1String(column)));
    if (withNote) fields_.push_back(q.AddField(*t, QStringLiteral("note")));
  }
  // One query, every value read as text; returns the rows.
  int64_t Once() {
    int64_t rows = 0;
    session_.OpenQuery();
    for (bool row = session_.GetFirstRecord(); row; row = session_.GetNextRecord()) {
      for (const ODBCField *field : fields_) benchmark::DoNotOptimize(session_.GetFieldText(field));
      ++rows;
    }
    session_.CloseRecordSet();
    return rows;
  }

 private:
  BridgeTaskBase task_;
  OdbcSession session_;
  std::vector<const ODBCField *> fields_;
};

// The best of several turns, in wall-clock time and in the CPU time of the reading thread (which
// the other work of a shared machine does not inflate).
struct Best {
  double wallMs = 1e300;
  double cpuMs = 1e300;
};

double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

int64_t timed(NoteReader &reader, Best &best) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = threadCpuMs();
  const int64_t rows = reader.Once();
  best.cpuMs = std::min(best.cpuMs, threadCpuMs() - cpuStart);
  best.wallMs =
      std::min(best.wallMs,
               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  return rows;
}

// With and without the note, taking turns; the best turn of each and their ratio.
void withAndWithoutNote(benchmark::State &state, const char *table) {
  LongTextSchool school;
  NoteReader with(school.Path(), table, true);
  NoteReader without(school.Path(), table, false);
  Best bestWith;
  Best bestWithout;
  int64_t rows = 0;
  for (auto _ : state) {
    rows = timed(without, bestWithout);
    if (timed(with, bestWith) != rows) state.SkipWithError("the two reads saw different rows");
  }
  state.counters["rows"] = double(rows);
  state.counters["without_ms"] = bestWithout.wallMs;
  state.counters["with_ms"] = bestWith.wallMs;
  state.counters["ratio"] = bestWith.wallMs / bestWithout.wallMs;
  state.counters["without_cpu_ms"] = bestWithout.cpuMs;
  state.counters["with_cpu_ms"] = bestWith.cpuMs;
  state.counters["cpu_ratio"] = bestWith.cpuMs / bestWithout.cpuMs;
}

}  // namespace

BENCHMARK_CAPTURE(withAndWithoutNote, Text, "NoteText")->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK_CAPTURE(withAndWithoutNote, Varchar4000, "NoteVarchar")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

BENCHMARK_MAIN();
