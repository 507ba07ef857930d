#include "ExpatReading.hpp"

#include <expat.h>
#include <utf8proc.h>

#include <cstdint>
#include <vector>

namespace ExpatReading {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isContainer(std::string_view name) {
  return name == "plist" || name == "dict" || name == "array";
}

// A key where a value stands is a string.
bool isValue(std::string_view name) {
  static constexpr std::string_view values[] = {
      "dict", "array", "string", "key",  "integer",
      "real", "date",  "data",   "true", "false"};
  for (const std::string_view value : values) {
    if (name == value) {
      return true;
    }
  }
  return false;
}

bool isBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Whether UTF-8 `text` holds a non-character (U+FDD0 to U+FDEF, or the last
// two of a plane), which expat reads and our reader refuses.
bool holdsNonCharacter(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  for (std::size_t at = 0; at < text.size();) {
    utf8proc_int32_t character = 0;
    const utf8proc_ssize_t used = utf8proc_iterate(
        bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at),
        &character);
    if (used <= 0) {
      return false;  // expat hands over valid UTF-8 alone
    }
    if ((character >= 0xFDD0 && character <= 0xFDEF) ||
        (character & 0xFFFE) == 0xFFFE) {
      return true;
    }
    at += static_cast<std::size_t>(used);
  }
  return false;
}

bool isDigit(char byte) {
  return byte >= '0' && byte <= '9';
}

bool isHexDigit(char byte) {
  return isDigit(byte) || ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'f');
}

// How many of `text`'s bytes from `at` on `accepts`.
template <typename Accepts>
std::size_t run(std::string_view text, std::size_t at, Accepts accepts) {
  std::size_t count = 0;
  while (at + count < text.size() && accepts(text[at + count])) {
    ++count;
  }
  return count;
}

// The numbers and dates as writers put them, within 64 bits. Each is
// matched by hand, byte after byte: a regular expression over fuzz input
// can overflow the stack on a long run of digits.
bool isPromisedInteger(std::string_view text) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    at = 1;
  }
  unsigned base = 10;
  if (text.size() > at + 2 && text[at] == '0' &&
      (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  const std::size_t digits =
      base == 16 ? run(text, at, isHexDigit) : run(text, at, isDigit);
  if (digits == 0 || at + digits != text.size()) {
    return false;
  }
  unsigned __int128 value = 0;
  for (; at < text.size(); ++at) {
    const char digit = text[at];
    const int lower = digit | 0x20;
    value = value * base + static_cast<unsigned>(
                               digit <= '9' ? digit - '0' : lower - 'a' + 10);
    if (value > UINT64_MAX) {
      return false;
    }
  }
  return !negative || value <= static_cast<unsigned __int128>(INT64_MAX) + 1;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) {
    return false;
  }
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((text[at] | 0x20) != lower[at]) {
      return false;
    }
  }
  return true;
}

bool isPromisedReal(std::string_view text) {
  std::string_view unsigned_ = text;
  if (!unsigned_.empty() && (unsigned_[0] == '+' || unsigned_[0] == '-')) {
    unsigned_.remove_prefix(1);
  }
  if (equalsIgnoringCase(text, "nan") || equalsIgnoringCase(unsigned_, "inf") ||
      equalsIgnoringCase(unsigned_, "infinity")) {
    return true;
  }
  const std::size_t whole = run(unsigned_, 0, isDigit);
  std::size_t at = whole;
  std::size_t fraction = 0;
  if (at < unsigned_.size() && unsigned_[at] == '.') {
    fraction = run(unsigned_, at + 1, isDigit);
    at += 1 + fraction;
  }
  if (whole + fraction == 0) {
    return false;
  }
  if (at < unsigned_.size() && (unsigned_[at] == 'e' || unsigned_[at] == 'E')) {
    ++at;
    if (at < unsigned_.size() &&
        (unsigned_[at] == '+' || unsigned_[at] == '-')) {
      ++at;
    }
    const std::size_t exponent = run(unsigned_, at, isDigit);
    if (exponent == 0) {
      return false;
    }
    at += exponent;
  }
  return at == unsigned_.size();
}

bool isPromisedDate(std::string_view text) {
  constexpr std::string_view shape = "0000-00-00T00:00:00Z";
  if (text.size() != shape.size()) {
    return false;
  }
  for (std::size_t at = 0; at < shape.size(); ++at) {
    if (shape[at] == '0' ? !isDigit(text[at]) : text[at] != shape[at]) {
      return false;
    }
  }
  return true;
}

bool isPromisedData(const std::string& text) {
  for (const char byte : text) {
    if (byte <= 0 || byte == '<') {
      return false;
    }
  }
  return true;
}

// The plist start tag as our reader takes it: a version of any value but
// one that would end a tag or a document type early.
bool isPromisedPlistTag(std::string_view tag) {
  const auto blank = [](char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
  };
  constexpr std::string_view open = "<plist";
  if (tag.substr(0, open.size()) != open) {
    return false;
  }
  std::size_t at = open.size();
  const std::size_t before = run(tag, at, blank);
  constexpr std::string_view version = "version";
  if (before > 0 && tag.substr(at + before, version.size()) == version) {
    at += before + version.size();
    at += run(tag, at, blank);
    if (at >= tag.size() || tag[at] != '=') {
      return false;
    }
    ++at;
    at += run(tag, at, blank);
    if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) {
      return false;
    }
    const char quote = tag[at++];
    at += run(tag, at, [quote](char byte) {
      return byte != quote &&
             std::string_view("<>&[]").find(byte) == std::string_view::npos;
    });
    if (at >= tag.size() || tag[at] != quote) {
      return false;
    }
    ++at;
  }
  at += run(tag, at, blank);
  return at + 1 == tag.size() && tag[at] == '>';
}

// Whether `raw` holds a character reference of more than eight digits,
// which the system's reader refuses and expat reads.
bool holdsLongReference(std::string_view raw) {
  for (std::size_t at = raw.find("&#"); at != std::string_view::npos;
       at = raw.find("&#", at + 2)) {
    std::size_t digits = at + 2;
    if (digits < raw.size() && raw[digits] == 'x') {
      ++digits;
    }
    if (run(raw, digits, isHexDigit) > 8) {
      return true;
    }
  }
  return false;
}

struct Frame {
  std::string name;
  // Where the element's content starts in the bytes; whether it is written
  // as an empty-element tag.
  std::size_t contentStart = 0;
  bool empty = false;
  std::string text;
  // Containers: values so far; in a dictionary, whether a key waits for its
  // value.
  int values = 0;
  bool keyWaiting = false;
  std::string key;
  // A key element where a key stands (elsewhere it is a string).
  bool isKey = false;
  // Dictionaries: whether every key so far is "CF$UID", and the last value's
  // element.
  bool onlyReference = true;
  std::string lastValue;
};

struct Walk {
  XML_Parser parser = nullptr;
  std::string_view bytes;
  std::string_view askedKey;
  Reading reading;
  bool broken = false;
  bool rootSeen = false;
  std::vector<Frame> stack;

  void breaks() {
    broken = true;
    XML_StopParser(parser, XML_FALSE);
  }

  std::string_view raw() const {
    const auto index =
        static_cast<std::size_t>(XML_GetCurrentByteIndex(parser));
    const auto count =
        static_cast<std::size_t>(XML_GetCurrentByteCount(parser));
    if (index > bytes.size() || count > bytes.size() - index) {
      return {};
    }
    return bytes.substr(index, count);
  }

  // The top dictionary: the plist element's child.
  bool inTopDictionary() const {
    return stack.size() == 2 && stack[1].name == "dict";
  }

  void start(const XML_Char* name, const XML_Char** attributes) {
    if (broken) {
      return;
    }
    const std::string_view tag = raw();
    Frame frame;
    frame.name = name;
    frame.empty = tag.size() >= 2 && tag.substr(tag.size() - 2) == "/>";
    frame.contentStart = static_cast<std::size_t>(
        XML_GetCurrentByteIndex(parser) + XML_GetCurrentByteCount(parser));
    if (stack.empty()) {
      if (rootSeen) {
        return breaks();
      }
      rootSeen = true;
      if (frame.name == "plist") {
        if (!isPromisedPlistTag(tag) || holdsNonCharacter(tag)) {
          reading.promised = false;
        }
        stack.push_back(std::move(frame));
        return;
      }
      // A bare first element is the list, as if a plist element held it.
      Frame plist;
      plist.name = "plist";
      stack.push_back(std::move(plist));
    }
    if (attributes[0] != nullptr) {
      reading.promised = false;
    }
    Frame& parent = stack.back();
    if (!isContainer(parent.name)) {
      return breaks();
    }
    if (parent.name == "dict" && !parent.keyWaiting) {
      if (frame.name != "key") {
        return breaks();
      }
      frame.isKey = true;
    } else {
      if (!isValue(frame.name) ||
          (parent.name == "plist" && parent.values > 0)) {
        return breaks();
      }
      if (parent.name == "plist") {
        reading.topIsDictionary = frame.name == "dict";
      }
    }
    // Our reader counts every element, the top dictionary as 1.
    if (stack.size() > 64) {
      reading.promised = false;
    }
    stack.push_back(std::move(frame));
  }

  void end() {
    // Expat may finish the event that broke the walk.
    if (broken || stack.empty()) {
      return;
    }
    Frame frame = std::move(stack.back());
    stack.pop_back();
    const auto end = static_cast<std::size_t>(XML_GetCurrentByteIndex(parser));
    const std::string content =
        frame.empty || end < frame.contentStart
            ? std::string()
            : std::string(
                  bytes.substr(frame.contentStart, end - frame.contentStart));
    if (frame.name == "dict" && frame.keyWaiting) {
      return breaks();
    }
    if (frame.name == "plist" && frame.values != 1) {
      return breaks();
    }
    if ((frame.name == "true" || frame.name == "false") &&
        !frame.text.empty()) {
      return breaks();
    }
    if ((frame.name == "integer" && !isPromisedInteger(content)) ||
        (frame.name == "real" && !isPromisedReal(content)) ||
        (frame.name == "date" && !isPromisedDate(content)) ||
        (frame.name == "data" && (frame.empty || !isPromisedData(content)))) {
      reading.promised = false;
    }
    std::string text = std::move(frame.text);
    if (text.compare(0, byteOrderMark.size(), byteOrderMark) == 0) {
      text.erase(0, byteOrderMark.size());
    }
    if (stack.empty()) {
      return;
    }
    const bool top = inTopDictionary();
    Frame& parent = stack.back();
    if (frame.isKey) {
      parent.keyWaiting = true;
      parent.key = std::move(text);
      return;
    }
    // A dictionary of "CF$UID" alone, holding a number, is an archive's
    // reference to the system: at the top, no dictionary.
    if (frame.name == "dict" && stack.size() == 1 && frame.values > 0 &&
        frame.onlyReference &&
        (frame.lastValue == "integer" || frame.lastValue == "real")) {
      reading.topIsDictionary = false;
    }
    ++parent.values;
    if (parent.name == "dict") {
      parent.keyWaiting = false;
      parent.onlyReference = parent.onlyReference && parent.key == "CF$UID";
      parent.lastValue = frame.name;
      if (top && parent.key == askedKey) {
        reading.value.reset();
        if (frame.name == "string" || frame.name == "key") {
          reading.value = std::move(text);
        }
      }
    }
  }

  void characters(std::string_view text) {
    if (broken || stack.empty()) {
      return;
    }
    Frame& frame = stack.back();
    if (isContainer(frame.name)) {
      if (!isBlank(text)) {
        return breaks();
      }
      // A blank written as a reference is no blank to our reader.
      if (!isBlank(raw())) {
        reading.promised = false;
      }
      return;
    }
    if (holdsNonCharacter(text) || holdsLongReference(raw())) {
      reading.promised = false;
    }
    frame.text += text;
  }
};

Walk& walkOf(void* data) {
  return *static_cast<Walk*>(data);
}

}  // namespace

std::optional<Reading> read(std::string_view bytes, std::string_view key) {
  Walk walk;
  walk.bytes = bytes;
  walk.askedKey = key;
  // Our reader's size bound.
  if (bytes.size() > 1024 * 1024) {
    walk.reading.promised = false;
  }
  // Expat reads UTF-16 too; ours reads UTF-8 alone.
  if (bytes.find('\0') != std::string_view::npos ||
      bytes.substr(0, 2) == "\xFE\xFF" || bytes.substr(0, 2) == "\xFF\xFE") {
    walk.reading.promised = false;
  }
  const XML_Parser parser = XML_ParserCreate(nullptr);
  if (parser == nullptr) {
    return std::nullopt;
  }
  walk.parser = parser;
  XML_SetUserData(parser, &walk);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        walkOf(data).start(name, attributes);
      },
      [](void* data, const XML_Char*) { walkOf(data).end(); });
  XML_SetCharacterDataHandler(
      parser, [](void* data, const XML_Char* text, int length) {
        walkOf(data).characters(
            std::string_view(text, static_cast<std::size_t>(length)));
      });
  XML_SetCommentHandler(parser, [](void* data, const XML_Char* text) {
    Walk& walk = walkOf(data);
    // The system looks for the end of a comment before the list one
    // character late; in a key or string a comment is no text at all.
    if ((!walk.rootSeen && *text == '\0') ||
        (!walk.stack.empty() && !isContainer(walk.stack.back().name)) ||
        holdsNonCharacter(text)) {
      walk.reading.promised = false;
    }
  });
  // An entity expat cannot know (the document type's external part is
  // never read), which the system's reader refuses.
  XML_SetSkippedEntityHandler(parser, [](void* data, const XML_Char*, int) {
    walkOf(data).broken = true;
  });
  XML_SetProcessingInstructionHandler(
      parser, [](void* data, const XML_Char*, const XML_Char*) {
        walkOf(data).reading.promised = false;
      });
  XML_SetCdataSectionHandler(
      parser,
      [](void* data) {
        Walk& walk = walkOf(data);
        if (!walk.stack.empty() && isContainer(walk.stack.back().name)) {
          walk.reading.promised = false;
        }
      },
      [](void*) {});
  XML_SetXmlDeclHandler(parser, [](void* data, const XML_Char* version,
                                   const XML_Char* encoding, int) {
    const std::string_view name = encoding != nullptr ? encoding : "utf-8";
    const bool utf8 = name.size() == 5 && (name[0] | 0x20) == 'u' &&
                      (name[1] | 0x20) == 't' && (name[2] | 0x20) == 'f' &&
                      name.substr(3) == "-8";
    if (version == nullptr || std::string_view(version) != "1.0" || !utf8) {
      walkOf(data).reading.promised = false;
    }
  });
  XML_SetStartDoctypeDeclHandler(
      parser, [](void* data, const XML_Char* name, const XML_Char* system,
                 const XML_Char* identifier, int internalSubset) {
        const auto plain = [](const XML_Char* literal) {
          return literal == nullptr ||
                 (std::string_view(literal).find_first_of("<>&[]") ==
                      std::string_view::npos &&
                  !holdsNonCharacter(literal));
        };
        if (std::string_view(name) != "plist" || internalSubset != 0 ||
            !plain(system) || !plain(identifier)) {
          walkOf(data).reading.promised = false;
        }
      });
  const bool parsed =
      XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()),
                XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  if (!parsed || walk.broken || !walk.rootSeen) {
    return std::nullopt;
  }
  return walk.reading;
}

}  // namespace ExpatReading
