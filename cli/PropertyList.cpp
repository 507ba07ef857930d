#include "PropertyList.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace PropertyList {
namespace {

using Size = std::string_view::size_type;

// Where the first `end` after `from` finishes; the end of `text` when there
// is none.
Size skipPast(std::string_view text, Size from, std::string_view end) {
  const Size found = text.find(end, from);
  return found == std::string_view::npos ? text.size() : found + end.size();
}

// Whether the tag name at `at` is exactly "array" or "dict".
bool namesContainer(std::string_view text, Size at) {
  for (const std::string_view name : {"array", "dict"}) {
    const Size end = at + name.size();
    if (text.compare(at, name.size(), name) == 0 && end < text.size() &&
        std::string_view("> \t\r\n/").find(text[end]) !=
            std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string tooDeep() {
  return "nested more than " + std::to_string(deepestNesting) + " levels deep";
}

std::string tooMany() {
  return "more than " + std::to_string(mostValues) + " values";
}

// One pass over the tags of an XML list, counting the containers open at
// each point and the elements seen. Comments, CDATA sections, processing
// instructions and the document type are stepped over whole; whether the
// text is well formed is the parser's business.
std::optional<std::string> xmlRefusal(std::string_view text) {
  std::size_t depth = 0;
  std::size_t elements = 0;
  Size at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    const std::string_view tag = text.substr(at);
    if (tag.substr(0, 4) == "<!--") {
      at = skipPast(text, at + 4, "-->");
    } else if (tag.substr(0, 9) == "<![CDATA[") {
      at = skipPast(text, at + 9, "]]>");
    } else if (tag.substr(0, 2) == "<?") {
      at = skipPast(text, at + 2, "?>");
    } else if (tag.substr(0, 2) == "<!") {
      at = skipPast(text, at + 2, ">");
    } else if (tag.substr(0, 2) == "</") {
      if (namesContainer(text, at + 2) && depth > 0) {
        --depth;
      }
      at = skipPast(text, at + 2, ">");
    } else {
      const Size end = skipPast(text, at + 1, ">");
      const bool selfClosing =
          end >= at + 3 && text[end - 1] == '>' && text[end - 2] == '/';
      if (++elements > mostValues) {
        return tooMany();
      }
      if (!selfClosing && namesContainer(text, at + 1) &&
          ++depth > deepestNesting) {
        return tooDeep();
      }
      at = end;
    }
  }
  return std::nullopt;
}

// A big-endian unsigned number of `width` bytes (1 to 8) at `at`; nothing
// past the end of `bytes`.
std::optional<uint64_t> bigEndian(std::string_view bytes, uint64_t at,
                                  uint64_t width) {
  if (width == 0 || width > 8 || at > bytes.size() ||
      width > bytes.size() - at) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (uint64_t index = 0; index < width; ++index) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + index]);
  }
  return value;
}

// One object of a binary list.
struct BinaryObject {
  bool collection = false;
  // The objects a collection holds, as indexes; a dictionary's keys, then
  // its values.
  std::vector<uint64_t> members;
};

// A binary list ("bplist00"): objects, then a table of where each one
// starts, then a 32-byte trailer that says how wide offsets and references
// are, how many objects there are, which one is the top and where the
// table is.
class BinaryList {
 public:
  explicit BinaryList(std::string_view bytes) : bytes_(bytes) {}

  // Whether the trailer describes a table that fits in the list.
  bool readTrailer() {
    constexpr uint64_t trailerSize = 32;
    if (bytes_.size() < 8 + trailerSize) {
      return false;
    }
    const uint64_t trailer = bytes_.size() - trailerSize;
    offsetWidth_ = static_cast<unsigned char>(bytes_[trailer + 6]);
    referenceWidth_ = static_cast<unsigned char>(bytes_[trailer + 7]);
    const auto count = bigEndian(bytes_, trailer + 8, 8);
    const auto top = bigEndian(bytes_, trailer + 16, 8);
    const auto table = bigEndian(bytes_, trailer + 24, 8);
    if (offsetWidth_ == 0 || offsetWidth_ > 8 || referenceWidth_ == 0 ||
        referenceWidth_ > 8 || !count || !top || !table || *count == 0 ||
        *top >= *count || *table > trailer ||
        *count > (trailer - *table) / offsetWidth_) {
      return false;
    }
    objectCount_ = *count;
    top_ = *top;
    table_ = *table;
    return true;
  }

  uint64_t objectCount() const { return objectCount_; }
  uint64_t top() const { return top_; }

  // Object `index`; nothing when it does not fit before the table.
  std::optional<BinaryObject> object(uint64_t index) const {
    const auto offset =
        bigEndian(bytes_, table_ + index * offsetWidth_, offsetWidth_);
    if (!offset || *offset >= table_) {
      return std::nullopt;
    }
    const auto marker = static_cast<unsigned char>(bytes_[*offset]);
    const unsigned kind = marker >> 4;
    // Arrays (0xA), ordered sets (0xB), sets (0xC) and dictionaries (0xD)
    // hold references; everything else is a leaf.
    if (kind < 0xA || kind > 0xD) {
      return BinaryObject{};
    }
    uint64_t count = marker & 0x0Fu;
    uint64_t at = *offset + 1;
    if (count == 0x0F) {
      // A larger count follows as an integer object: 0x1n, then 2^n bytes.
      if (at >= table_) {
        return std::nullopt;
      }
      const auto integer = static_cast<unsigned char>(bytes_[at]);
      if (integer >> 4 != 0x1 || (integer & 0x0Fu) > 3) {
        return std::nullopt;
      }
      const uint64_t width = uint64_t{1} << (integer & 0x0Fu);
      const auto value = bigEndian(bytes_, at + 1, width);
      if (!value) {
        return std::nullopt;
      }
      count = *value;
      at += 1 + width;
    }
    const uint64_t references = kind == 0xD ? 2 : 1;
    if (at > table_ || count > (table_ - at) / referenceWidth_ / references) {
      return std::nullopt;
    }
    BinaryObject found{true, {}};
    found.members.reserve(static_cast<std::size_t>(count * references));
    for (uint64_t item = 0; item < count * references; ++item) {
      const auto member =
          bigEndian(bytes_, at + item * referenceWidth_, referenceWidth_);
      if (!member || *member >= objectCount_) {
        return std::nullopt;
      }
      found.members.push_back(*member);
    }
    return found;
  }

 private:
  std::string_view bytes_;
  uint64_t offsetWidth_ = 0;
  uint64_t referenceWidth_ = 0;
  uint64_t objectCount_ = 0;
  uint64_t top_ = 0;
  uint64_t table_ = 0;
};

// Readers build one value per reference, so a small binary list whose
// collections share members stands for a tree that can be enormous: depth
// and values are counted on that tree, each object worked out once, without
// recursion.
std::optional<std::string> binaryRefusal(std::string_view bytes) {
  BinaryList list(bytes);
  if (!list.readTrailer()) {
    return "not a property list";
  }
  const auto objects = static_cast<std::size_t>(list.objectCount());
  enum class State : unsigned char { unseen, open, done };
  std::vector<State> state(objects, State::unseen);
  // For each finished object: the collections on its deepest path, and the
  // values of its tree (counted no further than just past the bound).
  std::vector<std::size_t> depth(objects, 0);
  std::vector<std::size_t> values(objects, 0);
  struct Frame {
    uint64_t index;
    BinaryObject object;
    std::size_t next = 0;
  };
  std::vector<Frame> path;

  uint64_t next = list.top();
  for (;;) {
    if (state[next] == State::open) {
      return "not a property list";  // a collection that holds itself
    }
    if (state[next] == State::unseen) {
      auto object = list.object(next);
      if (!object) {
        return "not a property list";
      }
      state[next] = State::open;
      path.push_back({next, std::move(*object)});
      if (path.size() > deepestNesting + 1) {
        return tooDeep();
      }
    }
    // Finish every object whose members are all done; then go on with the
    // next member not yet looked at.
    while (!path.empty() &&
           path.back().next == path.back().object.members.size()) {
      const Frame& frame = path.back();
      std::size_t deepest = 0;
      std::size_t total = 1;
      for (const uint64_t member : frame.object.members) {
        deepest = std::max(deepest, depth[member]);
        total = std::min(total + values[member], mostValues + 1);
      }
      depth[frame.index] = deepest + (frame.object.collection ? 1 : 0);
      values[frame.index] = total;
      state[frame.index] = State::done;
      if (depth[frame.index] > deepestNesting) {
        return tooDeep();
      }
      if (total > mostValues) {
        return tooMany();
      }
      path.pop_back();
    }
    if (path.empty()) {
      return std::nullopt;
    }
    Frame& frame = path.back();
    next = frame.object.members[frame.next++];
  }
}

}  // namespace

std::optional<std::string> refusal(std::string_view bytes) {
  if (bytes.size() > largestList) {
    return "larger than " + std::to_string(largestList / 1024) + " KiB";
  }
  if (bytes.substr(0, 6) == "bplist") {
    return binaryRefusal(bytes);
  }
  // XML, after an optional byte-order mark and white space; anything else
  // (old-style text lists among it) is no list a bundle carries.
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  const Size start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || text[start] != '<') {
    return "not a property list";
  }
  return xmlRefusal(text);
}

}  // namespace PropertyList
