#include "AppLauncher.hpp"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

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

std::optional<LaunchError> run(const std::string& executable,
                               const std::vector<std::string>& arguments) {
  // posix_spawn takes non-const strings; copies keep the caller's intact.
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(executable);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  // A SIGCHLD ignored by whoever started the tool would reap the child
  // behind waitpid's back (and be inherited by the child itself).
  std::signal(SIGCHLD, SIG_DFL);

  pid_t child = 0;
  // posix_spawn, unlike posix_spawnp, never searches PATH: a bare name is a
  // file in the working directory.
  const int error = posix_spawn(&child, executable.c_str(), nullptr, nullptr,
                                argv.data(), environ);
  if (error != 0) {
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
