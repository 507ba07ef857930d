// Making paths absolute works on each argument alone, keeps count and
// order, and leaves an absolute result as it is: under an absolute working
// directory, making the results absolute again changes nothing.
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
    FUZZ_REQUIRE(FilePaths::absolute({arguments[index]}, workingDirectory,
                                     homeDirectory) ==
                 std::vector<std::string>{paths[index]});
  }
  if (Unicode::hasPrefix(workingDirectory, "/")) {
    FUZZ_REQUIRE(FilePaths::absolute(paths, workingDirectory, homeDirectory) ==
                 paths);
  }
  return 0;
}
