#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "PropertyList.hpp"

// The binary property-list format ("bplist00"): objects, a table of where
// each one starts, and a 32-byte trailer that says how wide offsets and
// references are, how many objects there are, which one is the top and
// where the table is. Only lists laid out as the system's writers lay them
// out are admitted; what the readers then build from them is bounded.
namespace BinaryPropertyList {

// Whether `bytes` claim the binary format: they are read as nothing else.
bool claimsBinary(std::string_view bytes);

// Why `bytes`, which claim the binary format, are not handed to a parser;
// nothing when they may be. Admitted are: version "00"; a table right
// before the trailer; widths of 1, 2, 4 or 8 bytes; objects inside the
// object area that do not overlap; only the value types an information
// property list holds (dictionaries with string keys, arrays, strings,
// data, dates, integers, reals and booleans); ASCII strings of ASCII bytes;
// no string that begins with a byte-order mark; no collection that holds
// itself; collections nested at most `PropertyList::deepestNesting` deep;
// and a tree, with every shared member copied once per reference, of at
// most `PropertyList::largestExpansion` bytes. Time and memory are linear
// in the size of `bytes`.
std::optional<std::string> refusal(std::string_view bytes);

// The string under `key` in the top dictionary of the admitted list in
// `bytes`, as UTF-8: ASCII strings byte for byte, UTF-16 strings converted
// whole, NUL characters included. Nothing when the key is missing, its
// value is no string, or the string holds a lone surrogate, which has no
// UTF-8 form. Of two equal keys the first counts.
PropertyList::Lookup stringValue(std::string_view bytes,
                                 const std::string& key);

}  // namespace BinaryPropertyList
