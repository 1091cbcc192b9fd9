// Out-of-scope rows never reach the handhelds: the tiny school holds canary rows (another district,
// another school, last year, ended, inactive, and people outside the run tied to people inside it),
// each with the text CANARY and a key in 990000-999999 (tests/fixtures/school_canaries.py). Every
// combination of the run's options, on both engines, must write neither in any table, control or
// update file, and no table file may hold a line twice.
//
// A new export or table adds its out-of-scope rows to the canaries: this is the one place that
// checks them.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

struct Combination {
  bool server;
  int options;  // bits: health history, custom fields, multi calendar, default calendar, cutoff
};

std::vector<Combination> Combinations() {
  std::vector<Combination> all;
  for (bool server : {false, true})
    for (int options = 0; options < 32; ++options) all.push_back({server, options});
  return all;
}

ParameterMap Options(int options) {
  ParameterMap values;
  if (options & 1) values[QStringLiteral("filterhealthhist")] = QStringLiteral("true");
  if (options & 2) values[QStringLiteral("filtercustom")] = QStringLiteral("true");
  if (options & 4) values[QStringLiteral("multical")] = QStringLiteral("true");
  if (options & 8)
    values[QStringLiteral("defaultcal")] = QString::fromLatin1(icbtest::kSchoolDefaultCalendar);
  if (options & 16)
    values[QStringLiteral("inactivedate")] = QString::fromLatin1(icbtest::kSchoolInactiveCutoff);
  return values;
}

// The lines of a written file that name a canary, by marker or by key.
QStringList CanaryLines(const QByteArray &bytes) {
  static const QRegularExpression key(QStringLiteral("(?<![0-9])99[0-9]{4}(?![0-9])"));
  QStringList found;
  for (const QByteArray &line : bytes.split('\n')) {
    const QString text = QString::fromLatin1(line);
    if (text.contains(QLatin1String("CANARY"), Qt::CaseInsensitive) || key.match(text).hasMatch())
      found << text.trimmed();
  }
  return found;
}

QStringList RepeatedLines(const QByteArray &bytes) {
  QSet<QByteArray> seen;
  QStringList repeated;
  for (const QByteArray &line : bytes.split('\n')) {
    if (line.trimmed().isEmpty()) continue;
    if (seen.contains(line)) repeated << QString::fromLatin1(line).trimmed();
    seen.insert(line);
  }
  return repeated;
}

class ScopeGuard : public ::testing::TestWithParam<Combination> {};

TEST_P(ScopeGuard, NoCanaryAndNoRepeatedLine) {
  const Combination &c = GetParam();
  if (c.server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out"));
  const QString dsn = c.server ? icbtest::schoolServerDsn() : icbtest::schoolDbPath(QStringLiteral("tiny"));
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(out, dsn, Options(c.options)), 3).toStdString(), "");
  const QStringList written = QDir(out).entryList({"*.pef", "*.PDE", "*.PDU"}, QDir::Files);
  ASSERT_FALSE(written.isEmpty());
  for (const QString &name : written) {
    const QByteArray bytes = icbtest::readBytes(out + QLatin1Char('/') + name);
    const QStringList canaries = CanaryLines(bytes);
    EXPECT_TRUE(canaries.isEmpty()) << name.toStdString() << " names a canary:\n"
                                    << canaries.join(QLatin1Char('\n')).toStdString();
    if (!name.endsWith(QLatin1String(".pef"))) continue;
    const QStringList repeated = RepeatedLines(bytes);
    EXPECT_TRUE(repeated.isEmpty()) << name.toStdString() << " repeats:\n"
                                    << repeated.join(QLatin1Char('\n')).toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Tiny, ScopeGuard, ::testing::ValuesIn(Combinations()), [](const auto &info) {
  const Combination &c = info.param;
  return std::string(c.server ? "server" : "sqlite") + "_options" + std::to_string(c.options);
});

}  // namespace
