// macOS records the path the executable was started by; dyld hands it out.
#include <mach-o/dyld.h>

#include <cstdint>
#include <cstring>

#include "ExecutablePath.hpp"

namespace ExecutablePath {

std::optional<std::string> recorded() {
  std::string path(1024, '\0');
  auto size = static_cast<uint32_t>(path.size());
  // When the buffer is too small, the call says so and sets `size` to what
  // it needs; a path may be longer than PATH_MAX.
  if (_NSGetExecutablePath(path.data(), &size) != 0) {
    path.assign(size, '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0) {
      return std::nullopt;
    }
  }
  path.resize(std::strlen(path.c_str()));
  if (path.empty()) {
    return std::nullopt;
  }
  return path;
}

}  // namespace ExecutablePath
