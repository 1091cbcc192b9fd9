// The engine's validations and lists called directly on the tiny SQLite school: the result and the
// message each operation hands back to the application.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>

#include "database.h"
#include "expengine.h"
#include "school_databases.h"
#include "test_support.h"

namespace {

ParameterMap Tiny(const QString &district, const QString &school) {
  return {{"dsn", icbtest::schoolDbPath("tiny")},
          {"user", "u"},
          {"pwd", "p"},
          {"district", district},
          {"school", school}};
}

TEST(EngineValidation, ConnectionAndDistrictSchoolMessages) {
  QTemporaryDir dir;
  const QString other = dir.filePath("other.db");
  {
    sqlite::Database database;
    database.Open(other, QString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    database.Execute(QStringLiteral("CREATE TABLE School (schoolID INTEGER)"));
  }
  const struct {
    const char *name;
    bool districtSchool;  // the district and school validation, else the connection test
    ParameterMap parameters;
    bool valid;
    QString message;
  } cases[] = {
      {"connection", false, Tiny("1", "10"), true, "Connection Successful"},
      {"no District table",
       false,
       {{"dsn", other}, {"user", "u"}, {"pwd", "p"}},
       false,
       "Table does not exist: District"},
      {"valid pair", true, Tiny("1", "10"), true, "District and School Number Valid!"},
      {"school alone", true, Tiny("", "11"), true, "District and School Number Valid!"},
      {"other district", true, Tiny("2", "10"), false,
       "District and School Number do NOT exist in current database!"},
      {"quotes stay inside the literal", true, Tiny("1", "10' OR '1'='1"), false,
       "District and School Number do NOT exist in current database!"},
  };
  for (const auto &c : cases) {
    ExpEngine engine;
    QString message;
    const bool valid = c.districtSchool ? engine.ValidateDistrictSchool(c.parameters, message)
                                        : engine.ValidateConnection(c.parameters, message);
    EXPECT_EQ(valid, c.valid) << c.name;
    EXPECT_EQ(message, c.message) << c.name;
  }
}

TEST(EngineValidation, ListsThatCannotBeAnswered) {
  ExpEngine engine;
  ListEntries list;
  QString message;
  EXPECT_FALSE(engine.LoadSchoolYearList(list, Tiny("1", "10"), message));
  EXPECT_TRUE(list.isEmpty());
  EXPECT_FALSE(engine.LoadBridgeList(list, "course", Tiny("1", "10"), message));
  EXPECT_EQ(message, QStringLiteral("This bridge is not set up for this type of paramkey:  course"));
}

TEST(EngineValidation, AConnectionFailureIsAnswerNotException) {
  ExpEngine engine;
  QString message;
  const ParameterMap missing{{"dsn", "icb_no_such_source"}, {"user", "u"}, {"pwd", "p"}};
  EXPECT_FALSE(engine.ValidateConnection(missing, message));
  EXPECT_TRUE(message.startsWith("Could not validate connection: Failed to connect to data source"))
      << message.toStdString();
  EXPECT_FALSE(engine.ValidateDistrictSchool(missing, message));
  EXPECT_TRUE(message.startsWith("Validating District and School Number - Exception Occurred :"))
      << message.toStdString();
  ListEntries list;
  EXPECT_FALSE(engine.LoadDistrictList(list, missing, message));
  EXPECT_EQ(message, QStringLiteral("Loading School District List Unknown Exception Occurred"));
}

}  // namespace
