#include "PropertyList.hpp"

#include "PropertyListBinary.hpp"
#include "PropertyListXml.hpp"

namespace PropertyList {

Entries entries(std::string_view bytes,
                const std::vector<std::string_view>& keys) {
  if (bytes.size() > largestList) {
    return tooLarge();
  }
  // Bytes that claim the binary format are read as nothing else: they never
  // fall through to the XML rules.
  if (PropertyListBinary::claims(bytes)) {
    return PropertyListBinary::entries(bytes, keys);
  }
  return PropertyListXml::entries(bytes, keys);
}

Lookup stringValue(std::string_view bytes, std::string_view key) {
  auto found = entries(bytes, {key});
  if (auto* refused = std::get_if<Unreadable>(&found)) {
    return std::move(*refused);
  }
  return std::move(std::get<std::vector<Entry>>(found).front().string);
}

}  // namespace PropertyList
