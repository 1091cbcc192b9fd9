// Loaded into the bridge with LD_PRELOAD by the crash test: before or after ($ICB_PAUSE_RENAME_AT) a
// rename to a name ending in $ICB_PAUSE_RENAME_SUFFIX, writes "paused <name>" on standard error and
// sleeps $ICB_PAUSE_RENAME_MS ms, so that a kill lands in a moment that lasts microseconds otherwise.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Matches(const char *newPath) {
  const char *suffix = std::getenv("ICB_PAUSE_RENAME_SUFFIX");
  if (!suffix || !newPath) return false;
  const size_t length = std::strlen(newPath), suffixLength = std::strlen(suffix);
  return length >= suffixLength && std::strcmp(newPath + length - suffixLength, suffix) == 0;
}

void PauseIf(const char *moment, const char *newPath) {
  const char *at = std::getenv("ICB_PAUSE_RENAME_AT");
  if (!at || std::strcmp(at, moment) != 0 || !Matches(newPath)) return;
  std::fprintf(stderr, "paused %s\n", newPath);
  std::fflush(stderr);
  const char *ms = std::getenv("ICB_PAUSE_RENAME_MS");
  usleep(useconds_t((ms ? std::atoi(ms) : 1000) * 1000));
}

template <typename Function>
Function Next(const char *name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char *oldPath, const char *newPath) {
  static const auto next = Next<int (*)(const char *, const char *)>("rename");
  PauseIf("before", newPath);
  const int result = next(oldPath, newPath);
  PauseIf("after", newPath);
  return result;
}

int renameat(int oldFolder, const char *oldPath, int newFolder, const char *newPath) {
  static const auto next = Next<int (*)(int, const char *, int, const char *)>("renameat");
  PauseIf("before", newPath);
  const int result = next(oldFolder, oldPath, newFolder, newPath);
  PauseIf("after", newPath);
  return result;
}

int renameat2(int oldFolder, const char *oldPath, int newFolder, const char *newPath, unsigned int flags) {
  static const auto next = Next<int (*)(int, const char *, int, const char *, unsigned int)>("renameat2");
  PauseIf("before", newPath);
  const int result = next(oldFolder, oldPath, newFolder, newPath, flags);
  PauseIf("after", newPath);
  return result;
}

}  // extern "C"
