// The teacher list's display names: last name, then first and middle names, empty parts left out
// together with their separators.
#include <gtest/gtest.h>

#include "expengine.h"
#include "test_support.h"

namespace {

TEST(TeacherDisplayName, LeavesOutEmptyParts) {
  const struct {
    const char *last, *first, *middle, *display;
  } cases[] = {
      {"Smith", "Ann", "", "Smith, Ann"},
      {"Brown", "Charles", "Edward", "Brown, Charles Edward"},
      {"", "Pat", "", "Pat"},
      {"", "Pat", "Lee", "Pat Lee"},
      {"Davis", "", "Luisa", "Davis, Luisa"},
      {"Davis", "", "", "Davis"},
      {"", "", "", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ExpEngine::TeacherDisplayName(c.last, c.first, c.middle), QString::fromLatin1(c.display))
        << c.display;
}

}  // namespace
