#pragma once

#include <optional>
#include <string>
#include <string_view>

// An independent reading of a binary property list, for checking ours: a
// plain recursive reader that follows the format's description and builds
// the whole tree, every shared member copied once per reference, sharing no
// code with the tool's reader. Where the system's reader refuses a list, or
// where this reader cannot tell, it reads nothing.
namespace BinaryReading {

struct Reading {
  bool topIsDictionary = false;
  // The string under the asked key at the top (the first of equal keys);
  // nothing when the key is missing, holds another type, or a string with
  // no UTF-8 form.
  std::optional<std::string> value;
  // Whether the list keeps to the shapes our reader promises to read:
  // version "00"; counts of at most 8 bytes; no null, fill, UID or set;
  // string keys; ASCII strings of ASCII; nesting, expansion and the work of
  // reading each object once within bounds. Where it does, ours must read
  // it.
  bool promised = true;
};

// Nothing when the bytes are no binary list that the system reads, or one
// whose whole tree this reader does not build (deeper or larger than our
// reader's bounds, or with values the system may read and it does not).
std::optional<Reading> read(std::string_view bytes, std::string_view key);

}  // namespace BinaryReading
