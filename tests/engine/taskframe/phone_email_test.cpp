// Phone-number formatting, phone and e-mail validation and file-name cleaning of the task frame.
#include <gtest/gtest.h>

#include "bridgetaskbase.h"
#include "test_support.h"

namespace {

struct PhoneCase {
  const char *raw;
  const char *formatted;
  bool warns;
};

TEST(FormatPhoneNumber, FormatsByDigitCount) {
  const PhoneCase cases[] = {
      {"555-1234", "555-1234", false},
      {"(555) 123-4567 ext 12", "555 123-4567 x12", false},
      {"12345678", "12345678", false},
      {"123", "123", true},
      {"", "", false},
      {"15551234567", "+1-555-123-4567", false},
      {"125551234567", "+12 555 123-4567", false},
      {"1235551234567", "+123 555 123-4567", false},
      {"12345551234567", "+1234 555 123-4567", false},
      {"5551234567x9", "555 123-4567 x9", false},
      {"555-CALL-NOW", "555-CALL-NOW", true},
      {"ext 42", "ext 42", true},
  };
  for (const auto &c : cases) {
    QString warning;
    EXPECT_EQ(BridgeTaskBase::FormatPhoneNumber(QString::fromLatin1(c.raw), warning),
              QString::fromLatin1(c.formatted))
        << c.raw;
    EXPECT_EQ(!warning.isEmpty(), c.warns) << c.raw;
  }
}

TEST(IsValidEmail, AcceptsUserAtDomainDotTld) {
  const struct {
    const char *text;
    bool valid;
  } cases[] = {{"", false},        {"a.b@school.org", true}, {"A.B@SCHOOL.ORG", true},
               {"a@nodot", false}, {"a@b.c", false},         {"a@b.info", true}};
  for (const auto &c : cases)
    EXPECT_EQ(BridgeTaskBase::IsValidEmail(QString::fromLatin1(c.text)), c.valid) << c.text;
}

TEST(CleanFileName, NeverKeepsPathSeparators) {
  EXPECT_EQ(BridgeTaskBase::CleanFileName("a b/c\\d:e.f"), "a_b_c_d_e.f");
  EXPECT_EQ(BridgeTaskBase::CleanFileName("school-7_x,y"), "school-7_x,y");
  EXPECT_EQ(BridgeTaskBase::CleanPathName("a b/c*"), "a b/c_");
}

}  // namespace
