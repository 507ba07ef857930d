#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The fuzzer's bytes as NUL-separated fields: a list of arguments, or a few
// named strings followed by a list.
inline std::vector<std::string> fields(const uint8_t* data, size_t size) {
  std::vector<std::string> result(1);
  for (size_t index = 0; index < size; ++index) {
    if (data[index] == 0) {
      result.emplace_back();
    } else {
      result.back().push_back(static_cast<char>(data[index]));
    }
  }
  return result;
}

// Ends the run with a finding when a property does not hold.
#define FUZZ_REQUIRE(condition)                                                \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
                   #condition);                                                \
      std::abort();                                                            \
    }                                                                          \
  } while (false)
