#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// The file-system questions the tool asks, and the path-string operations it
// takes paths apart with.
namespace FileSystem {

// Every file-system question goes through a FileManager, so that the deciding
// functions can be handed a double that answers from a table and records what
// it was asked. A question that cannot be answered (permission denied, a name
// too long, a loop) gets the negative answer. Relative paths are taken against
// the working directory.
class FileManager {
 public:
  virtual ~FileManager() = default;

  // The working directory as an absolute path; nothing, with the reason in
  // `error`, when it cannot be determined (it was removed, say).
  virtual std::optional<std::string> currentDirectoryPath(
      std::error_code& error) const = 0;

  // $HOME when it is set and not empty, else the current user's entry in the
  // password database; trailing slashes removed except for "/". Nothing when
  // neither is known.
  virtual std::optional<std::string> homeDirectoryForCurrentUser() const = 0;

  // Whether anything exists at `path`. A final symbolic link is followed, so
  // a dangling link does not exist.
  virtual bool fileExistsAtPath(const std::string& path) const = 0;

  // The same answer; when it is true, `isDirectory` tells whether the object
  // (after a final link is followed) is a directory.
  virtual bool fileExistsAtPath(const std::string& path,
                                bool& isDirectory) const = 0;

  // The text stored in the symbolic link at `path`, unresolved and whole;
  // nothing when the last component is not a link or cannot be read.
  virtual std::optional<std::string> destinationOfSymbolicLinkAtPath(
      const std::string& path) const = 0;
};

// The file manager that answers with the operating system.
const FileManager& defaultManager();

// The path without its last component and the "/" before it; a trailing "/"
// is ignored. The parent of "/" is "/"; of a path without any "/", "".
// Purely textual: "." and ".." are components like any other.
std::string stringByDeletingLastPathComponent(std::string_view path);

// The length of that parent, which is always a prefix of `path`: a walk up
// a long path can cut its own buffer instead of copying it at every level.
std::size_t parentLength(std::string_view path);

// The last component, a trailing "/" ignored; that of "/" is "/".
std::string lastPathComponent(std::string_view path);

// The text after the last "." of the last component; "" when it has none.
std::string pathExtension(std::string_view path);

}  // namespace FileSystem
