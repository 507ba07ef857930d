#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
        "/pagelume-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed for " + pattern);
    }
    // The real path, so that it compares equal to what getcwd reports where
    // the temporary folder sits behind a link (/tmp on macOS).
    path_ = std::filesystem::canonical(pattern).string();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

  // Creates the file `relative` (and the directories above it) holding
  // `contents`, and returns its full path.
  std::string file(const std::string& relative,
                   const std::string& contents = "") const {
    const std::string full = path_ + "/" + relative;
    std::filesystem::create_directories(
        std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << contents;
    return full;
  }

  // Creates the directory `relative` with its parents; returns its full path.
  std::string directory(const std::string& relative) const {
    const std::string full = path_ + "/" + relative;
    std::filesystem::create_directories(full);
    return full;
  }

  // Creates a symbolic link at `relative` whose text is `destination`.
  std::string link(const std::string& relative,
                   const std::string& destination) const {
    const std::string full = path_ + "/" + relative;
    std::filesystem::create_directories(
        std::filesystem::path(full).parent_path());
    std::filesystem::create_symlink(destination, full);
    return full;
  }

 private:
  std::string path_;
};
