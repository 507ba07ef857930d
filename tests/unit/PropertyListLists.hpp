#pragma once

// Builders of property lists in both formats, for the tests.
#include <cstdint>
#include <string>
#include <vector>

namespace Lists {

inline std::string repeat(const std::string& text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

// An XML list as Xcode writes it, its top dictionary holding `entries`.
inline std::string xml(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n" +
         entries + "\n</dict>\n</plist>\n";
}

// The same with "v" holding the value element `value`.
inline std::string xmlWith(const std::string& value) {
  return xml("<key>v</key>" + value);
}

// `depth` arrays, each holding the next.
inline std::string nestedArrays(std::size_t depth) {
  return repeat("<array>", depth) + repeat("</array>", depth);
}

inline std::string bigEndian(uint64_t value, int width) {
  std::string bytes;
  for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
    bytes += shift < 64 ? static_cast<char>(value >> shift & 0xFF) : '\0';
  }
  return bytes;
}

// How a binary list's trailer describes its table and references.
struct Trailer {
  int offsetWidth = 8;
  int referenceWidth = 1;
  uint64_t top = 0;
};

// A binary list of `objects` (the bytes of the object area) whose offset
// table holds `offsets`.
inline std::string layOut(const std::string& objects,
                          const std::vector<uint64_t>& offsets,
                          Trailer trailer = {}) {
  std::string list = "bplist00" + objects;
  const uint64_t table = list.size();
  for (const uint64_t offset : offsets) {
    list += bigEndian(offset, trailer.offsetWidth);
  }
  return list + std::string(6, '\0') + static_cast<char>(trailer.offsetWidth) +
         static_cast<char>(trailer.referenceWidth) +
         bigEndian(offsets.size(), 8) + bigEndian(trailer.top, 8) +
         bigEndian(table, 8);
}

// A binary list of the given objects (each already encoded), one after the
// other, with `gap` bytes before each.
inline std::string binaryList(const std::vector<std::string>& objects,
                              Trailer trailer = {}, std::size_t gap = 0) {
  std::string area;
  std::vector<uint64_t> offsets;
  for (const std::string& object : objects) {
    area += std::string(gap, '\0');
    offsets.push_back(8 + area.size());
    area += object;
  }
  return layOut(area, offsets, trailer);
}

// A marker of `type` and its count, in the marker or after it.
inline std::string counted(unsigned type, std::size_t count) {
  if (count < 15) {
    return std::string(1, static_cast<char>(type << 4 | count));
  }
  return std::string(1, static_cast<char>(type << 4 | 0x0F)) + "\x11" +
         bigEndian(count, 2);
}

inline std::string ascii(const std::string& text) {
  return counted(0x5, text.size()) + text;
}

inline std::string utf16(const std::vector<uint16_t>& units) {
  std::string object = counted(0x6, units.size());
  for (const uint16_t unit : units) {
    object += bigEndian(unit, 2);
  }
  return object;
}

// References one byte wide, or `width` bytes.
inline std::string references(const std::vector<int>& members, int width = 1) {
  std::string bytes;
  for (const int member : members) {
    bytes += bigEndian(static_cast<uint64_t>(member), width);
  }
  return bytes;
}

inline std::string array(const std::vector<int>& members) {
  return counted(0xA, members.size()) + references(members);
}

inline std::string dictionary(const std::vector<int>& keys,
                              const std::vector<int>& values, int width = 1) {
  return counted(0xD, keys.size()) + references(keys, width) +
         references(values, width);
}

// The top dictionary {"v": object 2} and its key, then `value` as object 2.
inline std::string binaryWith(const std::string& value) {
  return binaryList({dictionary({1}, {2}), ascii("v"), value});
}

// {"v": "1"} with offsets and references of the given widths.
inline std::string wideList(int offsetWidth, int referenceWidth) {
  return binaryList(
      {dictionary({1}, {2}, referenceWidth), ascii("v"), ascii("1")},
      {.offsetWidth = offsetWidth, .referenceWidth = referenceWidth});
}

// A chain of `depth` arrays, each holding the next, under the top
// dictionary.
inline std::string binaryChain(int depth) {
  std::vector<std::string> objects = {dictionary({1}, {2}), ascii("v")};
  for (int level = 0; level < depth; ++level) {
    objects.push_back(level + 1 < depth ? array({3 + level}) : array({}));
  }
  return binaryList(objects);
}

}  // namespace Lists
