// Property lists read with CoreFoundation on macOS: the same reader the
// system's bundle service uses, so the tool and the app agree on every list.
// Its answers are the ones the other platform's reader is held to.
#include <CoreFoundation/CoreFoundation.h>

#include <utility>

#include "PropertyList.hpp"

namespace PropertyList {
namespace {

// Releases the CoreFoundation object it was handed, if any.
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

// The whole of `text` as UTF-8; nothing when part of it has no UTF-8 form
// (a lone UTF-16 surrogate from a binary list).
std::optional<std::string> utf8(CFStringRef text) {
  const CFRange whole = CFRangeMake(0, CFStringGetLength(text));
  CFIndex length = 0;
  if (CFStringGetBytes(text, whole, kCFStringEncodingUTF8, 0, false, nullptr, 0,
                       &length) != whole.length) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(length), '\0');
  CFStringGetBytes(text, whole, kCFStringEncodingUTF8, 0, false,
                   reinterpret_cast<UInt8*>(bytes.data()), length, nullptr);
  return bytes;
}

}  // namespace

Lookup stringValue(std::string_view bytes, const std::string& key) {
  // The bound also keeps every length within CFIndex.
  if (auto refused = refusal(bytes)) {
    return Unreadable{std::move(*refused)};
  }
  // The bytes are only borrowed: the data object must not free them.
  const Held data(CFDataCreateWithBytesNoCopy(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()),
      static_cast<CFIndex>(bytes.size()), kCFAllocatorNull));
  if (data.get() == nullptr) {
    return Unreadable{"out of memory"};
  }
  const Held list(CFPropertyListCreateWithData(
      kCFAllocatorDefault, static_cast<CFDataRef>(data.get()),
      kCFPropertyListImmutable, nullptr, nullptr));
  if (list.get() == nullptr) {
    return Unreadable{"not a property list"};
  }
  if (CFGetTypeID(list.get()) != CFDictionaryGetTypeID()) {
    return Unreadable{topIsNoDictionary()};
  }
  const Held name(CFStringCreateWithBytes(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(key.data()),
      static_cast<CFIndex>(key.size()), kCFStringEncodingUTF8, false));
  if (name.get() == nullptr) {
    return std::nullopt;
  }
  const CFTypeRef value = CFDictionaryGetValue(
      static_cast<CFDictionaryRef>(list.get()), name.get());
  if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) {
    return std::nullopt;
  }
  return utf8(static_cast<CFStringRef>(value));
}

}  // namespace PropertyList
