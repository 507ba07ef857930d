#include "AppInfo.hpp"

#include <dlfcn.h>
#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>

#include "BuildSettings.hpp"
#include "FileSystem.hpp"

namespace AppInfo {
namespace {

// No information property list comes anywhere near this; a larger file is
// not one, and is not read into memory.
constexpr off_t largestInfoList = 16 * 1024 * 1024;

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

// libplist is loaded when a property list is first read, not when the tool
// starts: most runs never read one, and loading it (with libm) at every
// start costs more than everything else the tool does. The functions keep
// the header's types, so a change of signature still fails to compile.
struct PlistLibrary {
  decltype(&plist_is_binary) isBinary = nullptr;
  decltype(&plist_from_bin) fromBinary = nullptr;
  decltype(&plist_from_xml) fromXml = nullptr;
  decltype(&plist_free) free = nullptr;
  decltype(&plist_get_node_type) nodeType = nullptr;
  decltype(&plist_dict_get_item) dictionaryItem = nullptr;
  decltype(&plist_get_string_ptr) stringPointer = nullptr;
  // Why the library could not be loaded; empty when it was.
  std::string error;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function) {
  void* symbol = dlsym(library, name);
  function = reinterpret_cast<Function>(symbol);
  return symbol != nullptr;
}

PlistLibrary loadPlistLibrary() {
  PlistLibrary plist;
  void* library = dlopen(BuildSettings::plistLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    plist.error = reason != nullptr ? reason : BuildSettings::plistLibrary;
    return plist;
  }
  if (!bind(library, "plist_is_binary", plist.isBinary) ||
      !bind(library, "plist_from_bin", plist.fromBinary) ||
      !bind(library, "plist_from_xml", plist.fromXml) ||
      !bind(library, "plist_free", plist.free) ||
      !bind(library, "plist_get_node_type", plist.nodeType) ||
      !bind(library, "plist_dict_get_item", plist.dictionaryItem) ||
      !bind(library, "plist_get_string_ptr", plist.stringPointer)) {
    const char* reason = dlerror();
    plist.error = reason != nullptr ? reason : "a libplist function is missing";
  }
  return plist;
}

// Loaded once, on first use, and kept until the process ends.
const PlistLibrary& plistLibrary() {
  static const PlistLibrary library = loadPlistLibrary();
  return library;
}

// Set once a list could not be read for want of the library.
std::optional<std::string> unavailable;

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
  const PlistLibrary& plist = plistLibrary();
  if (!plist.error.empty()) {
    unavailable = plist.error;
    return std::nullopt;
  }
  plist_t parsed = nullptr;
  const auto length = static_cast<uint32_t>(bytes.size());
  // Parsed by format directly: these two calls read the same on every
  // libplist version, unlike the format-guessing entry point.
  if (plist.isBinary(bytes.data(), length)) {
    plist.fromBinary(bytes.data(), length, &parsed);
  } else {
    plist.fromXml(bytes.data(), length, &parsed);
  }
  const std::unique_ptr<void, decltype(plist.free)> root(parsed, plist.free);
  if (!root || plist.nodeType(root.get()) != PLIST_DICT) {
    return std::nullopt;
  }
  const plist_t value = plist.dictionaryItem(root.get(), key.c_str());
  if (value == nullptr || plist.nodeType(value) != PLIST_STRING) {
    return std::nullopt;
  }
  uint64_t textLength = 0;
  const char* text = plist.stringPointer(value, &textLength);
  if (text == nullptr) {
    return std::nullopt;
  }
  return std::string(text, static_cast<size_t>(textLength));
}

std::optional<std::string> readerUnavailable() {
  return unavailable;
}

std::optional<std::string> shortVersion(const std::string& ofBundleAt) {
  return infoString(ofBundleAt, "CFBundleShortVersionString");
}

}  // namespace AppInfo
