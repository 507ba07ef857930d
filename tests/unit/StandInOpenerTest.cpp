#include "StandInOpener.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using StandInOpener::Request;

TEST(StandInOpenerParse, ExactlyDashABundleThenFiles) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<Request> expected;
  };
  const Case cases[] = {
      {{"-a", "/A.app"}, Request{"/A.app", {}}},
      {{"-a", "/A.app", "/x.md", "-a"}, Request{"/A.app", {"/x.md", "-a"}}},
      {{"-a", ""}, Request{"", {}}},
      {{}, std::nullopt},
      {{"-a"}, std::nullopt},
      {{"/A.app", "-a"}, std::nullopt},
      {{"-b", "/A.app"}, std::nullopt},
      {{"--app", "/A.app"}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    EXPECT_EQ(StandInOpener::parse(c.arguments), c.expected);
  }
}

TEST(StandInOpenerExecutableName, DeclaredPlainNameElseBundleName) {
  struct Case {
    std::string bundle;
    std::optional<std::string> declared, expected;
  };
  const Case cases[] = {
      {"/A/Pagelume.app", std::nullopt, "Pagelume"},
      {"/A/Pagelume.app/", std::nullopt, "Pagelume"},
      {"/A/Pagelume.app", "", "Pagelume"},
      {"/A/Pagelume.app", "Viewer", "Viewer"},
      {"/A/Tool", std::nullopt, "Tool"},
      {"/A/x.tar.app", std::nullopt, "x.tar"},
      {"/A/.app", std::nullopt, std::nullopt},
      {"/", std::nullopt, std::nullopt},
      {"/A/Pagelume.app", "../../bin/sh", std::nullopt},
      {"/A/Pagelume.app", "..", std::nullopt},
      {"/A/Pagelume.app", ".", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bundle + " " + c.declared.value_or("(none)"));
    EXPECT_EQ(StandInOpener::executableName(c.bundle, c.declared), c.expected);
  }
}

}  // namespace
