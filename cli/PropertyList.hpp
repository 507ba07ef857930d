#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Reads one string out of the bytes of a property list, XML or binary. The
// parser is the platform's own (CoreFoundation on macOS, libplist
// elsewhere); the header, and every answer, is the same on both.
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
// few kilobytes, nests a handful of levels, escapes a few dozen characters
// (in copyright and usage texts) and shares a few members; past these bounds
// the parsers take seconds or gigabytes, or recurse until the stack runs
// out.
inline constexpr std::size_t largestList = 512 * 1024;
inline constexpr std::size_t deepestNesting = 64;
inline constexpr std::size_t mostReferences = 4096;
inline constexpr std::size_t largestExpansion = 4 * 1024 * 1024;

// UTF-8's byte-order mark, allowed before an XML list.
inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// The reasons `refusal` gives, whatever the format.
std::string tooDeep();
std::string expandsTooFar();
std::string topIsNoDictionary();

// Why `bytes` are not handed to a parser; nothing when they may be. Only
// what real information property lists hold is admitted, checked in time
// linear in the size of `bytes` and in bounded memory: at most
// `largestList` bytes, of the binary format as its writers lay it out, or
// of XML as Xcode writes it. That is UTF-8 (a byte-order mark first is
// allowed) of characters XML allows; an optional declaration of version 1.0
// and encoding UTF-8; an optional document type without an internal
// subset; one "plist" element, the only one with an attribute ("version"),
// holding one dictionary. Inside, only the elements dict, key, array,
// string, data, date, integer and real (each with content of its type) and
// true and false; keys only in dictionaries, each followed by its value;
// white space and comments between elements; in keys and strings, CDATA
// sections and at most `mostReferences` references to the five predefined
// entities or to characters XML allows; no key that begins with a
// byte-order mark; every element nested at most `deepestNesting` deep.
std::optional<std::string> refusal(std::string_view bytes);

// The string under `key` of the dictionary at the top of the list in
// `bytes`, as valid UTF-8: its exact characters, NUL characters included,
// but for a byte-order mark at the front of an XML string, which is not
// part of it. An empty string is a string; a string with no UTF-8 form (a
// lone UTF-16 surrogate in a binary list) is nothing. Of two equal keys the
// last counts in XML and the first in a binary list. Keys are compared
// character by character, without normalisation. Bytes that `refusal`
// refuses are Unreadable for that reason.
Lookup stringValue(std::string_view bytes, const std::string& key);

}  // namespace PropertyList
