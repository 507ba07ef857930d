#pragma once

#include <optional>
#include <string>
#include <string_view>

// An independent reading of an XML property list, for checking ours: expat
// parses the XML, and a walk over its events applies the property-list
// structure (one "plist" element holding one value; dictionaries of keys,
// each followed by one value; the last of two equal keys counts; a bare
// first element is the list; a key where a value stands is a string). The
// few rules where the system's reader differs from XML are applied on top:
// one byte-order mark at the front of a key or string is dropped, and a
// dictionary whose one key is "CF$UID", holding a number, is no dictionary.
namespace ExpatReading {

struct Reading {
  bool topIsDictionary = false;
  // The string under the asked key at the top; nothing when the key is
  // missing or holds another type.
  std::optional<std::string> value;
  // Whether the list keeps to the shapes our reader promises to read:
  // UTF-8 with a plain declaration and document type, no processing
  // instruction, no attribute but the plist element's version, no character
  // data between elements but blanks, numbers and dates as written, no
  // non-character, no character reference of more than eight digits (which
  // the system refuses), nesting and size within bounds. Where it does, ours
  // must read it.
  bool promised = true;
};

// Nothing when expat finds the bytes no well-formed XML, or the elements
// are no property list.
std::optional<Reading> read(std::string_view bytes, std::string_view key);

}  // namespace ExpatReading
