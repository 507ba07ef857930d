// Property-list reading from any bytes: never a crash or a leak, and the
// same bytes always give the same answer.
#include "AppInfo.hpp"
#include "FuzzInput.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto first = AppInfo::stringValue(bytes, "CFBundleShortVersionString");
  const auto second = AppInfo::stringValue(bytes, "CFBundleShortVersionString");
  FUZZ_REQUIRE(first == second);
  return 0;
}
