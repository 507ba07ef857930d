#include <string>
#include <vector>

#include "StandInOpener.hpp"

int main(int argc, char* argv[]) {
  return StandInOpener::run(
      std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
