// Connections opened at the same moment on several threads (the workers that run queries ahead and
// the reader). The server's driver sets the C library's locale while it connects, and setlocale is
// not thread-safe: a name one thread had just read was freed by another. This test stands in for
// setlocale (the program exports its symbols, so the driver calls this one), holds every change
// of the locale open for a moment and counts the changes that overlapped.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <thread>
#include <vector>

#include "engine_connection.h"
#include "school_databases.h"

namespace {
std::atomic<int> changing{0};
std::atomic<int> overlapped{0};
}  // namespace

extern "C" char *setlocale(int category, const char *locale) {
  using Real = char *(*)(int, const char *);
  static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "setlocale"));
  if (!locale) return real(category, locale);
  if (changing.fetch_add(1) > 0) ++overlapped;
  char *name = real(category, locale);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  changing.fetch_sub(1);
  return name;
}

namespace {

TEST(ConcurrentConnect, NoTwoThreadsChangeTheLocaleAtOnce) {
  ICBTEST_REQUIRE_SCHOOL_SERVER();
  constexpr int kThreads = 4, kConnections = 5;
  std::atomic<int> opened = 0;
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread)
    threads.emplace_back([&opened] {
      for (int i = 0; i < kConnections; ++i) {
        OdbcConnection connection;
        if (OpenTinySchool(connection, Engine::Server).isEmpty()) ++opened;
      }
    });
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(opened, kThreads * kConnections);
  EXPECT_EQ(overlapped, 0);
}

}  // namespace
