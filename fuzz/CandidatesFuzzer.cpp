// The candidate list never holds two equal entries, always ends with the
// applications folders, and never grows past one entry per source.
#include "AppLocator.hpp"
#include "FuzzInput.hpp"
#include "Unicode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> values = fields(data, size);
  values.resize(std::max<size_t>(values.size(), 3));
  std::map<std::string, std::string> environment;
  if (values[0] != "unset") {
    environment["PAGELUME_APP"] = values[0];
  }
  const std::optional<std::string> bundle =
      values[1] == "absent" ? std::nullopt : std::optional(values[1]);
  const std::string home = values[2];
  const std::vector<std::string> roots(values.begin() + 3, values.end());

  const auto candidates =
      AppLocator::candidatePaths(environment, bundle, roots, home);
  FUZZ_REQUIRE(candidates.size() <= roots.size() + 4);
  for (size_t i = 0; i < candidates.size(); ++i) {
    for (size_t j = i + 1; j < candidates.size(); ++j) {
      FUZZ_REQUIRE(!Unicode::equal(candidates[i], candidates[j]));
    }
  }
  const auto has = [&](const std::string& entry) {
    for (const auto& candidate : candidates) {
      if (Unicode::equal(candidate, entry)) {
        return true;
      }
    }
    return false;
  };
  FUZZ_REQUIRE(has("/Applications/Pagelume.app"));
  FUZZ_REQUIRE(has(home + "/Applications/Pagelume.app"));
  for (const auto& root : roots) {
    FUZZ_REQUIRE(has(root + "/build/Pagelume.app"));
  }
  return 0;
}
