// A span of calendar and clock units for date-time arithmetic, each counted separately.
#pragma once

#include <cstdint>

struct XDateSpan {
  int32_t years = 0;
  int32_t months = 0;
  int32_t days = 0;
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t milliseconds = 0;
};
