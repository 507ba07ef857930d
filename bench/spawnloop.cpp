// spawnloop [-s STATUS] N PROGRAM [ARG ...]: starts PROGRAM N times, one
// after another, with its output thrown away, and prints the mean wall time
// per run in microseconds, the largest resident set of any run in KiB and
// the mean CPU time (user and system) per run in microseconds. A
// program that exits with another status than STATUS (default 0) ends the
// loop; one expected to fail has its diagnostics thrown away too.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" char** environ;

namespace {

// getrusage gives the largest resident set in KiB on Linux, in bytes on
// macOS.
#ifdef __APPLE__
constexpr long maxrssUnitsPerKiB = 1024;
#else
constexpr long maxrssUnitsPerKiB = 1;
#endif

// A whole number of at least `least`, or -1.
long number(const char* text, long least) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < least) {
    return -1;
  }
  return value;
}

}  // namespace

int main(int argc, char* argv[]) {
  long expected = 0;
  if (argc > 2 && std::strcmp(argv[1], "-s") == 0) {
    expected = number(argv[2], 0);
    argc -= 2;
    argv += 2;
  }
  if (argc < 3 || expected < 0 || expected > 255) {
    std::fputs("usage: spawnloop [-s STATUS] N PROGRAM [ARG ...]\n", stderr);
    return 64;
  }
  const long runs = number(argv[1], 1);
  if (runs < 1) {
    std::fprintf(stderr, "spawnloop: N must be a positive number, not %s\n",
                 argv[1]);
    return 64;
  }
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0 ||
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                       O_WRONLY, 0) != 0 ||
      (expected != 0 &&
       posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                        O_WRONLY, 0) != 0)) {
    std::fputs("spawnloop: cannot set up the child's output\n", stderr);
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  for (long run = 0; run < runs; ++run) {
    pid_t child = 0;
    if (const int error = posix_spawn(&child, argv[2], &actions, nullptr,
                                      argv + 2, environ)) {
      std::fprintf(stderr, "spawnloop: cannot start %s: %s\n", argv[2],
                   std::strerror(error));
      return 1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) {
        std::fprintf(stderr, "spawnloop: cannot wait for %s: %s\n", argv[2],
                     std::strerror(errno));
        return 1;
      }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
      std::fprintf(stderr, "spawnloop: %s failed (wait status %d)\n", argv[2],
                   status);
      return 1;
    }
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const double micros =
      std::chrono::duration<double, std::micro>(elapsed).count() /
      static_cast<double>(runs);
  const auto microsOf = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1e6 +
           static_cast<double>(time.tv_usec);
  };
  const double cpu = (microsOf(usage.ru_utime) + microsOf(usage.ru_stime)) /
                     static_cast<double>(runs);
  std::printf("%.1f %ld %.1f\n", micros, usage.ru_maxrss / maxrssUnitsPerKiB,
              cpu);
  return 0;
}
