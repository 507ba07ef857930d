#include "CliArguments.hpp"

#include <algorithm>

#include "Unicode.hpp"

namespace CliArguments {
namespace {

template <std::size_t N>
bool isOneOf(const std::string& argument,
             const std::array<std::string_view, N>& flags) {
  return std::any_of(flags.begin(), flags.end(), [&](std::string_view flag) {
    return Unicode::equal(argument, flag);
  });
}

}  // namespace

std::variant<CliCommand, CliUsageError> parse(
    const std::vector<std::string>& arguments) {
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    if (isOneOf(argument, helpFlags)) {
      return CliCommand::help();
    }
    if (isOneOf(argument, versionFlags)) {
      return CliCommand::version();
    }
    if (Unicode::hasPrefix(argument, "-") && !Unicode::equal(argument, "-")) {
      return CliUsageError{"unknown option: " + argument};
    }
    files.push_back(argument);
  }
  return CliCommand::open(std::move(files));
}

}  // namespace CliArguments
