#pragma once

#include <spawn.h>

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace AppLauncher {

// Why a child did not run to a clean end.
struct LaunchError {
  enum class Case { spawnFailed, exitedNonzero };

  Case kind = Case::spawnFailed;
  // The executable exactly as it was given to `run`.
  std::string executable;
  // What the system reported for a failed start (spawnFailed only).
  std::error_code underlying;
  // The exit status, or the number of the signal that ended the child
  // (exitedNonzero only); never 0.
  int status = 0;

  static LaunchError spawnFailed(std::string executable,
                                 std::error_code underlying);
  static LaunchError exitedNonzero(std::string executable, int status);

  // "failed to launch EXE: REASON" or "EXE exited with status N".
  std::string description() const;
};

// Runs `executable` (a path: never looked up on the search path, and never
// through a shell) with `arguments` after the program name, and waits for it.
// The child shares the tool's standard streams, environment and working
// directory. Nothing means it started and exited with 0.
std::optional<LaunchError> run(const std::string& executable,
                               const std::vector<std::string>& arguments);

// Starts `executable` with `arguments` after the program name, as `run` does,
// with posix_spawn's `actions` and `attributes` (either may be null), and
// does not wait: the child's process ID is left in `child`. 0, or the error
// number of a start that failed.
int spawn(const std::string& executable,
          const std::vector<std::string>& arguments,
          const posix_spawn_file_actions_t* actions,
          const posix_spawnattr_t* attributes, pid_t& child);

}  // namespace AppLauncher
