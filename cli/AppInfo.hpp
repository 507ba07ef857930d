#pragma once

#include <optional>
#include <string>
#include <variant>

// What a bundle's information property list says: Contents/Info.plist when
// the bundle has a Contents directory, else Info.plist at its top.
namespace AppInfo {

// A bundle's information property list that is there but cannot be used.
struct ListError {
  // The list's path.
  std::string list;
  // Why, such as "Permission denied" or "not a property list".
  std::string reason;

  // "cannot read LIST: REASON".
  std::string description() const;
  bool operator==(const ListError&) const = default;
};

// The string under `key` in the information property list of the bundle at
// `ofBundleAt`. Nothing when the bundle is not a directory, has no list, or
// the list has no string under `key` (an empty string is a string); a
// ListError when the list is there but is not a regular file, cannot be
// read, or is no property list with a dictionary at its top.
std::variant<std::optional<std::string>, ListError> infoString(
    const std::string& ofBundleAt, const std::string& key);

// The string under "CFBundleShortVersionString"; nothing in every other
// case, a list that cannot be used included.
std::optional<std::string> shortVersion(const std::string& ofBundleAt);

}  // namespace AppInfo
