// Property-list reading from any bytes: never a crash, a hang or a leak; the
// same bytes always give the same answer; and where an independent reader
// reads a list (expat for XML, BinaryReading for binary lists), ours reads
// the same string under the key, and reads every list that keeps to the
// shapes it promises. Inputs whose first byte is odd are not read as they
// stand: they choose how a list is written (PlistShapes), XML or binary, so
// that most of them are lists both can read.
#include "BinaryReading.hpp"
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

// What an independent reader made of a list: whether its top is a
// dictionary, the value under the key, and whether it keeps to our shapes.
struct Oracle {
  bool topIsDictionary;
  std::optional<std::string> value;
  bool promised;
};

std::optional<Oracle> oracle(std::string_view bytes) {
  if (bytes.substr(0, 6) == "bplist") {
    const auto binary = BinaryReading::read(bytes, key);
    if (!binary) {
      return std::nullopt;
    }
    return Oracle{binary->topIsDictionary, binary->value, binary->promised};
  }
  // XML turns every raw carriage return into a line feed, and the system's
  // reader keeps them: such lists are compared by the unit tests alone.
  if (bytes.find('\r') != std::string_view::npos) {
    return std::nullopt;
  }
  const auto expat = ExpatReading::read(bytes, key);
  if (!expat) {
    return std::nullopt;
  }
  return Oracle{expat->topIsDictionary, expat->value, expat->promised};
}

void check(std::string_view bytes) {
  const auto ours = PropertyList::stringValue(bytes, key);
  FUZZ_REQUIRE(ours == PropertyList::stringValue(bytes, key));
  const auto theirs = oracle(bytes);
  if (!theirs) {
    return;
  }
  if (!reads(ours)) {
    FUZZ_REQUIRE(!theirs->promised);
    return;
  }
  const PropertyList::Lookup expected =
      theirs->topIsDictionary
          ? PropertyList::Lookup(theirs->value)
          : PropertyList::Lookup(PropertyList::topIsNoDictionary());
  FUZZ_REQUIRE(ours == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] % 2 == 1) {
    FuzzedDataProvider choices(data + 1, size - 1);
    PlistShapes shapes(choices);
    check(data[0] % 4 == 1 ? shapes.list() : shapes.binaryList());
  } else {
    check(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  return 0;
}
