// The runs of scripts/demo.sh on the demo school, single and multi calendar, write rows into every
// table file: an empty file in the demo reads as a fault to whoever tries it.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

class DemoSchoolRun : public ::testing::TestWithParam<bool> {};

TEST_P(DemoSchoolRun, EveryTableFileHasRows) {
  QTemporaryDir dir;
  ParameterMap options{{QStringLiteral("filterhealthhist"), QStringLiteral("true")},
                       {QStringLiteral("filtercustom"), QStringLiteral("true")}};
  if (GetParam()) options[QStringLiteral("multical")] = QStringLiteral("true");
  const QString out = dir.filePath(QStringLiteral("out"));
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(out, icbtest::schoolDbPath("demo"), options), -1)
                .toStdString(),
            "");
  const QStringList tables = QDir(out).entryList({QStringLiteral("*.pef")}, QDir::Files);
  EXPECT_GE(tables.size(), 40);
  for (const QString &table : tables)
    EXPECT_TRUE(icbtest::readBytes(out + QLatin1Char('/') + table).contains("\r\n")) << table.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoSchoolRun, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "multical" : "single_calendar"; });

}  // namespace
