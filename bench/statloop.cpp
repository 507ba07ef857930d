// statloop DIR N: asks stat(2) about DIR/f1.md ... DIR/fN.md, as the tool
// does for N file arguments, and prints the time that took in microseconds:
// the floor under the tool's own cost for N files.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fputs("usage: statloop DIR N\n", stderr);
    return 64;
  }
  const long count = std::strtol(argv[2], nullptr, 10);
  const auto start = std::chrono::steady_clock::now();
  long found = 0;
  for (long index = 1; index <= count; ++index) {
    const std::string path =
        std::string(argv[1]) + "/f" + std::to_string(index) + ".md";
    struct stat status {};
    found += stat(path.c_str(), &status) == 0 ? 1 : 0;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.1f\n",
              std::chrono::duration<double, std::micro>(elapsed).count());
  return found == count ? 0 : 1;
}
