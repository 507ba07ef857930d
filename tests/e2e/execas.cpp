// execas ARG0 PROGRAM [ARG ...]: runs PROGRAM with argument 0 set to ARG0.
// execas --no-arguments PROGRAM: runs PROGRAM with an empty argument vector.
// With EXECAS_APPEND=NAME=VALUE in its environment, PROGRAM's environment
// has NAME=VALUE once more at its end, which no shell can arrange when NAME
// is already there; EXECAS_APPEND itself is left out.
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

  constexpr const char* append = "EXECAS_APPEND=";
  std::vector<char*> environment;
  char* appended = nullptr;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, append, std::strlen(append)) == 0) {
      appended = *entry + std::strlen(append);
    } else {
      environment.push_back(*entry);
    }
  }
  if (appended != nullptr) {
    environment.push_back(appended);
  }
  environment.push_back(nullptr);
  execve(argv[2], arguments.data(), environment.data());
  std::perror("execas");
  return 127;
}
