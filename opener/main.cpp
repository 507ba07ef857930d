#include "StandInOpener.hpp"

int main(int argc, char* argv[]) {
  return StandInOpener::main(argc, argv);
}
