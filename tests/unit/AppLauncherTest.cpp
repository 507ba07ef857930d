#include "AppLauncher.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "ScriptTest.hpp"

namespace {

using AppLauncher::LaunchError;

TEST(LaunchErrorDescription, NamesTheExecutable) {
  struct Case {
    LaunchError error;
    std::string expected;
  };
  const Case cases[] = {
      {LaunchError::exitedNonzero("/usr/bin/open", 3),
       "/usr/bin/open exited with status 3"},
      {LaunchError::exitedNonzero("/x", -2), "/x exited with status -2"},
      {LaunchError::spawnFailed("/no/such/tool",
                                {ENOENT, std::generic_category()}),
       "failed to launch /no/such/tool: No such file or directory"},
      {LaunchError::spawnFailed("open", {EACCES, std::generic_category()}),
       "failed to launch open: Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.error.description(), c.expected);
  }
}

struct AppLauncherRunTest : ScriptTest {};

TEST_F(AppLauncherRunTest, ArgumentsArriveUnchangedOnePerWord) {
  const std::string record =
      script("record",
             "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$(dirname "
             "\"$0\")/args\"\n");
  const std::vector<std::string> arguments = {"a b", "'q'",   "\"d\"", "*",
                                              "-a",  "$HOME", "",      "x\ny"};
  EXPECT_EQ(AppLauncher::run(record, arguments), std::nullopt);
  EXPECT_EQ(read("args"), "[a b]['q'][\"d\"][*][-a][$HOME][][x\ny]");

  EXPECT_EQ(AppLauncher::run(record, {}), std::nullopt);
  EXPECT_EQ(read("args"), "");
}

TEST_F(AppLauncherRunTest, NonzeroStatusAndSignal) {
  const std::string three = script("three", "exit 3\n");
  const std::string killed = script("killed", "kill -TERM $$\n");
  const auto exited = AppLauncher::run(three, {});
  ASSERT_TRUE(exited.has_value());
  EXPECT_EQ(exited->kind, LaunchError::Case::exitedNonzero);
  EXPECT_EQ(exited->status, 3);
  EXPECT_EQ(exited->executable, three);

  const auto signalled = AppLauncher::run(killed, {});
  ASSERT_TRUE(signalled.has_value());
  EXPECT_EQ(signalled->kind, LaunchError::Case::exitedNonzero);
  EXPECT_EQ(signalled->status, 15);
}

TEST_F(AppLauncherRunTest, StartFailures) {
  const std::string notExecutable = dir.file("plain", "not a program\n");
  struct Case {
    std::string executable;
    int error;
  };
  const Case cases[] = {
      {"/no/such/tool", ENOENT},
      {notExecutable, EACCES},
      {dir.path(), EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable);
    const auto failed = AppLauncher::run(c.executable, {"x"});
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->kind, LaunchError::Case::spawnFailed);
    EXPECT_EQ(failed->underlying.value(), c.error);
    EXPECT_EQ(failed->executable, c.executable);
  }
}

TEST_F(AppLauncherRunTest, BareNameIsNotSearchedOnPath) {
  // "sh" is on every PATH, but there is none in the working directory.
  const std::string before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const auto missing = AppLauncher::run("sh", {"-c", "exit 0"});
  script("local-tool", "exit 4\n");
  const auto local = AppLauncher::run("local-tool", {});
  std::filesystem::current_path(before);

  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->kind, LaunchError::Case::spawnFailed);
  ASSERT_TRUE(local.has_value());
  EXPECT_EQ(local->status, 4);
}

TEST_F(AppLauncherRunTest, TwoCallsAreIndependent) {
  const std::string ok = script("ok", "exit 0\n");
  EXPECT_TRUE(AppLauncher::run("/no/such/tool", {}).has_value());
  EXPECT_EQ(AppLauncher::run(ok, {}), std::nullopt);
}

}  // namespace
