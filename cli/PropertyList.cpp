#include "PropertyList.hpp"

#include <utf8proc.h>

#include "BinaryPropertyList.hpp"

namespace PropertyList {
namespace {

using Size = std::string_view::size_type;
constexpr Size npos = std::string_view::npos;

bool isXmlCharacter(utf8proc_int32_t character) {
  return character == 0x9 || character == 0xA || character == 0xD ||
         (character >= 0x20 && character <= 0xD7FF) ||
         (character >= 0xE000 && character <= 0xFFFD) ||
         (character >= 0x10000 && character <= 0x10FFFF);
}

// Whether `text` is valid UTF-8 of characters XML allows (no surrogates, no
// control characters but tab, line feed and carriage return).
bool isXmlText(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  Size at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x80) {
      ++at;
      continue;
    }
    utf8proc_int32_t character = -1;
    const utf8proc_ssize_t used = utf8proc_iterate(
        bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at),
        &character);
    if (used <= 0 || !isXmlCharacter(character)) {
      return false;
    }
    at += static_cast<Size>(used);
  }
  return true;
}

bool isBlank(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

bool isDigit(char byte) {
  return byte >= '0' && byte <= '9';
}

// The number of digits at the front of `text`.
Size digits(std::string_view text) {
  Size count = 0;
  while (count < text.size() && isDigit(text[count])) {
    ++count;
  }
  return count;
}

// Decimal, and small enough for every reader's 64 bits.
bool isInteger(std::string_view text) {
  if (!text.empty() && text[0] == '-') {
    text.remove_prefix(1);
  }
  return !text.empty() && text.size() <= 18 && digits(text) == text.size();
}

// Decimal, with an optional fraction and exponent.
bool isReal(std::string_view text) {
  if (!text.empty() && text[0] == '-') {
    text.remove_prefix(1);
  }
  Size whole = digits(text);
  if (whole == 0) {
    return false;
  }
  text.remove_prefix(whole);
  if (!text.empty() && text[0] == '.') {
    text.remove_prefix(1);
    whole = digits(text);
    if (whole == 0) {
      return false;
    }
    text.remove_prefix(whole);
  }
  if (!text.empty() && (text[0] == 'e' || text[0] == 'E')) {
    text.remove_prefix(1);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
      text.remove_prefix(1);
    }
    whole = digits(text);
    if (whole == 0) {
      return false;
    }
    text.remove_prefix(whole);
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

// Base64, broken into lines.
bool isData(std::string_view text) {
  for (const char byte : text) {
    if (!((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
          isDigit(byte) || byte == '+' || byte == '/' || byte == '=' ||
          isBlank(byte))) {
      return false;
    }
  }
  return true;
}

// One pass over an XML list that admits what Xcode and the system write,
// and nothing else. Nesting is bounded before each step down, so the
// recursion is too.
class XmlScanner {
 public:
  explicit XmlScanner(std::string_view text) : text_(text) {}

  std::optional<std::string> refusal() {
    if (!isXmlText(text_)) {
      return notAList;
    }
    skip(byteOrderMark);
    if (startsWith("<?xml") && !declaration()) {
      return failure();
    }
    if (!misc() || (startsWith("<!DOCTYPE") && !documentType()) || !misc() ||
        !plistStart() || !misc()) {
      return failure();
    }
    const bool dictionary = startsWith("<dict>") || startsWith("<dict/>");
    if (!value(1) || !misc() || !closes("plist") || !misc() ||
        at_ != text_.size()) {
      return failure();
    }
    if (!dictionary) {
      return topIsNoDictionary();
    }
    return std::nullopt;
  }

 private:
  static constexpr const char* notAList = "not a property list";

  std::string failure() const { return reason_ ? *reason_ : notAList; }

  bool refuse(std::string reason) {
    reason_ = std::move(reason);
    return false;
  }

  bool startsWith(std::string_view literal, Size at) const {
    return at <= text_.size() && text_.substr(at, literal.size()) == literal;
  }
  bool startsWith(std::string_view literal) const {
    return startsWith(literal, at_);
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

  // White space and comments, as they stand between elements.
  bool misc() {
    for (;;) {
      blanks();
      if (!skip("<!--")) {
        return true;
      }
      const Size end = text_.find("--", at_);
      if (end == npos || !startsWith("-->", end)) {
        return false;
      }
      at_ = end + 3;
    }
  }

  // "VALUE" or 'VALUE'.
  bool quoted(bool (*accepts)(std::string_view)) {
    if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
      return false;
    }
    const Size end = text_.find(text_[at_], at_ + 1);
    if (end == npos || !accepts(text_.substr(at_ + 1, end - at_ - 1))) {
      return false;
    }
    at_ = end + 1;
    return true;
  }

  // NAME="VALUE", with blanks around "=" allowed.
  bool attribute(std::string_view name, bool (*accepts)(std::string_view)) {
    if (!skip(name)) {
      return false;
    }
    blanks();
    if (!skip("=")) {
      return false;
    }
    blanks();
    return quoted(accepts);
  }

  // <?xml version="1.0" encoding="UTF-8" standalone="no"?>, the last two
  // optional.
  bool declaration() {
    if (!skip("<?xml") || !blanks() ||
        !attribute("version",
                   [](std::string_view value) { return value == "1.0"; })) {
      return false;
    }
    Size mark = at_;
    if (blanks() && attribute("encoding", [](std::string_view value) {
          return value.size() == 5 && (value[0] | 0x20) == 'u' &&
                 (value[1] | 0x20) == 't' && (value[2] | 0x20) == 'f' &&
                 value.substr(3) == "-8";
        })) {
      mark = at_;
    }
    at_ = mark;
    if (blanks() && attribute("standalone", [](std::string_view value) {
          return value == "yes" || value == "no";
        })) {
      mark = at_;
    }
    at_ = mark;
    blanks();
    return skip("?>");
  }

  // A quoted identifier of the document type, without markup inside.
  bool literal() {
    return quoted([](std::string_view value) {
      return value.find_first_of("<>[]") == npos;
    });
  }

  // <!DOCTYPE plist PUBLIC "..." "...">, or SYSTEM "...", or neither; never
  // with an internal subset.
  bool documentType() {
    if (!skip("<!DOCTYPE") || !blanks() || !skip("plist")) {
      return false;
    }
    const Size mark = at_;
    if (blanks()) {
      if (skip("PUBLIC")) {
        if (!blanks() || !literal() || !blanks() || !literal()) {
          return false;
        }
      } else if (skip("SYSTEM")) {
        if (!blanks() || !literal()) {
          return false;
        }
      } else {
        at_ = mark;
      }
    }
    blanks();
    return skip(">");
  }

  // <plist> or <plist version="...">.
  bool plistStart() {
    if (!skip("<plist")) {
      return false;
    }
    const Size mark = at_;
    if (!(blanks() && attribute("version", [](std::string_view value) {
            return !value.empty() && value.find_first_not_of("0123456789.") ==
                                         std::string_view::npos;
          }))) {
      at_ = mark;
    }
    blanks();
    return skip(">");
  }

  bool closes(std::string_view name) {
    if (!startsWith("</") || !startsWith(name, at_ + 2) ||
        !startsWith(">", at_ + 2 + name.size())) {
      return false;
    }
    at_ += name.size() + 3;
    return true;
  }

  // One value element at nesting `depth`.
  bool value(std::size_t depth) {
    if (depth > deepestNesting) {
      return refuse(tooDeep());
    }
    if (!skip("<")) {
      return false;
    }
    const Size start = at_;
    while (at_ < text_.size() && text_[at_] >= 'a' && text_[at_] <= 'z') {
      ++at_;
    }
    const std::string_view name = text_.substr(start, at_ - start);
    const bool empty = skip("/>");
    if (!empty && !skip(">")) {
      return false;
    }
    if (name == "dict") {
      return empty || dictionary(depth);
    }
    if (name == "array") {
      return empty || array(depth);
    }
    if (name == "string") {
      return empty || characters(name, /*isKey=*/false);
    }
    if (name == "true" || name == "false") {
      return empty || closes(name);
    }
    if (empty) {
      return false;  // data, dates and numbers are never empty
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

  // Keys, each followed by its value, until </dict>.
  bool dictionary(std::size_t depth) {
    for (;;) {
      if (!misc()) {
        return false;
      }
      if (closes("dict")) {
        return true;
      }
      if (depth + 1 > deepestNesting) {
        return refuse(tooDeep());
      }
      if (!skip("<key/>") &&
          !(skip("<key>") && characters("key", /*isKey=*/true))) {
        return false;
      }
      if (!misc() || !value(depth + 1)) {
        return false;
      }
    }
  }

  bool array(std::size_t depth) {
    for (;;) {
      if (!misc()) {
        return false;
      }
      if (closes("array")) {
        return true;
      }
      if (!value(depth + 1)) {
        return false;
      }
    }
  }

  // The text of a key or a string up to its end tag: characters, CDATA
  // sections and references. A key may not begin with a byte-order mark,
  // which one reader drops and another keeps.
  bool characters(std::string_view name, bool isKey) {
    bool first = true;
    const auto piece = [&](std::string_view text) {
      if (text.empty()) {
        return true;
      }
      const bool marked = first && isKey && text.substr(0, 3) == byteOrderMark;
      first = false;
      return !marked;
    };
    for (;;) {
      const Size stop = text_.find_first_of("<&", at_);
      if (stop == npos || !piece(text_.substr(at_, stop - at_))) {
        return false;
      }
      at_ = stop;
      if (text_[at_] == '&') {
        std::string encoded;
        if (!reference(encoded) || !piece(encoded)) {
          return false;
        }
      } else if (skip("<![CDATA[")) {
        const Size end = text_.find("]]>", at_);
        if (end == npos || !piece(text_.substr(at_, end - at_))) {
          return false;
        }
        at_ = end + 3;
      } else {
        return closes(name);
      }
    }
  }

  // One reference, left in `encoded` as UTF-8: &lt; &gt; &amp; &quot;
  // &apos;, &#DDD; or &#xHHH; of a character XML allows.
  bool reference(std::string& encoded) {
    if (++references_ > mostReferences) {
      return refuse("more than " + std::to_string(mostReferences) +
                    " character references");
    }
    static constexpr std::pair<std::string_view, char> entities[] = {
        {"&lt;", '<'},
        {"&gt;", '>'},
        {"&amp;", '&'},
        {"&quot;", '"'},
        {"&apos;", '\''}};
    for (const auto& [entity, character] : entities) {
      if (skip(entity)) {
        encoded.assign(1, character);
        return true;
      }
    }
    if (!skip("&#")) {
      return false;
    }
    const bool hex = skip("x");
    const Size most = hex ? 6 : 7;  // enough for U+10FFFF
    utf8proc_int32_t character = 0;
    Size count = 0;
    for (; at_ < text_.size() && count <= most; ++at_, ++count) {
      const char byte = text_[at_];
      int digit = -1;
      if (isDigit(byte)) {
        digit = byte - '0';
      } else if (hex && byte >= 'a' && byte <= 'f') {
        digit = byte - 'a' + 10;
      } else if (hex && byte >= 'A' && byte <= 'F') {
        digit = byte - 'A' + 10;
      } else {
        break;
      }
      character = character * (hex ? 16 : 10) + digit;
    }
    if (count == 0 || count > most || !skip(";") ||
        !isXmlCharacter(character)) {
      return false;
    }
    utf8proc_uint8_t bytes[4];
    const utf8proc_ssize_t length = utf8proc_encode_char(character, bytes);
    encoded.assign(reinterpret_cast<const char*>(bytes),
                   static_cast<std::size_t>(length));
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
  Size at_ = 0;
  std::size_t references_ = 0;
  std::optional<std::string> reason_;
};

}  // namespace

std::string tooDeep() {
  return "nested more than " + std::to_string(deepestNesting) + " levels deep";
}

std::string expandsTooFar() {
  return "more than " + std::to_string(largestExpansion / (1024 * 1024)) +
         " MiB once its shared members are copied";
}

std::string topIsNoDictionary() {
  return "its top is not a dictionary";
}

std::optional<std::string> refusal(std::string_view bytes) {
  if (bytes.size() > largestList) {
    return "larger than " + std::to_string(largestList / 1024) + " KiB";
  }
  // Bytes that claim the binary format are read as nothing else: they never
  // fall through to the XML rules, as one reader's would to an old text
  // format.
  if (BinaryPropertyList::claimsBinary(bytes)) {
    return BinaryPropertyList::refusal(bytes);
  }
  return XmlScanner(bytes).refusal();
}

}  // namespace PropertyList
