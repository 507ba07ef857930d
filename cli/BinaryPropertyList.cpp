#include "BinaryPropertyList.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace BinaryPropertyList {
namespace {

constexpr std::string_view magic = "bplist00";
constexpr uint64_t trailerSize = 32;

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

bool isWidth(uint64_t width) {
  return width == 1 || width == 2 || width == 4 || width == 8;
}

enum class Kind : unsigned char { leaf, ascii, utf16, array, dictionary };

// Where one object lies, and what it holds.
struct Object {
  Kind kind = Kind::leaf;
  uint64_t start = 0;
  // The first byte after the marker and the count.
  uint64_t contents = 0;
  // Bytes of ASCII or data, UTF-16 units, array members or dictionary pairs.
  uint64_t count = 0;
  uint64_t end = 0;

  bool isString() const { return kind == Kind::ascii || kind == Kind::utf16; }
  bool isCollection() const {
    return kind == Kind::array || kind == Kind::dictionary;
  }
  // The references a collection holds: a dictionary's keys, then its values.
  uint64_t references() const {
    return kind == Kind::dictionary ? 2 * count
           : kind == Kind::array    ? count
                                    : 0;
  }
};

// The trailer and the offset table of a list, and each object's header read
// from them on demand.
class Layout {
 public:
  // Nothing when the trailer does not describe a table that ends right
  // before it, with widths a writer uses.
  static std::optional<Layout> read(std::string_view bytes) {
    if (bytes.size() < magic.size() + 1 + trailerSize ||
        bytes.substr(0, magic.size()) != magic) {
      return std::nullopt;
    }
    Layout layout(bytes);
    const uint64_t trailer = bytes.size() - trailerSize;
    layout.offsetWidth_ = static_cast<unsigned char>(bytes[trailer + 6]);
    layout.referenceWidth_ = static_cast<unsigned char>(bytes[trailer + 7]);
    const auto count = bigEndian(bytes, trailer + 8, 8);
    const auto top = bigEndian(bytes, trailer + 16, 8);
    const auto table = bigEndian(bytes, trailer + 24, 8);
    if (!isWidth(layout.offsetWidth_) || !isWidth(layout.referenceWidth_) ||
        !count || !top || !table || *count == 0 || *top >= *count ||
        *table <= magic.size() || *table > trailer ||
        (trailer - *table) / layout.offsetWidth_ != *count ||
        (trailer - *table) % layout.offsetWidth_ != 0) {
      return std::nullopt;
    }
    layout.objectCount_ = *count;
    layout.top_ = *top;
    layout.table_ = *table;
    return layout;
  }

  uint64_t objectCount() const { return objectCount_; }
  uint64_t top() const { return top_; }

  // The header of object `index` (below `objectCount`); nothing when it is
  // of a type an information property list does not hold, or does not fit
  // in the object area.
  std::optional<Object> object(uint64_t index) const {
    const auto start =
        bigEndian(bytes_, table_ + index * offsetWidth_, offsetWidth_);
    if (!start || *start < magic.size() || *start >= table_) {
      return std::nullopt;
    }
    Object found;
    found.start = *start;
    const auto marker = static_cast<unsigned char>(bytes_[*start]);
    const unsigned type = marker >> 4;
    const unsigned info = marker & 0x0Fu;
    uint64_t size = 0;  // of the contents, in bytes
    switch (type) {
      case 0x0:  // false, true
        if (info != 0x8 && info != 0x9) {
          return std::nullopt;
        }
        break;
      case 0x1:  // an integer of 2^info bytes
        if (info > 4) {
          return std::nullopt;
        }
        size = uint64_t{1} << info;
        break;
      case 0x2:  // a real of 4 or 8 bytes
        if (info != 2 && info != 3) {
          return std::nullopt;
        }
        size = uint64_t{1} << info;
        break;
      case 0x3:  // a date
        if (info != 3) {
          return std::nullopt;
        }
        size = 8;
        break;
      case 0x4:
      case 0x5:
      case 0x6:
      case 0xA:
      case 0xD:
        return counted(found, type, info);
      default:  // no UIDs, sets or reserved markers
        return std::nullopt;
    }
    found.contents = found.start + 1;
    if (size > table_ - found.contents) {
      return std::nullopt;
    }
    found.end = found.contents + size;
    return found;
  }

  // The object that the collection `object` references at `position`.
  uint64_t member(const Object& object, uint64_t position) const {
    return *bigEndian(bytes_, object.contents + position * referenceWidth_,
                      referenceWidth_);
  }

  std::string_view contents(const Object& object) const {
    return bytes_.substr(object.contents, object.end - object.contents);
  }

 private:
  explicit Layout(std::string_view bytes) : bytes_(bytes) {}

  // Data, strings and collections: a count in the marker, or an integer
  // object after it, then the contents.
  std::optional<Object> counted(Object found, unsigned type,
                                unsigned info) const {
    found.count = info;
    found.contents = found.start + 1;
    if (info == 0x0F) {
      if (found.contents >= table_) {
        return std::nullopt;
      }
      const auto integer = static_cast<unsigned char>(bytes_[found.contents]);
      if (integer >> 4 != 0x1 || (integer & 0x0Fu) > 3) {
        return std::nullopt;
      }
      const uint64_t width = uint64_t{1} << (integer & 0x0Fu);
      const auto count = bigEndian(bytes_, found.contents + 1, width);
      if (!count || found.contents + 1 + width > table_) {
        return std::nullopt;
      }
      found.count = *count;
      found.contents += 1 + width;
    }
    uint64_t unit = 1;
    switch (type) {
      case 0x4:
        found.kind = Kind::leaf;
        break;
      case 0x5:
        found.kind = Kind::ascii;
        break;
      case 0x6:
        found.kind = Kind::utf16;
        unit = 2;
        break;
      case 0xA:
        found.kind = Kind::array;
        unit = referenceWidth_;
        break;
      default:
        found.kind = Kind::dictionary;
        unit = 2 * referenceWidth_;
        break;
    }
    if (found.count > (table_ - found.contents) / unit) {
      return std::nullopt;
    }
    found.end = found.contents + found.count * unit;
    return found;
  }

  std::string_view bytes_;
  uint64_t offsetWidth_ = 0;
  uint64_t referenceWidth_ = 0;
  uint64_t objectCount_ = 0;
  uint64_t top_ = 0;
  uint64_t table_ = 0;
};

uint16_t unitAt(std::string_view units, uint64_t index) {
  return static_cast<uint16_t>(
      static_cast<unsigned char>(units[2 * index]) << 8 |
      static_cast<unsigned char>(units[2 * index + 1]));
}

// Whether a string's characters are what a writer puts in a string of its
// type: ASCII bytes in an ASCII string, and no byte-order mark first.
bool plausibleString(const Layout& layout, const Object& object) {
  const std::string_view contents = layout.contents(object);
  if (object.kind == Kind::ascii) {
    return std::all_of(contents.begin(), contents.end(), [](char byte) {
      return static_cast<unsigned char>(byte) < 0x80;
    });
  }
  return object.kind != Kind::utf16 || object.count == 0 ||
         unitAt(contents, 0) != 0xFEFF;
}

// A string object as UTF-8; nothing when it holds a lone surrogate.
std::optional<std::string> utf8(const Layout& layout, const Object& object) {
  const std::string_view contents = layout.contents(object);
  if (object.kind == Kind::ascii) {
    return std::string(contents);
  }
  std::string text;
  text.reserve(contents.size());
  for (uint64_t index = 0; index < object.count; ++index) {
    const uint16_t unit = unitAt(contents, index);
    utf8proc_int32_t codePoint = unit;
    if (unit >= 0xD800 && unit < 0xDC00 && index + 1 < object.count &&
        unitAt(contents, index + 1) >= 0xDC00 &&
        unitAt(contents, index + 1) < 0xE000) {
      codePoint = 0x10000 + ((unit - 0xD800) << 10) +
                  (unitAt(contents, ++index) - 0xDC00);
    } else if (unit >= 0xD800 && unit < 0xE000) {
      return std::nullopt;
    }
    utf8proc_uint8_t encoded[4];
    const utf8proc_ssize_t length = utf8proc_encode_char(codePoint, encoded);
    text.append(reinterpret_cast<const char*>(encoded),
                static_cast<std::size_t>(length));
  }
  return text;
}

std::string notAList() {
  return "not a property list";
}

}  // namespace

bool claimsBinary(std::string_view bytes) {
  return bytes.substr(0, 6) == "bplist";
}

std::optional<std::string> refusal(std::string_view bytes) {
  const auto layout = Layout::read(bytes);
  if (!layout) {
    return notAList();
  }
  // Every object is where a writer puts it: inside the object area, apart
  // from every other. So the references of all collections together are
  // fewer than the bytes of the list.
  const auto objects = static_cast<std::size_t>(layout->objectCount());
  std::vector<std::pair<uint64_t, uint64_t>> extents;
  extents.reserve(objects);
  for (std::size_t index = 0; index < objects; ++index) {
    const auto object = layout->object(index);
    if (!object || !plausibleString(*layout, *object)) {
      return notAList();
    }
    extents.emplace_back(object->start, object->end);
  }
  std::sort(extents.begin(), extents.end());
  for (std::size_t index = 1; index < objects; ++index) {
    if (extents[index].first < extents[index - 1].second) {
      return notAList();
    }
  }

  // One walk from the top, each object worked out once, without
  // recursion. For each finished object: the collections on its deepest
  // path, and its size once every shared member is copied per reference
  // (counted no further than just past the bound).
  enum class State : unsigned char { unseen, open, done };
  std::vector<State> state(objects, State::unseen);
  std::vector<unsigned char> depth(objects, 0);
  std::vector<uint64_t> expanded(objects, 0);
  constexpr uint64_t tooLarge = PropertyList::largestExpansion + 1;
  struct Frame {
    uint64_t index;
    Object object;
    uint64_t next = 0;
    unsigned char deepest = 0;
    uint64_t size = 0;
  };
  std::vector<Frame> path;
  const auto fold = [&](uint64_t member) {
    Frame& frame = path.back();
    frame.deepest = std::max(frame.deepest, depth[member]);
    frame.size = std::min(frame.size + expanded[member], tooLarge);
  };

  uint64_t next = layout->top();
  for (;;) {
    if (state[next] == State::open) {
      return notAList();  // a collection that holds itself
    }
    const Object object = *layout->object(next);
    const bool isKey = !path.empty() &&
                       path.back().object.kind == Kind::dictionary &&
                       path.back().next <= path.back().object.count;
    if (isKey && !object.isString()) {
      return notAList();
    }
    if (state[next] == State::unseen && object.isCollection()) {
      state[next] = State::open;
      path.push_back({next, object, 0, 0, object.end - object.start});
      if (path.size() > PropertyList::deepestNesting) {
        return PropertyList::tooDeep();
      }
    } else {
      if (state[next] == State::unseen) {
        state[next] = State::done;
        expanded[next] = object.end - object.start;
      }
      if (path.empty()) {
        return PropertyList::topIsNoDictionary();
      }
      fold(next);
    }
    // Finish every collection whose members are all done; then go on with
    // the next member not yet looked at.
    while (!path.empty() &&
           path.back().next == path.back().object.references()) {
      const Frame finished = path.back();
      path.pop_back();
      state[finished.index] = State::done;
      depth[finished.index] = static_cast<unsigned char>(finished.deepest + 1);
      expanded[finished.index] = finished.size;
      if (finished.size >= tooLarge) {
        return PropertyList::expandsTooFar();
      }
      if (path.empty()) {
        return finished.object.kind == Kind::dictionary
                   ? std::nullopt
                   : std::optional(PropertyList::topIsNoDictionary());
      }
      fold(finished.index);
    }
    Frame& frame = path.back();
    next = layout->member(frame.object, frame.next++);
    if (next >= objects) {
      return notAList();
    }
  }
}

PropertyList::Lookup stringValue(std::string_view bytes,
                                 const std::string& key) {
  const Layout layout = *Layout::read(bytes);
  const Object top = *layout.object(layout.top());
  for (uint64_t pair = 0; pair < top.count; ++pair) {
    const Object name = *layout.object(layout.member(top, pair));
    if (utf8(layout, name) != key) {
      continue;
    }
    const Object value = *layout.object(layout.member(top, top.count + pair));
    if (!value.isString()) {
      return std::nullopt;
    }
    return utf8(layout, value);
  }
  return std::nullopt;
}

}  // namespace BinaryPropertyList
