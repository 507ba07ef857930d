#include "StandInOpener.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <sstream>

#include <optional>
#include <string>
#include <vector>

#include "ScriptTest.hpp"

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

struct StartDetachedTest : ScriptTest {
  // Waits for the detached child to leave the file `name`.
  std::string await(const std::string& name) {
    for (int tries = 0; tries < 200 && read(name).empty(); ++tries) {
      usleep(25000);
    }
    return read(name);
  }
};

TEST_F(StartDetachedTest, ChildLeadsItsOwnSessionAndHoldsNothingOfTheCaller) {
  if (access("/proc/self/stat", R_OK) != 0) {
    GTEST_SKIP() << "no /proc to read a child's session and descriptors from";
  }
  // A descriptor the caller left open to children, an ignored and a blocked
  // signal: none of them may reach the app.
  // (Descriptor 50: well clear of the ones the probe's shell uses itself.)
  const std::string leaked = dir.file("leaked");
  const int opened = open(leaked.c_str(), O_WRONLY);
  ASSERT_GE(opened, 0);
  const int extra = dup2(opened, 50);
  close(opened);
  ASSERT_EQ(extra, 50);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR2);
  sigset_t previousMask;
  ASSERT_EQ(sigprocmask(SIG_BLOCK, &blocked, &previousMask), 0);
  const auto previousUsr1 = signal(SIGUSR1, SIG_IGN);
  // And standard input a pipe, as in "cat notes.md | pagelume ...".
  int inputPipe[2];
  ASSERT_EQ(pipe(inputPipe), 0);
  const int savedInput = dup(STDIN_FILENO);
  ASSERT_EQ(dup2(inputPipe[0], STDIN_FILENO), STDIN_FILENO);

  // Field 6 of /proc/PID/stat is the session; a session leader's is its
  // pid. The signal lines are read first, with builtins only: the shell
  // blocks signals of its own while it starts a command. The descriptors
  // are read before the shell redirects anything.
  const std::string probe =
      script("probe",
             "signals=\n"
             "while read -r key value; do\n"
             "  case $key in SigBlk: | SigIgn:) signals=\"$signals$key "
             "$value\n\" ;; esac\n"
             "done < /proc/$$/status\n"
             "out=\"$(dirname \"$0\")\"\n"
             "set -- $(cat /proc/$$/stat)\n"
             "seen=\"$1 $6\"\n"
             "for fd in 0 1 2 50; do\n"
             "  seen=\"$seen $(readlink /proc/$$/fd/$fd || echo closed)\"\n"
             "done\n"
             "printf '%s\\n%s' \"$seen\" \"$signals\" > \"$out/seen.part\"\n"
             "mv \"$out/seen.part\" \"$out/seen\"\n");
  const auto started = StandInOpener::startDetached(probe, {});
  dup2(savedInput, STDIN_FILENO);
  close(savedInput);
  close(inputPipe[0]);
  close(inputPipe[1]);
  signal(SIGUSR1, previousUsr1);
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  close(extra);
  ASSERT_EQ(started, std::nullopt);

  std::istringstream seen(await("seen"));
  std::string pid, session;
  seen >> pid >> session;
  EXPECT_FALSE(pid.empty());
  EXPECT_EQ(session, pid);
  // A terminal stays for the user to read; anything else is /dev/null.
  const auto expectedOutput = [](int stream) {
    const char* terminal = isatty(stream) ? ttyname(stream) : nullptr;
    return std::string(terminal != nullptr ? terminal : "/dev/null");
  };
  std::string input, output, errors, other, blockedLine, ignoredLine;
  seen >> input >> output >> errors >> other;
  seen.ignore();
  std::getline(seen, blockedLine);
  std::getline(seen, ignoredLine);
  EXPECT_EQ(input, "/dev/null");
  EXPECT_EQ(output, expectedOutput(1));
  EXPECT_EQ(errors, expectedOutput(2));
  EXPECT_EQ(other, "closed");
  // The standard signals, 1 to 31, are the low bits; the C library keeps
  // two real-time ones for itself.
  EXPECT_EQ(blockedLine, "SigBlk: 0000000000000000");
  ASSERT_EQ(ignoredLine.substr(0, 8), "SigIgn: ");
  EXPECT_EQ(std::stoull(ignoredLine.substr(8), nullptr, 16) & 0x7FFFFFFFu, 0u)
      << ignoredLine;
}

TEST_F(StartDetachedTest, StartFailuresAreReported) {
  const std::string notExecutable = dir.file("plain", "not a program\n");
  const auto missing = StandInOpener::startDetached("/no/such/tool", {});
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->underlying.value(), ENOENT);
  const auto refused = StandInOpener::startDetached(notExecutable, {});
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->underlying.value(), EACCES);
}

}  // namespace
