#include "BinaryReading.hpp"

#include <utf8proc.h>

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace BinaryReading {
namespace {

// Our reader's bounds, as its headers promise them.
constexpr std::size_t deepest = 64;
constexpr uint64_t expansionBound = 4 * 1024 * 1024;
constexpr uint64_t workPerByte = 2;
constexpr std::size_t largest = 1024 * 1024;

// One value of the tree. Only the top keeps its members: below it the tree
// is walked whole, every shared member once per reference, but not kept.
struct Node {
  enum class Type { other, string, array, dictionary } type = Type::other;
  // A string as UTF-8; nothing when it has no UTF-8 form.
  std::optional<std::string> text;
  std::vector<Node> members;  // a dictionary's keys, then its values
};

// Thrown where the system's reader refuses the list, or this one cannot
// tell what it reads.
struct Refused {};

class Reader {
 public:
  Reader(std::string_view bytes, Reading& reading)
      : bytes_(bytes), reading_(reading) {}

  Node list() {
    if (bytes_.size() < 8 + 32 || bytes_.substr(0, 7) != "bplist0") {
      throw Refused();
    }
    if (bytes_[7] != '0') {
      reading_.promised = false;
    }
    const std::size_t trailer = bytes_.size() - 32;
    offsetSize_ = byte(trailer + 6);
    referenceSize_ = byte(trailer + 7);
    count_ = number(trailer + 8, 8);
    const uint64_t top = number(trailer + 16, 8);
    table_ = number(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 ||
        referenceSize_ > 8 || count_ < 1 || top >= count_ || table_ < 9 ||
        table_ >= trailer) {
      throw Refused();
    }
    // The table fills the space up to the trailer exactly.
    if ((trailer - table_) % offsetSize_ != 0 ||
        (trailer - table_) / offsetSize_ != count_) {
      throw Refused();
    }
    if ((referenceSize_ < 8 && count_ >> (8 * referenceSize_) != 0) ||
        (offsetSize_ < 8 && table_ >> (8 * offsetSize_) != 0)) {
      throw Refused();
    }
    for (uint64_t index = 0; index < count_; ++index) {
      if (offsetOf(index) >= table_) {
        throw Refused();
      }
    }
    Node root = object(top, 1);
    if (work_ > workPerByte * bytes_.size()) {
      reading_.promised = false;
    }
    return root;
  }

 private:
  unsigned byte(uint64_t at) const {
    if (at >= bytes_.size()) {
      throw Refused();
    }
    return static_cast<unsigned char>(bytes_[at]);
  }

  uint64_t number(uint64_t at, uint64_t size) const {
    uint64_t value = 0;
    for (uint64_t index = 0; index < size; ++index) {
      value = value << 8 | byte(at + index);
    }
    return value;
  }

  uint64_t offsetOf(uint64_t index) const {
    return number(table_ + index * offsetSize_, offsetSize_);
  }

  // Counts `size` bytes of a copied member towards the expansion; past the
  // bound the tree is not built further.
  void expand(uint64_t size) {
    expansion_ += size;
    if (expansion_ > expansionBound) {
      reading_.promised = false;
      throw Refused();
    }
  }

  // The count in a marker's low bits, or in the integer after it; moves `at`
  // past it.
  uint64_t countAfter(unsigned marker, uint64_t& at) {
    if ((marker & 0x0F) != 0x0F) {
      return marker & 0x0F;
    }
    const unsigned integer = byte(at);
    if (integer >> 4 != 0x1) {
      throw Refused();
    }
    const uint64_t size = uint64_t{1} << (integer & 0x0F);
    if (size > 8) {
      // Counts of 16 bytes, which the system may read.
      reading_.promised = false;
      throw Refused();
    }
    const uint64_t value = number(at + 1, size);
    at += 1 + size;
    return value;
  }

  // Bytes [at, at + size) lie in the object area.
  void fits(uint64_t at, uint64_t size) const {
    if (at > table_ || size > table_ - at) {
      throw Refused();
    }
  }

  Node object(uint64_t index, std::size_t depth) {
    if (index >= count_) {
      throw Refused();
    }
    const uint64_t start = offsetOf(index);
    if (start < 8) {
      throw Refused();
    }
    for (const uint64_t open : path_) {
      if (open == start) {
        throw Refused();  // a collection that holds itself
      }
    }
    const unsigned marker = byte(start);
    uint64_t at = start + 1;
    Node node;
    uint64_t references = 0;
    switch (marker >> 4) {
      case 0x0:
        if (marker != 0x08 && marker != 0x09) {
          // Null and fill, which the system may read.
          reading_.promised = false;
          throw Refused();
        }
        break;
      case 0x1:
        if ((marker & 0x0F) > 4) {
          throw Refused();
        }
        at += uint64_t{1} << (marker & 0x0F);
        break;
      case 0x2:
        if (marker != 0x22 && marker != 0x23) {
          throw Refused();
        }
        at += marker == 0x22 ? 4 : 8;
        break;
      case 0x3:
        if (marker != 0x33) {
          throw Refused();
        }
        at += 8;
        break;
      case 0x4: {
        const uint64_t length = countAfter(marker, at);
        fits(at, length);
        at += length;
        break;
      }
      case 0x5: {
        const uint64_t length = countAfter(marker, at);
        fits(at, length);
        node.type = Node::Type::string;
        node.text = std::string(bytes_.substr(at, length));
        for (const char character : *node.text) {
          if (static_cast<unsigned char>(character) >= 0x80) {
            reading_.promised = false;
          }
        }
        at += length;
        break;
      }
      case 0x6: {
        const uint64_t units = countAfter(marker, at);
        if (units == 0 || units > table_) {
          throw Refused();  // the system refuses an empty UTF-16 string
        }
        fits(at, 2 * units);
        node.type = Node::Type::string;
        node.text = utf8(at, units);
        at += 2 * units;
        break;
      }
      case 0xA:
      case 0xD: {
        const uint64_t entries = countAfter(marker, at);
        references = marker >> 4 == 0xD ? 2 * entries : entries;
        if (references > table_) {
          throw Refused();
        }
        fits(at, references * referenceSize_);
        node.type =
            marker >> 4 == 0xD ? Node::Type::dictionary : Node::Type::array;
        break;
      }
      default:
        // UIDs and sets, which the system reads; the rest it refuses.
        if (marker >> 4 == 0x8 || marker >> 4 == 0xC) {
          reading_.promised = false;
        }
        throw Refused();
    }
    fits(start, at - start + references * referenceSize_);
    const uint64_t size = at - start + references * referenceSize_;
    expand(size);
    if (seen_.insert(start).second) {
      work_ += size + references;
    }
    if (node.type == Node::Type::array || node.type == Node::Type::dictionary) {
      if (depth > deepest) {
        reading_.promised = false;
        throw Refused();
      }
      path_.push_back(start);
      for (uint64_t reference = 0; reference < references; ++reference) {
        Node member = object(
            number(at + reference * referenceSize_, referenceSize_), depth + 1);
        const bool isKey =
            node.type == Node::Type::dictionary && reference < references / 2;
        if (isKey && member.type != Node::Type::string) {
          reading_.promised = false;
        }
        if (depth == 1) {
          node.members.push_back(std::move(member));
        }
      }
      path_.pop_back();
    }
    return node;
  }

  // UTF-16 units as UTF-8; nothing for a lone surrogate.
  std::optional<std::string> utf8(uint64_t at, uint64_t units) const {
    std::string text;
    for (uint64_t index = 0; index < units; ++index) {
      uint32_t unit = static_cast<uint32_t>(number(at + 2 * index, 2));
      if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < units) {
        const uint32_t low =
            static_cast<uint32_t>(number(at + 2 * (index + 1), 2));
        if (low >= 0xDC00 && low <= 0xDFFF) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          ++index;
        }
      }
      if (unit >= 0xD800 && unit <= 0xDFFF) {
        return std::nullopt;
      }
      utf8proc_uint8_t encoded[4];
      const auto length =
          utf8proc_encode_char(static_cast<utf8proc_int32_t>(unit), encoded);
      text.append(reinterpret_cast<const char*>(encoded),
                  static_cast<std::size_t>(length));
    }
    return text;
  }

  std::string_view bytes_;
  Reading& reading_;
  uint64_t offsetSize_ = 0;
  uint64_t referenceSize_ = 0;
  uint64_t count_ = 0;
  uint64_t table_ = 0;
  uint64_t expansion_ = 0;
  uint64_t work_ = 0;
  std::set<uint64_t> seen_;
  std::vector<uint64_t> path_;
};

}  // namespace

std::optional<Reading> read(std::string_view bytes, std::string_view key) {
  Reading reading;
  if (bytes.size() > largest) {
    reading.promised = false;
  }
  try {
    const Node top = Reader(bytes, reading).list();
    reading.topIsDictionary = top.type == Node::Type::dictionary;
    if (reading.topIsDictionary) {
      const std::size_t pairs = top.members.size() / 2;
      for (std::size_t pair = 0; pair < pairs; ++pair) {
        const Node& name = top.members[pair];
        if (name.type == Node::Type::string && name.text == key) {
          const Node& value = top.members[pairs + pair];
          if (value.type == Node::Type::string) {
            reading.value = value.text;
          }
          break;
        }
      }
    }
  } catch (const Refused&) {
    return std::nullopt;
  }
  return reading;
}

}  // namespace BinaryReading
