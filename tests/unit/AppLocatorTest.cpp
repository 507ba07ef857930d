#include "AppLocator.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FakeFileManager.hpp"
#include "TempDir.hpp"

namespace {

using Kind = FakeFileManager::Kind;
using Strings = std::vector<std::string>;

// executableDirectory ------------------------------------------------------

int recordReads = 0;

TEST(LauncherPath, BareOrEmptyArgumentZeroFallsBackToTheSystemRecord) {
  const AppLocator::RecordedPath recorded = [] {
    ++recordReads;
    return std::optional<std::string>("/usr/local/bin/pagelume");
  };
  const AppLocator::RecordedPath none = [] {
    ++recordReads;
    return std::optional<std::string>();
  };
  struct Case {
    std::string argument0;
    AppLocator::RecordedPath record;
    std::string expected;
    int reads;  // how often the system is asked
  };
  const Case cases[] = {
      {"/usr/local/bin/pagelume", recorded, "/usr/local/bin/pagelume", 0},
      {"bin/pagelume", recorded, "bin/pagelume", 0},
      {"pagelume", recorded, "/usr/local/bin/pagelume", 1},
      {"", recorded, "/usr/local/bin/pagelume", 1},
      {"pagelume", none, "", 1},
      {"", none, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument0);
    recordReads = 0;
    EXPECT_EQ(AppLocator::launcherPath(c.argument0, /*recordedPath=*/c.record),
              c.expected);
    EXPECT_EQ(recordReads, c.reads);
  }
}

TEST(ExecutableDirectory, FromArgumentZeroWithoutLinks) {
  struct Case {
    std::string argument0;
    std::optional<std::string> currentDirectory, expected;
    Strings queries;
  };
  const Case cases[] = {
      {"", "/w", std::nullopt, {}},
      {"pagelume", "/w", std::nullopt, {}},
      {"/usr/local/bin/pagelume",
       "/w",
       "/usr/local/bin",
       {"link /usr/local/bin/pagelume"}},
      {"bin/pagelume",
       "/Users/ann",
       "/Users/ann/bin",
       {"link /Users/ann/bin/pagelume"}},
      {"./pagelume", "/w", "/w/.", {"link /w/./pagelume"}},
      {"/pagelume", "/w", "/", {"link /pagelume"}},
      // A relative argument 0 cannot be placed without a working directory.
      {"bin/pagelume", std::nullopt, std::nullopt, {}},
      {"/bin/pagelume", std::nullopt, "/bin", {"link /bin/pagelume"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument0);
    FakeFileManager files;
    EXPECT_EQ(AppLocator::executableDirectory(
                  c.argument0, /*currentDirectory=*/c.currentDirectory,
                  /*fileManager=*/files),
              c.expected);
    EXPECT_EQ(files.queries, c.queries);
  }
}

TEST(ExecutableDirectory, FollowsAbsoluteAndRelativeLinks) {
  FakeFileManager files;
  files.links["/usr/local/bin/pagelume"] =
      "/Applications/Pagelume.app/Contents/MacOS/pagelume";
  files.links["/opt/bin/pagelume"] = "../lib/pagelume/pagelume";
  EXPECT_EQ(
      AppLocator::executableDirectory("/usr/local/bin/pagelume", "/w", files),
      "/Applications/Pagelume.app/Contents/MacOS");
  EXPECT_EQ(AppLocator::executableDirectory("/opt/bin/pagelume", "/w", files),
            "/opt/bin/../lib/pagelume");
}

TEST(ExecutableDirectory, StopsAfterEightResolutions) {
  // /l1 -> /d2/l2 -> ... : each link lives in its own directory, so the
  // directory tells how far the following went.
  FakeFileManager files;
  for (int i = 1; i <= 9; ++i) {
    const std::string here =
        i == 1 ? "/l1" : "/d" + std::to_string(i) + "/l" + std::to_string(i);
    files.links[here] =
        "/d" + std::to_string(i + 1) + "/l" + std::to_string(i + 1);
  }
  files.links.erase("/d9/l9");  // eight links; /d9/l9 is the real file
  EXPECT_EQ(AppLocator::executableDirectory("/l1", "/w", files), "/d9");
  EXPECT_EQ(files.queries.size(), 8u);

  files.links["/d9/l9"] = "/d10/l10";  // nine links: the ninth is not read
  files.queries.clear();
  EXPECT_EQ(AppLocator::executableDirectory("/l1", "/w", files), "/d9");
  EXPECT_EQ(files.queries.size(), 8u);
}

TEST(ExecutableDirectory, SelfLinkEndsAfterEightReads) {
  FakeFileManager files;
  files.links["/bin/pagelume"] = "pagelume";
  EXPECT_EQ(AppLocator::executableDirectory("/bin/pagelume", "/w", files),
            "/bin");
  EXPECT_EQ(files.queries, Strings(8, "link /bin/pagelume"));
}

TEST(ExecutableDirectory, EmptyDestinationStopsFollowing) {
  FakeFileManager files;
  files.links["/a/pagelume"] = "";
  EXPECT_EQ(AppLocator::executableDirectory("/a/pagelume", "/w", files), "/a");
  EXPECT_EQ(files.queries.size(), 1u);
}

TEST(ExecutableDirectory, RealLinksInATemporaryTree) {
  TempDir dir;
  const auto& files = FileSystem::defaultManager();
  const std::string tool =
      dir.file("Pagelume.app/Contents/MacOS/pagelume", "#!/bin/sh\n");
  dir.link("bin/pagelume", "../Pagelume.app/Contents/MacOS/pagelume");
  dir.link("bin/dangling", "../nowhere/pagelume");
  dir.link("bin/self", "self");
  // A chain of nine absolute links, chain/0 -> chain/1 -> ... -> chain/9.
  for (int i = 0; i < 9; ++i) {
    dir.link("chain" + std::to_string(i) + "/link",
             dir.path() + "/chain" + std::to_string(i + 1) + "/link");
  }
  dir.file("chain9/link");

  struct Case {
    std::string argument0, expected;
  };
  const Case cases[] = {
      {dir.path() + "/bin/pagelume",
       dir.path() + "/bin/../Pagelume.app/Contents/MacOS"},
      {dir.path() + "/bin/dangling", dir.path() + "/bin/../nowhere"},
      {dir.path() + "/bin/self", dir.path() + "/bin"},
      {dir.path() + "/chain0/link", dir.path() + "/chain8"},
      {dir.path() + "/chain1/link", dir.path() + "/chain9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument0);
    EXPECT_EQ(AppLocator::executableDirectory(c.argument0, "/w", files),
              c.expected);
  }
  // Relative argument 0, taken against the working directory given.
  EXPECT_EQ(AppLocator::executableDirectory("bin/pagelume", dir.path(), files),
            dir.path() + "/bin/../Pagelume.app/Contents/MacOS");
}

// containingAppBundle -------------------------------------------------------

TEST(ContainingAppBundle, NeedsMacOSInsideADotAppDirectory) {
  struct Case {
    std::string directory;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"/Applications/Pagelume.app/Contents/MacOS",
       "/Applications/Pagelume.app"},
      {"/x/Tools.app/Support/MacOS", "/x/Tools.app"},
      {"/x/Pagelume.app/Contents/MacOS/", "/x/Pagelume.app"},
      {"/x/Pagelume.app/Contents/macos", std::nullopt},
      {"/x/Pagelume.APP/Contents/MacOS", std::nullopt},
      {"/x/Contents/MacOS", std::nullopt},
      {"/MacOS", std::nullopt},
      {"/x/.app/Contents/MacOS", "/x/.app"},
      {"Pagelume.app/Contents/MacOS", "Pagelume.app"},
      {"/a/../Pagelume.app/Contents/MacOS", "/a/../Pagelume.app"},
      {"/x/R\xC3\xA9sum\xC3\xA9.app/Contents/MacOS",
       "/x/R\xC3\xA9sum\xC3\xA9.app"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.directory);
    EXPECT_EQ(AppLocator::containingAppBundle(c.directory), c.expected);
  }
}

// repoRoots -----------------------------------------------------------------

TEST(RepoRoots, NearestRootAboveEachStartOnce) {
  struct Case {
    std::string name;
    Strings starts, packages, expected;
  };
  const Case cases[] = {
      {"root above the working directory",
       {"/Users/ann/src/viewer/docs"},
       {"/Users/ann/src/viewer"},
       {"/Users/ann/src/viewer"}},
      {"both starts in one checkout",
       {"/r/docs", "/r/build/bin"},
       {"/r"},
       {"/r"}},
      {"one checkout, two spellings",
       {"/r/docs", "/r/bin/../lib"},
       {"/r", "/r/bin/.."},
       {"/r", "/r/bin/.."}},
      {"two checkouts, working directory first",
       {"/a/x", "/b/y"},
       {"/a", "/b"},
       {"/a", "/b"}},
      {"nested checkout hides the outer",
       {"/outer/inner/src"},
       {"/outer", "/outer/inner"},
       {"/outer/inner"}},
      {"file-system root", {"/x/y"}, {"/"}, {"/"}},
      {"none anywhere", {"/x/y", "/z"}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileManager files;
    for (const std::string& root : c.packages) {
      files.objects[root + "/Package.swift"] = Kind::file;
    }
    EXPECT_EQ(AppLocator::repoRoots(c.starts, files), c.expected);
  }
}

TEST(RepoRoots, WalksEveryDirectoryUpToTheRoot) {
  FakeFileManager files;
  EXPECT_TRUE(AppLocator::repoRoots({"/a/b"}, files).empty());
  EXPECT_EQ(files.queries,
            (Strings{"exists /a/b/Package.swift", "exists /a/Package.swift",
                     "exists //Package.swift"}));
}

TEST(RepoRoots, PackageMarkerKindsInATemporaryTree) {
  TempDir dir;
  const auto& files = FileSystem::defaultManager();
  dir.directory("dir-marker/Package.swift");
  dir.directory("dir-marker/sub");
  dir.link("dangling/Package.swift", "nowhere");
  dir.file("outer/Package.swift");
  dir.directory("outer/dangling/sub");
  dir.link("outer/dangling/Package.swift", "nowhere");
  EXPECT_EQ(AppLocator::repoRoots({dir.path() + "/dir-marker/sub"}, files),
            Strings{dir.path() + "/dir-marker"});
  // A dangling marker is no marker: the walk goes on to the outer checkout.
  EXPECT_EQ(AppLocator::repoRoots({dir.path() + "/outer/dangling/sub"}, files),
            Strings{dir.path() + "/outer"});
}

// devFallbackBinary ---------------------------------------------------------

TEST(DevFallbackBinary, DirectoriesInOrderEachWithBothConfigurations) {
  FakeFileManager files;
  files.objects["/w/.build/release/Pagelume"] = Kind::file;
  files.objects["/r/.build/debug/Pagelume"] = Kind::file;
  EXPECT_EQ(AppLocator::devFallbackBinary({"/w", "/r"}, files),
            "/w/.build/release/Pagelume");
  EXPECT_EQ(files.queries, (Strings{"exists /w/.build/debug/Pagelume",
                                    "exists /w/.build/release/Pagelume"}));
}

TEST(DevFallbackBinary, NothingFound) {
  FakeFileManager files;
  EXPECT_EQ(AppLocator::devFallbackBinary({}, files), std::nullopt);
  EXPECT_TRUE(files.queries.empty());
  EXPECT_EQ(AppLocator::devFallbackBinary({"/", "/"}, files), std::nullopt);
  EXPECT_EQ(files.queries, (Strings{"exists //.build/debug/Pagelume",
                                    "exists //.build/release/Pagelume",
                                    "exists //.build/debug/Pagelume",
                                    "exists //.build/release/Pagelume"}));
}

TEST(DevFallbackBinary, ADirectoryCountsInATemporaryTree) {
  TempDir dir;
  dir.directory("w/.build/debug/Pagelume");
  dir.file("r/.build/debug/Pagelume");
  EXPECT_EQ(
      AppLocator::devFallbackBinary({dir.path() + "/w", dir.path() + "/r"},
                                    FileSystem::defaultManager()),
      dir.path() + "/w/.build/debug/Pagelume");
}

// candidatePaths ------------------------------------------------------------

TEST(CandidatePaths, PriorityOrderExpansionAndDuplicates) {
  struct Case {
    std::string name;
    std::optional<std::string> variable, bundle;
    Strings roots;
    std::optional<std::string> home;
    Strings expected;
  };
  const std::string apps = "/Applications/Pagelume.app";
  const std::string user = "/Users/ann/Applications/Pagelume.app";
  const std::string h = "/Users/ann";
  const Case cases[] = {
      {"nothing set", std::nullopt, std::nullopt, {}, h, {apps, user}},
      {"empty variable", "", std::nullopt, {}, h, {apps, user}},
      {"home-relative variable",
       "~/Apps/Pagelume.app",
       std::nullopt,
       {},
       h,
       {"/Users/ann/Apps/Pagelume.app", apps, user}},
      {"variable ~/", "~/", std::nullopt, {}, h, {"/Users/ann/", apps, user}},
      {"variable ~", "~", std::nullopt, {}, h, {h, apps, user}},
      {"another user's home",
       "~ann/Pagelume.app",
       std::nullopt,
       {},
       h,
       {"~ann/Pagelume.app", apps, user}},
      {"tilde further on",
       "/opt/~/Pagelume.app",
       std::nullopt,
       {},
       h,
       {"/opt/~/Pagelume.app", apps, user}},
      {"leading blank kept",
       " " + apps,
       std::nullopt,
       {},
       h,
       {" " + apps, apps, user}},
      {"relative kept",
       "build/Pagelume.app",
       std::nullopt,
       {},
       h,
       {"build/Pagelume.app", apps, user}},
      {"variable equal to a later entry",
       apps,
       std::nullopt,
       {},
       h,
       {apps, user}},
      {"trailing slash is another string",
       apps + "/",
       std::nullopt,
       {},
       h,
       {apps + "/", apps, user}},
      {"containing bundle replaces the system entry",
       std::nullopt,
       apps,
       {},
       h,
       {apps, user}},
      {"empty containing bundle", std::nullopt, "", {}, h, {apps, user}},
      {"roots after the bundle, before the system",
       "/v.app",
       "/b.app",
       {"/src/a", "/src/b"},
       h,
       {"/v.app", "/b.app", "/src/a/build/Pagelume.app",
        "/src/b/build/Pagelume.app", apps, user}},
      {"empty home", std::nullopt, std::nullopt, {}, "", {apps}},
      {"empty home and variable ~", "~", std::nullopt, {}, "", {"", apps}},
      {"root home",
       "~/x",
       std::nullopt,
       {},
       "/",
       {"//x", apps, "//Applications/Pagelume.app"}},
      {"canonically equal spellings",
       "/R\xC3\xA9sum\xC3\xA9.app",
       "/Re\xCC\x81sume\xCC\x81.app",
       {},
       h,
       {"/R\xC3\xA9sum\xC3\xA9.app", apps, user}},
      {"case is not folded",
       "/applications/pagelume.app",
       std::nullopt,
       {},
       h,
       {"/applications/pagelume.app", apps, user}},
      // Without a home directory only what needs one is left out.
      {"no home, home-relative variable",
       "~/Apps/Pagelume.app",
       std::nullopt,
       {"/src/a"},
       std::nullopt,
       {"/src/a/build/Pagelume.app", apps}},
      {"no home, variable ~", "~", std::nullopt, {}, std::nullopt, {apps}},
      {"no home, other variable",
       "/opt/P.app",
       std::nullopt,
       {},
       std::nullopt,
       {"/opt/P.app", apps}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::map<std::string, std::string> environment = {{"HOME", "/elsewhere"}};
    if (c.variable) {
      environment["PAGELUME_APP"] = *c.variable;
    }
    EXPECT_EQ(AppLocator::candidatePaths(/*environment=*/environment,
                                         /*containingBundle=*/c.bundle,
                                         /*repoRoots=*/c.roots,
                                         /*homeDirectory=*/c.home),
              c.expected);
  }
}

// resolveApp ----------------------------------------------------------------

struct ResolveAppTest : ::testing::Test {
  FakeFileManager files;
};

TEST_F(ResolveAppTest, EmptyListAsksNothing) {
  EXPECT_EQ(AppLocator::resolveApp({}, files), std::nullopt);
  EXPECT_TRUE(files.queries.empty());
}

TEST_F(ResolveAppTest, FirstDirectoryWinsAndLaterOnesAreNotAsked) {
  files.objects["/file.app"] = Kind::file;
  files.objects["/b.app"] = Kind::directory;
  files.objects["/c.app"] = Kind::directory;
  EXPECT_EQ(AppLocator::resolveApp(
                {"/missing.app", "/file.app", "/b.app", "/c.app"}, files),
            "/b.app");
  EXPECT_EQ(files.queries,
            (Strings{"kind /missing.app", "kind /file.app", "kind /b.app"}));
}

TEST_F(ResolveAppTest, NoneQualifiesAfterOneQuestionEach) {
  EXPECT_EQ(AppLocator::resolveApp({"/a", "/b"}, files), std::nullopt);
  EXPECT_EQ(files.queries, (Strings{"kind /a", "kind /b"}));
}

TEST(ResolveApp, LinksInATemporaryTree) {
  TempDir dir;
  dir.file("file.app");
  dir.directory("real.app");
  dir.link("dangling.app", "nowhere");
  dir.link("to-file.app", "file.app");
  dir.link("to-dir.app", "real.app");
  const std::string p = dir.path() + "/";
  EXPECT_EQ(AppLocator::resolveApp(
                {p + "file.app", p + "dangling.app", p + "to-file.app",
                 p + "to-dir.app", p + "real.app"},
                FileSystem::defaultManager()),
            p + "to-dir.app");
}

}  // namespace
