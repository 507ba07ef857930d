#pragma once

#include <string>
#include <vector>

namespace FilePaths {

// Whether `path` is "~" alone or begins with "~/", the two forms that stand
// for the home directory ("~bob", a "~" further on, do not).
bool needsHome(const std::string& path);

// `path` with a "~" alone or a leading "~/" standing for `homeDirectory`;
// anything else unchanged.
std::string expandHome(const std::string& path,
                       const std::string& homeDirectory);

// The absolute form of each file argument, in order: "~" and a leading "~/"
// stand for `homeDirectory`, and whatever then does not begin with "/" is
// put after `workingDirectory` and "/". Nothing else changes: ".", "..",
// repeated and trailing slashes stay, and nothing is looked up.
std::vector<std::string> absolute(const std::vector<std::string>& arguments,
                                  const std::string& workingDirectory,
                                  const std::string& homeDirectory);

}  // namespace FilePaths

namespace FileValidation {

// The file arguments that do not exist, in the order the caller lists them.
struct MissingFilesError {
  std::vector<std::string> paths;

  // "no such file: " and the paths joined with ", ", neither quoted nor
  // escaped.
  std::string description() const;
};

}  // namespace FileValidation
