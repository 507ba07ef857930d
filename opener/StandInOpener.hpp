#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AppLauncher.hpp"

// A stand-in for macOS's "open -a BUNDLE [FILE ...]" on systems without it:
// it starts the executable inside the bundle with the files as arguments,
// detached from the terminal, and returns once the app has started.
namespace StandInOpener {

// What one invocation asks for.
struct Request {
  std::string bundle;
  std::vector<std::string> files;

  bool operator==(const Request&) const = default;
};

inline constexpr const char* usage = "usage: open -a BUNDLE [FILE ...]";

// Accepts exactly "-a", a bundle, then any files; anything else is nothing.
std::optional<Request> parse(const std::vector<std::string>& arguments);

// The name of the bundle's executable: `declared` (the information property
// list's "CFBundleExecutable") when it is one plain file name, else the
// bundle's file name without ".app" when nothing is declared. Nothing when
// the declared name is not a plain file name ("/" inside, "." or "..") or no
// name is left.
std::optional<std::string> executableName(
    const std::string& bundle, const std::optional<std::string>& declared);

// Starts `executable` with `arguments` in a session of its own, and does not
// wait for it: it outlives the caller, and holds none of the caller's
// descriptors. Standard input is /dev/null, and so are standard output and
// error unless they are a terminal; every other descriptor is closed, every
// signal has its default disposition and none is blocked. Nothing means it
// started; a program that cannot be started (missing, not executable) is
// reported here, before this returns.
std::optional<AppLauncher::LaunchError> startDetached(
    const std::string& executable, const std::vector<std::string>& arguments);

// Carries out the request and returns the exit status: 0 once the app has
// started, 1 after a one-line "open: " diagnostic on standard error.
int open(const Request& request);

// Carries out the arguments after the program name and returns the exit
// status.
int run(const std::vector<std::string>& arguments);

// The process entry point: run's status for the arguments after the
// program name, or 1 after "open: out of memory".
int main(int argc, char* argv[]);

}  // namespace StandInOpener
