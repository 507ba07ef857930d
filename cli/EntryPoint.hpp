#pragma once

#include <string>
#include <vector>

// The pagelume command: parses its arguments and prints the usage text,
// prints the app's version, or opens files in the app.
namespace PagelumeCLI {

// The process entry point. Remembers argument 0 (the empty string when the
// starting process passed no arguments at all) and returns run's status for
// the arguments after it.
int main(int argc, char* argv[]);

// Carries out the command the arguments (without the program name) ask for
// and returns the exit status: 0 on success, 1 when the open command fails,
// 2 for a usage error, or the nonzero status of the child it ran.
int run(const std::vector<std::string>& arguments);

}  // namespace PagelumeCLI
