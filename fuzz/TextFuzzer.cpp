// The text rules: equality is reflexive and symmetric, byte-equal strings
// are equal, and equality, shortcuts and all, agrees with comparing full
// canonical decompositions; a whole-character prefix is a byte prefix.
#include "FuzzInput.hpp"
#include "Unicode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> values = fields(data, size);
  values.resize(std::max<size_t>(values.size(), 2));
  const std::string& a = values[0];
  const std::string& b = values[1];

  FUZZ_REQUIRE(Unicode::equal(a, a));
  FUZZ_REQUIRE(Unicode::equal(a, b) == Unicode::equal(b, a));
  if (a == b) {
    FUZZ_REQUIRE(Unicode::equal(a, b));
  }
  // The full comparison, without the shortcuts for ASCII.
  const auto left = Unicode::decomposed(a);
  const auto right = Unicode::decomposed(b);
  FUZZ_REQUIRE(Unicode::equal(a, b) ==
               (a == b || (left && right && *left == *right)));
  FUZZ_REQUIRE(Unicode::hasPrefix(a, ""));
  for (const char* prefix : {"~", "~/", "/", "-"}) {
    const std::string p = prefix;
    if (Unicode::hasPrefix(a, p)) {
      FUZZ_REQUIRE(a.compare(0, p.size(), p) == 0);
    }
    // Any string continued by a plain ASCII letter keeps its prefix.
    FUZZ_REQUIRE(Unicode::hasPrefix(p + "x" + a, p));
  }
  if (Unicode::hasPrefix(a, b) && !b.empty()) {
    FUZZ_REQUIRE(a.compare(0, b.size(), b) == 0);
  }
  return 0;
}
