#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "PropertyListLookup.hpp"

// What a bundle's information property list says, as the macOS bundle
// service gives it. A bundle with a Contents directory has its list there:
// the platform's own list (Info-macos.plist) if it can be read, else
// Info.plist, each found as the service finds it; and in it a key
// NAME-macos overrides NAME. A bundle without one has Info.plist at its top,
// read as it stands.
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

// The names of the lists in a Contents directory, the platform's own first.
inline constexpr std::string_view platformListName = "Info-macos.plist";
inline constexpr std::string_view listName = "Info.plist";

// Which lists a Contents directory holds, as the bundle service finds them:
// it lists the directory and compares each name with the two list names
// without regard to case, and then reads each list found under the list's
// own name, so that on a case-sensitive volume "info.plist" alone is found
// but cannot be read. Fed the directory's names one at a time.
class ListFinder {
 public:
  void see(std::string_view fileName);
  // Whether both names are found, so the rest of the directory need not be
  // read.
  bool done() const { return platformFound_ && found_; }
  // The names to read, in the order to try them.
  std::vector<std::string> lists() const;

 private:
  bool platformFound_ = false;
  bool found_ = false;
};

// The keys to read from a list, in this order, to know what the bundle
// service makes of `key`: the key, then NAME-macos, NAME-macos~ and NAME~,
// the keys that may stand for it on macOS.
std::vector<std::string> keysFor(const std::string& key);

// What the bundle service makes of `key` from `found`, the entries under
// keysFor(key): where NAME-macos is there, the first there of NAME-macos~,
// NAME~ and NAME-macos takes NAME's place, whatever its type; else NAME
// stands. CFBundleExecutable and CFBundleIdentifier are never overridden.
// The string, or nothing when the value is missing or no string.
std::optional<std::string> serviceValue(
    const std::string& key, const std::vector<PropertyList::Entry>& found);

// The string under `key` in the information property list of the bundle at
// `ofBundleAt`, as above. Nothing when the bundle is not a directory, has no
// list, or the list has no string under `key` (an empty string is a
// string); a ListError when the list that is used is there but is not a
// regular file, cannot be read, or is no property list with a dictionary at
// its top. The platform's own list gives way to Info.plist only when it
// cannot be read at all.
std::variant<std::optional<std::string>, ListError> infoString(
    const std::string& ofBundleAt, const std::string& key);

// The string under "CFBundleShortVersionString"; nothing in every other
// case, a list that cannot be used included.
std::optional<std::string> shortVersion(const std::string& ofBundleAt);

}  // namespace AppInfo
