#pragma once

// What the system's own reader (CoreFoundation's CFPropertyListCreateWithData)
// makes of each shape, as measured on its open source, and so what ours must
// make of it. The unit tests hold our reader to the table; on a Mac a test
// holds CoreFoundation to it too.
#include <optional>
#include <string>
#include <vector>

#include "PropertyList.hpp"
#include "PropertyListLists.hpp"

namespace Contract {

using PropertyList::Lookup;
using PropertyList::Unreadable;

inline Lookup found(const std::string& text) {
  return std::optional<std::string>(text);
}
inline const Lookup nothing = std::optional<std::string>();
inline const Lookup notAList = Unreadable{"not a property list"};
inline const Lookup notADictionary = Unreadable{"its top is not a dictionary"};

// Whether the system answers as `expected` says, or reads what we refuse.
enum class System {
  agrees,
  // A shape no writer makes, which we refuse and the system may read.
  mayRead,
};

struct Case {
  std::string name, bytes, key;
  Lookup expected;
  System system = System::agrees;
};

inline std::vector<Case> cases() {
  using namespace Lists;
  const std::string nfc = "\xC3\xA9";
  const std::string nfd = "e\xCC\x81";
  const std::string bom = "\xEF\xBB\xBF";
  const std::string plist = "<plist version=\"1.0\">";
  const auto refused = System::mayRead;
  // Objects for binary lists: the top dictionary {v: 2}, its key "v".
  const std::string top = dictionary({1}, {2});
  // {v: "1"}, and unreached objects up to `count`, with one-byte references.
  const auto withObjects = [&](std::size_t count) {
    std::vector<std::string> objects = {top, ascii("v"), ascii("1")};
    objects.resize(count, "\x09");
    return binaryList(objects);
  };
  return {
      // Strings as they stand.
      {"xml string", xmlWith("<string>1.4.2</string>"), "v", found("1.4.2")},
      {"line ends and blanks kept", xmlWith("<string> 1\r\n\t2\r3\n </string>"),
       "v", found(" 1\r\n\t2\r3\n ")},
      {"empty string element", xmlWith("<string/>"), "v", found("")},
      {"empty string", xmlWith("<string></string>"), "v", found("")},
      {"raw control characters", xmlWith("<string>\x1B[1m\x7F</string>"), "v",
       found("\x1B[1m\x7F")},
      {"a control character by reference", xmlWith("<string>&#x1b;</string>"),
       "v", found("\x1B")},
      {"raw > and ]]>", xmlWith("<string>a>b]]>c</string>"), "v",
       found("a>b]]>c")},
      {"entities and references",
       xmlWith("<string>&lt;&gt;&amp;&quot;&apos;&#233;&#x1F600;&#x000031;"
               "&#49;&#10;</string>"),
       "v",
       found("<>&\"'\xC3\xA9\xF0\x9F\x98\x80"
             "11\n")},
      {"CDATA joined with text and references",
       xmlWith("<string>a<![CDATA[<b>]]c&amp;]]>&amp;<![CDATA[]]></string>"),
       "v", found("a<b>]]c&amp;&")},
      {"empty CDATA", xmlWith("<string><![CDATA[]]></string>"), "v", found("")},
      // One byte-order mark at the front of the whole string goes.
      {"byte-order mark first", xmlWith("<string>" + bom + "1.0</string>"), "v",
       found("1.0")},
      {"byte-order mark by reference", xmlWith("<string>&#xFEFF;1</string>"),
       "v", found("1")},
      {"byte-order mark in CDATA",
       xmlWith("<string><![CDATA[" + bom + "]]>1</string>"), "v", found("1")},
      {"byte-order mark alone", xmlWith("<string>&#xFEFF;</string>"), "v",
       found("")},
      {"two byte-order marks", xmlWith("<string>" + bom + bom + "1</string>"),
       "v", found(bom + "1")},
      {"byte-order mark after a blank",
       xmlWith("<string> " + bom + "1</string>"), "v", found(" " + bom + "1")},
      {"byte-order mark later", xmlWith("<string>1" + bom + "</string>"), "v",
       found("1" + bom)},
      {"byte-order mark first in a key",
       xml("<key>&#xFEFF;v</key><string>1</string>"), "v", found("1")},
      {"byte-order mark before the XML", bom + xmlWith("<string>1</string>"),
       "v", found("1")},
      // Tags and structure.
      {"empty key element", xml("<key/><string>1</string>"), "", found("1")},
      {"empty key", xml("<key></key><string>1</string>"), "", found("1")},
      {"blanks before > and />",
       xml("<key >a</key\n><true /><key>v</key ><string\t>1</string >"
           "<key>b</key><dict ><key>c</key><array\n/></dict >"),
       "v", found("1")},
      {"no declaration or document type",
       plist + "<dict><key>v</key><string>1</string></dict></plist>", "v",
       found("1")},
      {"any plist version",
       "<plist version=\"2.0\"><dict><key>v</key>"
       "<string>1</string></dict></plist>",
       "v", found("1")},
      {"blanks before the declaration", "\n " + xmlWith("<string>1</string>"),
       "v", found("1")},
      {"comments, with -- inside",
       "<!-- a -- b -->" + plist +
           "<!----><dict><!-- c --><key>v</key><!-- d -->"
           "<string>1</string></dict></plist>",
       "v", found("1")},
      {"anything after the list", xmlWith("<string>1</string>") + "\xFF<x", "v",
       found("1")},
      {"values of every type",
       xml("<key>a</key><array><integer>-12</integer><integer>+0x1F</integer>"
           "<integer>0</integer><real>1.5e-3</real><real>1e5</real>"
           "<real>1.</real><real>.5</real><real>NaN</real><real>inf</real>"
           "<real>-Infinity</real><date>2026-01-31T12:00:00Z</date>"
           "<data>\n\tq83v\n</data><data> </data><data>!*q8</data>"
           "<data></data><true/><false></false><dict/><array/><string/>"
           "</array><key>v</key><string>1</string>"),
       "v", found("1")},
      {"integers at the ends of 64 bits",
       xml("<key>a</key><array><integer>-9223372036854775808</integer>"
           "<integer>18446744073709551615</integer>"
           "<integer>0xFFFFFFFFFFFFFFFF</integer>"
           "<integer>-0x8000000000000000</integer></array>"
           "<key>v</key><string>1</string>"),
       "v", found("1")},
      {"reals as the system spells them",
       xml("<key>a</key><array><real>1e5</real><real>1.</real><real>.5</real>"
           "<real>nan</real><real>inf</real><real>-inf</real></array>"
           "<key>v</key><string>1</string>"),
       "v", found("1")},
      // Keys.
      {"xml: the last of two equal keys",
       xml("<key>v</key><string>1</string><key>v</key><string>2</string>"), "v",
       found("2")},
      {"xml: a later value of another type",
       xml("<key>v</key><string>1</string><key>v</key><integer>2</integer>"),
       "v", nothing},
      {"xml: a key only in a nested dictionary",
       xml("<key>a</key><dict><key>v</key><string>1</string></dict>"), "v",
       nothing},
      {"xml: precomposed key",
       xml("<key>" + nfd + "</key><string>d</string><key>" + nfc +
           "</key><string>c</string>"),
       nfc, found("c")},
      {"xml: decomposed key",
       xml("<key>" + nfd + "</key><string>d</string><key>" + nfc +
           "</key><string>c</string>"),
       nfd, found("d")},
      {"xml: number", xmlWith("<integer>3</integer>"), "v", nothing},
      {"xml: missing key", xmlWith("<string>1</string>"), "w", nothing},
      {"xml: top is an array", plist + "<array/></plist>", "v", notADictionary},
      // A key where a value stands is a string; where a key stands, only a
      // key is.
      {"a key as a value", xml("<key>v</key><key>1</key>"), "v", found("1")},
      {"an empty key as a value", xml("<key>v</key><key/>"), "v", found("")},
      {"a key in an array",
       xml("<key>a</key><array><key>k</key></array><key>v</key>"
           "<string>1</string>"),
       "v", found("1")},
      {"a string where a key stands",
       xml("<string>v</string><string>1</string>"), "v", notAList},
      // The first element is the list, with no "plist" element around it.
      {"a bare dictionary", "<dict><key>v</key><string>1</string></dict>", "v",
       found("1")},
      {"a bare dictionary after a declaration and a document type",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
       "<!-- c --><dict><key>v</key><string>1</string></dict>\n",
       "v", found("1")},
      {"a bare dictionary and a stray end of plist",
       "<dict><key>v</key><string>1</string></dict>\n</plist>\n", "v",
       found("1")},
      {"anything after a bare dictionary",
       "<dict><key>v</key><string>1</string></dict><dict/>\xFF<", "v",
       found("1")},
      {"a bare array", "<array/>", "v", notADictionary},
      {"a bare key", "<key>v</key>", "v", notADictionary},
      {"a bare dictionary cut short", "<dict><key>v</key><string>1</string>",
       "v", notAList},
      {"an element whose name begins with plist", "<plistx><dict/></plistx>",
       "v", notAList},
      {"an empty plist element", "<plist/>", "v", notAList},
      // A top dictionary whose one key is CF$UID, holding a number, is an
      // archive's reference; anything else is a dictionary.
      {"CF$UID alone, an integer", xml("<key>CF$UID</key><integer>1</integer>"),
       "v", notADictionary},
      {"CF$UID alone, a real", xml("<key>CF$UID</key><real>1.5</real>"),
       "CF$UID", notADictionary},
      {"CF$UID twice, the last an integer",
       xml("<key>CF$UID</key><string>1</string>"
           "<key>CF$UID</key><integer>2</integer>"),
       "CF$UID", notADictionary},
      {"CF$UID twice, the last a string",
       xml("<key>CF$UID</key><integer>1</integer>"
           "<key>CF$UID</key><string>2</string>"),
       "CF$UID", found("2")},
      {"CF$UID alone, a string", xml("<key>CF$UID</key><string>1</string>"),
       "CF$UID", found("1")},
      {"CF$UID alone, true", xml("<key>CF$UID</key><true/>"), "v", nothing},
      {"CF$UID among other keys",
       xml("<key>CF$UID</key><integer>1</integer><key>v</key>"
           "<string>1</string>"),
       "v", found("1")},
      {"CF$UID after another key",
       xml("<key>v</key><string>1</string><key>CF$UID</key>"
           "<integer>1</integer>"),
       "v", found("1")},
      {"CF$UID in a bare dictionary",
       "<dict><key>CF$UID</key><integer>1</integer></dict>", "v",
       notADictionary},
      {"CF$UID in a nested dictionary",
       xml("<key>a</key><dict><key>CF$UID</key><integer>1</integer></dict>"
           "<key>v</key><string>1</string>"),
       "v", found("1")},
      // What the system cannot read either.
      {"an ampersand alone", xmlWith("<string>a & b</string>"), "v", notAList},
      {"an unknown entity", xmlWith("<string>&nbsp;</string>"), "v", notAList},
      {"a capital X in a reference", xmlWith("<string>&#X31;</string>"), "v",
       notAList},
      {"nine digits in a reference", xmlWith("<string>&#000000049;</string>"),
       "v", notAList},
      {"a surrogate by reference", xmlWith("<string>&#xD800;</string>"), "v",
       notAList},
      {"a surrogate pair by reference",
       xmlWith("<string>&#xD83D;&#xDE00;</string>"), "v", notAList},
      {"a reference past Unicode", xmlWith("<string>&#x110000;</string>"), "v",
       notAList},
      {"a comment inside a string", xmlWith("<string>1<!-- x -->2</string>"),
       "v", notAList},
      {"a processing instruction inside a string",
       xmlWith("<string>1<?x?>2</string>"), "v", notAList},
      {"invalid UTF-8 in a string",
       xml("<key>a</key><string>\xC3</string><key>v</key><string>1</string>"),
       "v", notAList},
      {"empty data", xmlWith("<data/>"), "v", notAList},
      {"data past ASCII", xmlWith("<data>q8\xC3\xA9</data>"), "v", notAList},
      {"an internal subset", "<!DOCTYPE plist []>" + plist + "<dict/></plist>",
       "v", notAList},
      {"a blank after an integer", xmlWith("<integer>1 </integer>"), "v",
       notAList},
      {"an integer past 64 bits",
       xmlWith("<integer>18446744073709551616</integer>"), "v", notAList},
      {"an integer below 64 bits",
       xmlWith("<integer>-9223372036854775809</integer>"), "v", notAList},
      {"0x alone", xmlWith("<integer>0x</integer>"), "v", notAList},
      {"an empty integer", xmlWith("<integer></integer>"), "v", notAList},
      {"an empty real", xmlWith("<real></real>"), "v", notAList},
      {"an exponent without digits", xmlWith("<real>1e</real>"), "v", notAList},
      {"-nan", xmlWith("<real>-nan</real>"), "v", notAList},
      {"a date without a zone", xmlWith("<date>2026-01-31T12:00:00</date>"),
       "v", notAList},
      {"a blank in false", xmlWith("<false> </false>"), "v", notAList},
      {"text in true", xmlWith("<true>1</true>"), "v", notAList},
      {"an unknown element", xmlWith("<foo/>"), "v", notAList},
      {"a capitalised element", xmlWith("<String>1</String>"), "v", notAList},
      {"a key without a value", xml("<key>v</key>"), "v", notAList},
      {"a value without a key", xml("<string>1</string>"), "v", notAList},
      {"text outside a string", xmlWith("x<string>1</string>"), "v", notAList},
      {"two values in the list", plist + "<dict/><dict/></plist>", "v",
       notAList},
      {"an empty list", plist + "</plist>", "v", notAList},
      {"empty", "", "v", notAList},
      // What we refuse although the system reads it: no writer makes it.
      {"raw NUL", xmlWith(std::string("<string>1\0</string>", 19)), "v",
       notAList, refused},
      {"NUL by reference", xmlWith("<string>&#0;</string>"), "v", notAList,
       refused},
      {"a non-character", xmlWith("<string>&#xFFFE;</string>"), "v", notAList,
       refused},
      {"UTF-8 of a surrogate", xmlWith("<string>\xED\xA0\x80</string>"), "v",
       notAList, refused},
      {"invalid UTF-8 in a comment",
       xml("<!-- \xFF --><key>v</key><string>1</string>"), "v", notAList,
       refused},
      {"a processing instruction between elements",
       xmlWith("<?pi x?><string>1</string>"), "v", notAList, refused},
      {"an attribute", xmlWith("<string id=\"x\">1</string>"), "v", notAList,
       refused},
      {"another attribute on plist",
       "<plist version=\"1.0\" x=\"y\"><dict/></plist>", "v", notAList,
       refused},
      {"a plist inside the list", xmlWith(plist + "<dict/></plist>"), "v",
       notAList, refused},
      {"an empty comment before the list",
       "<!---->" + xmlWith("<string>1</string>"), "v", notAList, refused},
      {"encoding ISO-8859-1",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + plist +
           "<dict/></plist>",
       "v", notAList, refused},
      {"UTF-16 with a mark", std::string("\xFF\xFE<\0p\0", 6), "v", notAList,
       refused},
      {"a blank before an integer", xmlWith("<integer> 1</integer>"), "v",
       notAList, refused},
      {"a reference in a real", xmlWith("<real>&#49;</real>"), "v", notAList,
       refused},
      {"old-style text", "{ v = 1; }", "v", notAList, refused},

      // Binary lists.
      {"binary ASCII string", binaryWith(ascii("2.0.1")), "v", found("2.0.1")},
      {"binary UTF-16 string", binaryWith(utf16({'1', 0xE9, 0xD83D, 0xDE00})),
       "v", found("1\xC3\xA9\xF0\x9F\x98\x80")},
      {"binary byte-order mark kept", binaryWith(utf16({0xFEFF, '1'})), "v",
       found(bom + "1")},
      {"binary key in UTF-16", binaryList({top, utf16({'v'}), ascii("1")}), "v",
       found("1")},
      {"NUL inside an ASCII string", binaryWith(ascii(std::string("1\0 2", 4))),
       "v", found(std::string("1\0 2", 4))},
      {"NUL inside a UTF-16 string", binaryWith(utf16({'1', 0, ' ', '2'})), "v",
       found(std::string("1\0 2", 4))},
      {"lone surrogate", binaryWith(utf16({'1', 0xD800, '2'})), "v", nothing},
      {"lone low surrogate", binaryWith(utf16({0xDC00})), "v", nothing},
      {"high surrogate at the end", binaryWith(utf16({'1', 0xD83D})), "v",
       nothing},
      {"binary: the first of two equal keys",
       binaryList({dictionary({1, 2}, {3, 4}), ascii("v"), ascii("v"),
                   ascii("1"), ascii("2")}),
       "v", found("1")},
      {"binary: precomposed key",
       binaryList({dictionary({1, 2}, {3, 4}), utf16({'e', 0x301}),
                   utf16({0xE9}), ascii("d"), ascii("c")}),
       nfc, found("c")},
      {"binary: a key only in a nested dictionary",
       binaryList({dictionary({1}, {2}), ascii("a"), dictionary({3}, {4}),
                   ascii("v"), ascii("1")}),
       "v", nothing},
      {"binary: gaps between objects",
       binaryList({top, ascii("v"), ascii("1")}, {}, /*gap=*/3), "v",
       found("1")},
      {"binary: the top object last",
       binaryList({ascii("v"), ascii("1"), dictionary({0}, {1})}, {.top = 2}),
       "v", found("1")},
      {"binary: shared objects",
       binaryList(
           {dictionary({1, 2}, {3, 3}), ascii("w"), ascii("v"), ascii("1")}),
       "v", found("1")},
      {"binary: two-byte offsets",
       binaryList({top, ascii("v"), ascii("1")},
                  {.offsetWidth = 2, .referenceWidth = 1}),
       "v", found("1")},
      {"binary: three-byte offsets and references", wideList(3, 3), "v",
       found("1")},
      {"binary: five-byte offsets and references", wideList(5, 5), "v",
       found("1")},
      {"binary: six-byte offsets, seven-byte references", wideList(6, 7), "v",
       found("1")},
      {"binary: seven-byte offsets, six-byte references", wideList(7, 6), "v",
       found("1")},
      {"binary: eight-byte offsets and references", wideList(8, 8), "v",
       found("1")},
      {"binary: nine-byte offsets", wideList(9, 1), "v", notAList},
      {"binary: nine-byte references", wideList(1, 9), "v", notAList},
      {"binary: no offset width", wideList(0, 1), "v", notAList},
      {"binary: no reference width", wideList(1, 0), "v", notAList},
      {"binary: number", binaryWith("\x10\x03"), "v", nothing},
      {"binary: top is an array", binaryList({array({})}), "v", notADictionary},
      {"binary: an empty UTF-16 string anywhere",
       binaryList({dictionary({1, 3}, {2, 4}), ascii("v"), ascii("1"),
                   ascii("w"), array({5}), std::string(1, '\x60')}),
       "v", notAList},
      {"binary: 256 objects with one-byte references", withObjects(256), "v",
       notAList},
      {"binary: 255 objects with one-byte references", withObjects(255), "v",
       found("1")},
      {"binary: one-byte offsets and the table at 256",
       binaryList({top, ascii("v"), ascii(std::string(239, 'x'))},
                  {.offsetWidth = 1}),
       "v", notAList},
      {"binary: one-byte offsets and the table at 255",
       binaryList({top, ascii("v"), ascii(std::string(238, 'x'))},
                  {.offsetWidth = 1}),
       "v", found(std::string(238, 'x'))},
      {"binary: a reference past the objects", binaryWith(array({7})), "v",
       notAList},
      {"binary: an array holding itself", binaryWith(array({2})), "v",
       notAList},
      {"binary: a table that does not end at the trailer",
       [] {
         std::string list = binaryWith(ascii("1"));
         list.insert(list.size() - 32, 1, '\0');
         return list;
       }(),
       "v", notAList},
      {"binary: a trailer cut short", binaryChain(3).substr(0, 40), "v",
       notAList},
      {"binary: the magic alone", "bplist", "v", notAList},
      {"binary: an integer key", binaryList({top, "\x10\x01", ascii("1")}), "v",
       notAList, refused},
      {"binary: ASCII-typed bytes past ASCII", binaryWith(ascii("1\xE9")), "v",
       notAList, refused},
      {"binary: version 01", "bplist01" + binaryWith(ascii("1")).substr(8), "v",
       notAList, refused},
      {"binary: a set", binaryWith("\xC0"), "v", notAList, refused},
      {"binary: a UID", binaryWith("\x80\x01"), "v", notAList, refused},
      {"binary: null", binaryWith(std::string(1, '\0')), "v", notAList,
       refused},
  };
}

}  // namespace Contract
