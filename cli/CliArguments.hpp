#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// What one invocation of the tool asks for.
struct CliCommand {
  enum class Kind { help, version, open };

  Kind kind = Kind::open;
  // The file arguments exactly as typed, in order, duplicates kept; only
  // `open` carries any.
  std::vector<std::string> files;

  static CliCommand help() { return {Kind::help, {}}; }
  static CliCommand version() { return {Kind::version, {}}; }
  static CliCommand open(std::vector<std::string> files) {
    return {Kind::open, std::move(files)};
  }

  bool operator==(const CliCommand&) const = default;
};

// An argument that looks like an option but is none. `message` is the text
// after "pagelume: error: ".
struct CliUsageError {
  std::string message;

  std::string description() const { return message; }
  bool operator==(const CliUsageError&) const = default;
};

namespace CliArguments {

inline constexpr std::array<std::string_view, 2> helpFlags = {"-h", "--help"};
inline constexpr std::array<std::string_view, 1> versionFlags = {"--version"};

// Turns the arguments (without the program name) into one command. The first
// help flag, version flag or unknown option decides, and nothing after it is
// looked at; "-" alone is a file and "--" is an unknown option like any other.
std::variant<CliCommand, CliUsageError> parse(
    const std::vector<std::string>& arguments);

}  // namespace CliArguments
