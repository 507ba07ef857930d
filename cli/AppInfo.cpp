#include "AppInfo.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "FileSystem.hpp"
#include "PropertyList.hpp"
#include "Unicode.hpp"

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

// The bytes of the list at `path`; or why they cannot be had, with the
// errno of a failed open (0 for every other reason).
std::variant<std::string, ListError> readList(const std::string& path,
                                              int& openError) {
  // O_NONBLOCK: a FIFO named Info.plist must not hang the tool.
  const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  openError = file.get() < 0 ? errno : 0;
  if (file.get() < 0) {
    return systemError(path, openError);
  }
  return readRegularFile(file, path);
}

// The lists in the Contents directory at `contents`, as the bundle service
// finds them; none when it cannot be listed.
std::vector<std::string> listsIn(const std::string& contents) {
  // glibc and macOS both open the directory close-on-exec.
  DIR* directory = opendir(contents.c_str());
  if (directory == nullptr) {
    return {};
  }
  ListFinder finder;
  // A read that fails ends the listing: what was seen stands, as it does
  // for the service.
  for (const dirent* entry = readdir(directory);
       entry != nullptr && !finder.done(); entry = readdir(directory)) {
    finder.see(entry->d_name);
  }
  // Nothing was written, so closing cannot lose anything.
  closedir(directory);
  return finder.lists();
}

}  // namespace

std::string ListError::description() const {
  return "cannot read " + list + ": " + reason;
}

void ListFinder::see(std::string_view fileName) {
  platformFound_ =
      platformFound_ || Unicode::equalIgnoringCase(fileName, platformListName);
  found_ = found_ || Unicode::equalIgnoringCase(fileName, listName);
}

std::vector<std::string> ListFinder::lists() const {
  std::vector<std::string> names;
  if (platformFound_) {
    names.emplace_back(platformListName);
  }
  if (found_) {
    names.emplace_back(listName);
  }
  return names;
}

std::vector<std::string> keysFor(const std::string& key) {
  return {key, key + "-macos", key + "-macos~", key + "~"};
}

std::optional<std::string> serviceValue(
    const std::string& key, const std::vector<PropertyList::Entry>& found) {
  if (key == "CFBundleExecutable" || key == "CFBundleIdentifier" ||
      !found[1].present) {
    return found[0].string;
  }
  // NAME-macos~ and NAME~ override NAME only where NAME-macos is there: on
  // their own they are keys of no platform.
  for (const std::size_t index :
       {std::size_t{2}, std::size_t{3}, std::size_t{1}}) {
    if (found[index].present) {
      return found[index].string;
    }
  }
  return std::nullopt;
}

std::variant<std::optional<std::string>, ListError> infoString(
    const std::string& ofBundleAt, const std::string& key) {
  if (!isDirectory(ofBundleAt)) {
    return std::nullopt;
  }
  const std::string contents = ofBundleAt + "/Contents";
  const bool hasContents = isDirectory(contents);
  std::vector<std::string> lists;
  if (hasContents) {
    for (const std::string& name : listsIn(contents)) {
      lists.push_back(contents + "/" + name);
    }
  } else {
    lists.push_back(ofBundleAt + "/Info.plist");
  }
  const std::vector<std::string> keys =
      hasContents ? keysFor(key) : std::vector<std::string>{key};
  const std::vector<std::string_view> asked(keys.begin(), keys.end());
  for (std::size_t index = 0; index < lists.size(); ++index) {
    const std::string& list = lists[index];
    int openError = 0;
    auto bytes = readList(list, openError);
    if (auto* error = std::get_if<ListError>(&bytes)) {
      // A platform list that cannot be read gives way to the next.
      if (index + 1 < lists.size()) {
        continue;
      }
      // A bundle without any list (a dangling link counts as none) is an
      // ordinary bundle, not a broken one.
      if (openError == ENOENT) {
        return std::nullopt;
      }
      return std::move(*error);
    }
    auto found = PropertyList::entries(std::get<std::string>(bytes), asked);
    if (auto* unreadable = std::get_if<PropertyList::Unreadable>(&found)) {
      return ListError{list, std::move(unreadable->reason)};
    }
    const auto& entries = std::get<std::vector<PropertyList::Entry>>(found);
    return hasContents ? serviceValue(key, entries) : entries[0].string;
  }
  return std::nullopt;
}

std::optional<std::string> shortVersion(const std::string& ofBundleAt) {
  auto found = infoString(ofBundleAt, "CFBundleShortVersionString");
  if (auto* value = std::get_if<std::optional<std::string>>(&found)) {
    return std::move(*value);
  }
  return std::nullopt;
}

}  // namespace AppInfo
