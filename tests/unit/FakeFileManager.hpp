#pragma once

#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "FileSystem.hpp"

// Answers file-system questions from a table and records every question, so
// tests can say what was asked, how often and in which order.
class FakeFileManager final : public FileSystem::FileManager {
 public:
  enum class Kind { file, directory };

  std::map<std::string, Kind> objects;
  std::map<std::string, std::string> links;
  std::optional<std::string> workingDirectory = "/w";
  std::optional<std::string> home = "/h";
  // Each question as "exists PATH", "kind PATH" or "link PATH".
  mutable std::vector<std::string> queries;

  std::optional<std::string> currentDirectoryPath(
      std::error_code& error) const override {
    if (!workingDirectory) {
      error = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return workingDirectory;
  }

  std::optional<std::string> homeDirectoryForCurrentUser() const override {
    return home;
  }

  bool fileExistsAtPath(const std::string& path) const override {
    queries.push_back("exists " + path);
    return objects.count(path) != 0;
  }

  bool fileExistsAtPath(const std::string& path,
                        bool& isDirectory) const override {
    queries.push_back("kind " + path);
    const auto found = objects.find(path);
    if (found == objects.end()) {
      return false;
    }
    isDirectory = found->second == Kind::directory;
    return true;
  }

  std::optional<std::string> destinationOfSymbolicLinkAtPath(
      const std::string& path) const override {
    queries.push_back("link " + path);
    const auto found = links.find(path);
    if (found == links.end()) {
      return std::nullopt;
    }
    return found->second;
  }
};
