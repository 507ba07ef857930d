#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.hpp"

// Runs children written as shell scripts in a scratch directory.
struct ScriptTest : ::testing::Test {
  TempDir dir;

  // Writes an executable script `name` with `body` after its "#!/bin/sh".
  std::string script(const std::string& name, const std::string& body) {
    const std::string path = dir.file(name, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }

  // The contents of the file `name`; empty when there is none.
  std::string read(const std::string& name) {
    std::ifstream in(dir.path() + "/" + name, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }
};
