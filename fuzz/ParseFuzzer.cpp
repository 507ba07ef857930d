// The parser's result is decided by a prefix of the arguments: once a
// prefix decides (help, version or a usage error), nothing after it changes
// the result; a list that decides nothing is opened whole; and an argument
// list opens exactly when each of its arguments alone would.
#include <algorithm>
#include <cstddef>

#include "CliArguments.hpp"
#include "FuzzInput.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> arguments = fields(data, size);
  const auto whole = CliArguments::parse(arguments);

  for (size_t end = 0; end <= arguments.size(); ++end) {
    const std::vector<std::string> prefix(
        arguments.begin(),
        arguments.begin() + static_cast<std::ptrdiff_t>(end));
    const auto part = CliArguments::parse(prefix);
    const auto* command = std::get_if<CliCommand>(&part);
    if (command == nullptr || command->kind != CliCommand::Kind::open) {
      FUZZ_REQUIRE(part == whole);
    }
  }

  const bool eachOpens =
      std::all_of(arguments.begin(), arguments.end(), [](const auto& a) {
        const auto one = CliArguments::parse({a});
        const auto* command = std::get_if<CliCommand>(&one);
        return command != nullptr && command->kind == CliCommand::Kind::open;
      });
  const auto* command = std::get_if<CliCommand>(&whole);
  const bool opens =
      command != nullptr && command->kind == CliCommand::Kind::open;
  FUZZ_REQUIRE(opens == eachOpens);
  if (opens) {
    FUZZ_REQUIRE(command->files == arguments);
  }
  return 0;
}
