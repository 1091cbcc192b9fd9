// Queries run ahead on connections of their own: the reader gets the rows of exactly the text it
// asks for, whatever was announced before, skipped or repeated; a failed statement fails when it is
// read; without a second connection the reader runs its statements itself.
#include <gtest/gtest.h>

#include "engine_connection.h"
#include "queryprefetcher.h"
#include "school_databases.h"

namespace {

// The first `students` names of the tiny school, in order.
QString Names(int students) {
  return QStringLiteral(
             "SELECT \"personID\", \"lastName\" FROM \"Identity\" WHERE \"personID\" BETWEEN 1001 AND %1 "
             "ORDER BY \"personID\"")
      .arg(1000 + students);
}

QString ConnectionOf(Engine engine) {
  const QString tiny = QStringLiteral("tiny");
  return engine == Engine::Sqlite ? icbtest::sqliteConnectionString(tiny)
                                  : icbtest::schoolServerConnectionString(tiny);
}

// A step: announce the query of that many names, or read it; a read expects rows run ahead or none.
struct Step {
  char op;  // 'a' announce, 'r' read
  int students;
  bool ranAhead = true;
};

struct Sequence {
  const char *name;
  std::vector<Step> steps;
};

const Sequence kSequences[] = {
    {"InOrder", {{'a', 1}, {'a', 2}, {'a', 3}, {'r', 1}, {'r', 2}, {'r', 3}}},
    {"SkippedOnesAreDropped", {{'a', 1}, {'a', 2}, {'a', 3}, {'r', 2}, {'r', 3}, {'r', 1, false}}},
    {"NotAnnouncedLeavesTheOthers", {{'a', 4}, {'r', 5, false}, {'r', 4}}},
    {"RepeatedText", {{'a', 6}, {'a', 6}, {'r', 6}, {'r', 6}, {'r', 6, false}}},
    {"ReadBeforeTheWorkersCatchUp",
     {{'a', 14},
      {'a', 13},
      {'a', 12},
      {'a', 11},
      {'a', 10},
      {'r', 14},
      {'r', 13},
      {'r', 12},
      {'r', 11},
      {'r', 10}}},
};

class PrefetchSequence : public ::testing::TestWithParam<std::tuple<Engine, Sequence>> {};

TEST_P(PrefetchSequence, HandsOutTheRowsOfTheTextAsked) {
  const auto &[engine, sequence] = GetParam();
  if (engine == Engine::Server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  QueryPrefetcher ahead(ConnectionOf(engine), 10, false, 30);
  for (const Step &step : sequence.steps) {
    SCOPED_TRACE(std::string(1, step.op) + std::to_string(step.students));
    if (step.op == 'a') {
      ahead.Announce(Names(step.students));
      continue;
    }
    std::unique_ptr<RecordSet> rows = ahead.Take(Names(step.students));
    ASSERT_EQ(rows != nullptr, step.ranAhead);
    if (rows) {
      EXPECT_EQ(StudentNames(*rows), kStudentNames.mid(0, step.students));
    }
  }
  EXPECT_TRUE(ahead.Usable());
}

INSTANTIATE_TEST_SUITE_P(Both, PrefetchSequence,
                         ::testing::Combine(::testing::Values(Engine::Sqlite, Engine::Server),
                                            ::testing::ValuesIn(kSequences)),
                         [](const auto &info) {
                           return std::string(std::get<0>(info.param) == Engine::Sqlite ? "sqlite_"
                                                                                        : "server_") +
                                  std::get<1>(info.param).name;
                         });

// Many results filled on the workers while the reader fills its own: the buffers they share must
// never hand one chunk to two results.
TEST(Prefetch, ResultsFilledOnSeveralThreadsStayApart) {
  constexpr int kRounds = 1500;
  QueryPrefetcher ahead(ConnectionOf(Engine::Sqlite), 10, false, 30);
  OdbcConnection own;
  ASSERT_EQ(OpenTinySchool(own, Engine::Sqlite), QString());
  for (int round = 0; round < kRounds; ++round) ahead.Announce(Names(1 + round % 14));
  for (int round = 0; round < kRounds; ++round) {
    const int students = 1 + round % 14;
    RecordSet direct(own.Handle(), Names(15 - students), 30);
    std::unique_ptr<RecordSet> rows = ahead.Take(Names(students));
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(StudentNames(*rows), kStudentNames.mid(0, students)) << "round " << round;
    ASSERT_EQ(StudentNames(direct), kStudentNames.mid(0, 15 - students)) << "round " << round;
  }
}

TEST(Prefetch, WithoutASecondConnectionTheReaderRunsItsStatements) {
  QueryPrefetcher ahead(QStringLiteral("DRIVER={No Such Driver};DATABASE=nothing"), 2, false, 30);
  ahead.Announce(Names(3));
  EXPECT_EQ(ahead.Take(Names(3)), nullptr);
  EXPECT_FALSE(ahead.Usable());
}

}  // namespace
