#include "PropertyList.hpp"

#include "PropertyListBinary.hpp"
#include "PropertyListXml.hpp"

namespace PropertyList {

Lookup stringValue(std::string_view bytes, std::string_view key) {
  if (bytes.size() > largestList) {
    return tooLarge();
  }
  // Bytes that claim the binary format are read as nothing else: they never
  // fall through to the XML rules.
  if (PropertyListBinary::claims(bytes)) {
    return PropertyListBinary::stringValue(bytes, key);
  }
  return PropertyListXml::stringValue(bytes, key);
}

}  // namespace PropertyList
