// Property lists read with libplist, on systems without CoreFoundation.
// CoreFoundation's answers are the ones to meet; where libplist 2.2 reads
// the same bytes differently, this file makes up the difference.
#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "BinaryPropertyList.hpp"
#include "PropertyList.hpp"

namespace PropertyList {

Lookup stringValue(std::string_view bytes, const std::string& key) {
  if (auto refused = refusal(bytes)) {
    return Unreadable{std::move(*refused)};
  }
  // libplist 2.2 cuts a binary ASCII string at its first NUL and drops a
  // lone UTF-16 surrogate in silence, and gives no way to tell. An admitted
  // binary list is laid out plainly enough to read the one string directly.
  if (BinaryPropertyList::claimsBinary(bytes)) {
    return BinaryPropertyList::stringValue(bytes, key);
  }
  // libplist takes no byte-order mark before the XML.
  if (bytes.substr(0, byteOrderMark.size()) == byteOrderMark) {
    bytes.remove_prefix(byteOrderMark.size());
  }
  plist_t parsed = nullptr;
  // The size bound keeps the length within libplist's 32 bits.
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
  const std::unique_ptr<void, decltype(&plist_free)> root(parsed, &plist_free);
  if (!root) {
    return Unreadable{"not a property list"};
  }
  if (plist_get_node_type(root.get()) != PLIST_DICT) {
    return Unreadable{topIsNoDictionary()};
  }
  const plist_t value = plist_dict_get_item(root.get(), key.c_str());
  if (value == nullptr || plist_get_node_type(value) != PLIST_STRING) {
    return std::nullopt;
  }
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(value, &length);
  if (text == nullptr) {
    return std::nullopt;
  }
  std::string found(text, static_cast<size_t>(length));
  // CoreFoundation reads a string's UTF-8 without a byte-order mark at its
  // front.
  if (found.substr(0, byteOrderMark.size()) == byteOrderMark) {
    found.erase(0, byteOrderMark.size());
  }
  return found;
}

}  // namespace PropertyList
