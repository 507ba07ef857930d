// The parser returns help, version, open or a usage error, and the one it
// returns is decided by the first deciding argument.
#include <algorithm>

#include "CliArguments.hpp"
#include "FuzzInput.hpp"
#include "Unicode.hpp"

namespace {

bool isUnknownOption(const std::string& argument) {
  return Unicode::hasPrefix(argument, "-") && !Unicode::equal(argument, "-");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> arguments = fields(data, size);
  const auto result = CliArguments::parse(arguments);

  // The first argument that is a flag or an unknown option decides.
  const auto deciding =
      std::find_if(arguments.begin(), arguments.end(), [](const auto& a) {
        return Unicode::equal(a, "-h") || Unicode::equal(a, "--help") ||
               Unicode::equal(a, "--version") || isUnknownOption(a);
      });
  if (const auto* error = std::get_if<CliUsageError>(&result)) {
    FUZZ_REQUIRE(deciding != arguments.end());
    FUZZ_REQUIRE(error->message == "unknown option: " + *deciding);
    return 0;
  }
  const auto& command = std::get<CliCommand>(result);
  switch (command.kind) {
    case CliCommand::Kind::help:
      FUZZ_REQUIRE(deciding != arguments.end());
      FUZZ_REQUIRE(*deciding == "-h" || *deciding == "--help");
      FUZZ_REQUIRE(command.files.empty());
      break;
    case CliCommand::Kind::version:
      FUZZ_REQUIRE(deciding != arguments.end() && *deciding == "--version");
      FUZZ_REQUIRE(command.files.empty());
      break;
    case CliCommand::Kind::open:
      FUZZ_REQUIRE(deciding == arguments.end());
      FUZZ_REQUIRE(command.files == arguments);
      break;
  }
  return 0;
}
