#include "PropertyList.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "PropertyListContract.hpp"
#include "PropertyListLists.hpp"

namespace PropertyList {
// Failures show the reason, not the bytes of the value.
void PrintTo(const Unreadable& refused, std::ostream* out) {
  *out << "Unreadable{\"" << refused.reason << "\"}";
}
}  // namespace PropertyList

namespace {

using namespace Lists;
using Contract::found;
using Contract::nothing;
using PropertyList::Lookup;
using PropertyList::Unreadable;

const Lookup tooDeep = Unreadable{"nested more than 64 levels deep"};
const Lookup expandsTooFar =
    Unreadable{"more than 4 MiB once its shared members are copied"};

// What each shape reads as: what the system's reader makes of it, or a
// refusal of a shape no writer makes.
TEST(PropertyListStringValue, AnswersAsTheSystemsReader) {
  for (const Contract::Case& c : Contract::allCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::stringValue(c.bytes, c.key), c.expected);
  }
}

// Several keys in one pass: whether each is there, and its string if it
// holds one; of two equal keys the last counts in XML and the first in a
// binary list, for each key apart.
TEST(PropertyListEntries, TellsPresenceFromStrings) {
  using PropertyList::Entry;
  const std::vector<std::string_view> keys = {"v", "v-macos", "w", "x"};
  const std::vector<Entry> expected = {
      {true, "1"}, {true, std::nullopt}, {false, std::nullopt}, {true, ""}};
  const std::string xmlList =
      xml("<key>v</key><string>0</string><key>v-macos</key><integer>2"
          "</integer><key>x</key><string/><key>v</key><string>1</string>");
  const std::string binary = binaryList(
      {dictionary({1, 2, 3, 1}, {4, 5, 6, 7}), ascii("v"), ascii("v-macos"),
       ascii("x"), ascii("1"), "\x10\x02", ascii(""), ascii("0")});
  for (const std::string& list : {xmlList, binary}) {
    SCOPED_TRACE(list.substr(0, 8));
    const auto found = PropertyList::entries(list, keys);
    ASSERT_TRUE(std::holds_alternative<std::vector<Entry>>(found));
    EXPECT_EQ(std::get<std::vector<Entry>>(found), expected);
  }
  // A refusal is the whole answer, for every key alike.
  EXPECT_EQ(PropertyList::entries(xml("<key>v</key>"), keys),
            PropertyList::Entries(Unreadable{"not a property list"}));
  EXPECT_EQ(PropertyList::entries(binaryList({array({})}), keys),
            PropertyList::Entries(Unreadable{"its top is not a dictionary"}));
}

std::string fixture(const std::string& name) {
  std::ifstream file(std::string(PAGELUME_FIXTURES) + "/" + name,
                     std::ios::binary);
  EXPECT_TRUE(file) << name;
  return {std::istreambuf_iterator<char>(file),
          std::istreambuf_iterator<char>()};
}

// A list in the shape Xcode writes, with a value of every type, comments
// and references, in XML and converted to the binary format.
TEST(PropertyListStringValue, ReadsAListAsXcodeWritesIt) {
  for (const std::string name : {"Info.plist", "Info-binary.plist"}) {
    SCOPED_TRACE(name);
    const std::string list = fixture(name);
    EXPECT_EQ(PropertyList::stringValue(list, "CFBundleShortVersionString"),
              found("1.4.2"));
    EXPECT_EQ(PropertyList::stringValue(list, "NSHumanReadableCopyright"),
              found("Copyright \xC2\xA9 2026 the pagelume developers. Alle "
                    "Rechte vorbehalten \xE2\x80\x93 \xC2\xAB"
                    "Pagelume\xC2\xBB."));
    EXPECT_EQ(PropertyList::stringValue(list, "DTPlatformBuild"), found(""));
    EXPECT_EQ(PropertyList::stringValue(list, "PagelumeBuildDate"), nothing);
  }
}

// Lists the end-to-end tests give the tool and the stand-in: a document
// type whose identifier holds a double quote, before a CDATA section that
// looks like a dictionary; and shapes real lists have that were refused
// once (a blank before "/>", "<key/>", a raw escape character).
TEST(PropertyListStringValue, ReadsWhatTheSystemReads) {
  const std::string hidden = fixture("hidden-list.plist");
  EXPECT_EQ(PropertyList::stringValue(hidden, "CFBundleShortVersionString"),
            found("1.0"));
  EXPECT_EQ(PropertyList::stringValue(hidden, "CFBundleExecutable"),
            found("X"));
  const std::string shapes = fixture("real-shapes.plist");
  EXPECT_EQ(PropertyList::stringValue(shapes, "CFBundleShortVersionString"),
            found("2.1"));
  EXPECT_EQ(PropertyList::stringValue(shapes, "NSHumanReadableCopyright"),
            found("\x1B[1mPagelume\x1B[0m"));
  EXPECT_EQ(PropertyList::stringValue(shapes, ""), found(""));
}

TEST(PropertyListStringValue, BoundsSizeAndNesting) {
  const std::size_t limit = 1024 * 1024;
  const std::string shell = xmlWith("<string></string>");
  struct Case {
    std::string name, bytes;
    Lookup expected;
  };
  const Case cases[] = {
      {"the largest list",
       xmlWith("<string>" + std::string(limit - shell.size(), 'x') +
               "</string>"),
       found(std::string(limit - shell.size(), 'x'))},
      {"one byte more",
       xmlWith("<string>" + std::string(limit - shell.size() + 1, 'x') +
               "</string>"),
       Unreadable{"larger than 1 MiB"}},
      {"a binary list one byte too large",
       binaryWith(ascii(std::string(limit, 'x'))),
       Unreadable{"larger than 1 MiB"}},
      // The top dictionary is a level: 63 arrays under it make 64.
      {"xml at the depth bound", xmlWith(nestedArrays(63)), nothing},
      {"xml past the depth bound", xmlWith(nestedArrays(64)), tooDeep},
      {"a string is a level",
       xmlWith(repeat("<array>", 62) + "<string>1</string>" +
               repeat("</array>", 62)),
       nothing},
      {"a string past the depth bound",
       xmlWith(repeat("<array>", 63) + "<string>1</string>" +
               repeat("</array>", 63)),
       tooDeep},
      {"an empty element past the depth bound",
       xmlWith(repeat("<array>", 63) + "<true/>" + repeat("</array>", 63)),
       tooDeep},
      {"a key past the depth bound",
       xmlWith(repeat("<array>", 62) + "<dict><key>k</key><true/></dict>" +
               repeat("</array>", 62)),
       tooDeep},
      {"many references",
       xmlWith("<string>" + repeat("&amp;&#65;", 5000) + "</string>"),
       found(repeat("&A", 5000))},
      {"binary at the depth bound", binaryChain(63), nothing},
      {"binary past the depth bound", binaryChain(64), tooDeep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::stringValue(c.bytes, "v"), c.expected);
  }
}

// The depth of a binary list is that of its longest path, also where the
// path runs through a member reached before by a shorter one.
TEST(PropertyListStringValue, BinaryDepthCountsSharedMembers) {
  // The top dictionary {a: chain of 40 arrays, b: chain of `outer` arrays
  // whose last holds the first chain again}.
  const auto list = [](int outer) {
    std::vector<std::string> objects = {dictionary({1, 2}, {3, 3 + 40}),
                                        ascii("a"), ascii("b")};
    for (int level = 0; level < 40; ++level) {
      objects.push_back(level + 1 < 40 ? array({4 + level}) : array({}));
    }
    for (int level = 0; level < outer; ++level) {
      objects.push_back(array({level + 1 < outer ? 3 + 40 + level + 1 : 3}));
    }
    return binaryList(objects);
  };
  // 1 + 23 + 40 levels on the longest path; one more is too many.
  EXPECT_EQ(PropertyList::stringValue(list(23), "v"), nothing);
  EXPECT_EQ(PropertyList::stringValue(list(24), "v"), tooDeep);
}

// Shared members count once per reference, as a reader that copies them
// builds them: twenty arrays, each holding the next one twice, stand for a
// million copies of the string at the bottom.
TEST(PropertyListStringValue, SharedBinaryMembersCountPerReference) {
  std::vector<std::string> objects = {dictionary({1}, {2}), ascii("v")};
  for (int level = 0; level < 20; ++level) {
    objects.push_back(array({3 + level, 3 + level}));
  }
  objects.push_back(ascii("12345678"));
  EXPECT_EQ(PropertyList::stringValue(binaryList(objects), "v"), expandsTooFar);

  // One string referenced many times, well under the bound.
  const std::string wide =
      binaryList({dictionary({1}, {2}), ascii("v"),
                  array(std::vector<int>(60000, 3)), ascii("1.0")},
                 {.referenceWidth = 1});
  EXPECT_EQ(PropertyList::stringValue(wide, "v"), nothing);
}

// The expansion bound at its edge: the top {v: 18 arrays, each holding the
// next twice, over a string of 12 bytes; w: a string of `length`} stands
// for 5 + 2 + 2 bytes of its own and keys, 3 * (2^18 - 1) + 2^18 * 12 for
// the arrays, and `length` + 6 for the string: exactly 4 MiB at 262,132.
TEST(PropertyListStringValue, ExpansionBoundAtItsEdge) {
  const auto list = [](std::size_t length) {
    std::vector<std::string> objects = {dictionary({1, 2}, {3, 3 + 19}),
                                        ascii("v"), ascii("w")};
    for (int level = 0; level < 18; ++level) {
      objects.push_back(array({4 + level, 4 + level}));
    }
    objects.push_back(ascii(std::string(11, 'x')));
    objects.push_back("\x5F\x12" + bigEndian(length, 4) +
                      std::string(length, 'y'));
    return binaryList(objects, {.offsetWidth = 4});
  };
  // Compared as booleans: a failure must not print a quarter-megabyte.
  EXPECT_TRUE(PropertyList::stringValue(list(262132), "w") ==
              found(std::string(262132, 'y')));
  EXPECT_EQ(PropertyList::stringValue(list(262133), "w"), expandsTooFar);
}

// Table entries at one offset are one object, read once; but every
// reference to it counts its full size towards the expansion bound.
TEST(PropertyListStringValue, ObjectsAtOneOffsetAreOneObject) {
  std::vector<int> members;
  for (int index = 3; index < 255; ++index) {
    members.push_back(index);
  }
  const std::string head = dictionary({1}, {2}) + ascii("v") + array(members);
  const auto list = [&](uint64_t length) {
    const std::string string = "\x5F\x12" + bigEndian(length, 4);
    std::vector<uint64_t> offsets = {8, 8 + 3, 8 + 5};
    offsets.resize(255, 8 + head.size());
    return layOut(head + string + std::string(length, 'x'), offsets,
                  {.offsetWidth = 4});
  };
  EXPECT_EQ(PropertyList::stringValue(list(200000), "v"), expandsTooFar);
  // 252 references to a string of 16,000 bytes stand for less than 4 MiB.
  EXPECT_EQ(PropertyList::stringValue(list(16000), "v"), nothing);
}

// An array of one-byte references to small objects of every kind, with
// `entries` table entries at its offset, all held by the top dictionary
// beside the version: each entry is that one array.
std::string entriesAtOneArray(int entries, int references) {
  const std::vector<std::string> small = {"\x09",
                                          "\x08",
                                          "\x10\x07",
                                          "\x11\x01\x02",
                                          std::string("\x22\0\0\0\0", 5),
                                          "\x33" + std::string(8, '\0'),
                                          ascii("a"),
                                          utf16({'b'}),
                                          "\x41\x01"};
  std::vector<int> keys = {1};
  std::vector<int> values = {2};
  std::string area = ascii("CFBundleShortVersionString") + ascii("1.4.2");
  std::vector<uint64_t> offsets = {0, 8, 8 + area.size() - 6};
  const int first = 3;
  for (int index = 0; index < 120; ++index) {
    offsets.push_back(8 + area.size());
    area += small[static_cast<std::size_t>(index) % small.size()];
  }
  std::vector<int> members;
  for (int index = 0; index < references; ++index) {
    members.push_back(first + index % 120);
  }
  const uint64_t at = 8 + area.size();
  area += array(members);
  for (int entry = 0; entry < entries; ++entry) {
    offsets.push_back(at);
    keys.push_back(first + 6);  // "a"
    values.push_back(first + 120 + entry);
  }
  offsets[0] = 8 + area.size();
  area += dictionary(keys, values);
  return layOut(area, offsets, {.offsetWidth = 8, .top = 0});
}

TEST(PropertyListStringValue, ReadsEachSharedArrayOnce) {
  EXPECT_EQ(PropertyList::stringValue(entriesAtOneArray(120, 35000),
                                      "CFBundleShortVersionString"),
            expandsTooFar);
  EXPECT_EQ(PropertyList::stringValue(entriesAtOneArray(20, 35000),
                                      "CFBundleShortVersionString"),
            found("1.4.2"));
}

// The expansion bound is checked as each member is added, not when its
// collection ends: a list whose array passes it before a reference past the
// objects is refused for its expansion.
TEST(PropertyListStringValue, StopsAsSoonAsTheExpansionIsPassed) {
  std::vector<int> members(200, 3);
  members.push_back(9);  // no such object
  const std::string list =
      binaryList({dictionary({1}, {2}), ascii("v"), array(members),
                  "\x5F\x12" + bigEndian(30000, 4) + std::string(30000, 'x')},
                 {.offsetWidth = 4});
  EXPECT_EQ(PropertyList::stringValue(list, "v"), expandsTooFar);
}

// Objects may overlap, as the system reads them, until reading each once
// would look at more than twice the list's bytes. Here 32 arrays of 14
// members start at 32 neighbouring bytes of one run of their own markers
// (0xAE, 174: every member is object 174, an integer). The walk reads the
// top dictionary (3 bytes), its key "v" (2) and the array of the 32 (36),
// each overlapping array (15) and the integer once (3), and follows
// 2 + 32 + 32 * 14 references: 1006 in all, the last a reference, so the
// list reads at 503 bytes and not at 502. With a 33rd member, a new integer
// of 2 bytes, the array grows by a byte and the last of 1010 is a size.
TEST(PropertyListStringValue, BoundsTheWorkOfOverlappingObjects) {
  const auto list = [](std::size_t padding, bool tail) {
    std::vector<int> members;
    for (int index = 3; index < 3 + 32; ++index) {
      members.push_back(index);
    }
    if (tail) {
      members.push_back(175);
    }
    const std::string head = dictionary({1}, {2}) + ascii("v") + array(members);
    std::string area =
        head + std::string(32 + 14, '\xAE') + std::string("\x11\x00\x01", 3);
    std::vector<uint64_t> offsets = {8, 8 + 3, 8 + 5};
    for (int index = 0; index < 32; ++index) {
      offsets.push_back(8 + head.size() + static_cast<uint64_t>(index));
    }
    offsets.resize(174, 8);
    offsets.push_back(8 + head.size() + 32 + 14);
    if (tail) {
      offsets.push_back(8 + area.size());
      area += "\x10\x01";
    }
    return layOut(area + std::string(padding, '\0'), offsets,
                  {.offsetWidth = 2});
  };
  const Lookup overlapsTooFar = Unreadable{"its objects overlap too far"};
  ASSERT_EQ(list(23, false).size(), 503u);
  EXPECT_EQ(PropertyList::stringValue(list(23, false), "v"), nothing);
  EXPECT_EQ(PropertyList::stringValue(list(22, false), "v"), overlapsTooFar);
  ASSERT_EQ(list(20, true).size(), 505u);
  EXPECT_EQ(PropertyList::stringValue(list(20, true), "v"), nothing);
  EXPECT_EQ(PropertyList::stringValue(list(19, true), "v"), overlapsTooFar);
}

}  // namespace
