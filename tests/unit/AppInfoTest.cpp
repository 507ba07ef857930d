#include "AppInfo.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "TempDir.hpp"

namespace {

std::string xmlList(const std::string& entries) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
)" + entries +
         R"(
</dict>
</plist>
)";
}

// {CFBundleExecutable: "Pagelume", CFBundleShortVersionString: "1.4.2"} as
// Python's plistlib writes it in the binary format.
const std::string binaryList(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x02\x03\x04\x5f\x10\x12\x43\x46"
    "\x42\x75\x6e\x64\x6c\x65\x45\x78\x65\x63\x75\x74\x61\x62\x6c\x65\x5f\x10"
    "\x1a\x43\x46\x42\x75\x6e\x64\x6c\x65\x53\x68\x6f\x72\x74\x56\x65\x72\x73"
    "\x69\x6f\x6e\x53\x74\x72\x69\x6e\x67\x58\x50\x61\x67\x65\x6c\x75\x6d\x65"
    "\x55\x31\x2e\x34\x2e\x32\x08\x0d\x22\x3f\x48\x00\x00\x00\x00\x00\x00\x01"
    "\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x4e",
    115);

TEST(AppInfoShortVersion, OnlyAStringValueCounts) {
  struct Case {
    std::string name, list;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"plain",
       xmlList("<key>CFBundleShortVersionString</key><string>1.4.2</string>"),
       "1.4.2"},
      {"blanks kept",
       xmlList("<key>CFBundleShortVersionString</key><string> 2.0 </string>"),
       " 2.0 "},
      {"empty string",
       xmlList("<key>CFBundleShortVersionString</key><string/>"), ""},
      {"non-ASCII",
       xmlList("<key>CFBundleShortVersionString</key>"
               "<string>1.0 \xCE\xB2</string>"),
       "1.0 \xCE\xB2"},
      {"number",
       xmlList("<key>CFBundleShortVersionString</key><integer>3</integer>"),
       std::nullopt},
      {"array",
       xmlList("<key>CFBundleShortVersionString</key>"
               "<array><string>1</string></array>"),
       std::nullopt},
      {"other keys only",
       xmlList("<key>CFBundleVersion</key><string>77</string>"), std::nullopt},
      {"key case matters",
       xmlList("<key>cfbundleshortversionstring</key><string>1</string>"),
       std::nullopt},
      {"empty dictionary", xmlList(""), std::nullopt},
      {"not a dictionary",
       R"(<?xml version="1.0"?><plist version="1.0"><string>1.0</string></plist>)",
       std::nullopt},
      {"malformed", "<plist><dict><key>CFBundleShortVersionString",
       std::nullopt},
      {"garbage", std::string("\0\xFF\x01garbage", 10), std::nullopt},
      {"truncated binary", binaryList.substr(0, 60), std::nullopt},
      {"empty file", "", std::nullopt},
      {"binary", binaryList, "1.4.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.file("Pagelume.app/Contents/Info.plist", c.list);
    EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/Pagelume.app"), c.expected);
  }
}

TEST(AppInfoShortVersion, WhereTheListIsLookedFor) {
  const std::string list =
      xmlList("<key>CFBundleShortVersionString</key><string>top</string>");
  TempDir dir;
  // No Contents directory: Info.plist at the top of the bundle.
  dir.file("flat.app/Info.plist", list);
  // A Contents directory without a list hides the top-level one.
  dir.file("split.app/Info.plist", list);
  dir.directory("split.app/Contents");
  dir.directory("empty.app");
  dir.file("file.app", list);
  dir.directory("dir-list.app/Contents/Info.plist");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/flat.app"), "top");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/split.app"), std::nullopt);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/empty.app"), std::nullopt);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/file.app"), std::nullopt);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/missing.app"), std::nullopt);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/dir-list.app"), std::nullopt);
}

TEST(AppInfoShortVersion, AFifoListDoesNotHang) {
  TempDir dir;
  dir.directory("fifo.app/Contents");
  const std::string fifo = dir.path() + "/fifo.app/Contents/Info.plist";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/fifo.app"), std::nullopt);
}

TEST(AppInfoInfoString, ReadsAnyStringKey) {
  TempDir dir;
  dir.file("Pagelume.app/Contents/Info.plist", binaryList);
  using Found = std::variant<std::optional<std::string>, AppInfo::ListError>;
  EXPECT_EQ(
      AppInfo::infoString(dir.path() + "/Pagelume.app", "CFBundleExecutable"),
      Found(std::optional<std::string>("Pagelume")));
  EXPECT_EQ(AppInfo::infoString(dir.path() + "/Pagelume.app", "Missing"),
            Found(std::optional<std::string>()));
}

// No list is an ordinary bundle; a list that is there but cannot be used
// is an error that names the list and the reason.
TEST(AppInfoInfoString, AListThatCannotBeUsedIsAnError) {
  TempDir dir;
  dir.directory("none.app/Contents");
  dir.link("dangling.app/Contents/Info.plist", "nowhere");
  dir.file("malformed.app/Contents/Info.plist", "<plist><dict><key>");
  dir.file("array.app/Contents/Info.plist",
           R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)");
  dir.file("empty.app/Contents/Info.plist", "");
  dir.directory("directory.app/Contents/Info.plist");
  dir.directory("fifo.app/Contents");
  const std::string fifo = dir.path() + "/fifo.app/Contents/Info.plist";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);

  using Found = std::variant<std::optional<std::string>, AppInfo::ListError>;
  const auto error = [&](const std::string& bundle, const std::string& reason) {
    return Found(AppInfo::ListError{
        dir.path() + "/" + bundle + "/Contents/Info.plist", reason});
  };
  struct Case {
    std::string bundle;
    Found expected;
  };
  const Case cases[] = {
      {"none.app", std::optional<std::string>()},
      {"dangling.app", std::optional<std::string>()},
      {"malformed.app", error("malformed.app", "not a property list")},
      {"empty.app", error("empty.app", "not a property list")},
      {"array.app", error("array.app", "its top is not a dictionary")},
      {"directory.app", error("directory.app", "not a regular file")},
      {"fifo.app", error("fifo.app", "not a regular file")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bundle);
    EXPECT_EQ(AppInfo::infoString(dir.path() + "/" + c.bundle, "Key"),
              c.expected);
  }
  EXPECT_EQ(AppInfo::ListError({"/b.app/Info.plist", "why"}).description(),
            "cannot read /b.app/Info.plist: why");
}

// Every list read is closed again: a tool, or a stand-in, that reads many
// would otherwise run out of descriptors.
TEST(AppInfoInfoString, LeavesNoDescriptorOpen) {
  TempDir dir;
  dir.file("Pagelume.app/Contents/Info.plist", binaryList);
  dir.file("Broken.app/Contents/Info.plist", "not a list");
  const int before = dup(STDIN_FILENO);
  close(before);
  for (int read = 0; read < 10; ++read) {
    EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/Pagelume.app"), "1.4.2");
    EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/Broken.app"), std::nullopt);
  }
  const int after = dup(STDIN_FILENO);
  close(after);
  EXPECT_EQ(after, before);
}

TEST(AppInfoInfoString, AListTheUserCannotReadIsAnError) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root reads every file";
  }
  TempDir dir;
  const std::string list =
      dir.file("locked.app/Contents/Info.plist", binaryList);
  ASSERT_EQ(chmod(list.c_str(), 0), 0);
  using Found = std::variant<std::optional<std::string>, AppInfo::ListError>;
  EXPECT_EQ(AppInfo::infoString(dir.path() + "/locked.app", "Key"),
            Found(AppInfo::ListError{list, "Permission denied"}));
}

}  // namespace

namespace {

std::vector<std::string> listsFor(const std::vector<std::string>& names) {
  AppInfo::ListFinder finder;
  for (const std::string& name : names) {
    finder.see(name);
  }
  return finder.lists();
}

}  // namespace

// The names a listing of Contents offers, as the bundle service compares
// them: without regard to case, whole, the platform's list first.
TEST(AppInfoListFinder, FindsTheListsAsTheServiceDoes) {
  struct Case {
    std::vector<std::string> names, expected;
  };
  const Case cases[] = {
      {{}, {}},
      {{"Info.plist"}, {"Info.plist"}},
      {{"Info.plist", "Info-macos.plist"}, {"Info-macos.plist", "Info.plist"}},
      {{"Info-macos.plist"}, {"Info-macos.plist"}},
      {{"info.plist"}, {"Info.plist"}},
      {{"INFO-MACOS.PLIST"}, {"Info-macos.plist"}},
      // The long s folds to s.
      {{"Info.pli\xC5\xBFt"}, {"Info.plist"}},
      // The ligature st folds to two letters, but is one code unit: the
      // lengths differ.
      {{"Info.pli\xEF\xAC\x86"}, {}},
      {{"Info.plist~", "Info.plis", "xInfo.plist", "Info.plist.bak"}, {}},
      {{"Info-ios.plist", "Info-macos.plist.orig"}, {}},
      {{"Info.plist\xFF"}, {}},
      {{".", "..", "MacOS", "Resources"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.empty() ? "" : c.names.front());
    EXPECT_EQ(listsFor(c.names), c.expected);
  }
  AppInfo::ListFinder finder;
  finder.see("Info.plist");
  EXPECT_FALSE(finder.done());
  finder.see("info-macos.plist");
  EXPECT_TRUE(finder.done());
}

// NAME-macos, and where it stands NAME-macos~ and NAME~ before it, take
// NAME's place whatever their type; two keys never yield to them.
TEST(AppInfoServiceValue, PlatformKeysOverrideTheirBase) {
  using PropertyList::Entry;
  const Entry none;
  const auto string = [](const std::string& text) { return Entry{true, text}; };
  const Entry number{true, std::nullopt};
  EXPECT_EQ(AppInfo::keysFor("K"),
            (std::vector<std::string>{"K", "K-macos", "K-macos~", "K~"}));
  struct Case {
    std::string name, key;
    std::vector<Entry> found;
    std::optional<std::string> expected;
  };
  const std::string version = "CFBundleShortVersionString";
  const Case cases[] = {
      {"the key alone", version, {string("1"), none, none, none}, "1"},
      {"missing", version, {none, none, none, none}, std::nullopt},
      {"-macos, a string",
       version,
       {string("1"), string("2"), none, none},
       "2"},
      {"-macos without the key", version, {none, string("2"), none, none}, "2"},
      {"-macos, a number",
       version,
       {string("1"), number, none, none},
       std::nullopt},
      {"-macos~ first",
       version,
       {string("1"), string("2"), string("3"), string("4")},
       "3"},
      {"then ~", version, {string("1"), string("2"), none, string("4")}, "4"},
      {"-macos~ alone is no platform key",
       version,
       {string("1"), none, string("3"), none},
       "1"},
      {"~ alone is no platform key",
       version,
       {string("1"), none, none, string("4")},
       "1"},
      {"the executable",
       "CFBundleExecutable",
       {string("Sample"), string("Other"), none, none},
       "Sample"},
      {"the identifier",
       "CFBundleIdentifier",
       {string("a.b"), string("c.d"), string("e.f"), none},
       "a.b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AppInfo::serviceValue(c.key, c.found), c.expected);
  }
}

// Which list is read: Info-macos.plist when it can be read at all, even when
// it holds no dictionary; Info.plist when it cannot. Bundles without
// Contents read their Info.plist as it stands.
TEST(AppInfoShortVersion, ReadsThePlatformListFirst) {
  const auto list = [](const std::string& version,
                       const std::string& more = "") {
    return xmlList("<key>CFBundleShortVersionString</key><string>" + version +
                   "</string>" + more);
  };
  TempDir dir;
  dir.file("both.app/Contents/Info.plist", list("1.0"));
  dir.file("both.app/Contents/Info-macos.plist", list("2.0"));
  dir.file("array.app/Contents/Info.plist", list("1.0"));
  dir.file("array.app/Contents/Info-macos.plist",
           R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)");
  dir.file("folder.app/Contents/Info.plist", list("1.0"));
  dir.directory("folder.app/Contents/Info-macos.plist");
  dir.file("dangling.app/Contents/Info.plist", list("1.0"));
  dir.link("dangling.app/Contents/Info-macos.plist", "nowhere");
  dir.file("override.app/Contents/Info.plist",
           list("1.0",
                "<key>CFBundleShortVersionString-macos</key>"
                "<string>2.0</string>"));
  dir.file("flat.app/Info.plist",
           list("1.0",
                "<key>CFBundleShortVersionString-macos</key>"
                "<string>2.0</string>"));
  dir.file("flat.app/Info-macos.plist", list("3.0"));
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/both.app"), "2.0");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/array.app"), std::nullopt);
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/folder.app"), "1.0");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/dangling.app"), "1.0");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/override.app"), "2.0");
  EXPECT_EQ(AppInfo::shortVersion(dir.path() + "/flat.app"), "1.0");
  using Found = std::variant<std::optional<std::string>, AppInfo::ListError>;
  EXPECT_EQ(AppInfo::infoString(dir.path() + "/array.app",
                                "CFBundleShortVersionString"),
            Found(AppInfo::ListError{
                dir.path() + "/array.app/Contents/Info-macos.plist",
                "its top is not a dictionary"}));
}
