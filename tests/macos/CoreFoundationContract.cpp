// On a Mac, the system's own reader against the contract table and the
// fixtures: where the table has a list read, CoreFoundation must read the
// same string; where it has a list refused and says the system refuses it
// too, CoreFoundation must refuse it, for a reason of its own (it reads the
// bytes "bplist" as old-style text whose top is a string, say, where ours
// finds no property list): a refusal is compared with a refusal. Rows of
// shapes we refuse and the system may read are only reported. Built and run
// on macOS alone.
//
// Usage: CoreFoundationContract FIXTURES_DIR
#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "PropertyList.hpp"
#include "PropertyListContract.hpp"

namespace {

using PropertyList::Lookup;

// Releases the CoreFoundation object it holds, if any.
class Held {
 public:
  explicit Held(CFTypeRef object) : object_(object) {}
  ~Held() {
    if (object_ != nullptr) {
      CFRelease(object_);
    }
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  CFTypeRef get() const { return object_; }

 private:
  CFTypeRef object_;
};

// The whole of `text` as UTF-8; nothing when part of it has no UTF-8 form.
std::optional<std::string> utf8(CFStringRef text) {
  const CFRange whole = CFRangeMake(0, CFStringGetLength(text));
  CFIndex length = 0;
  if (CFStringGetBytes(text, whole, kCFStringEncodingUTF8, 0, false, nullptr, 0,
                       &length) != whole.length) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(length), '\0');
  CFStringGetBytes(text, whole, kCFStringEncodingUTF8, 0, false,
                   reinterpret_cast<UInt8*>(bytes.data()), length, nullptr);
  return bytes;
}

// What CoreFoundation reads under `key`, in our reader's terms.
Lookup coreFoundation(const std::string& bytes, const std::string& key) {
  const Held data(CFDataCreate(kCFAllocatorDefault,
                               reinterpret_cast<const UInt8*>(bytes.data()),
                               static_cast<CFIndex>(bytes.size())));
  if (data.get() == nullptr) {
    return PropertyList::Unreadable{"out of memory"};
  }
  const Held list(CFPropertyListCreateWithData(
      kCFAllocatorDefault, static_cast<CFDataRef>(data.get()),
      kCFPropertyListImmutable, nullptr, nullptr));
  if (list.get() == nullptr) {
    return Contract::notAList;
  }
  if (CFGetTypeID(list.get()) != CFDictionaryGetTypeID()) {
    return Contract::notADictionary;
  }
  const Held name(CFStringCreateWithBytes(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(key.data()),
      static_cast<CFIndex>(key.size()), kCFStringEncodingUTF8, false));
  if (name.get() == nullptr) {
    return PropertyList::Unreadable{"out of memory"};
  }
  const CFTypeRef value = CFDictionaryGetValue(
      static_cast<CFDictionaryRef>(list.get()), name.get());
  if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) {
    return Contract::nothing;
  }
  return utf8(static_cast<CFStringRef>(value));
}

bool refuses(const Lookup& answer) {
  return std::holds_alternative<PropertyList::Unreadable>(answer);
}

std::string shown(const Lookup& answer) {
  if (const auto* refused = std::get_if<PropertyList::Unreadable>(&answer)) {
    return "unreadable (" + refused->reason + ")";
  }
  const auto& value = std::get<std::optional<std::string>>(answer);
  return value ? "\"" + *value + "\"" : "nothing";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: CoreFoundationContract FIXTURES_DIR\n");
    return 2;
  }
  int passed = 0;
  int failed = 0;
  const auto compare = [&](const std::string& name, const std::string& bytes,
                           const std::string& key, const Lookup& expected,
                           Contract::System system) {
    const Lookup ours = PropertyList::stringValue(bytes, key);
    const Lookup theirs = coreFoundation(bytes, key);
    if (ours != expected) {
      std::printf("FAIL: %s: ours %s, the table %s\n", name.c_str(),
                  shown(ours).c_str(), shown(expected).c_str());
      ++failed;
    } else if (system == Contract::System::agrees &&
               !(theirs == expected ||
                 (refuses(theirs) && refuses(expected)))) {
      std::printf("FAIL: %s: CoreFoundation %s, the table %s\n", name.c_str(),
                  shown(theirs).c_str(), shown(expected).c_str());
      ++failed;
    } else {
      if (system == Contract::System::mayRead) {
        std::printf("note: %s: refused here; CoreFoundation %s\n", name.c_str(),
                    shown(theirs).c_str());
      }
      ++passed;
    }
  };
  for (const Contract::Case& c : Contract::allCases()) {
    compare(c.name, c.bytes, c.key, c.expected, c.system);
  }
  for (const std::string file : {"Info.plist", "Info-binary.plist",
                                 "hidden-list.plist", "real-shapes.plist"}) {
    std::ifstream stream(std::string(argv[1]) + "/" + file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(stream),
                            std::istreambuf_iterator<char>()};
    for (const std::string key :
         {"CFBundleShortVersionString", "NSHumanReadableCopyright",
          "DTPlatformBuild", "PagelumeBuildDate", "CFBundleExecutable"}) {
      compare(file + " " + key, bytes, key, coreFoundation(bytes, key),
              Contract::System::agrees);
    }
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
