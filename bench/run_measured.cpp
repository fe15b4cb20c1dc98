// run_measured: runs one program and prints its wall time and peak resident memory, for the
// benchmark script. The program's output goes to /dev/null, so `cat` reads into nowhere.
//
//   run_measured PROGRAM [ARGS...]
//
// Prints "WALL_SECONDS MAX_RSS_KIB EXIT_STATUS" on one line.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: run_measured PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
      dup2(null_fd, STDOUT_FILENO);
      dup2(null_fd, STDERR_FILENO);
    }
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return 1;
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // ru_maxrss is in KiB on Linux.
  std::printf("%.6f %ld %d\n", wall, usage.ru_maxrss, exit_status);
  return 0;
}
