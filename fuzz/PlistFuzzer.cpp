// Property-list reading from any bytes: never a crash, a hang or a leak, and
// the same bytes always give the same answer.
#include "FuzzInput.hpp"
#include "PropertyList.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto first =
      PropertyList::stringValue(bytes, "CFBundleShortVersionString");
  FUZZ_REQUIRE(first ==
               PropertyList::stringValue(bytes, "CFBundleShortVersionString"));
  return 0;
}
