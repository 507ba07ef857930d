#include "Unicode.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string eAcute = "\xC3\xA9";          // U+00E9
const std::string eWithMark = "e\xCC\x81";      // e + U+0301
const std::string combiningAcute = "\xCC\x81";  // U+0301
const std::string zeroWidthJoiner = "\xE2\x80\x8D";
const std::string variationSelector = "\xEF\xB8\x8F";  // U+FE0F
const std::string invalid = "\xFF\xFE";

TEST(UnicodeEqual, CanonicalEquivalenceAndNothingElse) {
  struct Case {
    std::string a, b;
    bool equal;
  };
  const Case cases[] = {
      {"", "", true},
      {"abc", "abc", true},
      {eAcute, eWithMark, true},
      {"/r" + eAcute + "sum" + eAcute, "/r" + eWithMark + "sum" + eWithMark,
       true},
      {"MacOS", "macos", false},           // case counts
      {"\xEF\xAC\x81", "fi", false},       // ligature: compatibility only
      {"\xE2\x84\xAB", "\xC3\x85", true},  // Angstrom sign and Å
      // Singletons that decompose to ASCII: the ASCII shortcut must not say
      // "different".
      {"\xE2\x84\xAA", "K", true},  // KELVIN SIGN
      {"\xCD\xBE", ";", true},      // GREEK QUESTION MARK
      {"-\xE2\x84\xAA", "-K", true},
      {"a/", "a", false},
      {invalid, invalid, true},  // its own bytes
      {invalid + "e", invalid + "e", true},
      {"e\xFF" + combiningAcute, eAcute + "\xFF", false},
      {std::string("a\0b", 3), std::string("a\0b", 3), true},
      {std::string("a\0b", 3), "a", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(Unicode::equal(c.a, c.b), c.equal);
    EXPECT_EQ(Unicode::equal(c.b, c.a), c.equal);
  }
}

TEST(UnicodeEqual, InvalidBytesNeverMatchValidText) {
  // A lone continuation byte is not a decomposition of anything.
  EXPECT_FALSE(Unicode::equal("\x80", ""));
  EXPECT_FALSE(Unicode::equal(eWithMark + "\x80", eAcute + "\x80"));
}

TEST(UnicodeHasPrefix, HoldsOnlyOnWholeCharacters) {
  struct Case {
    std::string text, prefix;
    bool holds;
  };
  const Case cases[] = {
      {"~/a", "~/", true},
      {"~", "~", true},
      {"~/", "~/", true},
      {"", "", true},
      {"abc", "", true},
      {"", "~", false},
      {"/x", "~/", false},
      {"~" + combiningAcute + "/a", "~", false},
      {"/" + combiningAcute + "tmp", "/", false},
      {"-" + combiningAcute, "-", false},
      {"~/" + combiningAcute, "~/", false},
      {"-" + zeroWidthJoiner + "h", "-", false},
      {"-" + variationSelector, "-", false},
      {"/a" + combiningAcute, "/", true},  // the mark extends "a", not "/"
      {"/" + invalid, "/", true},          // invalid bytes extend nothing
      {"~bob", "~/", false},
      {"--help", "-", true},
      {"e" + combiningAcute, "e", false},
      // A regional-indicator pair is one flag: half of it is no prefix.
      {"\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", "\xF0\x9F\x87\xAB", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.prefix);
    EXPECT_EQ(Unicode::hasPrefix(c.text, c.prefix), c.holds);
  }
}

}  // namespace
