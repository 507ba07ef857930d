#pragma once

#include <cstddef>
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

// Bounds on what is handed to a parser. An information property list is a
// few kilobytes and nests a handful of levels; past these bounds the
// parsers take seconds, or recurse until the stack runs out.
inline constexpr std::size_t largestList = 512 * 1024;
inline constexpr std::size_t deepestNesting = 64;
inline constexpr std::size_t mostValues = 65536;

// Why `bytes` are not handed to a parser, checked in time linear in their
// size and without recursion: larger than `largestList`; neither a binary
// list nor XML; collections nested more than `deepestNesting` deep; or more
// than `mostValues` values, counting a binary list's shared members once
// per reference, as a parser builds them. Nothing when they may be parsed.
std::optional<std::string> refusal(std::string_view bytes);

// The string under `key` of the dictionary at the top of the list in
// `bytes`, as UTF-8; an empty string is a string. Bytes that `refusal`
// refuses are Unreadable for that reason.
Lookup stringValue(std::string_view bytes, const std::string& key);

}  // namespace PropertyList
