#include "EntryPoint.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <variant>

#include "AppInfo.hpp"
#include "AppLauncher.hpp"
#include "AppLocator.hpp"
#include "BuildSettings.hpp"
#include "CliArguments.hpp"
#include "ExecutablePath.hpp"
#include "FileSystem.hpp"
#include "FileValidation.hpp"

extern "C" char** environ;

namespace PagelumeCLI {
namespace {

constexpr std::string_view usageText =
    R"(USAGE: pagelume [option ...] [file.md ...]

Opens files in the page-lume app, launching it first if it is not
running and bringing it to the front if it is. With no files the app
is just launched or activated.

OPTIONS:
  -h, --help     Show this help and exit.
  --version      Print the app's version and exit.

The app bundle is looked up as $PAGELUME_APP, the repo's
build/Pagelume.app, /Applications/Pagelume.app and
~/Applications/Pagelume.app, in that order; the first one found wins.
Without any bundle a locally built GUI binary is run directly instead,
which blocks the terminal.)";

constexpr std::string_view fallbackVersion = "0.0.0-dev";

// Argument 0 as the process received it, the empty string when the
// argument list was empty. It is all the tool needs of the list later on.
std::string processArgument0;

// Writes all of `bytes` to `descriptor`, carrying on after partial writes and
// interruptions.
std::error_code writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return {errno, std::generic_category()};
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return {};
}

// One diagnostic line on standard error, in one write. There is nowhere
// left to report a failure of this write.
void printError(const std::string& message) {
  writeAll(STDERR_FILENO, message + "\n");
}

// The help and version texts are the only output; a failed write must not
// look like success.
int printOutput(std::string_view text) {
  std::string line(text);
  line += '\n';
  if (const std::error_code error = writeAll(STDOUT_FILENO, line)) {
    printError("pagelume: error: cannot write to standard output: " +
               error.message());
    return 1;
  }
  return 0;
}

std::map<std::string, std::string> processEnvironment() {
  std::map<std::string, std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
      // The first definition of a name is the one getenv finds.
      environment.emplace(text.substr(0, equals), text.substr(equals + 1));
    }
  }
  return environment;
}

// The working directory is read once per command and handed to every
// gathering function: the tool never changes it, and reading a very deep
// one means a walk up the whole tree.
std::optional<std::string> currentDirectory() {
  std::error_code ignored;
  return FileSystem::defaultManager().currentDirectoryPath(ignored);
}

std::optional<std::string> launcherExecutableDirectory(
    const std::optional<std::string>& workingDirectory) {
  return AppLocator::executableDirectory(
      AppLocator::launcherPath(processArgument0,
                               /*recordedPath=*/&ExecutablePath::recorded),
      /*currentDirectory=*/workingDirectory,
      /*fileManager=*/FileSystem::defaultManager());
}

// A working directory that cannot be determined is no start.
std::vector<std::string> repoRoots(
    const std::optional<std::string>& workingDirectory) {
  std::vector<std::string> starts;
  if (workingDirectory) {
    starts.push_back(*workingDirectory);
  }
  if (auto directory = launcherExecutableDirectory(workingDirectory)) {
    starts.push_back(std::move(*directory));
  }
  return AppLocator::repoRoots(starts, FileSystem::defaultManager());
}

// The working directory is searched whether or not it is a checkout, and
// before the checkouts; a directory listed twice is searched twice.
std::optional<std::string> devFallbackBinary(
    const std::optional<std::string>& workingDirectory) {
  std::vector<std::string> directories;
  if (workingDirectory) {
    directories.push_back(*workingDirectory);
  }
  const auto roots = repoRoots(workingDirectory);
  directories.insert(directories.end(), roots.begin(), roots.end());
  return AppLocator::devFallbackBinary(directories,
                                       FileSystem::defaultManager());
}

std::vector<std::string> appCandidates(
    const std::optional<std::string>& workingDirectory) {
  const FileSystem::FileManager& files = FileSystem::defaultManager();
  // One statement per read, so the reads happen in a fixed order.
  const auto directory = launcherExecutableDirectory(workingDirectory);
  const auto bundle =
      directory ? AppLocator::containingAppBundle(*directory) : std::nullopt;
  const auto environment = processEnvironment();
  const auto roots = repoRoots(workingDirectory);
  const auto home = files.homeDirectoryForCurrentUser();
  return AppLocator::candidatePaths(/*environment=*/environment,
                                    /*containingBundle=*/bundle,
                                    /*repoRoots=*/roots,
                                    /*homeDirectory=*/home);
}

// The version of the bundle the open command would use, or the fallback.
std::string version() {
  const auto bundle = AppLocator::resolveApp(appCandidates(currentDirectory()),
                                             FileSystem::defaultManager());
  if (bundle) {
    if (auto text = AppInfo::shortVersion(*bundle)) {
      return std::move(*text);
    }
  }
  return std::string(fallbackVersion);
}

// The status for how a child ended, with its diagnostic line written.
int reportLaunch(const std::optional<AppLauncher::LaunchError>& error) {
  if (!error) {
    return 0;
  }
  printError("pagelume: error: " + error->description());
  return error->kind == AppLauncher::LaunchError::Case::exitedNonzero
             ? error->status
             : 1;
}

int launch(const std::vector<std::string>& files) {
  const FileSystem::FileManager& fileManager = FileSystem::defaultManager();
  std::error_code directoryError;
  const auto workingDirectory =
      fileManager.currentDirectoryPath(directoryError);
  const auto homeDirectory = fileManager.homeDirectoryForCurrentUser();
  // Relative paths are never resolved against a made-up directory, nor "~"
  // against a made-up home.
  if (!workingDirectory) {
    printError("pagelume: error: cannot determine the current directory: " +
               directoryError.message());
    return 1;
  }
  if (!homeDirectory &&
      std::any_of(files.begin(), files.end(), FilePaths::needsHome)) {
    printError("pagelume: error: cannot determine the home directory");
    return 1;
  }

  auto paths =
      FilePaths::absolute(files, /*workingDirectory=*/*workingDirectory,
                          /*homeDirectory=*/homeDirectory.value_or(""));
  FileValidation::MissingFilesError missing;
  for (const std::string& path : paths) {
    if (!fileManager.fileExistsAtPath(path)) {
      missing.paths.push_back(path);
    }
  }
  if (!missing.paths.empty()) {
    printError("pagelume: error: " + missing.description());
    return 1;
  }

  if (const auto bundle = AppLocator::resolveApp(
          appCandidates(workingDirectory), fileManager)) {
    std::vector<std::string> arguments = {"-a", *bundle};
    arguments.insert(arguments.end(), std::make_move_iterator(paths.begin()),
                     std::make_move_iterator(paths.end()));
    return reportLaunch(AppLauncher::run(BuildSettings::opener, arguments));
  }

  const auto binary = devFallbackBinary(workingDirectory);
  if (!binary) {
    printError(
        "pagelume: error: could not find Pagelume.app; build one with `make "
        "app` or point PAGELUME_APP at an existing bundle");
    return 1;
  }
  printError("pagelume: note: no Pagelume.app found; running " + *binary +
             " directly, which blocks this terminal until the app quits");
  return reportLaunch(AppLauncher::run(*binary, paths));
}

}  // namespace

int main(int argc, char* argv[]) {
  try {
    if (argc < 1) {
      // Started with no argument list at all (execve allows it).
      return run({});
    }
    processArgument0 = argv[0];
    return run({argv + 1, argv + argc});
  } catch (const std::bad_alloc&) {
    // Said without allocating anything more.
    writeAll(STDERR_FILENO, "pagelume: error: out of memory\n");
    return 1;
  }
}

int run(const std::vector<std::string>& arguments) {
  const auto parsed = CliArguments::parse(arguments);
  if (const auto* error = std::get_if<CliUsageError>(&parsed)) {
    printError("pagelume: error: " + error->description());
    printError(std::string(usageText));
    return 2;
  }
  const auto& command = std::get<CliCommand>(parsed);
  switch (command.kind) {
    case CliCommand::Kind::help:
      return printOutput(usageText);
    case CliCommand::Kind::version:
      return printOutput(version());
    case CliCommand::Kind::open:
      return launch(command.files);
  }
  return 1;
}

}  // namespace PagelumeCLI
