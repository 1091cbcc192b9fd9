// The same run on the SQLite school and on the SQL Server dialect server writes the same bytes:
// every table file, the control file, the update file and the configuration record (whose data
// source name differs by nature), for each combination of the run's flags and options.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

struct Combination {
  const char *school;
  int flags;
  bool healthHistory, customFields, multiCalendar, defaultCalendar;
};

std::vector<Combination> Combinations() {
  std::vector<Combination> all;
  for (const char *school : {"tiny", "demo"})
    for (int flags : {1, 2, 3})
      for (int options = 0; options < 16; ++options)
        all.push_back(
            {school, flags, bool(options & 1), bool(options & 2), bool(options & 4), bool(options & 8)});
  return all;
}

ParameterMap Options(const Combination &c) {
  ParameterMap options;
  if (c.healthHistory) options[QStringLiteral("filterhealthhist")] = QStringLiteral("true");
  if (c.customFields) options[QStringLiteral("filtercustom")] = QStringLiteral("true");
  if (c.multiCalendar) options[QStringLiteral("multical")] = QStringLiteral("true");
  if (c.defaultCalendar) options[QStringLiteral("defaultcal")] = QStringLiteral("1011");
  return options;
}

// The files of a run by name, the logs and status files left out; the data source name, which
// differs between the two sources, replaced in the configuration record.
QMap<QString, QByteArray> Written(const QString &folder, const QString &dsn) {
  QMap<QString, QByteArray> files;
  for (const QString &name : QDir(folder).entryList(QDir::Files)) {
    if (name.endsWith(QLatin1String(".log")) || name.endsWith(QLatin1String(".tmp"))) continue;
    files[name] = icbtest::readBytes(folder + QLatin1Char('/') + name).replace(dsn.toUtf8(), "DSN");
  }
  return files;
}

class EngineParity : public ::testing::TestWithParam<Combination> {};

TEST_P(EngineParity, BothSourcesWriteTheSameBytes) {
  ICBTEST_REQUIRE_SCHOOL_SERVER();
  const Combination &c = GetParam();
  QTemporaryDir dir;
  const QString file = icbtest::schoolDbPath(QString::fromLatin1(c.school));
  const QString server = icbtest::schoolServerDsn(QString::fromLatin1(c.school));
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(dir.filePath("file"), file, Options(c)), c.flags)
                .toStdString(),
            "");
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(dir.filePath("server"), server, Options(c)), c.flags)
                .toStdString(),
            "");
  const QMap<QString, QByteArray> fromFile = Written(dir.filePath("file"), file);
  const QMap<QString, QByteArray> fromServer = Written(dir.filePath("server"), server);
  EXPECT_EQ(fromFile.keys(), fromServer.keys());
  for (auto it = fromFile.begin(); it != fromFile.end(); ++it)
    EXPECT_TRUE(it.value() == fromServer.value(it.key())) << it.key().toStdString() << " differs";
}

INSTANTIATE_TEST_SUITE_P(Runs, EngineParity, ::testing::ValuesIn(Combinations()), [](const auto &info) {
  const Combination &c = info.param;
  return std::string(c.school) + "_flags" + std::to_string(c.flags) + (c.healthHistory ? "_health" : "") +
         (c.customFields ? "_custom" : "") + (c.multiCalendar ? "_multical" : "") +
         (c.defaultCalendar ? "_defaultcal" : "");
});

}  // namespace
