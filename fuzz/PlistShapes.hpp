#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

// Writes property lists the way their writers do, in the variations our
// reader promises to read, with every choice taken from the fuzzer's bytes.
// The XML it writes is well-formed and has no carriage returns, so expat
// reads it too; the binary lists have shared members, gaps, table entries
// that share an offset and widths from 1 to 8, so that the independent
// binary reader can be compared with ours on lists both read.
class PlistShapes {
 public:
  explicit PlistShapes(FuzzedDataProvider& choices) : choices_(choices) {}

  std::string list() {
    std::string out;
    if (flip()) {
      out += "\xEF\xBB\xBF";
    }
    out += pick(
        {"", "<?xml version=\"1.0\"?>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
         "<?xml version='1.0' encoding='utf-8' standalone='no'?>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>"});
    out += between();
    out += pick({"",
                 "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n",
                 "<!DOCTYPE plist SYSTEM 'Property\"List.dtd'>",
                 "<!DOCTYPE plist SYSTEM \"it's.dtd\" >", "<!DOCTYPE plist>"});
    out += between();
    out += pick({"<plist version=\"1.0\">", "<plist>", "<plist version='1.0' >",
                 "<plist\nversion = \"0.9\">"});
    out += between();
    out += flip() || flip() ? dictionary(1) : value(1);
    out += between();
    out += "</plist>";
    out += pick({"\n", "", "<!-- end -->\n"});
    return out;
  }

  // A binary list: the top dictionary (object 0) of a few entries, the asked
  // key among them, its values of every type, some shared.
  std::string binaryList() {
    objects_.clear();
    finished_.clear();
    objects_.emplace_back();
    std::vector<std::size_t> keys, values;
    const std::size_t entries =
        choices_.ConsumeIntegralInRange<std::size_t>(0, 5);
    for (std::size_t entry = 0; entry < entries; ++entry) {
      keys.push_back(flip() ? leaf(ascii("CFBundleShortVersionString"))
                            : binaryString());
      values.push_back(binaryValue(2));
    }
    objects_[0] = {0xD, keys, values, ""};
    const std::size_t count = objects_.size();
    int referenceWidth = 1;
    while (referenceWidth < 8 && count >> (8 * referenceWidth) != 0) {
      ++referenceWidth;
    }
    referenceWidth += choices_.ConsumeIntegralInRange(0, 8 - referenceWidth);
    std::string area = "bplist00";
    std::vector<uint64_t> offsets;
    for (const Spec& object : objects_) {
      area +=
          std::string(choices_.ConsumeIntegralInRange<std::size_t>(0, 2), '\0');
      offsets.push_back(area.size());
      area += encode(object, referenceWidth);
    }
    // Sometimes one more table entry at an object that has one already.
    if (flip() && flip()) {
      offsets.push_back(offsets[choices_.ConsumeIntegralInRange<std::size_t>(
          0, offsets.size() - 1)]);
    }
    const uint64_t table = area.size();
    int offsetWidth = 1;
    while (offsetWidth < 8 && table >> (8 * offsetWidth) != 0) {
      ++offsetWidth;
    }
    offsetWidth += choices_.ConsumeIntegralInRange(0, 8 - offsetWidth);
    for (const uint64_t offset : offsets) {
      area += bigEndian(offset, offsetWidth);
    }
    return area + std::string(6, '\0') + static_cast<char>(offsetWidth) +
           static_cast<char>(referenceWidth) + bigEndian(offsets.size(), 8) +
           bigEndian(0, 8) + bigEndian(table, 8);
  }

 private:
  // An object of a binary list: its type, its members, or its bytes.
  struct Spec {
    unsigned type = 0;
    std::vector<std::size_t> keys, members;
    std::string bytes;
  };

  static std::string bigEndian(uint64_t value, int width) {
    std::string out;
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
      out += static_cast<char>(value >> shift & 0xFF);
    }
    return out;
  }

  // A marker and its count, in the marker or in an integer after it.
  std::string counted(unsigned type, std::size_t count) {
    if (count < 15 && flip()) {
      return std::string(1, static_cast<char>(type << 4 | count));
    }
    const int size = pick({"1", "2", "4", "8"})[0] - '0';
    const unsigned power = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
    return std::string(1, static_cast<char>(type << 4 | 0x0F)) +
           static_cast<char>(0x10 | power) + bigEndian(count, size);
  }

  std::string ascii(const std::string& text) {
    return counted(0x5, text.size()) + text;
  }

  std::size_t leaf(std::string bytes) {
    objects_.push_back({0, {}, {}, std::move(bytes)});
    finished_.push_back(objects_.size() - 1);
    return objects_.size() - 1;
  }

  std::size_t binaryString() {
    if (flip()) {
      return leaf(ascii(pick({"1.4.2", "", "v", "CFBundleShortVersionString",
                              std::string("1\0 2", 4)})));
    }
    // UTF-16: a pair, a lone surrogate, a byte-order mark, NUL.
    static const std::vector<std::vector<uint16_t>> texts = {
        {'1', 0xE9}, {0xD83D, 0xDE00}, {'1', 0xD800}, {0xFEFF, '2'}, {'C', 'F'},
        {0},         {0xDC00, 'x'}};
    const auto& units = texts[choices_.ConsumeIntegralInRange<std::size_t>(
        0, texts.size() - 1)];
    std::string bytes = counted(0x6, units.size());
    for (const uint16_t unit : units) {
      bytes += bigEndian(unit, 2);
    }
    return leaf(bytes);
  }

  std::size_t binaryValue(int depth) {
    if (!finished_.empty() && flip() && flip()) {
      return finished_[choices_.ConsumeIntegralInRange<std::size_t>(
          0, finished_.size() - 1)];
    }
    const int kind = depth > 66 || choices_.remaining_bytes() == 0
                         ? 0
                         : choices_.ConsumeIntegralInRange(0, 7);
    switch (kind) {
      case 1:
        return leaf(pick({"\x08", "\x09"}));
      case 2:
        return leaf(std::string("\x10\x07\x11\x01\x02", 5)
                        .substr(flip() ? 0 : 2, flip() ? 2 : 3));
      case 3:
        return leaf(std::string("\x23", 1) + std::string(8, '\x40'));
      case 4:
        return leaf(std::string("\x33", 1) + std::string(8, '\x41'));
      case 5:
        return leaf(counted(0x4, 3) + "abc");
      case 6:
      case 7: {
        const std::size_t at = objects_.size();
        objects_.emplace_back();
        Spec spec;
        spec.type = kind == 6 ? 0xA : 0xD;
        const std::size_t members =
            choices_.ConsumeIntegralInRange<std::size_t>(0, 3);
        for (std::size_t member = 0; member < members; ++member) {
          if (spec.type == 0xD) {
            spec.keys.push_back(binaryString());
          }
          spec.members.push_back(binaryValue(depth + 1));
        }
        objects_[at] = spec;
        finished_.push_back(at);
        return at;
      }
      default:
        return binaryString();
    }
  }

  std::string encode(const Spec& object, int width) {
    if (object.type == 0) {
      return object.bytes;
    }
    std::string out = counted(object.type, object.members.size());
    for (const std::size_t key : object.keys) {
      out += bigEndian(key, width);
    }
    for (const std::size_t member : object.members) {
      out += bigEndian(member, width);
    }
    return out;
  }

  std::string pick(const std::vector<std::string>& options) {
    return options[choices_.ConsumeIntegralInRange<std::size_t>(
        0, options.size() - 1)];
  }

  bool flip() { return choices_.ConsumeBool(); }

  // Blanks and comments, as they stand between elements.
  std::string between() {
    std::string out;
    while (choices_.remaining_bytes() > 0 && flip()) {
      out += pick({"\n", "\t", " ", "<!-- a -->", "<!-- one - two -->",
                   "<!---->", "\n\t\t"});
    }
    return out;
  }

  // A character of a key or string, written one of the ways XML allows.
  std::string character(const std::string& raw, unsigned codePoint) {
    switch (choices_.ConsumeIntegralInRange(0, 5)) {
      case 0:
        return "&#" + std::to_string(codePoint) + ";";
      case 1: {
        static const char* const digits = "0123456789abcdef";
        std::string hex;
        for (unsigned rest = codePoint; rest > 0; rest /= 16) {
          hex.insert(hex.begin(), digits[rest % 16]);
        }
        return "&#x" + std::string(flip() ? 8 - hex.size() : 0, '0') + hex +
               ";";
      }
      case 2:
        return "<![CDATA[" + raw + "]]>";
      default:
        return raw;
    }
  }

  // Text for a key or a string, in pieces written in varied ways.
  std::string text() {
    std::string out;
    if (flip()) {
      out += pick({"\xEF\xBB\xBF", "&#xFEFF;", "<![CDATA[\xEF\xBB\xBF]]>"});
    }
    const std::size_t pieces =
        choices_.ConsumeIntegralInRange<std::size_t>(0, 6);
    for (std::size_t piece = 0; piece < pieces; ++piece) {
      switch (choices_.ConsumeIntegralInRange(0, 9)) {
        case 0:
          out += character("\xC3\xA9", 0xE9);
          break;
        case 1:
          out += character("\xF0\x9F\x98\x80", 0x1F600);
          break;
        case 2:
          out += character("\xEF\xBB\xBF", 0xFEFF);
          break;
        case 3:
          out += pick({"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"});
          break;
        case 4:
          out += pick(
              {"<![CDATA[<b>&amp;]]]]>", "<![CDATA[]]>", "<![CDATA[a]]b]]>"});
          break;
        case 5:
          out += pick({" ", "\n", "\t", "  \n "});
          break;
        case 6:
          out += pick({"CFBundleShortVersionString", "v", ">", "]]", "'\""});
          break;
        default:
          out += pick({"1.4.2", "1", "2.0", "Pagelume", "x y"});
          break;
      }
    }
    return out;
  }

  std::string key() {
    if (flip()) {
      return pick({"<key>CFBundleShortVersionString</key>",
                   "<key >CFBundleShortVersionString</key\n>", "<key/>",
                   "<key></key>", "<key />", "<key>v</key>"});
    }
    return "<key" + pick({"", " "}) + ">" + text() + "</key" + pick({"", " "}) +
           ">";
  }

  // The asked key, written one of the ways that spell it.
  std::string askedKey() {
    return "<key>" +
           pick({"CFBundleShortVersionString", "&#67;FBundleShortVersionString",
                 "CFBundle<![CDATA[Short]]>VersionString",
                 "\xEF\xBB\xBF"
                 "CFBundleShortVersionString",
                 "&#xFEFF;CFBundleShortVersion&#x53;tring"}) +
           "</key>";
  }

  std::string dictionary(int depth) {
    std::string out = "<dict" + pick({"", " "}) + ">";
    const std::size_t entries =
        choices_.ConsumeIntegralInRange<std::size_t>(0, 6);
    for (std::size_t entry = 0; entry < entries; ++entry) {
      const bool asked = depth == 1 && flip();
      out += between() + (asked ? askedKey() : key()) + between() +
             (asked && flip() ? string() : value(depth + 1));
    }
    return out + between() + "</dict>";
  }

  std::string value(int depth) {
    const int kind = choices_.ConsumeIntegralInRange(0, 11);
    if (depth > 70 || choices_.remaining_bytes() == 0) {
      return "<string>1</string>";
    }
    switch (kind) {
      case 0:
        return dictionary(depth);
      case 1: {
        std::string out = "<array>";
        const std::size_t members =
            choices_.ConsumeIntegralInRange<std::size_t>(0, 4);
        for (std::size_t member = 0; member < members; ++member) {
          out += between() + value(depth + 1);
        }
        return out + between() + "</array>";
      }
      case 2:
        return pick({"<dict/>", "<array/>", "<array />", "<true/>", "<false/>",
                     "<true />", "<true></true>", "<false></false >"});
      case 3:
        return "<integer>" +
               pick({"0", "-12", "+7", "0x1F", "0XfF", "00012",
                     "18446744073709551615", "-9223372036854775808",
                     "0xFFFFFFFFFFFFFFFF"}) +
               "</integer>";
      case 4:
        return "<real>" +
               pick({"1.5", "1e5", "1.", ".5", "-2.5E-3", "nan", "INF",
                     "-infinity", "+inf", "7"}) +
               "</real>";
      case 5:
        return "<date>2026-01-31T12:00:00Z</date>";
      case 6:
        return "<data>" + pick({"", "\n\tq83v\n", "AAAA", "q8==", " "}) +
               "</data>";
      case 7:
        return pick({"<string/>", "<string />", "<string></string>"});
      default:
        return string();
    }
  }

  std::string string() {
    return "<string" + pick({"", " ", "\n"}) + ">" + text() + "</string" +
           pick({"", " "}) + ">";
  }

  FuzzedDataProvider& choices_;
  std::vector<Spec> objects_;
  std::vector<std::size_t> finished_;
};
