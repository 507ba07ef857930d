#include "FileValidation.hpp"

#include "Unicode.hpp"

namespace FilePaths {

bool needsHome(const std::string& path) {
  // Only whole characters count: a "~" or "/" carrying a combining mark is a
  // different character.
  return Unicode::equal(path, "~") || Unicode::hasPrefix(path, "~/");
}

std::string expandHome(const std::string& path,
                       const std::string& homeDirectory) {
  return needsHome(path) ? homeDirectory + path.substr(1) : path;
}

std::vector<std::string> absolute(const std::vector<std::string>& arguments,
                                  const std::string& workingDirectory,
                                  const std::string& homeDirectory) {
  std::vector<std::string> paths;
  paths.reserve(arguments.size());
  for (const std::string& argument : arguments) {
    std::string path = expandHome(argument, homeDirectory);
    if (!Unicode::hasPrefix(path, "/")) {
      path = workingDirectory + "/" + path;
    }
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace FilePaths

namespace FileValidation {

std::string MissingFilesError::description() const {
  std::string text = "no such file: ";
  for (std::size_t index = 0; index < paths.size(); ++index) {
    if (index > 0) {
      text += ", ";
    }
    text += paths[index];
  }
  return text;
}

}  // namespace FileValidation
