// Property-list reading from any bytes: never a crash, a hang or a leak; the
// same bytes always give the same answer; bytes the pre-check refuses never
// reach a parser, so they are unreadable for exactly that reason; and bytes
// it admits are always read, so the check and the parser agree on them.
#include "FuzzInput.hpp"
#include "PropertyList.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto first =
      PropertyList::stringValue(bytes, "CFBundleShortVersionString");
  const auto second =
      PropertyList::stringValue(bytes, "CFBundleShortVersionString");
  FUZZ_REQUIRE(first == second);
  if (const auto refused = PropertyList::refusal(bytes)) {
    FUZZ_REQUIRE(first ==
                 PropertyList::Lookup(PropertyList::Unreadable{*refused}));
  } else {
    FUZZ_REQUIRE(std::holds_alternative<std::optional<std::string>>(first));
  }
  return 0;
}
