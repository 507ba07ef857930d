#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FileSystem.hpp"

// Where the app is: the tool's own directory and the bundle around it, the
// source checkouts it runs in, and the candidate bundles in priority order.
// Paths are joined with "/" and never normalised.
namespace AppLocator {

// Asks the system for its record of the running executable's path.
using RecordedPath = std::optional<std::string> (*)();

// The path the tool's own executable is looked for from: argument 0 when it
// holds a "/" (an absolute or relative path), else what `recordedPath`
// returns, since a bare name or an empty argument 0 tells nothing; "" when
// there is no record either. The system is asked only in that case.
std::string launcherPath(const std::string& argument0,
                         RecordedPath recordedPath);

// The directory that holds the executable named by argument 0, after
// following at most eight symbolic links. Nothing when `argument0` is empty,
// is a bare name without "/" (found on the search path, so it tells nothing),
// or is relative while the working directory is unknown.
std::optional<std::string> executableDirectory(
    const std::string& argument0,
    const std::optional<std::string>& currentDirectory,
    const FileSystem::FileManager& fileManager);

// The app bundle holding `executableDirectory`: its grandparent, when the
// directory is named "MacOS" and the grandparent's extension is "app" (case
// matters in both). Never touches the file system.
std::optional<std::string> containingAppBundle(
    const std::string& executableDirectory);

// The nearest directory at or above each start that holds "Package.swift",
// in the order of the starts, equal strings listed once. Roots are compared
// as strings, not as directories: two spellings of one checkout both stay.
std::vector<std::string> repoRoots(
    const std::vector<std::string>& startDirectories,
    const FileSystem::FileManager& fileManager);

// The first of DIR/.build/debug/Pagelume and DIR/.build/release/Pagelume
// that exists, trying each directory of `in` in turn with both
// configurations.
std::optional<std::string> devFallbackBinary(
    const std::vector<std::string>& in,
    const FileSystem::FileManager& fileManager);

// The candidate bundles, highest priority first, without two equal entries:
// $PAGELUME_APP (with "~" and "~/" expanded), the containing bundle, each
// root's build/Pagelume.app, /Applications/Pagelume.app and
// HOME/Applications/Pagelume.app. Without a home directory, a
// $PAGELUME_APP that needs one and HOME/Applications give no entry.
std::vector<std::string> candidatePaths(
    const std::map<std::string, std::string>& environment,
    const std::optional<std::string>& containingBundle,
    const std::vector<std::string>& repoRoots,
    const std::optional<std::string>& homeDirectory);

// The first candidate that exists and is a directory (a final link is
// followed), as the same string.
std::optional<std::string> resolveApp(
    const std::vector<std::string>& in,
    const FileSystem::FileManager& fileManager);

}  // namespace AppLocator
