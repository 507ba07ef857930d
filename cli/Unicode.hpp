#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text rules every comparison in the tool follows. Strings are UTF-8
// bytes as the system handed them over; nothing here transcodes or repairs
// them.
namespace Unicode {

// The canonical decomposition of `text`, as UTF-8; nothing when `text` is
// not valid UTF-8. `equal` compares these, where its shortcuts cannot
// settle the answer sooner.
std::optional<std::string> decomposed(std::string_view text);

// Whether `a` and `b` are the same text: byte-equal, or both valid UTF-8 and
// canonically equivalent (a precomposed and a decomposed "é" are equal).
// Letter case counts. A string that is not valid UTF-8 equals only its own
// bytes.
bool equal(std::string_view a, std::string_view b);

// Whether `text` begins with `prefix` on whole user-perceived characters: the
// bytes match, and the character that follows does not extend the last one
// of `prefix` (a combining mark, a zero-width joiner, a variation selector).
// `prefix` must be valid UTF-8; an empty prefix always holds.
bool hasPrefix(std::string_view text, std::string_view prefix);

// Whether `a` and `b` are the same text but for letter case: both valid
// UTF-8, of the same length in UTF-16 code units, and equal once each is
// case-folded ("Info.plist" and "info.PLIST", and "Info.pli\u017Ft" too).
// Nothing is normalised.
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace Unicode
