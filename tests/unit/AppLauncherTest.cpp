#include "AppLauncher.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
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

// A caller that ignores SIGCHLD would have the child reaped behind the
// wait, and its status lost.
TEST_F(AppLauncherRunTest, AnIgnoredSigchldLosesNoStatus) {
  const std::string three = script("three", "exit 3\n");
  const auto previous = signal(SIGCHLD, SIG_IGN);
  const auto failed = AppLauncher::run(three, {});
  signal(SIGCHLD, previous);
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(failed->kind, LaunchError::Case::exitedNonzero);
  EXPECT_EQ(failed->status, 3);
}

// A signal the caller catches, without SA_RESTART, interrupts the wait; the
// child is still running, and the wait goes on.
TEST_F(AppLauncherRunTest, AnInterruptedWaitGoesOn) {
  struct sigaction caught {};
  caught.sa_handler = +[](int) {};
  sigemptyset(&caught.sa_mask);
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGALRM, &caught, &previous), 0);
  itimerval timer{};
  timer.it_value.tv_usec = 100000;
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
  const auto result = AppLauncher::run(script("slow", "sleep 0.5\n"), {});
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_EQ(result, std::nullopt);
}

// A "#!" script never sees its argument 0 (the kernel puts the script's
// path there); the shell, a compiled program, reads its own from /proc.
TEST_F(AppLauncherRunTest, ArgumentZeroIsTheExecutablePath) {
  if (access("/proc/self/cmdline", R_OK) != 0) {
    GTEST_SKIP() << "no /proc to read a child's argument 0 from";
  }
  const std::string out = dir.path() + "/cmdline";
  ASSERT_EQ(
      AppLauncher::run("/bin/sh", {"-c", "cat /proc/$$/cmdline > \"$0\"", out}),
      std::nullopt);
  const std::string arguments = read("cmdline");
  EXPECT_EQ(arguments.substr(0, arguments.find('\0')), "/bin/sh");
}

}  // namespace
