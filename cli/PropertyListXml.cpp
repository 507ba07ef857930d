#include "PropertyListXml.hpp"

#include <utf8proc.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace PropertyListXml {
namespace {

using Size = std::string_view::size_type;
constexpr Size npos = std::string_view::npos;

bool isBlank(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

bool isDigit(char byte) {
  return byte >= '0' && byte <= '9';
}

// The value of a hexadecimal digit, or -1.
int hexDigit(char byte) {
  if (isDigit(byte)) {
    return byte - '0';
  }
  if (byte >= 'a' && byte <= 'f') {
    return byte - 'a' + 10;
  }
  if (byte >= 'A' && byte <= 'F') {
    return byte - 'A' + 10;
  }
  return -1;
}

// A character a list may hold: any Unicode scalar value but NUL and the
// non-characters.
bool isAdmitted(utf8proc_int32_t character) {
  return character > 0 && character <= 0x10FFFF &&
         !(character >= 0xD800 && character <= 0xDFFF) &&
         !(character >= 0xFDD0 && character <= 0xFDEF) &&
         (character & 0xFFFE) != 0xFFFE;
}

// Whether `text` is valid UTF-8 of admitted characters.
bool isAdmittedText(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  Size at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte != 0 && byte < 0x80) {
      ++at;
      continue;
    }
    utf8proc_int32_t character = -1;
    const utf8proc_ssize_t used = utf8proc_iterate(
        bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at),
        &character);
    if (used <= 0 || !isAdmitted(character)) {
      return false;
    }
    at += static_cast<Size>(used);
  }
  return true;
}

// Whether the byte at `at` of `text` would go on an element's name.
bool isNameCharacter(std::string_view text, Size at) {
  return at < text.size() && text[at] >= 'a' && text[at] <= 'z';
}

char lower(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a')
                                    : byte;
}

// Whether `a` and `b` are the same ASCII text but for letter case.
bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (Size index = 0; index < a.size(); ++index) {
    if (lower(a[index]) != lower(b[index])) {
      return false;
    }
  }
  return true;
}

// A signed decimal or "0x" hexadecimal integer within 64 bits: from the
// lowest signed value to the highest unsigned one.
bool isInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) {
    return false;
  }
  uint64_t value = 0;
  for (const char byte : text) {
    const int digit = hexDigit(byte);
    if (digit < 0 || static_cast<unsigned>(digit) >= base ||
        value > (UINT64_MAX - static_cast<unsigned>(digit)) / base) {
      return false;
    }
    value = value * base + static_cast<unsigned>(digit);
  }
  return !negative || value <= uint64_t{1} << 63;
}

// The number of digits at the front of `text`.
Size digits(std::string_view text) {
  Size count = 0;
  while (count < text.size() && isDigit(text[count])) {
    ++count;
  }
  return count;
}

// What the C library's strtod reads whole from signs, digits, points and
// exponent marks, and the spellings of nan and infinity the system knows.
bool isReal(std::string_view text) {
  for (const std::string_view special :
       {"nan", "inf", "+inf", "-inf", "infinity", "+infinity", "-infinity"}) {
    if (equalIgnoringCase(text, special)) {
      return true;
    }
  }
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    text.remove_prefix(1);
  }
  Size whole = digits(text);
  text.remove_prefix(whole);
  Size fraction = 0;
  if (!text.empty() && text[0] == '.') {
    text.remove_prefix(1);
    fraction = digits(text);
    text.remove_prefix(fraction);
  }
  if (whole + fraction == 0) {
    return false;
  }
  if (!text.empty() && (text[0] == 'e' || text[0] == 'E')) {
    text.remove_prefix(1);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
      text.remove_prefix(1);
    }
    const Size exponent = digits(text);
    if (exponent == 0) {
      return false;
    }
    text.remove_prefix(exponent);
  }
  return text.empty();
}

// "2024-01-31T12:00:00Z", as every writer puts a date.
bool isDate(std::string_view text) {
  constexpr std::string_view shape = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != shape.size()) {
    return false;
  }
  for (Size index = 0; index < shape.size(); ++index) {
    if (shape[index] == 'd' ? !isDigit(text[index])
                            : text[index] != shape[index]) {
      return false;
    }
  }
  return true;
}

// Base64, as the system reads it: whatever is not of the alphabet is
// skipped, but only ASCII may stand there.
bool isData(std::string_view text) {
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if (value == 0 || value >= 0x80) {
      return false;
    }
  }
  return true;
}

// The one pass. Each method reads one construct from `at_` on and returns
// whether it was there; a construct that is not ends the reading. Nesting is
// bounded before each step down, so the recursion is too.
class Reader {
 public:
  Reader(std::string_view text, const std::vector<std::string_view>& keys)
      : text_(text), keys_(keys), found_(keys.size()) {}

  PropertyList::Entries read() {
    if (!list()) {
      return reason_ ? *reason_ : PropertyList::notAList();
    }
    if (!topIsDictionary_) {
      return PropertyList::topIsNoDictionary();
    }
    return found_;
  }

 private:
  bool refuse(PropertyList::Unreadable reason) {
    reason_ = std::move(reason);
    return false;
  }

  bool startsWith(std::string_view literal) const {
    return text_.substr(at_, literal.size()) == literal;
  }

  bool skip(std::string_view literal) {
    if (!startsWith(literal)) {
      return false;
    }
    at_ += literal.size();
    return true;
  }

  // Skips white space; whether there was any.
  bool blanks() {
    const Size start = at_;
    while (at_ < text_.size() && isBlank(text_[at_])) {
      ++at_;
    }
    return at_ > start;
  }

  // The text up to `end`, which is left behind; nothing when `end` never
  // comes or the text is not admitted.
  std::optional<std::string_view> upTo(std::string_view end) {
    const Size stop = text_.find(end, at_);
    if (stop == npos) {
      return std::nullopt;
    }
    const std::string_view text = text_.substr(at_, stop - at_);
    if (!isAdmittedText(text)) {
      return std::nullopt;
    }
    at_ = stop + end.size();
    return text;
  }

  // White space and comments, as they stand between elements. Before the
  // list the system looks for a comment's end one character late, so an
  // empty comment there is refused rather than read another way.
  bool misc(bool beforeList) {
    for (;;) {
      blanks();
      if (!skip("<!--")) {
        return true;
      }
      if ((beforeList && startsWith("-->")) || !upTo("-->")) {
        return false;
      }
    }
  }

  // "VALUE" or 'VALUE', of text without "<", ">", "&", "[" or "]": the
  // system ends a tag or a document type at the first ">" (and a document
  // type at "["), whatever the quotes say.
  std::optional<std::string_view> quoted() {
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
      return std::nullopt;
    }
    const char quote = text_[at_++];
    const std::optional<std::string_view> value =
        upTo(std::string_view(&quote, 1));
    if (!value || value->find_first_of("<>&[]") != npos) {
      return std::nullopt;
    }
    return value;
  }

  // NAME="VALUE", with blanks around "=" allowed.
  std::optional<std::string_view> attribute(std::string_view name) {
    if (!skip(name)) {
      return std::nullopt;
    }
    blanks();
    if (!skip("=")) {
      return std::nullopt;
    }
    blanks();
    return quoted();
  }

  // An optional attribute NAME whose value `accepts`: after blanks, either
  // nothing of the kind, or the attribute with a value it accepts.
  bool optionalAttribute(std::string_view name,
                         bool (*accepts)(std::string_view)) {
    const Size mark = at_;
    if (!blanks() || !startsWith(name)) {
      at_ = mark;
      return true;
    }
    const auto value = attribute(name);
    return value && accepts(*value);
  }

  // <?xml version="1.0" encoding="UTF-8" standalone="no"?>, the last two
  // optional.
  bool declaration() {
    if (!skip("<?xml") || !blanks()) {
      return false;
    }
    const auto version = attribute("version");
    return version && *version == "1.0" &&
           optionalAttribute("encoding",
                             [](std::string_view value) {
                               return equalIgnoringCase(value, "utf-8");
                             }) &&
           optionalAttribute("standalone",
                             [](std::string_view value) {
                               return value == "yes" || value == "no";
                             }) &&
           (blanks(), skip("?>"));
  }

  // <!DOCTYPE plist PUBLIC "..." "...">, or SYSTEM "...", or neither; never
  // with an internal subset. Identifiers hold no ">", so the list's ">" is
  // the system's too.
  bool documentType() {
    if (!skip("<!DOCTYPE") || !blanks() || !skip("plist")) {
      return false;
    }
    const Size mark = at_;
    if (blanks()) {
      if (skip("PUBLIC")) {
        if (!blanks() || !quoted() || !blanks() || !quoted()) {
          return false;
        }
      } else if (skip("SYSTEM")) {
        if (!blanks() || !quoted()) {
          return false;
        }
      } else {
        at_ = mark;
      }
    }
    blanks();
    return skip(">");
  }

  // </NAME>, with blanks allowed before ">".
  bool closes(std::string_view name) {
    const Size mark = at_;
    if (skip("</") && skip(name) && (blanks(), skip(">"))) {
      return true;
    }
    at_ = mark;
    return false;
  }

  // The whole list.
  bool list() {
    skip(PropertyList::byteOrderMark);
    blanks();
    if (startsWith("<?xml") && !declaration()) {
      return false;
    }
    if (!misc(/*beforeList=*/true)) {
      return false;
    }
    if (startsWith("<!DOCTYPE") &&
        (!documentType() || !misc(/*beforeList=*/true))) {
      return false;
    }
    // The system reads the first element as the list. Inside "plist" it must
    // be the only one; bare, whatever follows it is not read.
    if (!startsWith("<plist") || isNameCharacter(text_, at_ + 6)) {
      return value(1, Role::top);
    }
    at_ += 6;
    if (!optionalAttribute("version", [](std::string_view) { return true; }) ||
        (blanks(), !skip(">")) || !misc(/*beforeList=*/false)) {
      return false;
    }
    // Whatever follows the list's end is not read.
    return value(1, Role::top) && misc(/*beforeList=*/false) && closes("plist");
  }

  enum class Role { top, wanted, other };

  // One value element at nesting `depth`, whose name goes to `read` if
  // asked for. The top dictionary's keys are looked at; a `wanted` value
  // (the asked key's, at the top) is kept. A key where a value stands is a
  // string.
  bool value(std::size_t depth, Role role, std::string_view* read = nullptr) {
    if (depth > PropertyList::deepestNesting) {
      return refuse(PropertyList::tooDeep());
    }
    if (!skip("<")) {
      return false;
    }
    const Size start = at_;
    while (isNameCharacter(text_, at_)) {
      ++at_;
    }
    const std::string_view name = text_.substr(start, at_ - start);
    if (read != nullptr) {
      *read = name;
    }
    blanks();
    const bool empty = skip("/>");
    if (!empty && !skip(">")) {
      return false;
    }
    if (role == Role::top) {
      topIsDictionary_ = name == "dict";
    }
    if (role == Role::wanted) {
      found_[wanted_] = {true, std::nullopt};
    }
    if (name == "string" || name == "key") {
      std::string* kept = nullptr;
      if (role == Role::wanted) {
        kept = &found_[wanted_].string.emplace();
      }
      return empty || (characters(kept) && closes(name));
    }
    if (name == "dict") {
      return empty || dictionary(depth, role == Role::top);
    }
    if (name == "array") {
      return empty || array(depth);
    }
    if (name == "true" || name == "false") {
      return empty || closes(name);
    }
    // Data, dates and numbers are never empty.
    if (empty) {
      return false;
    }
    if (name == "integer") {
      return content(name, isInteger);
    }
    if (name == "real") {
      return content(name, isReal);
    }
    if (name == "date") {
      return content(name, isDate);
    }
    if (name == "data") {
      return content(name, isData);
    }
    return false;
  }

  // Keys, each followed by its value, until </dict>. The system makes a
  // dictionary whose one key is "CF$UID" (however often it stands), holding
  // a number, an archive's reference: at the top, that is no dictionary.
  bool dictionary(std::size_t depth, bool top) {
    std::string name;
    bool onlyReference = true;
    std::string_view referenceValue;
    for (;;) {
      if (!misc(/*beforeList=*/false)) {
        return false;
      }
      if (closes("dict")) {
        if (top && onlyReference &&
            (referenceValue == "integer" || referenceValue == "real")) {
          topIsDictionary_ = false;
        }
        return true;
      }
      if (depth + 1 > PropertyList::deepestNesting) {
        return refuse(PropertyList::tooDeep());
      }
      name.clear();
      if (!key(top ? &name : nullptr) || !misc(/*beforeList=*/false)) {
        return false;
      }
      Role role = Role::other;
      for (std::size_t index = 0; top && index < keys_.size(); ++index) {
        if (name == keys_[index]) {
          role = Role::wanted;
          wanted_ = index;
        }
      }
      std::string_view read;
      if (!value(depth + 1, role, &read)) {
        return false;
      }
      onlyReference = onlyReference && name == "CF$UID";
      referenceValue = read;
    }
  }

  // <key>TEXT</key> or <key/>; its text goes to `kept`, if asked for.
  bool key(std::string* kept) {
    if (!skip("<key")) {
      return false;
    }
    blanks();
    if (skip("/>")) {
      return true;
    }
    return skip(">") && characters(kept) && closes("key");
  }

  bool array(std::size_t depth) {
    for (;;) {
      if (!misc(/*beforeList=*/false)) {
        return false;
      }
      if (closes("array")) {
        return true;
      }
      if (!value(depth + 1, Role::other)) {
        return false;
      }
    }
  }

  // The text of a key or a string up to its end tag: characters, CDATA
  // sections and references, appended to `kept` if asked for, without the
  // byte-order mark at its front.
  bool characters(std::string* kept) {
    for (;;) {
      const Size stop = text_.find_first_of("<&", at_);
      if (stop == npos) {
        return false;
      }
      const std::string_view run = text_.substr(at_, stop - at_);
      if (!isAdmittedText(run)) {
        return false;
      }
      if (kept != nullptr) {
        *kept += run;
      }
      at_ = stop;
      if (text_[at_] == '&') {
        if (!reference(kept)) {
          return false;
        }
      } else if (skip("<![CDATA[")) {
        const auto section = upTo("]]>");
        if (!section) {
          return false;
        }
        if (kept != nullptr) {
          *kept += *section;
        }
      } else if (startsWith("<!")) {
        return false;  // a comment or anything else of the kind
      } else {
        break;
      }
    }
    if (kept != nullptr && kept->compare(0, PropertyList::byteOrderMark.size(),
                                         PropertyList::byteOrderMark) == 0) {
      kept->erase(0, PropertyList::byteOrderMark.size());
    }
    return true;
  }

  // One reference, appended to `kept` if asked for as UTF-8: &lt; &gt;
  // &amp; &quot; &apos;, &#DDD; or &#xHHH; of at most eight digits.
  bool reference(std::string* kept) {
    static constexpr std::pair<std::string_view, char> entities[] = {
        {"&lt;", '<'},
        {"&gt;", '>'},
        {"&amp;", '&'},
        {"&quot;", '"'},
        {"&apos;", '\''}};
    for (const auto& [entity, character] : entities) {
      if (skip(entity)) {
        if (kept != nullptr) {
          kept->push_back(character);
        }
        return true;
      }
    }
    if (!skip("&#")) {
      return false;
    }
    const unsigned base = skip("x") ? 16 : 10;
    uint32_t character = 0;
    Size count = 0;
    for (; at_ < text_.size() && count < 8; ++at_, ++count) {
      const int digit = hexDigit(text_[at_]);
      if (digit < 0 || static_cast<unsigned>(digit) >= base) {
        break;
      }
      character = character * base + static_cast<uint32_t>(digit);
    }
    if (count == 0 || !skip(";") ||
        !isAdmitted(static_cast<utf8proc_int32_t>(character))) {
      return false;
    }
    if (kept != nullptr) {
      utf8proc_uint8_t bytes[4];
      const utf8proc_ssize_t length =
          utf8proc_encode_char(static_cast<utf8proc_int32_t>(character), bytes);
      kept->append(reinterpret_cast<const char*>(bytes),
                   static_cast<std::size_t>(length));
    }
    return true;
  }

  // Plain text of the element's own type, then its end tag.
  bool content(std::string_view name, bool (*accepts)(std::string_view)) {
    const Size stop = text_.find('<', at_);
    if (stop == npos || !accepts(text_.substr(at_, stop - at_))) {
      return false;
    }
    at_ = stop;
    return closes(name);
  }

  std::string_view text_;
  const std::vector<std::string_view>& keys_;
  Size at_ = 0;
  bool topIsDictionary_ = false;
  // What is found under each key, and which key the value being read is
  // under.
  std::vector<PropertyList::Entry> found_;
  std::size_t wanted_ = 0;
  std::optional<PropertyList::Unreadable> reason_;
};

}  // namespace

PropertyList::Entries entries(std::string_view bytes,
                              const std::vector<std::string_view>& keys) {
  return Reader(bytes, keys).read();
}

}  // namespace PropertyListXml
