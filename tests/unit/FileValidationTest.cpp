#include "FileValidation.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FilePathsAbsolute, ExpandsHomeThenPrefixesWorkingDirectory) {
  struct Case {
    std::string argument, workingDirectory, homeDirectory, expected;
  };
  const std::string w = "/Users/ann/docs", h = "/Users/ann";
  const Case cases[] = {
      {"notes.md", w, h, "/Users/ann/docs/notes.md"},
      {"/tmp/notes.md", w, h, "/tmp/notes.md"},
      {"//srv/a.md", w, h, "//srv/a.md"},
      {"~", w, h, "/Users/ann"},
      {"~/notes.md", w, h, "/Users/ann/notes.md"},
      {"~/", w, h, "/Users/ann/"},
      {"~bob/notes.md", w, h, "/Users/ann/docs/~bob/notes.md"},
      {"~notes.md", w, h, "/Users/ann/docs/~notes.md"},
      {"notes/~/a.md", w, h, "/Users/ann/docs/notes/~/a.md"},
      {"./a/../b.md", w, h, "/Users/ann/docs/./a/../b.md"},
      {"", w, h, "/Users/ann/docs/"},
      {"a.md", "/", h, "//a.md"},
      {"a.md", "", h, "/a.md"},
      {"~/a.md", w, "/Users/ann/", "/Users/ann//a.md"},
      {"~/a.md", w, "", "/a.md"},
      {"~", w, "", "/Users/ann/docs/"},
      {"~", w, "rel", "/Users/ann/docs/rel"},  // expanded, then prefixed
      // A "~" or "/" carrying a combining mark is another character.
      {"~\xCC\x81/a.md", w, h, "/Users/ann/docs/~\xCC\x81/a.md"},
      {"/\xCC\x81tmp", w, h, "/Users/ann/docs//\xCC\x81tmp"},
      // Bytes that are not UTF-8 pass through untouched.
      {"\xFF\xFE.md", w, h, "/Users/ann/docs/\xFF\xFE.md"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument + " in " + c.workingDirectory + " home " +
                 c.homeDirectory);
    EXPECT_EQ(FilePaths::absolute({c.argument},
                                  /*workingDirectory=*/c.workingDirectory,
                                  /*homeDirectory=*/c.homeDirectory),
              std::vector<std::string>{c.expected});
  }
}

TEST(FilePathsAbsolute, KeepsCountOrderAndDuplicates) {
  EXPECT_EQ(FilePaths::absolute({"b.md", "/a.md", "b.md"},
                                /*workingDirectory=*/"/w",
                                /*homeDirectory=*/"/h"),
            (std::vector<std::string>{"/w/b.md", "/a.md", "/w/b.md"}));
  EXPECT_TRUE(FilePaths::absolute({}, /*workingDirectory=*/"/w",
                                  /*homeDirectory=*/"/h")
                  .empty());
}

TEST(MissingFilesErrorDescription, JoinsPathsUnquoted) {
  struct Case {
    std::vector<std::string> paths;
    std::string expected;
  };
  const Case cases[] = {
      {{"/Users/ann/docs/a.md"}, "no such file: /Users/ann/docs/a.md"},
      {{"/a.md", "/b c.md"}, "no such file: /a.md, /b c.md"},
      {{"/x, y.md", "/x, y.md"}, "no such file: /x, y.md, /x, y.md"},
      {{"/\xFF\xFE.md"}, "no such file: /\xFF\xFE.md"},  // bytes as given
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FileValidation::MissingFilesError{c.paths}.description(),
              c.expected);
  }
}

}  // namespace
