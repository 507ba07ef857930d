#include "FileSystem.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace FileSystem {
namespace {

// A path with a NUL byte inside cannot name anything: the system would see a
// different, shorter path.
bool passable(const std::string& path) {
  return path.find('\0') == std::string::npos;
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

std::optional<std::string> passwordDatabaseHome() {
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested)
                                         : 1024);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int error =
        getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr ||
        found->pw_dir[0] == '\0') {
      return std::nullopt;
    }
    return std::string(found->pw_dir);
  }
}

class SystemFileManager final : public FileManager {
 public:
  std::optional<std::string> currentDirectoryPath(
      std::error_code& error) const override {
    std::string buffer(256, '\0');
    for (;;) {
      if (getcwd(buffer.data(), buffer.size()) != nullptr) {
        buffer.resize(buffer.find('\0'));
        error.clear();
        return buffer;
      }
      if (errno != ERANGE) {
        error.assign(errno, std::generic_category());
        return std::nullopt;
      }
      buffer.resize(buffer.size() * 2);
    }
  }

  std::optional<std::string> homeDirectoryForCurrentUser() const override {
    const char* variable = std::getenv("HOME");
    if (variable != nullptr && variable[0] != '\0') {
      return withoutTrailingSlashes(variable);
    }
    const auto entry = passwordDatabaseHome();
    if (!entry) {
      return std::nullopt;
    }
    return withoutTrailingSlashes(*entry);
  }

  bool fileExistsAtPath(const std::string& path) const override {
    struct stat status {};
    return passable(path) && stat(path.c_str(), &status) == 0;
  }

  bool fileExistsAtPath(const std::string& path,
                        bool& isDirectory) const override {
    struct stat status {};
    if (!passable(path) || stat(path.c_str(), &status) != 0) {
      return false;
    }
    isDirectory = S_ISDIR(status.st_mode);
    return true;
  }

  std::optional<std::string> destinationOfSymbolicLinkAtPath(
      const std::string& path) const override {
    if (!passable(path)) {
      return std::nullopt;
    }
    // The size lstat reports can be stale or zero (some file systems), so
    // grow until the destination fits with room to spare.
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      return std::nullopt;
    }
    std::string buffer(static_cast<size_t>(status.st_size) + 1, '\0');
    for (;;) {
      const ssize_t length =
          readlink(path.c_str(), buffer.data(), buffer.size());
      if (length < 0) {
        return std::nullopt;
      }
      if (static_cast<size_t>(length) < buffer.size()) {
        buffer.resize(static_cast<size_t>(length));
        return buffer;
      }
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace

const FileManager& defaultManager() {
  static const SystemFileManager manager;
  return manager;
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
  const std::string trimmed = withoutTrailingSlashes(std::string(path));
  if (trimmed == "/") {
    return trimmed;
  }
  const auto slash = trimmed.rfind('/');
  if (slash == std::string::npos) {
    return "";
  }
  if (slash == 0) {
    return "/";
  }
  return trimmed.substr(0, slash);
}

std::string lastPathComponent(std::string_view path) {
  const std::string trimmed = withoutTrailingSlashes(std::string(path));
  if (trimmed == "/") {
    return trimmed;
  }
  const auto slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string pathExtension(std::string_view path) {
  const std::string component = lastPathComponent(path);
  const auto dot = component.rfind('.');
  return dot == std::string::npos ? "" : component.substr(dot + 1);
}

}  // namespace FileSystem
