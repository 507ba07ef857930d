#include "PropertyListBinary.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace PropertyListBinary {
namespace {

using PropertyList::Unreadable;

constexpr std::string_view magic = "bplist00";
constexpr uint64_t trailerSize = 32;

// The big-endian unsigned number of `width` bytes (1 to 8) at `at`, which
// the caller has made sure lie inside `bytes`.
uint64_t bigEndian(std::string_view bytes, uint64_t at, uint64_t width) {
  uint64_t value = 0;
  for (uint64_t index = 0; index < width; ++index) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + index]);
  }
  return value;
}

// Offsets and references may be 1 to 8 bytes wide.
bool isWidth(uint64_t width) {
  return width >= 1 && width <= 8;
}

// Whether numbers `width` bytes wide reach past `value`.
bool reaches(uint64_t width, uint64_t value) {
  return width >= 8 || value < uint64_t{1} << (8 * width);
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
  // Nothing when the trailer and the table are not as the system requires.
  static std::optional<Layout> read(std::string_view bytes) {
    if (bytes.size() < magic.size() + 1 + trailerSize ||
        bytes.substr(0, magic.size()) != magic) {
      return std::nullopt;
    }
    Layout layout(bytes);
    const uint64_t trailer = bytes.size() - trailerSize;
    layout.offsetWidth_ = static_cast<unsigned char>(bytes[trailer + 6]);
    layout.referenceWidth_ = static_cast<unsigned char>(bytes[trailer + 7]);
    const uint64_t count = bigEndian(bytes, trailer + 8, 8);
    const uint64_t top = bigEndian(bytes, trailer + 16, 8);
    const uint64_t table = bigEndian(bytes, trailer + 24, 8);
    // A table that fills the space before the trailer holds at least one
    // entry, so the top's index below the count means there are objects;
    // and no object can start in the first 8 bytes.
    if (!isWidth(layout.offsetWidth_) || !isWidth(layout.referenceWidth_) ||
        top >= count || table >= trailer ||
        (trailer - table) / layout.offsetWidth_ != count ||
        (trailer - table) % layout.offsetWidth_ != 0 ||
        !reaches(layout.referenceWidth_, count) ||
        !reaches(layout.offsetWidth_, table)) {
      return std::nullopt;
    }
    layout.objectCount_ = count;
    layout.top_ = top;
    layout.table_ = table;
    // Every offset, reached or not, points inside the object area.
    for (uint64_t index = 0; index < count; ++index) {
      if (layout.offset(index) >= table) {
        return std::nullopt;
      }
    }
    return layout;
  }

  uint64_t objectCount() const { return objectCount_; }
  uint64_t top() const { return top_; }
  // Where the object area ends: every object starts before it.
  uint64_t table() const { return table_; }
  uint64_t size() const { return bytes_.size(); }

  // Where object `index` (below `objectCount`) starts.
  uint64_t offset(uint64_t index) const {
    return bigEndian(bytes_, table_ + index * offsetWidth_, offsetWidth_);
  }

  // The header of object `index` (below `objectCount`); nothing when it is
  // of a type an information property list does not hold, or does not fit
  // in the object area.
  std::optional<Object> object(uint64_t index) const {
    Object found;
    found.start = offset(index);
    if (found.start < magic.size()) {
      return std::nullopt;
    }
    const auto marker = static_cast<unsigned char>(bytes_[found.start]);
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
      default:  // no null, UIDs, sets or reserved markers
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
    return bigEndian(bytes_, object.contents + position * referenceWidth_,
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
      // The marker lies before the table, so the byte after it is in the
      // list; the bound on the integer's size below refuses it where it is
      // the table's.
      const auto integer = static_cast<unsigned char>(bytes_[found.contents]);
      if (integer >> 4 != 0x1 || (integer & 0x0Fu) > 3) {
        return std::nullopt;
      }
      const uint64_t width = uint64_t{1} << (integer & 0x0Fu);
      if (found.contents + 1 + width > table_) {
        return std::nullopt;
      }
      found.count = bigEndian(bytes_, found.contents + 1, width);
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
        // The system takes an empty UTF-16 string for a failed allocation.
        if (found.count == 0) {
          return std::nullopt;
        }
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

// Numbers, all 0 until written, that cost memory only where they are
// written: a large calloc is handed fresh pages, which stay unmapped until
// touched, so a list whose walk reaches a few objects pays for a few pages
// however far apart they lie.
class Zeroes {
 public:
  explicit Zeroes(std::size_t count)
      : numbers_(static_cast<uint32_t*>(
            std::calloc(count == 0 ? 1 : count, sizeof(uint32_t)))) {
    if (numbers_ == nullptr) {
      throw std::bad_alloc();
    }
  }
  ~Zeroes() { std::free(numbers_); }
  Zeroes(const Zeroes&) = delete;
  Zeroes& operator=(const Zeroes&) = delete;

  uint32_t& operator[](std::size_t at) { return numbers_[at]; }

 private:
  uint32_t* numbers_;
};

uint16_t unitAt(std::string_view units, uint64_t index) {
  return static_cast<uint16_t>(
      static_cast<unsigned char>(units[2 * index]) << 8 |
      static_cast<unsigned char>(units[2 * index + 1]));
}

// Whether an ASCII string holds only ASCII.
bool isAscii(std::string_view contents) {
  return std::all_of(contents.begin(), contents.end(), [](char byte) {
    return static_cast<unsigned char>(byte) < 0x80;
  });
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

// Whether the string object `name` is `key`. A UTF-16 string is converted
// only when it is short enough to be: never more work than the key's size.
bool nameIs(const Layout& layout, const Object& name, std::string_view key) {
  if (name.count > key.size()) {
    return false;
  }
  return utf8(layout, name) == key;
}

// Why the list laid out as `layout` cannot be read; nothing when it can.
//
// One walk from the top, without recursion, works out each object once, as
// the system does: objects are known by where they start, so table entries
// that share an offset are one object, read and checked once, and a
// reference to an object already worked out costs a look-up. What the walk
// keeps of each object is its kind, the collections on its longest path and
// its size once every shared member is copied per reference (counted no
// further than just past the bound). Both bounds that the bytes cannot show
// are checked as they grow: the expansion as each member is added to its
// collection, and the work (every byte of an object read for the first time,
// and every reference followed) at each step, so the walk stops as soon as
// either is passed.
std::optional<Unreadable> refusal(const Layout& layout) {
  enum class State : unsigned char { unseen, open, done };
  // What the walk knows of one object.
  struct Seen {
    uint32_t expanded = 0;
    State state = State::unseen;
    unsigned char depth = 0;
    bool isString = false;
  };
  constexpr uint64_t tooLarge = PropertyList::largestExpansion + 1;
  const uint64_t mostWork = PropertyList::mostWorkPerByte * layout.size();
  // Each offset's object, numbered from 1 in the order the walk reaches
  // them, and the number of each table entry once it has been looked up.
  Zeroes numberAt(static_cast<std::size_t>(layout.table()));
  Zeroes numberOfEntry(static_cast<std::size_t>(layout.objectCount()));
  std::vector<Seen> seen;
  const auto numberOf = [&](uint64_t index) {
    uint32_t& entry = numberOfEntry[static_cast<std::size_t>(index)];
    if (entry == 0) {
      uint32_t& number =
          numberAt[static_cast<std::size_t>(layout.offset(index))];
      if (number == 0) {
        seen.emplace_back();
        number = static_cast<uint32_t>(seen.size());
      }
      entry = number;
    }
    return entry - 1;
  };
  uint64_t work = 0;
  struct Frame {
    uint32_t number;
    Object object;
    uint64_t next = 0;
    unsigned char deepest = 0;
    uint64_t size = 0;
  };
  std::vector<Frame> path;

  // Adds a worked-out member to the collection at the end of the path.
  const auto add = [&](const Seen& member) -> std::optional<Unreadable> {
    Frame& frame = path.back();
    frame.deepest = std::max(frame.deepest, member.depth);
    frame.size += member.expanded;
    if (frame.size >= tooLarge) {
      return PropertyList::expandsTooFar();
    }
    return std::nullopt;
  };

  uint64_t index = layout.top();
  for (;;) {
    const uint32_t number = numberOf(index);
    // Whether the reference just followed is a dictionary's key.
    const bool asKey = !path.empty() &&
                       path.back().object.kind == Kind::dictionary &&
                       path.back().next <= path.back().object.count;
    if (seen[number].state == State::open) {
      return PropertyList::notAList();  // a collection that holds itself
    }
    if (seen[number].state == State::unseen) {
      const auto object = layout.object(index);
      if (!object || (asKey && !object->isString())) {
        return PropertyList::notAList();
      }
      const uint64_t size = object->end - object->start;
      work += size;
      if (work > mostWork) {
        return PropertyList::overlapsTooFar();
      }
      if (object->kind == Kind::ascii && !isAscii(layout.contents(*object))) {
        return PropertyList::notAList();
      }
      seen[number].isString = object->isString();
      if (object->isCollection()) {
        seen[number].state = State::open;
        path.push_back({number, *object, 0, 0, size});
        if (path.size() > PropertyList::deepestNesting) {
          return PropertyList::tooDeep();
        }
      } else {
        seen[number].state = State::done;
        seen[number].expanded = static_cast<uint32_t>(size);
      }
    } else if (asKey && !seen[number].isString) {
      return PropertyList::notAList();
    }
    if (seen[number].state == State::done) {
      if (path.empty()) {
        return PropertyList::topIsNoDictionary();
      }
      if (auto refused = add(seen[number])) {
        return refused;
      }
    }
    // Finish every collection whose members are all done; then go on with
    // the next member not yet looked at.
    while (path.back().next == path.back().object.references()) {
      const Frame finished = path.back();
      path.pop_back();
      if (finished.deepest + 1u > PropertyList::deepestNesting) {
        return PropertyList::tooDeep();
      }
      Seen& collection = seen[finished.number];
      collection.state = State::done;
      collection.depth = static_cast<unsigned char>(finished.deepest + 1);
      collection.expanded = static_cast<uint32_t>(finished.size);
      if (path.empty()) {
        if (finished.object.kind != Kind::dictionary) {
          return PropertyList::topIsNoDictionary();
        }
        return std::nullopt;
      }
      if (auto refused = add(collection)) {
        return refused;
      }
    }
    Frame& frame = path.back();
    index = layout.member(frame.object, frame.next++);
    if (++work > mostWork) {
      return PropertyList::overlapsTooFar();
    }
    if (index >= layout.objectCount()) {
      return PropertyList::notAList();
    }
  }
}

}  // namespace

bool claims(std::string_view bytes) {
  return bytes.substr(0, 6) == "bplist";
}

PropertyList::Entries entries(std::string_view bytes,
                              const std::vector<std::string_view>& keys) {
  const auto layout = Layout::read(bytes);
  if (!layout) {
    return PropertyList::notAList();
  }
  if (auto refused = refusal(*layout)) {
    return std::move(*refused);
  }
  // The walk has checked every object below.
  std::vector<PropertyList::Entry> found(keys.size());
  const Object top = *layout->object(layout->top());
  for (uint64_t pair = 0; pair < top.count; ++pair) {
    const Object name = *layout->object(layout->member(top, pair));
    for (std::size_t index = 0; index < keys.size(); ++index) {
      if (found[index].present || !nameIs(*layout, name, keys[index])) {
        continue;
      }
      found[index].present = true;
      const Object value =
          *layout->object(layout->member(top, top.count + pair));
      if (value.isString()) {
        found[index].string = utf8(*layout, value);
      }
    }
  }
  return found;
}

}  // namespace PropertyListBinary
