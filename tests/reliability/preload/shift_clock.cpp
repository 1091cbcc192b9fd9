// Loaded into the bridge with LD_PRELOAD by the reconcile test: the wall clock runs
// $ICB_SHIFT_CLOCK_DAYS days ahead, so a run can take place "a week later" without waiting. Only
// the calendar clock moves; the monotonic clocks that time-outs count with stay as they are.
#include <dlfcn.h>
#include <sys/time.h>
#include <time.h>

#include <cstdlib>

namespace {

time_t ShiftSeconds() {
  static const time_t shift = [] {
    const char *days = std::getenv("ICB_SHIFT_CLOCK_DAYS");
    return days ? time_t(std::atol(days)) * 24 * 60 * 60 : time_t(0);
  }();
  return shift;
}

bool IsWallClock(clockid_t clock) {
  return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE;
}

template <typename Function>
Function Next(const char *name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int clock_gettime(clockid_t clock, struct timespec *now) {
  static const auto next = Next<int (*)(clockid_t, struct timespec *)>("clock_gettime");
  const int result = next(clock, now);
  if (result == 0 && IsWallClock(clock)) now->tv_sec += ShiftSeconds();
  return result;
}

int gettimeofday(struct timeval *now, void *zone) {
  static const auto next = Next<int (*)(struct timeval *, void *)>("gettimeofday");
  const int result = next(now, zone);
  if (result == 0) now->tv_sec += ShiftSeconds();
  return result;
}

time_t time(time_t *now) {
  struct timespec wall {};
  clock_gettime(CLOCK_REALTIME, &wall);
  if (now) *now = wall.tv_sec;
  return wall.tv_sec;
}
}
