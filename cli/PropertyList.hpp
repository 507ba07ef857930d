#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Reads one string out of the bytes of an information property list, XML or
// binary, with a reader of our own that is the same on every platform. The
// system's own reader (CoreFoundation) is the contract: wherever it reads a
// list, this reads the same string, and what it refuses, this refuses too.
// Shapes that no writer of information property lists makes may be refused
// although the system reads them; each is named in the header of its
// format's reader (PropertyListXml.hpp, PropertyListBinary.hpp).
//
// This header holds what both formats share: the answer, the bounds and the
// reasons. The readers of the two formats never call each other.
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

// Bounds on what a list may be. The largest real information property list
// seen is 432,508 bytes (a kernel extension's, and growing); lists nest a
// handful of levels and share a few members. Within these bounds the worst
// list is read in a few milliseconds.
inline constexpr std::size_t largestList = 1024 * 1024;
inline constexpr std::size_t deepestNesting = 64;
// The bytes a binary list stands for once every shared member is copied
// once per reference, as a reader that builds the tree would copy it.
inline constexpr std::size_t largestExpansion = 4 * 1024 * 1024;

// UTF-8's byte-order mark.
inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// The reasons the readers give.
inline Unreadable notAList() {
  return {"not a property list"};
}
inline Unreadable tooLarge() {
  return {"larger than " + std::to_string(largestList / (1024 * 1024)) +
          " MiB"};
}
inline Unreadable tooDeep() {
  return {"nested more than " + std::to_string(deepestNesting) +
          " levels deep"};
}
inline Unreadable expandsTooFar() {
  return {"more than " + std::to_string(largestExpansion / (1024 * 1024)) +
          " MiB once its shared members are copied"};
}
inline Unreadable topIsNoDictionary() {
  return {"its top is not a dictionary"};
}

// The string under `key` of the dictionary at the top of the list in
// `bytes`, as valid UTF-8, exactly as the system reads it: characters are
// kept as they are (line ends, blanks, control characters, NUL characters of
// a binary list) but for one byte-order mark at the front of an XML string
// or key, which is not part of it. An empty string is a string; a string
// with no UTF-8 form (a lone UTF-16 surrogate in a binary list) is nothing.
// Of two equal keys the last counts in XML and the first in a binary list.
// Keys are compared character by character, without normalisation. Bytes
// that begin with "bplist" are read as the binary format and as nothing
// else. Time and memory are linear in the size of `bytes`, which must be at
// most `largestList`; nesting and expansion are bounded as above.
Lookup stringValue(std::string_view bytes, std::string_view key);

}  // namespace PropertyList
