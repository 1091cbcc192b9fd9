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

// The options a combination's bits turn on: health history, custom fields, multi calendar, default
// calendar, cutoff.
ParameterMap Options(int options) {
  const char *const names[] = {"filterhealthhist", "filtercustom", "multical", "defaultcal", "inactivedate"};
  const char *const settings[] = {"true", "true", "true", icbtest::kSchoolDefaultCalendar,
                                  icbtest::kSchoolInactiveCutoff};
  ParameterMap values;
  for (int bit = 0; bit < 5; ++bit)
    if (options & (1 << bit)) values[QLatin1String(names[bit])] = QString::fromLatin1(settings[bit]);
  return values;
}

// The lines of a written file that name a canary, by marker or by key, and the lines it repeats.
std::pair<QStringList, QStringList> CanaryAndRepeatedLines(const QByteArray &bytes) {
  static const QRegularExpression key(QStringLiteral("(?<![0-9])99[0-9]{4}(?![0-9])"));
  QStringList canaries, repeated;
  QSet<QByteArray> seen;
  for (const QByteArray &line : bytes.split('\n')) {
    const QString text = QString::fromLatin1(line);
    if (text.contains(QLatin1String("CANARY"), Qt::CaseInsensitive) || key.match(text).hasMatch())
      canaries << text.trimmed();
    if (!line.trimmed().isEmpty() && seen.contains(line)) repeated << text.trimmed();
    seen.insert(line);
  }
  return {canaries, repeated};
}

// The engine (server or SQLite) and the combination of options.
class ScopeGuard : public ::testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(ScopeGuard, NoCanaryAndNoRepeatedLine) {
  const auto [server, options] = GetParam();
  if (server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out"));
  const QString dsn = server ? icbtest::schoolServerDsn() : icbtest::schoolDbPath(QStringLiteral("tiny"));
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(out, dsn, Options(options)), 3).toStdString(), "");
  const QStringList written = QDir(out).entryList({"*.pef", "*.PDE", "*.PDU"}, QDir::Files);
  ASSERT_FALSE(written.isEmpty());
  for (const QString &name : written) {
    const auto [canaries, repeated] =
        CanaryAndRepeatedLines(icbtest::readBytes(out + QLatin1Char('/') + name));
    EXPECT_TRUE(canaries.isEmpty()) << name.toStdString() << " names a canary:\n"
                                    << canaries.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(!name.endsWith(QLatin1String(".pef")) || repeated.isEmpty())
        << name.toStdString() << " repeats:\n"
        << repeated.join(QLatin1Char('\n')).toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Tiny, ScopeGuard, ::testing::Combine(::testing::Bool(), ::testing::Range(0, 32)),
                         [](const auto &info) {
                           return std::string(std::get<0>(info.param) ? "server" : "sqlite") + "_options" +
                                  std::to_string(std::get<1>(info.param));
                         });

}  // namespace
