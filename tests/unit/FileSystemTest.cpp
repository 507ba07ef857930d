#include "FileSystem.hpp"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TempDir.hpp"

namespace {

TEST(PathStrings, FollowTheirTable) {
  struct Case {
    std::string path, parent, last, extension;
  };
  const Case cases[] = {
      {"/a/b/c.md", "/a/b", "c.md", "md"},
      {"/a/b/", "/a", "b", ""},
      {"/a/b//", "/a", "b", ""},
      {"/a//b", "/a/", "b", ""},
      {"/", "/", "/", ""},
      {"//", "/", "/", ""},
      {"/a", "/", "a", ""},
      {"a", "", "a", ""},
      {"a/", "", "a", ""},
      {"", "", "", ""},
      {".app", "", ".app", "app"},
      {"/x/Pagelume.app", "/x", "Pagelume.app", "app"},
      {"/x/a.tar.gz/", "/x", "a.tar.gz", "gz"},
      {"/x.app/Contents", "/x.app", "Contents", ""},
      {"/x/a.", "/x", "a.", ""},
      {"/x/../y", "/x/..", "y", ""},
      {"a/b", "a", "b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileSystem::stringByDeletingLastPathComponent(c.path), c.parent);
    EXPECT_EQ(FileSystem::lastPathComponent(c.path), c.last);
    EXPECT_EQ(FileSystem::pathExtension(c.path), c.extension);
  }
}

TEST(PathStrings, ParentsOfAnAbsolutePathEndAtRoot) {
  std::string path = "/a//b/c/";
  for (int step = 0; step < 4; ++step) {
    path = FileSystem::stringByDeletingLastPathComponent(path);
  }
  EXPECT_EQ(path, "/");
  EXPECT_EQ(FileSystem::stringByDeletingLastPathComponent(path), "/");
}

struct SystemFileManagerTest : ::testing::Test {
  TempDir dir;
  const FileSystem::FileManager& files = FileSystem::defaultManager();
};

TEST_F(SystemFileManagerTest, ExistenceFollowsFinalLinks) {
  dir.file("file.md");
  dir.directory("folder");
  dir.link("to-folder", "folder");
  dir.link("to-file", "file.md");
  dir.link("dangling", "nowhere");
  struct Case {
    std::string name;
    bool exists, isDirectory;
  };
  const Case cases[] = {
      {"file.md", true, false},         {"folder", true, true},
      {"to-folder", true, true},        {"to-file", true, false},
      {"dangling", false, false},       {"missing", false, false},
      {"file.md/inside", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.path() + "/" + c.name;
    EXPECT_EQ(files.fileExistsAtPath(path), c.exists);
    bool isDirectory = false;
    EXPECT_EQ(files.fileExistsAtPath(path, isDirectory), c.exists);
    EXPECT_EQ(isDirectory, c.isDirectory);
  }
  EXPECT_FALSE(files.fileExistsAtPath(""));
  EXPECT_FALSE(files.fileExistsAtPath(dir.path() + std::string("\0x", 2)));
}

TEST_F(SystemFileManagerTest, ReadsLinkTextUnresolvedAndWhole) {
  // Longer than a first guess at the size would be, and still under macOS's
  // 1024-byte limit on a link's text.
  const std::string longDestination = std::string(1000, 'x') + "/../target";
  dir.link("long", longDestination);
  dir.link("relative", "../a/./b");
  dir.file("plain");
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(dir.path() + "/long"),
            longDestination);
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(dir.path() + "/relative"),
            "../a/./b");
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(dir.path() + "/plain"),
            std::nullopt);
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(dir.path() + "/missing"),
            std::nullopt);
}

TEST_F(SystemFileManagerTest, UnanswerableQuestionsAreNo) {
  const std::string tooLong(70000, 'a');
  EXPECT_FALSE(files.fileExistsAtPath(tooLong));
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(tooLong), std::nullopt);
  dir.link("loop", "loop");
  EXPECT_FALSE(files.fileExistsAtPath(dir.path() + "/loop"));
  EXPECT_EQ(files.destinationOfSymbolicLinkAtPath(dir.path() + "/loop"),
            "loop");
}

// Restores an environment variable when the test ends.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(SystemFileManagerTest, HomeIsTheVariableWithoutTrailingSlashes) {
  struct Case {
    const char* value;
    std::string expected;
  };
  const Case cases[] = {
      {"/Users/ann", "/Users/ann"},
      {"/Users/ann//", "/Users/ann"},
      {"/", "/"},
      {"///", "/"},
      {"relative/", "relative"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const ScopedVariable home("HOME", c.value);
    EXPECT_EQ(files.homeDirectoryForCurrentUser(), c.expected);
  }
}

TEST_F(SystemFileManagerTest, HomeFallsBackToThePasswordDatabase) {
  const passwd* entry = getpwuid(getuid());
  if (entry == nullptr || entry->pw_dir == nullptr ||
      entry->pw_dir[0] == '\0') {
    GTEST_SKIP() << "this user has no home directory in the password database";
  }
  const ScopedVariable home("HOME", "");
  const auto fromDatabase = files.homeDirectoryForCurrentUser();
  ASSERT_TRUE(fromDatabase.has_value());
  EXPECT_FALSE(fromDatabase->empty());
  EXPECT_EQ(fromDatabase->front(), '/');
}

// Deeper than any first guess at a buffer, and than PATH_MAX, past which
// the system's getcwd has to work the path out level by level.
TEST_F(SystemFileManagerTest, WorkingDirectoryOfAnyLength) {
  std::error_code error;
  const auto before = files.currentDirectoryPath(error);
  ASSERT_TRUE(before.has_value());
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  std::string expected = dir.path();
  const std::string name(40, 'd');
  int levels = 0;
  bool checkedShort = false;
  while (expected.size() < 5000) {
    ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
    ASSERT_EQ(chdir(name.c_str()), 0);
    ++levels;
    expected += "/" + name;
    if (!checkedShort && expected.size() > 300) {
      EXPECT_EQ(files.currentDirectoryPath(error), expected);
      checkedShort = true;
    }
  }
  EXPECT_EQ(files.currentDirectoryPath(error), expected);
  // Back up one level at a time: the deepest paths are too long to remove
  // by name.
  for (; levels > 0; --levels) {
    ASSERT_EQ(chdir(".."), 0);
    ASSERT_EQ(rmdir(name.c_str()), 0);
  }
  ASSERT_EQ(chdir(before->c_str()), 0);
}

TEST_F(SystemFileManagerTest, WorkingDirectoryAndItsRemoval) {
  std::error_code error;
  const auto before = files.currentDirectoryPath(error);
  ASSERT_TRUE(before.has_value());
  const std::string gone = dir.directory("gone");
  ASSERT_EQ(chdir(gone.c_str()), 0);
  EXPECT_EQ(files.currentDirectoryPath(error), gone);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  EXPECT_EQ(files.currentDirectoryPath(error), std::nullopt);
  EXPECT_TRUE(error);
  ASSERT_EQ(chdir(before->c_str()), 0);
}

}  // namespace
