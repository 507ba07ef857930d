#include "CliArguments.hpp"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace {

using Result = std::variant<CliCommand, CliUsageError>;

std::string show(const Result& result) {
  if (const auto* error = std::get_if<CliUsageError>(&result)) {
    return "error(" + error->message + ")";
  }
  const auto& command = std::get<CliCommand>(result);
  switch (command.kind) {
    case CliCommand::Kind::help:
      return "help";
    case CliCommand::Kind::version:
      return "version";
    case CliCommand::Kind::open:
      break;
  }
  std::string text = "open(";
  for (const std::string& file : command.files) {
    text += "[" + file + "]";
  }
  return text + ")";
}

TEST(CliArgumentsParse, FirstDecidingArgumentWins) {
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {{}, "open()"},
      {{"-h"}, "help"},
      {{"--help"}, "help"},
      {{"--version"}, "version"},
      {{"a.md", "--help"}, "help"},
      {{"--help", "--frobnicate"}, "help"},
      {{"--frobnicate", "--help"}, "error(unknown option: --frobnicate)"},
      {{"--version", "-h"}, "version"},
      {{"-h", "--version"}, "help"},
      {{"a.md", "-x"}, "error(unknown option: -x)"},
      {{"a.md", "b.md", "a.md"}, "open([a.md][b.md][a.md])"},
      {{"-"}, "open([-])"},
      {{""}, "open([])"},
      {{"--"}, "error(unknown option: --)"},
      {{"--", "a.md"}, "error(unknown option: --)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    EXPECT_EQ(show(CliArguments::parse(c.arguments)), c.expected);
  }
}

TEST(CliArgumentsParse, LookalikesAreUnknownOptions) {
  for (const std::string argument :
       {"-hv", "-H", "-help", "--help=x", "-version", "--HELP", "--version ",
        "-\xFF"}) {
    SCOPED_TRACE(argument);
    EXPECT_EQ(CliArguments::parse({"a.md", argument}),
              Result(CliUsageError{"unknown option: " + argument}));
  }
}

TEST(CliArgumentsParse, HyphenCarryingAMarkIsAFile) {
  // "-" followed by U+0301 is another character, not an option dash.
  const std::string name = "-\xCC\x81.md";
  EXPECT_EQ(CliArguments::parse({name}), Result(CliCommand::open({name})));
}

}  // namespace
