#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

// Writes XML property lists the way their writers do, in the variations our
// reader promises to read, with every choice taken from the fuzzer's bytes.
// What it writes is well-formed XML without carriage returns, so expat reads
// it too and the two readings can be compared.
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

 private:
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
};
