#pragma once

#include <string_view>
#include <vector>

#include "PropertyListLookup.hpp"

// The binary form of a property list ("bplist00"): objects, a table of where
// each one starts, and a 32-byte trailer that says how wide offsets and
// references are, how many objects there are, which one is the top and
// where the table is. One walk from the top checks every object it reaches,
// each once, knowing objects by where they start as the system does, and
// then the top dictionary is searched for the asked key.
//
// It reads what the system's reader reads, the same way: objects anywhere
// in the object area, with gaps between them, shared, overlapping; table
// entries that share an offset, which are one object; offsets and
// references of any width from 1 to 8 bytes; the top object anywhere; keys
// in ASCII or UTF-16; NUL characters in strings; a byte-order mark in a
// UTF-16 string, kept. Like the system it refuses a table that does not end
// right before the trailer; an offset past the object area; widths of 0 or
// of more than 8 bytes; references too narrow for the object count, and
// offsets too narrow for the table's offset (256 to the power of the width
// must exceed it); a reference past the objects; an object that runs past
// the object area; an empty UTF-16 string; and a collection that holds
// itself.
//
// It refuses, although the system reads them, shapes that no writer of
// information property lists makes: a version other than "00"; counts of
// more than 8 bytes; null, UIDs, sets and fill bytes; keys that are no
// strings; ASCII strings with bytes past ASCII; collections nested more than
// `PropertyList::deepestNesting` deep on the longest path through shared
// members; a tree of more than `PropertyList::largestExpansion` bytes once
// every shared member is copied per reference; and objects that overlap so
// far that reading each once, with every reference it holds, would look at
// more than `PropertyList::mostWorkPerByte` times the list's bytes.
namespace PropertyListBinary {

// Whether `bytes` claim the binary format: they are read as nothing else.
bool claims(std::string_view bytes);

// What the top dictionary of the binary list in `bytes` holds under each of
// `keys`, as PropertyList::entries promises: ASCII strings byte for byte,
// UTF-16 strings converted whole; no string for one with a lone surrogate,
// which has no UTF-8 form. Of two equal keys the first counts.
PropertyList::Entries entries(std::string_view bytes,
                              const std::vector<std::string_view>& keys);

}  // namespace PropertyListBinary
