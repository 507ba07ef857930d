#include "AppInfo.hpp"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>

namespace AppInfo {
namespace {

// No information property list comes anywhere near this; a larger file is
// not one, and is not read into memory.
constexpr off_t largestInfoList = 16 * 1024 * 1024;

bool isDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
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

std::optional<std::string> readRegularFile(const std::string& path) {
  // O_NONBLOCK: a FIFO named Info.plist must not hang the tool.
  const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    return std::nullopt;
  }
  const int descriptor = file.get();
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > largestInfoList) {
    return std::nullopt;
  }
  std::string contents;
  char chunk[16384];
  for (;;) {
    const ssize_t length = read(descriptor, chunk, sizeof chunk);
    if (length == 0) {
      return contents;
    }
    if (length < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::nullopt;
    }
    contents.append(chunk, static_cast<size_t>(length));
    if (contents.size() > static_cast<size_t>(largestInfoList)) {
      return std::nullopt;
    }
  }
}

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistFree>;

Plist parse(const std::string& bytes) {
  plist_t root = nullptr;
  const auto length = static_cast<uint32_t>(bytes.size());
  // Parsed by format directly: these two calls read the same on every
  // libplist version, unlike the format-guessing entry point.
  if (plist_is_binary(bytes.data(), length)) {
    plist_from_bin(bytes.data(), length, &root);
  } else {
    plist_from_xml(bytes.data(), length, &root);
  }
  return Plist(root);
}

}  // namespace

std::optional<std::string> infoString(const std::string& ofBundleAt,
                                      const std::string& key) {
  if (!isDirectory(ofBundleAt)) {
    return std::nullopt;
  }
  const std::string contents = ofBundleAt + "/Contents";
  const std::string listPath = isDirectory(contents)
                                   ? contents + "/Info.plist"
                                   : ofBundleAt + "/Info.plist";
  const auto bytes = readRegularFile(listPath);
  if (!bytes) {
    return std::nullopt;
  }
  return stringValue(*bytes, key);
}

std::optional<std::string> stringValue(const std::string& bytes,
                                       const std::string& key) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) {
    return std::nullopt;
  }
  const Plist root = parse(bytes);
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
    return std::nullopt;
  }
  const plist_t value = plist_dict_get_item(root.get(), key.c_str());
  if (value == nullptr || plist_get_node_type(value) != PLIST_STRING) {
    return std::nullopt;
  }
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(value, &length);
  if (text == nullptr) {
    return std::nullopt;
  }
  return std::string(text, static_cast<size_t>(length));
}

std::optional<std::string> shortVersion(const std::string& ofBundleAt) {
  return infoString(ofBundleAt, "CFBundleShortVersionString");
}

}  // namespace AppInfo
