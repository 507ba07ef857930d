#pragma once

#include <string_view>
#include <vector>

#include "PropertyListLookup.hpp"

// Reads one string out of the bytes of an information property list, XML or
// binary, with a reader of our own that is the same on every platform. The
// system's own reader (CoreFoundation) is the contract: wherever it reads a
// list, this reads the same string, and what it refuses, this refuses too.
// Shapes that no writer of information property lists makes may be refused
// although the system reads them; each is named in the header of its
// format's reader (PropertyListXml.hpp, PropertyListBinary.hpp).
namespace PropertyList {

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
// most `largestList`; nesting, expansion and the work of a binary list are
// bounded as in PropertyListLookup.hpp.
Lookup stringValue(std::string_view bytes, std::string_view key);

// What the top dictionary holds under each of `keys`, in one pass, read as
// stringValue reads one: present or not, and the string if it is one. The
// keys are distinct.
Entries entries(std::string_view bytes,
                const std::vector<std::string_view>& keys);

}  // namespace PropertyList
