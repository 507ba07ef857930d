#pragma once

#include <string_view>
#include <vector>

#include "PropertyListLookup.hpp"

// The XML form of a property list, read in one pass that is also the check:
// it keeps the string under the asked key in the top dictionary and builds
// nothing else. It reads what the system's reader reads, the same way:
//
//  - a byte-order mark first; blanks, a declaration, comments and a
//    document type before the "plist" element; anything after its end;
//  - a first element with no "plist" element around it ("<dict>...</dict>"),
//    which is the list; nothing after its end is read, a stray "</plist>"
//    or anything else;
//  - blanks before ">" and "/>" in tags and end tags ("<true />");
//  - in keys and strings: any character, control characters and line ends
//    kept as they stand, ">" and "]]>" too; the five entities; references
//    "&#DDD;" and "&#xHHH;" of at most eight digits; CDATA sections, joined
//    with the text around them; one byte-order mark at the front of the
//    whole string or key dropped; "<key/>" and "<string/>" are "";
//  - "<key>" where a value stands (in an array, as a dictionary's value, as
//    the list): a string; where a key stands, only "<key>" is read;
//  - a dictionary whose one key is "CF$UID" (however often it stands),
//    holding an integer or a real: an archive's reference, so at the top the
//    list's top is no dictionary; with other keys, or another value, it is
//    an ordinary dictionary;
//  - integers in decimal or "0x" hexadecimal, signed, within 64 bits either
//    way; reals as the C library writes them, and nan, inf and infinity;
//    dates as YYYY-MM-DDTHH:MM:SSZ; data of any ASCII but "<".
//
// It refuses, although the system reads them, shapes that no writer of
// information property lists makes:
//
//  - any encoding but UTF-8, and UTF-8 that is not valid (also in comments);
//    NUL, U+FFFE, U+FFFF and the other non-characters, raw or referred to;
//  - a declaration other than version 1.0 with UTF-8 and "standalone";
//    processing instructions; a document type but "plist" with its
//    identifiers; a first comment before the list with nothing in it, which
//    the system reads past;
//  - attributes, but "version" on the "plist" element (of any value without
//    "<", ">", "&", "[" and "]"); a "plist" element inside the list;
//  - blanks, references or CDATA in integers, reals and dates; a year of
//    other than four digits;
//  - nesting deeper than `PropertyList::deepestNesting`, counting every
//    element, the top dictionary as 1;
//  - the old-style text format ("{ v = 1; }"), which the system reads where
//    its XML reader fails: every byte that is no XML list is refused.
namespace PropertyListXml {

// What the top dictionary of the XML list in `bytes` holds under each of
// `keys`, as PropertyList::entries promises: of two equal keys the last
// counts.
PropertyList::Entries entries(std::string_view bytes,
                              const std::vector<std::string_view>& keys);

}  // namespace PropertyListXml
