// execas ARG0 PROGRAM [ARG ...]: runs PROGRAM with argument 0 set to ARG0.
// execas --no-arguments PROGRAM: runs PROGRAM with an empty argument vector.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

extern "C" char** environ;

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fputs("usage: execas ARG0|--no-arguments PROGRAM [ARG ...]\n", stderr);
    return 64;
  }
  std::vector<char*> arguments;
  if (std::strcmp(argv[1], "--no-arguments") != 0) {
    arguments.push_back(argv[1]);
    arguments.insert(arguments.end(), argv + 3, argv + argc);
  }
  arguments.push_back(nullptr);
  execve(argv[2], arguments.data(), environ);
  std::perror("execas");
  return 127;
}
