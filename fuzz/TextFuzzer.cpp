// The text rules: equality is reflexive and symmetric, byte-equal strings
// are equal, and equality, shortcuts and all, agrees with comparing full
// canonical decompositions; a whole-character prefix is a byte prefix.
#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "FuzzInput.hpp"
#include "Unicode.hpp"

namespace {

// utf8proc's canonical decomposition, with no shortcut; nothing for bytes
// that are not UTF-8.
std::optional<std::string> decomposition(const std::string& text) {
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length = utf8proc_map(
      reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
      static_cast<utf8proc_ssize_t>(text.size()), &raw,
      static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(
      raw, &std::free);
  if (length < 0) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(raw),
                     static_cast<size_t>(length));
}

}  // namespace

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
  const auto left = decomposition(a);
  const auto right = decomposition(b);
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
