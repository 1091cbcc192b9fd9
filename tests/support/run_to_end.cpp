// Helper programs run with posix_spawnp and waited for with a time-out.
#include "run_to_end.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace icbtest {

int RunToEnd(const QString &program, const QStringList &arguments, int timeoutMilliseconds) {
  std::vector<std::string> texts{program.toStdString()};
  for (const QString &argument : arguments) texts.push_back(argument.toStdString());
  std::vector<char *> argv;
  for (std::string &text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0 || child <= 0) return -1;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    if (ended < 0) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);  // still running: child > 0 and not yet reaped
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace icbtest
