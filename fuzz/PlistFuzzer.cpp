// Property-list reading from any bytes: never a crash, a hang or a leak; the
// same bytes always give the same answer; and where expat, an independent
// XML parser, reads an XML list, ours reads the same string under the key,
// and reads every list that keeps to the shapes it promises. Inputs whose
// first byte is odd are not read as they stand: they choose how a list is
// written (PlistShapes), so that most of them are lists both can read.
#include "ExpatReading.hpp"
#include "FuzzInput.hpp"
#include "PlistShapes.hpp"
#include "PropertyList.hpp"

namespace {

constexpr std::string_view key = "CFBundleShortVersionString";

// Whether our answer is a reading of the list, not a refusal.
bool reads(const PropertyList::Lookup& answer) {
  const auto* refused = std::get_if<PropertyList::Unreadable>(&answer);
  return refused == nullptr || *refused == PropertyList::topIsNoDictionary();
}

void check(std::string_view bytes) {
  const auto ours = PropertyList::stringValue(bytes, key);
  FUZZ_REQUIRE(ours == PropertyList::stringValue(bytes, key));
  // XML turns every raw carriage return into a line feed, and the system's
  // reader keeps them: such lists are compared by the unit tests alone.
  if (bytes.substr(0, 6) == "bplist" ||
      bytes.find('\r') != std::string_view::npos) {
    return;
  }
  const auto expat = ExpatReading::read(bytes, key);
  if (!expat) {
    return;
  }
  if (!reads(ours)) {
    FUZZ_REQUIRE(!expat->promised);
    return;
  }
  const PropertyList::Lookup expected =
      expat->topIsDictionary
          ? PropertyList::Lookup(expat->value)
          : PropertyList::Lookup(PropertyList::topIsNoDictionary());
  FUZZ_REQUIRE(ours == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] % 2 == 1) {
    FuzzedDataProvider choices(data + 1, size - 1);
    check(PlistShapes(choices).list());
  } else {
    check(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  return 0;
}
