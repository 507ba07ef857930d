#include "Unicode.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace Unicode {
namespace {

const utf8proc_uint8_t* bytes(std::string_view text) {
  return reinterpret_cast<const utf8proc_uint8_t*>(text.data());
}

// Decodes the code point at the front of `text`; nothing when the bytes there
// are not valid UTF-8.
std::optional<utf8proc_int32_t> firstCodePoint(std::string_view text,
                                               std::size_t* length) {
  utf8proc_int32_t codePoint = -1;
  const utf8proc_ssize_t used = utf8proc_iterate(
      bytes(text), static_cast<utf8proc_ssize_t>(text.size()), &codePoint);
  if (used <= 0 || codePoint < 0) {
    return std::nullopt;
  }
  *length = static_cast<std::size_t>(used);
  return codePoint;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char byte) {
    return static_cast<unsigned char>(byte) < 0x80;
  });
}

// The number of code points in valid UTF-8 (every byte that does not
// continue a sequence starts one).
std::size_t codePoints(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
      }));
}

// Whether `other` might be canonically equivalent to the different ASCII
// string `ascii`. ASCII is its own decomposition, and decomposing never
// leaves fewer code points than there were.
bool mayMatchAscii(std::string_view ascii, std::string_view other) {
  return !isAscii(other) && codePoints(other) <= ascii.size();
}

// `text` mapped by utf8proc with `options`; nothing when it is not valid
// UTF-8. The length is passed explicitly, so a NUL inside is kept.
std::optional<std::string> mapped(std::string_view text,
                                  utf8proc_option_t options) {
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length = utf8proc_map(
      bytes(text), static_cast<utf8proc_ssize_t>(text.size()), &raw, options);
  const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(
      raw, &std::free);
  if (length < 0) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(raw),
                     static_cast<std::size_t>(length));
}

// The length of valid UTF-8 `text` in UTF-16 code units: a code point past
// U+FFFF (a 4-byte sequence) takes two.
std::size_t utf16Length(std::string_view text) {
  std::size_t length = 0;
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if ((value & 0xC0) != 0x80) {
      length += value >= 0xF0 ? 2 : 1;
    }
  }
  return length;
}

}  // namespace

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  // Most names differ in length, and most are ASCII, whose case a byte
  // comparison settles: neither needs a folded copy.
  if (utf16Length(a) != utf16Length(b)) {
    return false;
  }
  if (isAscii(a) && isAscii(b)) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) {
                        const auto lower = [](char byte) {
                          return byte >= 'A' && byte <= 'Z'
                                     ? static_cast<char>(byte - 'A' + 'a')
                                     : byte;
                        };
                        return lower(x) == lower(y);
                      });
  }
  const auto foldedA = mapped(a, UTF8PROC_CASEFOLD);
  const auto foldedB = mapped(b, UTF8PROC_CASEFOLD);
  return foldedA && foldedB && *foldedA == *foldedB;
}

std::optional<std::string> decomposed(std::string_view text) {
  return mapped(text, static_cast<utf8proc_option_t>(UTF8PROC_STABLE |
                                                     UTF8PROC_DECOMPOSE));
}

bool equal(std::string_view a, std::string_view b) {
  if (a == b) {
    return true;
  }
  // Most strings the tool compares are ASCII: settle those without
  // decomposing anything.
  if (isAscii(a)) {
    if (!mayMatchAscii(a, b)) {
      return false;
    }
  } else if (isAscii(b) && !mayMatchAscii(b, a)) {
    return false;
  }
  const auto left = decomposed(a);
  if (!left) {
    return false;
  }
  const auto right = decomposed(b);
  return right && *left == *right;
}

bool hasPrefix(std::string_view text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) {
    return false;
  }
  if (prefix.empty() || text.size() == prefix.size()) {
    return true;
  }
  // Walk the prefix with the grapheme-break state, so that sequences such as
  // emoji joined by U+200D are judged as a whole.
  utf8proc_int32_t state = 0;
  utf8proc_int32_t previous = -1;
  std::string_view rest = prefix;
  while (!rest.empty()) {
    std::size_t length = 0;
    const auto codePoint = firstCodePoint(rest, &length);
    if (!codePoint) {
      return false;
    }
    if (previous >= 0) {
      utf8proc_grapheme_break_stateful(previous, *codePoint, &state);
    }
    previous = *codePoint;
    rest.remove_prefix(length);
  }
  std::size_t length = 0;
  const auto next = firstCodePoint(text.substr(prefix.size()), &length);
  // Bytes that are not valid UTF-8 extend nothing.
  return !next || utf8proc_grapheme_break_stateful(previous, *next, &state);
}

}  // namespace Unicode
