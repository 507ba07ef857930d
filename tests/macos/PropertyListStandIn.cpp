// A property-list reader for the macOS cross-build check only: no
// CoreFoundation can be had where that check runs, so the tool is linked
// with this in place of the real reader, which the check does not compile.
// It is never part of a build that ships.
#include "PropertyList.hpp"

namespace PropertyList {

Lookup stringValue(std::string_view bytes, const std::string& key) {
  static_cast<void>(key);
  if (auto refused = refusal(bytes)) {
    return Unreadable{std::move(*refused)};
  }
  return Unreadable{"this build has no property-list reader"};
}

}  // namespace PropertyList
