// Whatever goes wrong on the workers that run queries ahead costs the reader its head start, never
// the run: a refused or throwing connection, one refused while the other serves, a connection that
// drops, a login that hangs. The reader then gets no rows (and runs the text itself), in no more
// than the query time-out, and so does the teardown.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <atomic>

#include "engine_connection.h"
#include "queryprefetcher.h"
#include "school_databases.h"
#include "xexception.h"

namespace {

constexpr int kTimeoutSeconds = 1;
constexpr qint64 kBoundMs = kTimeoutSeconds * 1000 + 500;

QString Tiny() {
  return icbtest::sqliteConnectionString(QStringLiteral("tiny"));
}

using Connection = std::unique_ptr<OdbcConnection>;

Connection Open() {
  auto connection = std::make_unique<OdbcConnection>();
  if (!connection->Open(Tiny(), 10, false).isEmpty()) connection.reset();
  return connection;
}

struct Case {
  const char *name;
  // How the nth call (from 0) connects a worker; delayUs is drawn at random for each round.
  Connection (*connect)(int call, unsigned long delayUs);
  bool mayHaveRows;  // whether the result may still come from a worker
  int rounds = 1;
};

const Case kCases[] = {
    {"Refused", [](int, unsigned long) { return Connection(); }, false},
    {"HandleRefused",
     [](int, unsigned long) -> Connection {
       throw XException(QStringLiteral("Failed to initialize connection."));
     },
     false},
    {"ConnectionDrops",
     [](int, unsigned long) {
       Connection connection = Open();
       if (connection) connection->Close();
       return connection;
     },
     false},
    {"LoginHangs",
     [](int, unsigned long) {
       QThread::sleep(3);
       return Connection();
     },
     false},
    // The second connection refused a moment after the first serves, while the reader waits.
    {"OneRefusedWhileTheOtherServes",
     [](int call, unsigned long delayUs) {
       if (call == 0) return Open();
       QThread::usleep(delayUs);
       return Connection();
     },
     true, 300},
};

class PrefetchFault : public ::testing::TestWithParam<Case> {};

TEST_P(PrefetchFault, ReaderRunsTheTextItselfWithinTheTimeOut) {
  const Case &c = GetParam();
  QRandomGenerator random(21);
  const QString names = QString::fromLatin1(kStudentNamesQuery);
  for (int round = 0; round < c.rounds && !HasFailure(); ++round) {
    auto calls = std::make_shared<std::atomic<int>>(0);
    const unsigned long delayUs = random.bounded(3000);
    QElapsedTimer timer;
    timer.start();
    {
      // By value: a worker left in a hanging login outlives the test and its parameters.
      QueryPrefetcher ahead(Tiny(), 10, false, kTimeoutSeconds, 2, 2,
                            [connect = c.connect, calls, delayUs] { return connect((*calls)++, delayUs); });
      ahead.Announce(names);
      ahead.Announce(names + QStringLiteral(" "));
      std::unique_ptr<RecordSet> rows = ahead.Take(names);
      if (rows) {
        EXPECT_TRUE(c.mayHaveRows) << "round " << round;
        EXPECT_EQ(StudentNames(*rows), kStudentNames) << "round " << round;
      }
      EXPECT_LE(timer.elapsed(), kBoundMs) << "the reader waited too long, round " << round;
      rows = ahead.Take(names + QStringLiteral(" "));
      if (!c.mayHaveRows) {
        EXPECT_EQ(rows, nullptr);
        EXPECT_FALSE(ahead.Usable());
      }
      timer.restart();
    }
    EXPECT_LE(timer.elapsed(), kBoundMs) << "the teardown waited too long, round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Workers, PrefetchFault, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A statement that fails on a worker is handed back to the reader, whose own connection decides;
// the workers go on with the next one.
TEST(Prefetch, AFailedStatementIsLeftToTheReader) {
  QueryPrefetcher ahead(Tiny(), 10, false, 30);
  const QString wrong = QStringLiteral("SELECT \"personID\" FROM \"NoSuchTable\"");
  const QString names = QString::fromLatin1(kStudentNamesQuery);
  ahead.Announce(wrong);
  ahead.Announce(names);
  EXPECT_EQ(ahead.Take(wrong), nullptr);
  std::unique_ptr<RecordSet> rows = ahead.Take(names);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(StudentNames(*rows), kStudentNames);
  EXPECT_TRUE(ahead.Usable());
}

}  // namespace
