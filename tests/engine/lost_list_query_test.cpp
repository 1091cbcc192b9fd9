// A front-end list whose query does not open (the driver reports the connection lost) answers with
// failure and its message, never with an empty list and success. The tiny school's table becomes a
// view whose rows fail to read with an Oracle lost-connection text, which the layer classifies as
// a lost connection.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "expengine.h"
#include "school_databases.h"
#include "tiny_run.h"

namespace {

TEST(LostListQuery, ListFailsWithItsMessage) {
  const struct {
    const char *table;
    const char *list;  // "district", "school" or "teacher"
    const char *message;
  } cases[] = {
      {"District", "district", "Loading School District List Unknown Exception Occurred"},
      {"School", "school", "Loading School List Unknown Exception Occurred"},
      {"staffMember", "teacher", "Bridge List Failed"},
  };
  for (const auto &c : cases) {
    QTemporaryDir dir;
    const QString school = dir.filePath(QStringLiteral("school.db"));
    ASSERT_TRUE(icbtest::CopyTinySchool(
        school, QStringLiteral("ALTER TABLE \"%1\" RENAME TO \"%1_rows\"; CREATE VIEW \"%1\" AS SELECT * "
                               "FROM \"%1_rows\" WHERE json_extract('{}', 'ORA-03113') IS NULL")
                    .arg(QLatin1String(c.table))));
    const ParameterMap parameters{
        {"dsn", school}, {"user", "u"}, {"pwd", "p"}, {"district", "1"}, {"school", "10"}};
    ExpEngine engine;
    ListEntries list;
    QString message;
    const QString which = QLatin1String(c.list);
    const bool loaded =
        which == QLatin1String("district") ? engine.LoadDistrictList(list, parameters, message)
        : which == QLatin1String("school") ? engine.LoadSchoolList(list, parameters, message)
                                           : engine.LoadBridgeList(list, which, parameters, message);
    EXPECT_FALSE(loaded) << c.list;
    EXPECT_TRUE(list.isEmpty()) << c.list;
    EXPECT_EQ(message, QLatin1String(c.message)) << c.list;
  }
}

}  // namespace
