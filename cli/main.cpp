#include "EntryPoint.hpp"

int main(int argc, char* argv[]) {
  return PagelumeCLI::main(argc, argv);
}
