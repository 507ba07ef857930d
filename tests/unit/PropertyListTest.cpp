#include "PropertyList.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string repeat(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

// An XML list whose top dictionary holds `value` under "a".
std::string xmlWith(const std::string& value) {
  return "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>"
         "<key>CFBundleShortVersionString</key><string>1</string>"
         "<key>a</key>" +
         value + "</dict></plist>";
}

std::string nestedArrays(std::size_t depth) {
  return repeat("<array>", depth) + repeat("</array>", depth);
}

// A binary list of the given objects (each already encoded, references one
// byte wide), the first being the top.
std::string binaryList(const std::vector<std::string>& objects) {
  std::string list = "bplist00";
  std::vector<uint64_t> offsets;
  for (const std::string& object : objects) {
    offsets.push_back(list.size());
    list += object;
  }
  const uint64_t table = list.size();
  for (const uint64_t offset : offsets) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      list += static_cast<char>(offset >> shift & 0xFF);
    }
  }
  std::string trailer(6, '\0');
  trailer += '\x08';  // offsets 8 bytes wide
  trailer += '\x01';  // references 1 byte wide
  for (const uint64_t field : {uint64_t{objects.size()}, uint64_t{0}, table}) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      trailer += static_cast<char>(field >> shift & 0xFF);
    }
  }
  return list + trailer;
}

// An array holding the objects `members`.
std::string array(const std::vector<int>& members) {
  constexpr unsigned char marker = 0xA0;
  std::string object;
  if (members.size() < 15) {
    object += static_cast<char>(marker | members.size());
  } else {
    object += static_cast<char>(marker | 0x0F);
    object += '\x11';  // a two-byte count follows
    object += static_cast<char>(members.size() >> 8);
    object += static_cast<char>(members.size() & 0xFF);
  }
  for (const int member : members) {
    object += static_cast<char>(member);
  }
  return object;
}

// The top dictionary {"k": object 2}, and its key, object 1.
const std::vector<std::string> topWithKey = {"\xD1\x01\x02", "\x51k"};

// A chain of `depth` arrays, each holding the next, under the top
// dictionary.
std::string binaryChain(int depth) {
  std::vector<std::string> objects = topWithKey;
  for (int level = 0; level < depth; ++level) {
    objects.push_back(level + 1 < depth ? array({3 + level}) : array({}));
  }
  return binaryList(objects);
}

std::vector<std::string> withTop(std::vector<std::string> objects) {
  objects.insert(objects.begin(), topWithKey.begin(), topWithKey.end());
  return objects;
}

TEST(PropertyListRefusal, BoundsDepthValuesAndSize) {
  const std::string deep = "nested more than 64 levels deep";
  const std::string many = "more than 65536 values";
  const std::string notAList = "not a property list";
  struct Case {
    std::string name, bytes;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      // The top dictionary is a level: 63 arrays under it make 64.
      {"xml at the depth bound", xmlWith(nestedArrays(63)), std::nullopt},
      {"xml past the depth bound", xmlWith(nestedArrays(64)), deep},
      {"empty arrays do not nest", xmlWith(repeat("<array/>", 1000)),
       std::nullopt},
      {"containers in comments and CDATA do not count",
       xmlWith("<!--" + repeat("<array>", 100) + "--><string><![CDATA[" +
               repeat("<dict>", 100) + "]]></string>"),
       std::nullopt},
      {"names that only begin like a container",
       xmlWith(repeat("<arrays>", 100) + repeat("</arrays>", 100)),
       std::nullopt},
      // plist, dict, key, string and key are five of the values.
      {"xml at the value bound", xmlWith(repeat("<true/>", 65536 - 5)),
       std::nullopt},
      {"xml past the value bound", xmlWith(repeat("<true/>", 65536 - 4)), many},
      {"byte-order mark and blanks before xml",
       "\xEF\xBB\xBF \n" + xmlWith("<true/>"), std::nullopt},
      {"neither xml nor binary", "{ CFBundleShortVersionString = 1; }",
       notAList},
      {"empty", "", notAList},
      {"too large",
       xmlWith("<string>" + std::string(512 * 1024, 'x') + "</string>"),
       "larger than 512 KiB"},
      {"binary at the depth bound", binaryChain(63), std::nullopt},
      {"binary past the depth bound", binaryChain(64), deep},
      {"binary array holding itself", binaryList(withTop({array({2})})),
       notAList},
      {"binary reference past the objects", binaryList(withTop({array({7})})),
       notAList},
      {"binary trailer cut short", binaryChain(3).substr(0, 40), notAList},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::refusal(c.bytes), c.expected);
  }
}

// Shared members count once per reference, as a parser builds them: a
// handful of objects, each holding the next one twice, stand for 2^20
// values.
TEST(PropertyListRefusal, SharedBinaryMembersCountPerReference) {
  std::vector<std::string> objects = topWithKey;
  for (int level = 0; level < 20; ++level) {
    objects.push_back(array({3 + level, 3 + level}));
  }
  objects.push_back("\x09");  // true
  EXPECT_EQ(PropertyList::refusal(binaryList(objects)),
            "more than 65536 values");

  // One value referenced many times, under the bound.
  std::vector<int> members(60000, 3);
  const std::string wide = binaryList(withTop({array(members), "\x09"}));
  EXPECT_EQ(PropertyList::refusal(wide), std::nullopt);
}

TEST(PropertyListStringValue, RefusedBytesAreUnreadableForTheirReason) {
  EXPECT_EQ(PropertyList::stringValue(xmlWith(nestedArrays(64)),
                                      "CFBundleShortVersionString"),
            PropertyList::Lookup(
                PropertyList::Unreadable{"nested more than 64 levels deep"}));
  EXPECT_EQ(PropertyList::stringValue(xmlWith(nestedArrays(63)),
                                      "CFBundleShortVersionString"),
            PropertyList::Lookup(std::optional<std::string>("1")));
  EXPECT_EQ(PropertyList::stringValue(binaryChain(63), "k"),
            PropertyList::Lookup(std::optional<std::string>()));
}

}  // namespace
