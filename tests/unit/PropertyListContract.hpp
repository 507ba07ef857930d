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

// The edges of the binary reader's checks: for each, the shape just read
// beside the shape just refused.
inline std::vector<Case> binaryEdges() {
  using namespace Lists;
  const auto refused = System::mayRead;
  const std::string top = dictionary({1}, {2});
  // {v: `value`}, `value` the last object, so that it ends where the table
  // begins.
  const auto last = [&](const std::string& value) {
    return binaryList({top, ascii("v"), value});
  };
  // A list whose trailer says `width` for offsets, over a table of one-byte
  // entries.
  const auto offsetsSaid = [&](char width) {
    std::string list = binaryList({top, ascii("v"), ascii("1")},
                                  {.offsetWidth = 1, .referenceWidth = 1});
    list[list.size() - 32 + 6] = width;
    return list;
  };
  // The chain of `depth` arrays under the top, the last holding `member`.
  const auto chain = [&](int depth, int member) {
    std::vector<std::string> objects = {top, ascii("v")};
    for (int level = 0; level < depth; ++level) {
      objects.push_back(level + 1 < depth ? array({3 + level})
                                          : array({member}));
    }
    return binaryList(objects);
  };
  return {
      {"binary: the smallest list, an empty dictionary",
       binaryList({std::string(1, '\xD0')}, {.offsetWidth = 1}), "v", nothing},
      {"binary: the top's index at the object count",
       binaryList({top, ascii("v"), ascii("1")}, {.top = 3}), "v", notAList},
      {"binary: a table past the trailer",
       [&] {
         std::string list = binaryWith(ascii("1"));
         const std::size_t table = list.size() - 8;
         // The table said to start 8 bytes into the trailer, and a count
         // that the space before it would then hold.
         const std::string at = bigEndian(list.size() - 32 + 8, 8);
         list.replace(table, 8, at);
         list.replace(list.size() - 24, 8, bigEndian(~uint64_t{0} / 8, 8));
         return list;
       }(),
       "v", notAList},
      {"binary: no offset width, with a table", offsetsSaid(0), "v", notAList},
      {"binary: nine-byte offsets said over one-byte ones", offsetsSaid(9), "v",
       notAList},
      {"binary: an unreached first entry past the object area",
       [&] {
         std::string area = dictionary({2}, {3}) + ascii("v") + ascii("1");
         return layOut(area, {200, 8, 11, 13}, {.offsetWidth = 1, .top = 1});
       }(),
       "v", notAList},
      {"binary: the same entry inside the object area",
       [&] {
         std::string area = dictionary({2}, {3}) + ascii("v") + ascii("1");
         return layOut(area, {8, 8, 11, 13}, {.offsetWidth = 1, .top = 1});
       }(),
       "v", found("1")},
      {"binary: an unreached entry at the table's offset",
       [&] {
         const std::string area = top + ascii("v") + ascii("1");
         return layOut(area, {8, 11, 13, 8 + area.size()}, {.offsetWidth = 1});
       }(),
       "v", notAList},
      {"binary: the top at offset 0",
       layOut(top + ascii("v") + ascii("1"), {0, 11, 13}, {.offsetWidth = 1}),
       "v", notAList},
      {"binary: the top at offset 7",
       layOut(top + ascii("v") + ascii("1"), {7, 11, 13}, {.offsetWidth = 1}),
       "v", notAList},
      {"binary: a 16-byte integer", last("\x14" + std::string(16, '\x01')), "v",
       nothing},
      {"binary: a 32-byte integer", last("\x15" + std::string(32, '\x01')), "v",
       notAList},
      {"binary: an 8-byte integer ending at the table",
       last("\x13" + std::string(8, '\x01')), "v", nothing},
      {"binary: an 8-byte integer past the table",
       [&] {
         std::string list = last("\x13" + std::string(8, '\x01'));
         // One byte of the integer taken away: the table starts a byte
         // earlier.
         return layOut(list.substr(8, list.size() - 8 - 8 * 3 - 32 - 1),
                       {8, 11, 13});
       }(),
       "v", notAList},
      {"binary: a 4-byte real", last("\x22" + std::string(4, '\x40')), "v",
       nothing},
      {"binary: a 4-byte real one byte short",
       [&] {
         std::string list = last("\x22" + std::string(4, '\x40'));
         return layOut(list.substr(8, list.size() - 8 - 8 * 3 - 32 - 1),
                       {8, 11, 13});
       }(),
       "v", notAList},
      {"binary: a 2-byte real", last("\x21" + std::string(2, '\x40')), "v",
       notAList},
      {"binary: a 16-byte real", last("\x24" + std::string(16, '\x40')), "v",
       notAList},
      {"binary: a date ending at the table",
       last("\x33" + std::string(8, '\x41')), "v", nothing},
      {"binary: a date one byte short",
       [&] {
         std::string list = last("\x33" + std::string(8, '\x41'));
         return layOut(list.substr(8, list.size() - 8 - 8 * 3 - 32 - 1),
                       {8, 11, 13});
       }(),
       "v", notAList},
      {"binary: a date of another marker",
       last("\x32" + std::string(8, '\x41')), "v", notAList},
      {"binary: a count's integer where the table begins",
       last(std::string(1, '\x5F')), "v", notAList},
      {"binary: a count's integer of 8 bytes",
       last("\x5F\x13" + bigEndian(3, 8) + "1.0"), "v", found("1.0")},
      {"binary: a count's integer of 16 bytes",
       last("\x5F\x14" + bigEndian(0, 8) + bigEndian(3, 8) + "1.0"), "v",
       notAList, refused},
      {"binary: a count that is no integer",
       last("\x5F\x22" + std::string(4, '\0') + "1.0"), "v", notAList},
      {"binary: a count of a 2-byte integer",
       last("\x5F\x11" + bigEndian(3, 2) + "1.0"), "v", found("1.0")},
      {"binary: a count ending where the table begins",
       last(std::string("\x5F\x10\x00", 3)), "v", found("")},
      {"binary: a count's integer cut by the table",
       last(std::string("\x5F\x11\x00", 3)), "v", notAList},
      {"binary: a UTF-16 string ending at the table", last(utf16({'1', '2'})),
       "v", found("12")},
      {"binary: a UTF-16 string one byte short",
       last(utf16({'1', '2'}).substr(0, 4)), "v", notAList},
      {"binary: an ASCII string one byte short", last(ascii("12").substr(0, 2)),
       "v", notAList},
      {"binary: a dictionary whose values run past the object area",
       binaryList({top, ascii("v"), dictionary({1}, {1}).substr(0, 2)}), "v",
       notAList},
      {"binary: an array whose references end at the table",
       binaryList({top, ascii("v"), array({1, 1})}), "v", nothing},
      {"binary: DEL in an ASCII string", last(ascii("1\x7F")), "v",
       found("1\x7F")},
      {"binary: 0x80 in an ASCII string", last(ascii("1\x80")), "v", notAList,
       refused},
      {"binary: U+D7FF", last(utf16({0xD7FF})), "v", found("\xED\x9F\xBF")},
      {"binary: U+E000", last(utf16({0xE000})), "v", found("\xEE\x80\x80")},
      {"binary: the first pair", last(utf16({0xD800, 0xDC00})), "v",
       found("\xF0\x90\x80\x80")},
      {"binary: the last pair", last(utf16({0xDBFF, 0xDFFF})), "v",
       found("\xF4\x8F\xBF\xBF")},
      {"binary: a high surrogate before U+DBFF", last(utf16({0xD800, 0xDBFF})),
       "v", nothing},
      {"binary: a high surrogate before U+E000", last(utf16({0xD800, 0xE000})),
       "v", nothing},
      {"binary: a high surrogate before a letter", last(utf16({0xDBFF, 'a'})),
       "v", nothing},
      {"binary: U+DFFF alone", last(utf16({0xDFFF})), "v", nothing},
      {"binary: U+DBFF alone", last(utf16({0xDBFF})), "v", nothing},
      {"binary: U+D7FF before a low surrogate", last(utf16({0xD7FF, 0xDC00})),
       "v", nothing},
      {"binary: two low surrogates", last(utf16({0xDC00, 0xDC00})), "v",
       nothing},
      {"binary: a reference to the object count",
       binaryList({top, ascii("v"), array({3})}), "v", notAList},
      {"binary: a reference to the last object",
       binaryList({top, ascii("v"), array({3}), "\x09"}), "v", nothing},
      {"binary: a value that spells the key",
       binaryList({top, ascii("a"), ascii("v")}), "v", nothing},
      {"binary: a top that is a string", binaryList({ascii("v")}), "v",
       notADictionary},
      {"binary: an integer key met before as a value",
       binaryList({dictionary({1, 2}, {3, 4}), ascii("a"), ascii("b"),
                   array({5}), dictionary({5}, {1}), "\x10\x01"}),
       "v", notAList, refused},
      // Too deep is found as the walk goes down, before anything below.
      {"binary: too deep, above a reference past the objects", chain(64, 200),
       "v", Unreadable{"nested more than 64 levels deep"}},
      {"binary: at the depth bound, above a reference past the objects",
       chain(63, 200), "v", notAList},
      {"binary: at the depth bound, a string at the bottom", chain(63, 1), "v",
       nothing},
  };
}

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

// The edges of the XML reader's checks: for each, the shape just read beside
// the shape just refused.
inline std::vector<Case> xmlEdges() {
  using namespace Lists;
  const auto refused = System::mayRead;
  const std::string plist = "<plist version=\"1.0\">";
  const std::string body = "<dict><key>v</key><string>1</string></dict>";
  const auto list = [&](const std::string& before) {
    return before + plist + body + "</plist>";
  };
  const auto withString = [&](const std::string& text) {
    return xmlWith("<string>" + text + "</string>");
  };
  struct Number {
    std::string element, text;
    bool read;
  };
  const Number numbers[] = {
      {"integer", "0x1", true},
      {"integer", "0X1", true},
      {"integer", "-0x1", true},
      {"integer", "+7", true},
      {"integer", "-7", true},
      {"integer", "9", true},
      {"integer", "0xaf", true},
      {"integer", "0xAF", true},
      {"integer", "0xf", true},
      {"integer", "0xF", true},
      {"integer", "00x1", false},
      {"integer", "x1", false},
      {"integer", "0xg", false},
      {"integer", "+0x", false},
      {"integer", "-", false},
      {"integer", "+", false},
      {"integer", "1a", false},
      {"integer", "1f", false},
      {"real", "1e+5", true},
      {"real", "1E5", true},
      {"real", "1e-5", true},
      {"real", "-1.5", true},
      {"real", "+.5", true},
      {"real", "+5", true},
      {"real", "NAN", true},
      {"real", "nAn", true},
      {"real", "Infinity", true},
      {"real", "+INF", true},
      {"real", ".", false},
      {"real", "e5", false},
      {"real", "1.5e", false},
      {"real", "1..5", false},
      {"real", "1e5.5", false},
      {"real", "+", false},
      {"real", "+nan", false},
      {"real", "xan", false},
      {"real", "5-", false},
      {"real", "1e+", false},
      {"date", "2026-01-31T12:00:00Z", true},
      {"date", "2026-01-31T12:00:00Z1", false},
      {"date", "2026-01-31T12:00:0aZ", false},
      {"date", "x026-01-31T12:00:00Z", false},
      {"date", "2026-01-31T12:00:00X", false},
      {"date", "2026-01-31T12:00:00", false},
  };
  std::vector<Case> edges = {
      // Characters: the last admitted beside the first refused, raw and by
      // reference.
      {"xml: U+0001 by reference", withString("&#1;"), "v", found("\x01")},
      {"xml: U+D7FF by reference", withString("&#xD7FF;"), "v",
       found("\xED\x9F\xBF")},
      {"xml: U+D7FF raw", withString("\xED\x9F\xBF"), "v",
       found("\xED\x9F\xBF")},
      {"xml: U+DFFF by reference", withString("&#xDFFF;"), "v", notAList},
      {"xml: U+E000 by reference", withString("&#xE000;"), "v",
       found("\xEE\x80\x80")},
      {"xml: U+FDCF by reference", withString("&#xFDCF;"), "v",
       found("\xEF\xB7\x8F")},
      {"xml: U+FDD0 by reference", withString("&#xFDD0;"), "v", notAList,
       refused},
      {"xml: U+FDD0 raw", withString("\xEF\xB7\x90"), "v", notAList, refused},
      {"xml: U+FDEF by reference", withString("&#xFDEF;"), "v", notAList,
       refused},
      {"xml: U+FDF0 by reference", withString("&#xFDF0;"), "v",
       found("\xEF\xB7\xB0")},
      {"xml: U+FFFD by reference", withString("&#xFFFD;"), "v",
       found("\xEF\xBF\xBD")},
      {"xml: U+FFFF by reference", withString("&#xFFFF;"), "v", notAList,
       refused},
      {"xml: U+1FFFD by reference", withString("&#x1FFFD;"), "v",
       found("\xF0\x9F\xBF\xBD")},
      {"xml: U+1FFFE by reference", withString("&#x1FFFE;"), "v", notAList,
       refused},
      {"xml: U+10FFFD by reference", withString("&#x10FFFD;"), "v",
       found("\xF4\x8F\xBF\xBD")},
      {"xml: U+10FFFF by reference", withString("&#x10FFFF;"), "v", notAList,
       refused},
      {"xml: DEL raw", withString("\x7F"), "v", found("\x7F")},
      {"xml: a lone continuation byte", withString("1\x80"), "v", notAList,
       refused},
      {"xml: hexadecimal digits in lower case", withString("&#xaf;"), "v",
       found("\xC2\xAF")},
      {"xml: hexadecimal digits in upper case", withString("&#xAF;"), "v",
       found("\xC2\xAF")},
      {"xml: a digit past f", withString("&#x4g;"), "v", notAList},
      {"xml: a hexadecimal digit in a decimal reference", withString("&#4a;"),
       "v", notAList},
      {"xml: one digit", withString("&#9;"), "v", found("\t")},
      {"xml: eight digits", withString("&#x00000031;"), "v", found("1")},
      {"xml: nine hexadecimal digits", withString("&#x000000031;"), "v",
       notAList},
      {"xml: no digits", withString("&#;"), "v", notAList},
      {"xml: a reference without its semicolon", withString("&#49 "), "v",
       notAList},
      // Data.
      {"xml: DEL in data", xmlWith("<data>\x7F</data>"), "v", nothing},
      {"xml: U+0001 in data", xmlWith("<data>\x01</data>"), "v", nothing},
      {"xml: 0x80 in data", xmlWith("<data>q8\x80</data>"), "v", notAList},
      {"xml: NUL in data", xmlWith(std::string("<data>q8\0</data>", 16)), "v",
       notAList, refused},
      {"xml: an empty data element, then its end tag",
       xmlWith("<data/></data>"), "v", notAList},
      // Structure.
      {"xml: an unterminated comment before the list", "<!-- x", "v", notAList},
      {"xml: an unterminated comment hiding a dictionary", "<!--" + body, "v",
       notAList},
      {"xml: an unterminated comment in a dictionary", xml("<!--"), "v",
       notAList},
      {"xml: an unterminated comment in an array",
       xmlWith("<array><!--</array>"), "v", notAList},
      {"xml: an unterminated CDATA section", withString("<![CDATA[1"), "v",
       notAList},
      {"xml: text where a key stands", xml("/><string>1</string>"), "",
       notAList},
      {"xml: a version without quotes", list("").replace(15, 5, "1.0"), "v",
       notAList, refused},
      {"xml: a version holding an ampersand",
       "<plist version=\"1&amp;0\">" + body + "</plist>", "v", notAList,
       refused},
      {"xml: a declaration without its version", list("<?xml =\"1.0\"?>"), "v",
       notAList, refused},
      {"xml: a declaration's version without =",
       list("<?xml version \"1.0\"?>"), "v", notAList, refused},
      {"xml: a declaration with no blank after xml",
       list("<?xmlversion=\"1.0\"?>"), "v", notAList, refused},
      {"xml: an encoding with no blank before it",
       list("<?xml version=\"1.0\"encoding=\"UTF-8\"?>"), "v", notAList,
       refused},
      {"xml: another encoding, with no end to the declaration",
       "<?xml version=\"1.0\" encoding=\"latin1\"" + plist + body + "</plist>",
       "v", notAList, refused},
      {"xml: an encoding of another name",
       list("<?xml version=\"1.0\" encoding=\"XTF-8\"?>"), "v", notAList,
       refused},
      {"xml: standalone yes",
       list("<?xml version=\"1.0\" standalone=\"yes\"?>"), "v", found("1")},
      {"xml: standalone no", list("<?xml version=\"1.0\" standalone=\"no\"?>"),
       "v", found("1")},
      {"xml: standalone maybe",
       list("<?xml version=\"1.0\" standalone=\"maybe\"?>"), "v", notAList,
       refused},
      {"xml: a document type with no blank", list("<!DOCTYPEplist>"), "v",
       notAList, refused},
      {"xml: a document type of html", list("<!DOCTYPE html>"), "v", notAList,
       refused},
      {"xml: a public identifier alone", list("<!DOCTYPE plist PUBLIC \"a\">"),
       "v", notAList, refused},
      {"xml: a public identifier with no blank",
       list("<!DOCTYPE plist PUBLIC\"a\" \"b\">"), "v", notAList, refused},
      {"xml: a system identifier missing", list("<!DOCTYPE plist SYSTEM>"), "v",
       notAList, refused},
      {"xml: a system identifier", list("<!DOCTYPE plist SYSTEM \"a\">"), "v",
       found("1")},
      {"xml: the list cut after <plist", "<plist", "v", notAList},
      {"xml: the list cut after a version's =", "<plist version=", "v",
       notAList},
      {"xml: a version between other marks",
       "<plist version=x1x>" + body + "</plist>", "v", notAList, refused},
      {"xml: a document type of no name", list("<!DOCTYPE >"), "v", notAList,
       refused},
      {"xml: a document type with nothing", list("<!DOCTYPE>"), "v", notAList,
       refused},
      {"xml: a value without its <", plist + "dict></dict></plist>", "v",
       notAList},
      {"xml: an unterminated comment right before a dictionary's end",
       plist + "<dict><!--</dict></plist>", "v", notAList},
      {"xml: the list cut in a reference", "<dict><key>v</key><string>&#49",
       "v", notAList},
      {"xml: a key's value at the depth bound",
       xmlWith(repeat("<array>", 61) + "<dict><key>k</key><true/></dict>" +
               repeat("</array>", 61)),
       "v", nothing},
      {"xml: the list cut after <dict", "<dict", "v", notAList},
      {"xml: a bare top at the depth bound",
       "<dict><key>v</key>" + nestedArrays(63) + "</dict>", "v", nothing},
      {"xml: a bare top past the depth bound",
       "<dict><key>v</key>" + nestedArrays(64) + "</dict>", "v",
       Unreadable{"nested more than 64 levels deep"}},
  };
  for (const Number& number : numbers) {
    edges.push_back({"xml: <" + number.element + ">" + number.text,
                     xmlWith("<" + number.element + ">" + number.text + "</" +
                             number.element + ">"),
                     "v", number.read ? nothing : notAList});
  }
  return edges;
}

// Every row of the table.
inline std::vector<Case> allCases() {
  std::vector<Case> all = cases();
  for (Case& edge : binaryEdges()) {
    all.push_back(std::move(edge));
  }
  for (Case& edge : xmlEdges()) {
    all.push_back(std::move(edge));
  }
  return all;
}

}  // namespace Contract
