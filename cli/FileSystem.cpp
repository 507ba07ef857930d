#include "FileSystem.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace FileSystem {
namespace {

// Whether the system could answer a question about `path` at all. A NUL
// byte inside would make it see a different, shorter path; and it refuses a
// path of PATH_MAX bytes or more (ENAMETOOLONG), so a walk up a very deep
// directory need not ask it, level after level, to be told so.
bool passable(const std::string& path) {
  return path.size() < PATH_MAX && path.find('\0') == std::string::npos;
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
    // With no buffer, getcwd allocates one as large as the path needs (glibc
    // and macOS both do). Growing a buffer of our own instead would make
    // the system work out a path longer than PATH_MAX, directory by
    // directory, once for every size tried.
    const std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0),
                                                           &std::free);
    if (!path) {
      error.assign(errno, std::generic_category());
      return std::nullopt;
    }
    error.clear();
    return std::string(path.get());
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

std::size_t parentLength(std::string_view path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') {
    --end;
  }
  if (end == 1 && path[0] == '/') {
    return 1;
  }
  // Back over the last component to the "/" before it.
  while (end > 0 && path[end - 1] != '/') {
    --end;
  }
  if (end <= 1) {
    return end;
  }
  return end - 1;
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
  return std::string(path.substr(0, parentLength(path)));
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
