#include "StandInOpener.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <new>
#include <variant>

#include "AppInfo.hpp"
#include "AppLauncher.hpp"
#include "FileSystem.hpp"
#include "Unicode.hpp"

namespace StandInOpener {
namespace {

void printError(const std::string& message) {
  const std::string line = "open: " + message + "\n";
  // Standard error is unbuffered: the line leaves in one write.
  std::fwrite(line.data(), 1, line.size(), stderr);
}

// Sets up a child that keeps nothing of the caller's plumbing: a pipe it
// held would keep "pagelume a.md | cat" waiting until the app quits.
// Standard output and error stay only where they are a terminal, for the
// user to read. 0, or the error of the first step that failed: a child
// half set up is never started.
int detach(posix_spawn_file_actions_t& actions, posix_spawnattr_t& attributes) {
  if (const int error = posix_spawn_file_actions_addopen(
          &actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0)) {
    return error;
  }
  for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
    if (isatty(stream) == 0) {
      if (const int error = posix_spawn_file_actions_addopen(
              &actions, stream, "/dev/null", O_WRONLY, 0)) {
        return error;
      }
    }
  }
  if (const int error = posix_spawn_file_actions_addclosefrom_np(
          &actions, STDERR_FILENO + 1)) {
    return error;
  }
  // Nor the caller's signal dispositions and mask.
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  if (const int error = posix_spawnattr_setsigdefault(&attributes, &all)) {
    return error;
  }
  if (const int error = posix_spawnattr_setsigmask(&attributes, &none)) {
    return error;
  }
  return posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID |
                                                   POSIX_SPAWN_SETSIGDEF |
                                                   POSIX_SPAWN_SETSIGMASK);
}

}  // namespace

std::optional<AppLauncher::LaunchError> startDetached(
    const std::string& executable, const std::vector<std::string>& arguments) {
  const auto failed = [&](int error) {
    return AppLauncher::LaunchError::spawnFailed(
        executable, {error, std::generic_category()});
  };
  posix_spawn_file_actions_t actions;
  if (const int error = posix_spawn_file_actions_init(&actions)) {
    return failed(error);
  }
  posix_spawnattr_t attributes;
  int error = posix_spawnattr_init(&attributes);
  if (error == 0) {
    pid_t child = 0;
    error = detach(actions, attributes);
    if (error == 0) {
      error = AppLauncher::spawn(executable, arguments, &actions, &attributes,
                                 child);
    }
    // Objects that were set up are always destroyed without an error.
    [[maybe_unused]] const int attributesGone =
        posix_spawnattr_destroy(&attributes);
  }
  [[maybe_unused]] const int actionsGone =
      posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    return failed(error);
  }
  return std::nullopt;
}

std::optional<Request> parse(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2 || !Unicode::equal(arguments[0], "-a")) {
    return std::nullopt;
  }
  return Request{arguments[1], {arguments.begin() + 2, arguments.end()}};
}

std::optional<std::string> executableName(
    const std::string& bundle, const std::optional<std::string>& declared) {
  if (declared && !declared->empty()) {
    if (declared->find('/') != std::string::npos ||
        Unicode::equal(*declared, ".") || Unicode::equal(*declared, "..")) {
      return std::nullopt;
    }
    return declared;
  }
  std::string name = FileSystem::lastPathComponent(bundle);
  if (Unicode::equal(FileSystem::pathExtension(name), "app")) {
    name.resize(name.size() - 4);
  }
  if (name.empty() || Unicode::equal(name, "/") || Unicode::equal(name, ".") ||
      Unicode::equal(name, "..")) {
    return std::nullopt;
  }
  return name;
}

int open(const Request& request) {
  const FileSystem::FileManager& files = FileSystem::defaultManager();
  bool isDirectory = false;
  if (!files.fileExistsAtPath(request.bundle, isDirectory) || !isDirectory) {
    printError("not an app bundle: " + request.bundle);
    return 1;
  }
  // A list that is there but cannot be read must not pass for a bundle
  // without one: the executable named after the bundle may not be the app.
  auto declared = AppInfo::infoString(request.bundle, "CFBundleExecutable");
  if (const auto* error = std::get_if<AppInfo::ListError>(&declared)) {
    printError(error->description());
    return 1;
  }
  const auto name = executableName(
      request.bundle, std::get<std::optional<std::string>>(declared));
  if (!name) {
    printError("no usable executable name in " + request.bundle);
    return 1;
  }
  const std::string executable = request.bundle + "/Contents/MacOS/" + *name;
  if (!files.fileExistsAtPath(executable)) {
    printError("no executable in " + request.bundle + ": " + executable +
               " does not exist");
    return 1;
  }
  if (const auto error = startDetached(executable, request.files)) {
    printError("cannot start " + executable + ": " +
               error->underlying.message());
    return 1;
  }
  return 0;
}

int run(const std::vector<std::string>& arguments) {
  const auto request = parse(arguments);
  if (!request) {
    printError(usage);
    return 1;
  }
  return open(*request);
}

int main(int argc, char* argv[]) {
  try {
    return run(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  } catch (const std::bad_alloc&) {
    // Said without allocating anything more; nothing is left to report a
    // failed write to.
    constexpr char message[] = "open: out of memory\n";
    [[maybe_unused]] const ssize_t written =
        write(STDERR_FILENO, message, sizeof message - 1);
    return 1;
  }
}

}  // namespace StandInOpener
