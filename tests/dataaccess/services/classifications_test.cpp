// Relationship categories and password masking.
#include <gtest/gtest.h>

#include "row_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

TEST(RelationshipCategory, FollowsTheTable) {
  const struct {
    const char *relationship;
    const char *category;
  } cases[] = {
      {"", "Contact"},
      {"Mother", "Family"},
      {"mother's", "Family"},
      {"Step-Mother", "Family"},
      {"Stepfather", "Family"},
      {"GRAND MOTHER", "Family"},
      {"Grandpa", "Family"},
      {"Partner", "Family"},
      {"Aunt/Uncle", "Contact"},  // "AUNTUNCLE" is no pattern
      {"Doctor", "Health"},
      {"Dentist", "Health"},
      {"Dr.", "Health"},
      {"Dr. Smith", "Contact"},
      {"Emergency", "Emergency"},
      {"Guardian 2", "Emergency"},
      {"Neighbor", "Contact"},
      {"Mom #2", "Family"},
      {"[Dad]", "Family"},
      {"{sister}~", "Family"},
  };
  RowTask task;
  for (const auto &c : cases)
    EXPECT_EQ(task.RelationshipCategory(QString::fromUtf8(c.relationship)), QString::fromLatin1(c.category))
        << c.relationship;
}

TEST(RelationshipCategory, ReloadingReplacesTheTable) {
  RowTask task;
  task.LoadRelationshipTable();
  task.LoadRelationshipTable();
  EXPECT_EQ(task.RelationshipCategory(QStringLiteral("Father")), QStringLiteral("Family"));
  EXPECT_EQ(task.RelationshipCategory(QStringLiteral("Coach")), QStringLiteral("Contact"));
}

TEST(MaskPasswords, HidesEveryPasswordValue) {
  const struct {
    const char *text;
    const char *masked;
  } cases[] = {
      {"Data Source=srv;User ID=sa;Password=secret;", "Data Source=srv;User ID=sa;Password=******;"},
      {"DSN=x;UID=u;PWD=abc", "DSN=x;UID=u;PWD=***"},
      {"Database=\"a;PASSWORD=pw\"", "Database=\"a;PASSWORD=***"},
      {"no password here", "no password here"},
      // Both keys present: neither value may reach a log line.
      {"Pwd=first;PWD=second;", "Pwd=*****;PWD=******;"},
  };
  for (const auto &c : cases) {
    QString text = QString::fromLatin1(c.text);
    DataAccessBase::MaskPasswords(text);
    EXPECT_EQ(text, QString::fromLatin1(c.masked)) << c.text;
  }
}

TEST(FilterAttendance, WithoutAChangeDateFieldFailsWithItsMessage) {
  RowTask task;
  try {
    task.FilterAttendance(QDate(2026, 9, 1), QDate(2026, 9, 7));
    FAIL() << "no exception";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("FilterAttendance: There is no change date set! So cannot filter."));
  }
  ASSERT_FALSE(task.logs.empty());
  EXPECT_EQ(task.logs.back().level, 5);
}

}  // namespace
