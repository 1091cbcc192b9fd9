#include <gtest/gtest.h>

#include "test_support.h"

TEST(TestSupport, ReadsMissingFileAsEmpty) { EXPECT_TRUE(icbtest::readBytes("/nonexistent/x").isEmpty()); }
