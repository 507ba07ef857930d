#include "AppInfo.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "FileSystem.hpp"
#include "PropertyList.hpp"

namespace AppInfo {
namespace {

bool isDirectory(const std::string& path) {
  bool directory = false;
  return FileSystem::defaultManager().fileExistsAtPath(path, directory) &&
         directory;
}

// Closes the descriptor it owns when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

ListError systemError(const std::string& path, int error) {
  return {path, std::error_code(error, std::generic_category()).message()};
}

// The bytes of `file`, open at `path`, when it is a regular file (no more
// than one byte past the largest list); or why they cannot be had.
std::variant<std::string, ListError> readRegularFile(const Descriptor& file,
                                                     const std::string& path) {
  struct stat status {};
  if (fstat(file.get(), &status) != 0) {
    return systemError(path, errno);
  }
  if (!S_ISREG(status.st_mode)) {
    return ListError{path, "not a regular file"};
  }
  std::string contents;
  char chunk[16384];
  for (;;) {
    const ssize_t length = read(file.get(), chunk, sizeof chunk);
    if (length == 0) {
      return contents;
    }
    if (length < 0) {
      if (errno == EINTR) {
        continue;
      }
      return systemError(path, errno);
    }
    contents.append(chunk, static_cast<size_t>(length));
    // Enough to be refused as too large, without reading a huge file whole.
    if (contents.size() > PropertyList::largestList) {
      return contents;
    }
  }
}

}  // namespace

std::string ListError::description() const {
  return "cannot read " + list + ": " + reason;
}

std::variant<std::optional<std::string>, ListError> infoString(
    const std::string& ofBundleAt, const std::string& key) {
  if (!isDirectory(ofBundleAt)) {
    return std::nullopt;
  }
  const std::string contents = ofBundleAt + "/Contents";
  const std::string list = isDirectory(contents) ? contents + "/Info.plist"
                                                 : ofBundleAt + "/Info.plist";
  // O_NONBLOCK: a FIFO named Info.plist must not hang the tool.
  const Descriptor file(open(list.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    // A bundle without any list (a dangling link counts as none) is an
    // ordinary bundle, not a broken one.
    if (errno == ENOENT) {
      return std::nullopt;
    }
    return systemError(list, errno);
  }
  auto bytes = readRegularFile(file, list);
  if (auto* error = std::get_if<ListError>(&bytes)) {
    return std::move(*error);
  }
  auto found = PropertyList::stringValue(std::get<std::string>(bytes), key);
  if (auto* unreadable = std::get_if<PropertyList::Unreadable>(&found)) {
    return ListError{list, std::move(unreadable->reason)};
  }
  return std::get<std::optional<std::string>>(std::move(found));
}

std::optional<std::string> shortVersion(const std::string& ofBundleAt) {
  auto found = infoString(ofBundleAt, "CFBundleShortVersionString");
  if (auto* value = std::get_if<std::optional<std::string>>(&found)) {
    return std::move(*value);
  }
  return std::nullopt;
}

}  // namespace AppInfo
