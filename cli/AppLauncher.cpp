#include "AppLauncher.hpp"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern "C" char** environ;

namespace AppLauncher {

LaunchError LaunchError::spawnFailed(std::string executable,
                                     std::error_code underlying) {
  return {Case::spawnFailed, std::move(executable), underlying, 0};
}

LaunchError LaunchError::exitedNonzero(std::string executable, int status) {
  return {Case::exitedNonzero, std::move(executable), {}, status};
}

std::string LaunchError::description() const {
  switch (kind) {
    case Case::spawnFailed:
      return "failed to launch " + executable + ": " + underlying.message();
    case Case::exitedNonzero:
      return executable + " exited with status " + std::to_string(status);
  }
  return executable;
}

// posix_spawn, unlike posix_spawnp, never searches PATH: a bare name is a
// file in the working directory.
int spawn(const std::string& executable,
          const std::vector<std::string>& arguments,
          const posix_spawn_file_actions_t* actions,
          const posix_spawnattr_t* attributes, pid_t& child) {
  // posix_spawn never writes to the argument strings; it only takes them
  // as non-const for historical reasons.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  return posix_spawn(&child, executable.c_str(), actions, attributes,
                     argv.data(), environ);
}

std::optional<LaunchError> run(const std::string& executable,
                               const std::vector<std::string>& arguments) {
  // A SIGCHLD ignored by whoever started the tool would reap the child
  // behind waitpid's back (and be inherited by the child itself).
  std::signal(SIGCHLD, SIG_DFL);

  pid_t child = 0;
  if (const int error = spawn(executable, arguments, nullptr, nullptr, child)) {
    return LaunchError::spawnFailed(executable,
                                    {error, std::generic_category()});
  }

  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) {
      return LaunchError::spawnFailed(executable,
                                      {errno, std::generic_category()});
    }
  }
  if (WIFSIGNALED(waitStatus)) {
    return LaunchError::exitedNonzero(executable, WTERMSIG(waitStatus));
  }
  const int status = WEXITSTATUS(waitStatus);
  if (status != 0) {
    return LaunchError::exitedNonzero(executable, status);
  }
  return std::nullopt;
}

}  // namespace AppLauncher
