#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// What the readers of both formats share: the answer they give, the bounds
// they keep and the reasons they refuse with. The façade (PropertyList.hpp)
// and both readers include this; nothing here calls either reader.
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

// What the top dictionary holds under one key.
struct Entry {
  // Whether the key is there, whatever its value.
  bool present = false;
  // The value, when it is a string with a UTF-8 form.
  std::optional<std::string> string;

  bool operator==(const Entry&) const = default;
};

// What the top dictionary holds under each of several keys, in their order;
// or why the bytes cannot be read at all.
using Entries = std::variant<std::vector<Entry>, Unreadable>;

// Bounds on what a list may be. The largest real information property list
// seen is 432,508 bytes (a kernel extension's, and growing); lists nest a
// handful of levels and share a few members. Within these bounds the worst
// list costs a few dozen instructions a byte, about 10 ms at the largest.
inline constexpr std::size_t largestList = 1024 * 1024;
inline constexpr std::size_t deepestNesting = 64;
// The bytes a binary list stands for once every shared member is copied
// once per reference, as a reader that builds the tree would copy it.
inline constexpr std::size_t largestExpansion = 4 * 1024 * 1024;
// How many times its own size a binary list may make the reader look at:
// each object's bytes once, and each reference once. Objects that do not
// overlap never come near it.
inline constexpr std::size_t mostWorkPerByte = 2;

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
inline Unreadable overlapsTooFar() {
  return {"its objects overlap too far"};
}
inline Unreadable topIsNoDictionary() {
  return {"its top is not a dictionary"};
}

}  // namespace PropertyList
