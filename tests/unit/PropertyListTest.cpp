#include "PropertyList.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using PropertyList::Lookup;
using PropertyList::Unreadable;

Lookup found(const std::string& text) {
  return std::optional<std::string>(text);
}
const Lookup nothing = std::optional<std::string>();
const Lookup notAList = Unreadable{"not a property list"};
const Lookup notADictionary = Unreadable{"its top is not a dictionary"};

std::string repeat(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

// An XML list as Xcode writes it, its top dictionary holding `entries`.
std::string xml(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n" +
         entries + "\n</dict>\n</plist>\n";
}

// The same with "v" holding the string element `value`.
std::string xmlWith(const std::string& value) {
  return xml("<key>v</key>" + value);
}

std::string bigEndian(uint64_t value, int width) {
  std::string bytes;
  for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
    bytes += static_cast<char>(value >> shift & 0xFF);
  }
  return bytes;
}

// A binary list of `objects` (the bytes of the object area) whose offset
// table holds `offsets`, references one byte wide, the first object the top.
std::string layOut(const std::string& objects,
                   const std::vector<uint64_t>& offsets) {
  std::string list = "bplist00" + objects;
  const uint64_t table = list.size();
  for (const uint64_t offset : offsets) {
    list += bigEndian(offset, 8);
  }
  return list + std::string(6, '\0') + "\x08\x01" +
         bigEndian(offsets.size(), 8) + bigEndian(0, 8) + bigEndian(table, 8);
}

// A binary list of the given objects (each already encoded), laid out as
// writers do.
std::string binaryList(const std::vector<std::string>& objects) {
  std::string area;
  std::vector<uint64_t> offsets;
  for (const std::string& object : objects) {
    offsets.push_back(8 + area.size());
    area += object;
  }
  return layOut(area, offsets);
}

// A marker of `type` and its count, in the marker or after it.
std::string counted(unsigned type, std::size_t count) {
  if (count < 15) {
    return std::string(1, static_cast<char>(type << 4 | count));
  }
  return std::string(1, static_cast<char>(type << 4 | 0x0F)) + "\x11" +
         bigEndian(count, 2);
}

std::string ascii(const std::string& text) {
  return counted(0x5, text.size()) + text;
}

std::string utf16(const std::vector<uint16_t>& units) {
  std::string object = counted(0x6, units.size());
  for (const uint16_t unit : units) {
    object += bigEndian(unit, 2);
  }
  return object;
}

std::string references(const std::vector<int>& members) {
  std::string bytes;
  for (const int member : members) {
    bytes += static_cast<char>(member);
  }
  return bytes;
}

std::string array(const std::vector<int>& members) {
  return counted(0xA, members.size()) + references(members);
}

std::string dictionary(const std::vector<int>& keys,
                       const std::vector<int>& values) {
  return counted(0xD, keys.size()) + references(keys) + references(values);
}

// The top dictionary {"v": object 2} and its key, then `value` as object 2.
std::string binaryWith(const std::string& value) {
  return binaryList({dictionary({1}, {2}), ascii("v"), value});
}

// A chain of `depth` arrays, each holding the next, under the top
// dictionary.
std::string binaryChain(int depth) {
  std::vector<std::string> objects = {dictionary({1}, {2}), ascii("v")};
  for (int level = 0; level < depth; ++level) {
    objects.push_back(level + 1 < depth ? array({3 + level}) : array({}));
  }
  return binaryList(objects);
}

std::string nestedArrays(std::size_t depth) {
  return repeat("<array>", depth) + repeat("</array>", depth);
}

// What a key of the list reads as: the same on every platform, whichever
// parser is behind the header.
TEST(PropertyListStringValue, OneContractForEveryReader) {
  const std::string nfc = "\xC3\xA9";
  const std::string nfd = "e\xCC\x81";
  struct Case {
    std::string name, bytes, key;
    Lookup expected;
  };
  const Case cases[] = {
      {"xml string", xmlWith("<string>1.4.2</string>"), "v", found("1.4.2")},
      {"blanks and line ends kept", xmlWith("<string> 1\n\t2\r\n </string>"),
       "v", found(" 1\n\t2\r\n ")},
      {"empty string", xmlWith("<string/>"), "v", found("")},
      {"empty string, two tags", xmlWith("<string></string>"), "v", found("")},
      {"entities, references and CDATA",
       xmlWith("<string>&lt;&gt;&amp;&quot;&apos;&#233;&#x1F600;&#10;"
               "<![CDATA[<b>&amp;]]></string>"),
       "v", found("<>&\"'\xC3\xA9\xF0\x9F\x98\x80\n<b>&amp;")},
      {"byte-order mark before the XML",
       "\xEF\xBB\xBF" + xmlWith("<string>1.0</string>"), "v", found("1.0")},
      {"byte-order mark first in a string",
       xmlWith("<string>\xEF\xBB\xBF"
               "1.0</string>"),
       "v", found("1.0")},
      {"byte-order mark referred to first in a string",
       xmlWith("<string>&#xFEFF;1.0</string>"), "v", found("1.0")},
      {"byte-order mark later in a string",
       xmlWith("<string>1\xEF\xBB\xBF</string>"), "v", found("1\xEF\xBB\xBF")},
      {"invalid UTF-8 in another string",
       xml("<key>a</key><string>\xC3</string><key>v</key><string>1</string>"),
       "v", notAList},
      {"invalid UTF-8 in a comment",
       xml("<!-- \xFF --><key>v</key><string>1</string>"), "v", notAList},
      {"UTF-8 of a surrogate", xmlWith("<string>\xED\xA0\x80</string>"), "v",
       notAList},
      {"reference to a surrogate", xmlWith("<string>&#xD800;</string>"), "v",
       notAList},
      {"decimal reference to a surrogate", xmlWith("<string>&#55296;</string>"),
       "v", notAList},
      {"reference to NUL", xmlWith("<string>&#0;</string>"), "v", notAList},
      {"xml: the last of two equal keys",
       xml("<key>v</key><string>1</string><key>v</key><string>2</string>"), "v",
       found("2")},
      {"xml: precomposed key",
       xml("<key>" + nfd + "</key><string>d</string><key>" + nfc +
           "</key><string>c</string>"),
       nfc, found("c")},
      {"xml: decomposed key",
       xml("<key>" + nfd + "</key><string>d</string><key>" + nfc +
           "</key><string>c</string>"),
       nfd, found("d")},
      {"xml: values of every type beside the string",
       xml("<key>a</key><array><integer>-12</integer><real>1.5e-3</real>"
           "<real>2</real><date>2026-01-31T12:00:00Z</date>"
           "<data>\n\tq83v\n</data><data></data><true/><false></false>"
           "<dict/><array/><string/></array><key>v</key><string>1</string>"),
       "v", found("1")},
      {"xml: number", xmlWith("<integer>3</integer>"), "v", nothing},
      {"xml: missing key", xmlWith("<string>1</string>"), "w", nothing},
      {"xml: top is an array",
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>", "v",
       notADictionary},
      {"binary ASCII string", binaryWith(ascii("2.0.1")), "v", found("2.0.1")},
      {"binary UTF-16 string", binaryWith(utf16({'1', 0xE9, 0xD83D, 0xDE00})),
       "v", found("1\xC3\xA9\xF0\x9F\x98\x80")},
      {"binary key in UTF-16",
       binaryList({dictionary({1}, {2}), utf16({'v'}), ascii("1")}), "v",
       found("1")},
      {"NUL inside an ASCII string", binaryWith(ascii(std::string("1\0 2", 4))),
       "v", found(std::string("1\0 2", 4))},
      {"NUL inside a UTF-16 string", binaryWith(utf16({'1', 0, ' ', '2'})), "v",
       found(std::string("1\0 2", 4))},
      {"lone surrogate", binaryWith(utf16({'1', 0xD800, '2'})), "v", nothing},
      {"lone low surrogate", binaryWith(utf16({0xDC00})), "v", nothing},
      {"high surrogate at the end", binaryWith(utf16({'1', 0xD83D})), "v",
       nothing},
      {"ASCII-typed string with a byte past ASCII", binaryWith(ascii("1\xE9")),
       "v", notAList},
      {"binary string that begins with a byte-order mark",
       binaryWith(utf16({0xFEFF, '1'})), "v", notAList},
      {"binary: the first of two equal keys",
       binaryList({dictionary({1, 2}, {3, 4}), ascii("v"), ascii("v"),
                   ascii("1"), ascii("2")}),
       "v", found("1")},
      {"binary: precomposed key",
       binaryList({dictionary({1, 2}, {3, 4}), utf16({'e', 0x301}),
                   utf16({0xE9}), ascii("d"), ascii("c")}),
       nfc, found("c")},
      {"binary: number", binaryWith("\x10\x03"), "v", nothing},
      {"binary: top is an array", binaryList({array({})}), "v", notADictionary},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::stringValue(c.bytes, c.key), c.expected);
  }
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
    EXPECT_EQ(PropertyList::refusal(list), std::nullopt);
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

TEST(PropertyListRefusal, XmlOnlyAsXcodeWritesIt) {
  const std::optional<std::string> admitted;
  const std::optional<std::string> refused = "not a property list";
  const std::string plist = "<plist version=\"1.0\">";
  struct Case {
    std::string name, bytes;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"no declaration or document type",
       plist + "<dict><key>v</key><string>1</string></dict></plist>", admitted},
      {"a bare plist element", "<plist><dict/></plist>", admitted},
      {"declaration in single quotes, standalone",
       "<?xml version='1.0' encoding='utf-8' standalone='no'?>" + plist +
           "<dict/></plist>",
       admitted},
      {"comments between elements and after the list",
       "<!-- a -->" + plist +
           "<!----><dict><!-- b --><key>v</key><!-- c -->"
           "<string>1</string></dict></plist><!-- d -->\n",
       admitted},
      {"values of every type",
       xmlWith("<array><integer>-12</integer><real>1.5e-3</real>"
               "<real>2</real><date>2026-01-31T12:00:00Z</date>"
               "<data>\n\tq83v\n</data><data></data><true/><false></false>"
               "<dict/><array/><string/></array>"),
       admitted},
      {"a key in an array", xmlWith("<array><key>k</key></array>"), refused},
      {"another element", xmlWith("<foo/>"), refused},
      {"a plist inside the list", xmlWith(plist + "<dict/></plist>"), refused},
      {"a second plist", plist + "<dict/></plist>" + plist + "<dict/></plist>",
       refused},
      {"a processing instruction", xmlWith("<?pi x?><string>1</string>"),
       refused},
      {"a declaration after white space",
       " <?xml version=\"1.0\"?>" + plist + "<dict/></plist>", refused},
      {"an attribute on a key", xml("<key id=\"1\">v</key><string>1</string>"),
       refused},
      {"an attribute on a string", xmlWith("<string x=\"\">1</string>"),
       refused},
      {"another attribute on plist",
       "<plist version=\"1.0\" x=\"y\"><dict/></plist>", refused},
      {"an internal subset",
       "<!DOCTYPE plist [<!ENTITY x \"y\">]>" + plist + "<dict/></plist>",
       refused},
      {"another document type", "<!DOCTYPE html>" + plist + "<dict/></plist>",
       refused},
      {"encoding ISO-8859-1",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + plist +
           "<dict/></plist>",
       refused},
      {"version 1.1", "<?xml version=\"1.1\"?>" + plist + "<dict/></plist>",
       refused},
      {"UTF-16 without a mark", std::string("<\0?\0x\0m\0l\0", 10), refused},
      {"UTF-16 with a mark", std::string("\xFF\xFE<\0p\0", 6), refused},
      {"NUL first", std::string("\0<plist", 7), refused},
      {"a comment inside a string", xmlWith("<string>1<!-- x -->2</string>"),
       refused},
      {"two dashes in a comment", xml("<!-- a -- b -->"), refused},
      {"an unknown entity", xmlWith("<string>&nbsp;</string>"), refused},
      {"an unterminated reference", xmlWith("<string>&#65</string>"), refused},
      {"a reference to a control character", xmlWith("<string>&#1;</string>"),
       refused},
      {"a reference past Unicode", xmlWith("<string>&#x110000;</string>"),
       refused},
      {"a key that begins with a byte-order mark",
       xml("<key>&#xFEFF;v</key><string>1</string>"), refused},
      {"a key in CDATA that begins with a byte-order mark",
       xml("<key><![CDATA[]]><![CDATA[\xEF\xBB\xBFv]]></key><string>1</"
           "string>"),
       refused},
      {"a key without a value", xml("<key>v</key>"), refused},
      {"a value without a key", xml("<string>1</string>"), refused},
      {"text outside a string", xmlWith("x<string>1</string>"), refused},
      {"an integer of letters", xmlWith("<integer>abc</integer>"), refused},
      {"an integer past 64 bits",
       xmlWith("<integer>99999999999999999999</integer>"), refused},
      {"a hexadecimal integer", xmlWith("<integer>0x10</integer>"), refused},
      {"a real without digits after the point", xmlWith("<real>1.</real>"),
       refused},
      {"a date without a zone", xmlWith("<date>2026-01-31T12:00:00</date>"),
       refused},
      {"data that is not base64", xmlWith("<data>!</data>"), refused},
      {"empty data", xmlWith("<data/>"), refused},
      {"text inside true", xmlWith("<true>1</true>"), refused},
      {"garbage after the list", xml("") + "x", refused},
      {"a raw control character", xmlWith("<string>\x01</string>"), refused},
      {"old-style text", "{ CFBundleShortVersionString = 1; }", refused},
      {"empty", "", refused},
      {"too large",
       xmlWith("<string>" + std::string(512 * 1024, 'x') + "</string>"),
       "larger than 512 KiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::refusal(c.bytes), c.expected);
  }
}

TEST(PropertyListRefusal, BoundsNestingAndReferences) {
  const std::optional<std::string> admitted;
  const std::string deep = "nested more than 64 levels deep";
  struct Case {
    std::string name, bytes;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      // The top dictionary is a level: 63 arrays under it make 64.
      {"xml at the depth bound", xmlWith(nestedArrays(63)), admitted},
      {"xml past the depth bound", xmlWith(nestedArrays(64)), deep},
      {"a string is a level",
       xmlWith(repeat("<array>", 62) + "<string>1</string>" +
               repeat("</array>", 62)),
       admitted},
      {"a string past the depth bound",
       xmlWith(repeat("<array>", 63) + "<string>1</string>" +
               repeat("</array>", 63)),
       deep},
      {"an empty element past the depth bound",
       xmlWith(repeat("<array>", 63) + "<true/>" + repeat("</array>", 63)),
       deep},
      {"a key past the depth bound",
       xmlWith(repeat("<array>", 62) + "<dict><key>k</key><true/></dict>" +
               repeat("</array>", 62)),
       deep},
      {"references at the bound",
       xmlWith("<string>" + repeat("&amp;", 4096) + "</string>"), admitted},
      {"references past the bound",
       xmlWith("<string>" + repeat("&amp;", 4000) + "</string><key>w</key>" +
               "<string>" + repeat("&#65;", 97) + "</string>"),
       "more than 4096 character references"},
      {"binary at the depth bound", binaryChain(63), admitted},
      {"binary past the depth bound", binaryChain(64), deep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::refusal(c.bytes), c.expected);
  }
}

TEST(PropertyListRefusal, BinaryOnlyAsWritersLayItOut) {
  const std::optional<std::string> refused = "not a property list";
  const std::string top = dictionary({1}, {2}) + ascii("v");
  const uint64_t value = 8 + top.size();
  std::string gap = binaryWith(ascii("1"));
  gap.insert(gap.size() - 32, 1, '\0');
  struct Case {
    std::string name, bytes;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"an array holding itself", binaryWith(array({2})), refused},
      {"a reference past the objects", binaryWith(array({7})), refused},
      {"a trailer cut short", binaryChain(3).substr(0, 40), refused},
      {"version 01, never read as XML",
       "bplist01" + binaryWith(ascii("1")).substr(8), refused},
      {"the magic alone", "bplist", refused},
      {"two objects at one offset",
       layOut(top + ascii("1"), {8, 8 + 3, value, value}), refused},
      {"an object inside another",
       layOut(top + ascii("\x51"
                          "a"),
              {8, 8 + 3, value, value + 1}),
       refused},
      {"a key that is no string",
       binaryList({dictionary({1}, {1}), "\x10\x01"}), refused},
      {"a set", binaryWith("\xC0"), refused},
      {"a UID", binaryWith("\x80\x01"), refused},
      {"null", binaryWith(std::string(1, '\0')), refused},
      {"a gap before the trailer", gap, refused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PropertyList::refusal(c.bytes), c.expected);
  }
}

// Shared members count once per reference, as a parser that copies them
// builds them: twenty arrays, each holding the next one twice, stand for a
// million copies of the string at the bottom.
TEST(PropertyListRefusal, SharedBinaryMembersCountPerReference) {
  std::vector<std::string> objects = {dictionary({1}, {2}), ascii("v")};
  for (int level = 0; level < 20; ++level) {
    objects.push_back(array({3 + level, 3 + level}));
  }
  objects.push_back(ascii("12345678"));
  EXPECT_EQ(PropertyList::refusal(binaryList(objects)),
            "more than 4 MiB once its shared members are copied");

  // One string referenced many times, well under the bound.
  const std::string wide =
      binaryList({dictionary({1}, {2}), ascii("v"),
                  array(std::vector<int>(60000, 3)), ascii("1.0")});
  EXPECT_EQ(PropertyList::refusal(wide), std::nullopt);
  EXPECT_EQ(PropertyList::stringValue(wide, "v"), nothing);
}

TEST(PropertyListStringValue, RefusedBytesAreUnreadableForTheirReason) {
  EXPECT_EQ(PropertyList::stringValue(xmlWith(nestedArrays(64)), "v"),
            Lookup(Unreadable{"nested more than 64 levels deep"}));
  EXPECT_EQ(PropertyList::stringValue(binaryChain(64), "v"),
            Lookup(Unreadable{"nested more than 64 levels deep"}));
}

}  // namespace
