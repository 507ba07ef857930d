// Property lists read with libplist, on systems without CoreFoundation.
#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "PropertyList.hpp"

namespace PropertyList {

Lookup stringValue(std::string_view bytes, const std::string& key) {
  // The bound also keeps the length within libplist's 32 bits.
  if (auto refused = refusal(bytes)) {
    return Unreadable{std::move(*refused)};
  }
  plist_t parsed = nullptr;
  const auto length = static_cast<uint32_t>(bytes.size());
  // Parsed by format directly: these two calls read the same on every
  // libplist version, unlike the format-guessing entry point.
  if (plist_is_binary(bytes.data(), length)) {
    plist_from_bin(bytes.data(), length, &parsed);
  } else {
    plist_from_xml(bytes.data(), length, &parsed);
  }
  const std::unique_ptr<void, decltype(&plist_free)> root(parsed, &plist_free);
  if (!root) {
    return Unreadable{"not a property list"};
  }
  if (plist_get_node_type(root.get()) != PLIST_DICT) {
    return Unreadable{"its top is not a dictionary"};
  }
  const plist_t value = plist_dict_get_item(root.get(), key.c_str());
  if (value == nullptr || plist_get_node_type(value) != PLIST_STRING) {
    return std::nullopt;
  }
  uint64_t textLength = 0;
  const char* text = plist_get_string_ptr(value, &textLength);
  if (text == nullptr) {
    return std::nullopt;
  }
  return std::string(text, static_cast<size_t>(textLength));
}

}  // namespace PropertyList
