// The path-string operations: the parent is a leading part of the path and
// repeated parents settle; the last component holds no "/" (unless it is
// "/"), and the extension ends it.
#include "FileSystem.hpp"
#include "FuzzInput.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const std::string parent =
      FileSystem::stringByDeletingLastPathComponent(path);
  const std::string last = FileSystem::lastPathComponent(path);
  const std::string extension = FileSystem::pathExtension(path);

  FUZZ_REQUIRE(parent == "/" || path.compare(0, parent.size(), parent) == 0);
  FUZZ_REQUIRE(last == "/" || last.find('/') == std::string::npos);
  FUZZ_REQUIRE(last.size() >= extension.size() &&
               last.compare(last.size() - extension.size(), extension.size(),
                            extension) == 0);
  FUZZ_REQUIRE(extension.find('.') == std::string::npos);

  // Walking up ends: each step is shorter, or the walk has settled.
  std::string current = path;
  for (size_t step = 0; step <= path.size() + 1; ++step) {
    const std::string next =
        FileSystem::stringByDeletingLastPathComponent(current);
    if (next == current) {
      break;
    }
    FUZZ_REQUIRE(next.size() < current.size() || current.empty());
    current = next;
  }
  FUZZ_REQUIRE(FileSystem::stringByDeletingLastPathComponent(current) ==
               current);
  return 0;
}
