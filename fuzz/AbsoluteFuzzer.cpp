// Making paths absolute keeps the count and order, and every result is
// absolute when the working directory is.
#include "FileValidation.hpp"
#include "FuzzInput.hpp"
#include "Unicode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments = fields(data, size);
  const std::string workingDirectory = arguments.front();
  arguments.erase(arguments.begin());
  const std::string homeDirectory = arguments.empty() ? "" : arguments.front();
  if (!arguments.empty()) {
    arguments.erase(arguments.begin());
  }
  const auto paths =
      FilePaths::absolute(arguments, workingDirectory, homeDirectory);
  FUZZ_REQUIRE(paths.size() == arguments.size());
  for (size_t index = 0; index < paths.size(); ++index) {
    const std::string& path = paths[index];
    const std::string expanded =
        FilePaths::expandHome(arguments[index], homeDirectory);
    // Either the expanded argument was absolute already and is kept, or it
    // was put after the working directory.
    if (Unicode::hasPrefix(expanded, "/")) {
      FUZZ_REQUIRE(path == expanded);
    } else {
      FUZZ_REQUIRE(path == workingDirectory + "/" + expanded);
    }
    if (Unicode::hasPrefix(workingDirectory, "/")) {
      FUZZ_REQUIRE(Unicode::hasPrefix(path, "/"));
    }
    // The argument survives whole at the end, or its rest after "~" does.
    FUZZ_REQUIRE(path.size() + 1 >= arguments[index].size());
  }
  return 0;
}
