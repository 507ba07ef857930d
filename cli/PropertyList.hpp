#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Reads one string out of the bytes of a property list, XML or binary. The
// parser is the platform's own (CoreFoundation on macOS, libplist elsewhere);
// the header, and so every caller and test, is the same on both.
namespace PropertyList {

// Bytes that are no property list whose top is a dictionary.
struct Unreadable {
  // Why, as a phrase such as "not a property list".
  std::string reason;

  bool operator==(const Unreadable&) const = default;
};

// The string under a key; nothing when the key is missing or its value is of
// another type; or why the bytes cannot be read at all.
using Lookup = std::variant<std::optional<std::string>, Unreadable>;

// The string under `key` of the dictionary at the top of the list in
// `bytes`, as UTF-8; an empty string is a string.
Lookup stringValue(std::string_view bytes, const std::string& key);

}  // namespace PropertyList
