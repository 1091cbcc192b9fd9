// Attendance across runs of icbridge on a copy of the tiny school: the first run sends every mark,
// the next sends only the marks changed, added and deleted in between, and a run after a change of
// school starts over and sends everything again. A cache that cannot be read fails the run with a
// line that names the remedy, and the remedy, applied as the line says, makes the next run send
// everything again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include "bridge_process.h"

namespace {

void Sql(const QString &db, const QString &statement) {
  QProcess sqlite;
  sqlite.start(QStringLiteral("sqlite3"), {db, statement});
  ASSERT_TRUE(sqlite.waitForFinished(30000));
  ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
}

// The rows of the period attendance block of the newest update file, cut to student, date,
// period and code.
QSet<QString> SentMarks(const QString &folder) {
  QStringList files = QDir(folder).entryList({QStringLiteral("Update *.PDU")}, QDir::Files, QDir::Name);
  if (files.isEmpty()) return {};
  const QString text = QString::fromLatin1(icbtest::readBytes(folder + QLatin1Char('/') + files.last()));
  const qsizetype start = text.indexOf(QStringLiteral("// Cached Period Attendance\r\n"));
  if (start < 0) return {};
  QStringList lines = text.mid(start).split(QStringLiteral("\r\n"));
  QSet<QString> marks;
  for (qsizetype i = 2; i < lines.size() && lines[i] != QLatin1String("*"); ++i)
    marks.insert(lines[i].split(QLatin1Char('\t')).mid(0, 4).join(QLatin1Char('\t')));
  return marks;
}

QString Mark(const QDate &date, int period, const QString &code) {
  return QStringLiteral("1001\t%1\t%2\t%3")
      .arg(date.toString(QStringLiteral("MM/dd/yyyy")))
      .arg(period)
      .arg(code);
}

TEST(AttendanceAcrossRuns, SendEveryMarkThenOnlyChangesAndEverythingAfterAChangeOfSchool) {
  const QDate today = QDate::currentDate();
  // The marks below lie within the overlap of the last days, inside calendar 101's school year.
  if (today < QDate(2026, 8, 10) || today > QDate(2027, 6, 14))
    GTEST_SKIP() << "today is outside the school year";
  BridgeProcess bridge;
  const QString db = bridge.path(QStringLiteral("school.db"));
  ASSERT_TRUE(QFile::copy(icbtest::binaryPath(QStringLiteral("fixtures/tiny.db")), db));
  const QString out = bridge.path(QStringLiteral("out"));
  auto run = [&](const QString &school) {
    return bridge.run({QStringLiteral("run"), QStringLiteral("--path=") + out, QStringLiteral("--dsn=") + db,
                       QStringLiteral("--user=U"), QStringLiteral("--pwd=P"), QStringLiteral("--district=1"),
                       QStringLiteral("--school=") + school, QStringLiteral("--att"),
                       QStringLiteral("--log=off")});
  };
  const QDate d1 = today.addDays(-1), d2 = today.addDays(-2), d3 = today.addDays(-3);
  auto insert = [&](int id, const QDate &date, int period, const char *status) {
    Sql(db, QStringLiteral("INSERT INTO Attendance VALUES (%1, 1001, 101, %2, '%3', '%4', NULL, NULL, NULL)")
                .arg(id)
                .arg(period)
                .arg(date.toString(Qt::ISODate))
                .arg(QLatin1String(status)));
  };
  insert(901, d1, 101111, "A");
  insert(902, d2, 101112, "A");

  ASSERT_EQ(run(QStringLiteral("10")).exitCode, 0);
  const QSet<QString> first = SentMarks(out);
  EXPECT_TRUE(first.contains(Mark(d1, 101111, QStringLiteral("A"))));
  EXPECT_TRUE(first.contains(Mark(d2, 101112, QStringLiteral("A"))));
  EXPECT_TRUE(first.contains(Mark(QDate(2026, 8, 3), 101111, QStringLiteral("AE"))));

  Sql(db, QStringLiteral("UPDATE Attendance SET status = 'T' WHERE attendanceID = 901"));
  Sql(db, QStringLiteral("DELETE FROM Attendance WHERE attendanceID = 902"));
  insert(903, d3, 101113, "A");
  ASSERT_EQ(run(QStringLiteral("10")).exitCode, 0);
  EXPECT_EQ(SentMarks(out), QSet<QString>({Mark(d1, 101111, QStringLiteral("T")), Mark(d2, 101112, QString()),
                                           Mark(d3, 101113, QStringLiteral("A"))}));

  ASSERT_EQ(run(QStringLiteral("10")).exitCode, 0);
  EXPECT_TRUE(SentMarks(out).isEmpty());

  // Another school, then this one again: each change of configuration starts the cache over.
  ASSERT_EQ(run(QStringLiteral("11")).exitCode, 0);
  ASSERT_EQ(run(QStringLiteral("10")).exitCode, 0);
  QSet<QString> again = first;
  again.remove(Mark(d1, 101111, QStringLiteral("A")));
  again.remove(Mark(d2, 101112, QStringLiteral("A")));
  again << Mark(d1, 101111, QStringLiteral("T")) << Mark(d3, 101113, QStringLiteral("A"));
  EXPECT_EQ(SentMarks(out), again);
}

TEST(AttendanceAcrossRuns, AnUnreadableCacheNamesARemedyThatWorks) {
  BridgeProcess bridge;
  const QString db = bridge.path(QStringLiteral("school.db"));
  ASSERT_TRUE(QFile::copy(icbtest::binaryPath(QStringLiteral("fixtures/tiny.db")), db));
  const QString out = bridge.path(QStringLiteral("out"));
  auto run = [&] {
    return bridge.run({QStringLiteral("run"), QStringLiteral("--path=") + out, QStringLiteral("--dsn=") + db,
                       QStringLiteral("--user=U"), QStringLiteral("--pwd=P"), QStringLiteral("--district=1"),
                       QStringLiteral("--school=10"), QStringLiteral("--att"), QStringLiteral("--log=off")});
  };
  ASSERT_EQ(run().exitCode, 0);
  const QSet<QString> first = SentMarks(out);
  ASSERT_FALSE(first.isEmpty());

  QFile cache(out + QStringLiteral("/Attendance/Attendance.db"));
  ASSERT_TRUE(cache.open(QIODevice::WriteOnly | QIODevice::Truncate));
  cache.write(QByteArray(4096, 'x'));
  cache.close();
  const BridgeResult failed = run();
  EXPECT_EQ(failed.exitCode, 1);
  static const QRegularExpression remedy(QStringLiteral(
      "The attendance cache cannot be opened: [^\\n]*\\. Remove the folder ([^\\n]+) and the file ([^\\n]+): "
      "the next run then sends all attendance again\\.\\n"));
  const QRegularExpressionMatch line = remedy.match(QString::fromUtf8(failed.output));
  ASSERT_TRUE(line.hasMatch()) << failed.output.toStdString();

  ASSERT_TRUE(QDir(line.captured(1)).removeRecursively());
  ASSERT_TRUE(QFile::remove(line.captured(2)));
  ASSERT_EQ(run().exitCode, 0);
  EXPECT_EQ(SentMarks(out), first);
}

}  // namespace
