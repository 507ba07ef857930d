// Linux keeps the running executable's path in /proc/self/exe, a link the
// kernel makes; where /proc is missing there is no record.
#include "ExecutablePath.hpp"
#include "FileSystem.hpp"

namespace ExecutablePath {

std::optional<std::string> recorded() {
  return FileSystem::defaultManager().destinationOfSymbolicLinkAtPath(
      "/proc/self/exe");
}

}  // namespace ExecutablePath
