#include "AppLocator.hpp"

#include <algorithm>

#include "FileValidation.hpp"
#include "Unicode.hpp"

namespace AppLocator {
namespace {

constexpr int maximumLinkResolutions = 8;
const std::string bundleName = "Pagelume.app";

// Appends `entry` unless an equal string is already there; the first
// occurrence keeps its place.
void appendOnce(std::vector<std::string>& list, const std::string& entry) {
  const bool present =
      std::any_of(list.begin(), list.end(), [&](const std::string& existing) {
        return Unicode::equal(existing, entry);
      });
  if (!present) {
    list.push_back(entry);
  }
}

// The walk from `directory` up to the root keeps one buffer and only moves
// its end, so that it costs time linear in the length of `directory`, however
// many levels it has.
std::optional<std::string> nearestRoot(const std::string& directory,
                                       const FileSystem::FileManager& files) {
  std::string probe = directory;
  std::size_t length = directory.size();
  for (;;) {
    probe.resize(length);
    probe += "/Package.swift";
    if (files.fileExistsAtPath(probe)) {
      probe.resize(length);
      return probe;
    }
    // The parent is a prefix of the directory, and canonical decomposition
    // never drops a code point: the two are equal as text exactly when they
    // are equal as bytes, that is when the parent is as long.
    const std::size_t parent =
        FileSystem::parentLength(std::string_view(probe.data(), length));
    if (parent == length) {
      return std::nullopt;
    }
    length = parent;
  }
}

}  // namespace

std::string launcherPath(const std::string& argument0,
                         RecordedPath recordedPath) {
  if (argument0.find('/') != std::string::npos) {
    return argument0;
  }
  return recordedPath().value_or("");
}

std::optional<std::string> executableDirectory(
    const std::string& argument0,
    const std::optional<std::string>& currentDirectory,
    const FileSystem::FileManager& fileManager) {
  if (argument0.empty()) {
    return std::nullopt;
  }
  std::string path;
  if (Unicode::hasPrefix(argument0, "/")) {
    path = argument0;
  } else if (argument0.find('/') == std::string::npos || !currentDirectory) {
    return std::nullopt;
  } else {
    path = *currentDirectory + "/" + argument0;
  }

  for (int remaining = maximumLinkResolutions; remaining > 0; --remaining) {
    const auto destination = fileManager.destinationOfSymbolicLinkAtPath(path);
    if (!destination || destination->empty()) {
      break;
    }
    if (Unicode::hasPrefix(*destination, "/")) {
      path = *destination;
    } else {
      path = FileSystem::stringByDeletingLastPathComponent(path) + "/" +
             *destination;
    }
  }

  std::string directory = FileSystem::stringByDeletingLastPathComponent(path);
  if (directory.empty()) {
    return std::nullopt;
  }
  return directory;
}

std::optional<std::string> containingAppBundle(
    const std::string& executableDirectory) {
  if (!Unicode::equal(FileSystem::lastPathComponent(executableDirectory),
                      "MacOS")) {
    return std::nullopt;
  }
  const std::string bundle = FileSystem::stringByDeletingLastPathComponent(
      FileSystem::stringByDeletingLastPathComponent(executableDirectory));
  if (!Unicode::equal(FileSystem::pathExtension(bundle), "app")) {
    return std::nullopt;
  }
  return bundle;
}

std::vector<std::string> repoRoots(
    const std::vector<std::string>& startDirectories,
    const FileSystem::FileManager& fileManager) {
  std::vector<std::string> roots;
  for (const std::string& start : startDirectories) {
    if (const auto root = nearestRoot(start, fileManager)) {
      appendOnce(roots, *root);
    }
  }
  return roots;
}

std::optional<std::string> devFallbackBinary(
    const std::vector<std::string>& in,
    const FileSystem::FileManager& fileManager) {
  for (const std::string& directory : in) {
    for (const char* configuration : {"debug", "release"}) {
      std::string candidate =
          directory + "/.build/" + configuration + "/" + "Pagelume";
      if (fileManager.fileExistsAtPath(candidate)) {
        return candidate;
      }
    }
  }
  return std::nullopt;
}

std::vector<std::string> candidatePaths(
    const std::map<std::string, std::string>& environment,
    const std::optional<std::string>& containingBundle,
    const std::vector<std::string>& repoRoots,
    const std::optional<std::string>& homeDirectory) {
  std::vector<std::string> candidates;
  if (const auto variable = environment.find("PAGELUME_APP");
      variable != environment.end() && !variable->second.empty()) {
    if (!FilePaths::needsHome(variable->second)) {
      appendOnce(candidates, variable->second);
    } else if (homeDirectory) {
      appendOnce(candidates,
                 FilePaths::expandHome(variable->second, *homeDirectory));
    }
  }
  if (containingBundle && !containingBundle->empty()) {
    appendOnce(candidates, *containingBundle);
  }
  for (const std::string& root : repoRoots) {
    appendOnce(candidates, root + "/build/" + bundleName);
  }
  appendOnce(candidates, "/Applications/" + bundleName);
  if (homeDirectory) {
    appendOnce(candidates, *homeDirectory + "/Applications/" + bundleName);
  }
  return candidates;
}

std::optional<std::string> resolveApp(
    const std::vector<std::string>& in,
    const FileSystem::FileManager& fileManager) {
  for (const std::string& candidate : in) {
    bool isDirectory = false;
    if (fileManager.fileExistsAtPath(candidate, isDirectory) && isDirectory) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace AppLocator
