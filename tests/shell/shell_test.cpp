// The commands that reach outside the window: the mail client's store found through a Wine prefix's
// registry, the .dbx association in the XDG directories, the identity launcher.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "shell/association.h"
#include "shell/identity_launcher.h"
#include "shell/safe_write.h"
#include "shell/spawn.h"
#include "shell/store_location.h"
#include "shell/wine_registry.h"
#include "support/dbx_builder.h"
#include "support/process.h"

namespace vendrel::shell {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadText, testsupport::TempDir;
using namespace std::string_literals;

void WriteText(const fs::path& path, const std::string& text, bool executable = false) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
  if (executable) fs::permissions(path, fs::perms::owner_all);
}

// A Wine prefix with drive C: and the folders of the stores the cases name.
class Prefix {
 public:
  Prefix() {
    setenv("USER", "a", 1);  // Wine names the profile after the login, here of one letter
    fs::create_directories(dir / "drive_c/users/a/Mail/Outlook Express");
    fs::create_directories(dir / "drive_c" / "Stores" / "Bo\xC3\xAEte \"old\"");
    fs::create_directories(dir / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir / "dosdevices" / "C:");
  }
  std::string path() const { return dir.path().string(); }

  TempDir dir;
};

const std::string kIdentities =
    "[Identities] 1602781234\n#time=1d6a3f1b0c2e4f0\n\"Last User ID\"=\"{AAAA}\"\n\"Default User "
    "ID\"=\"{BBBB}\"\n";

std::string StoreRoot(const std::string& id, const std::string& value) {
  return "[Identities\\\\" + id +
         "\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1602781234\n\"Store Root\"=" + value + "\n";
}

TEST(StoreLocation, TheRegistryOfTheWinePrefixNamesTheStoreOfTheLastIdentity) {
  const std::string mail = "users/a/Mail/Outlook Express/Folders.dbx";
  const std::string deep(60000, 'k');
  // What each case shows, its registry, and the store it names below drive_c (empty: none).
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"the last identity, not the default one",
       kIdentities + StoreRoot("{AAAA}", "\"C:\\\\Stores\\\\Bo\\x00eete \\\"old\\\"\\\\\"") +
           StoreRoot("{BBBB}", "\"C:\\\\Nowhere\""),
       "Stores/Bo\xC3\xAEte \"old\"/Folders.dbx"},
      {"the default identity when no last one is recorded",
       "[identities]\n\"Default User ID\"=\"{BBBB}\"\n" +
           StoreRoot("{bbbb}", "\"c:\\\\stores\\\\BOÎTE \\\"OLD\\\"\""),
       ""},
      {"a last identity that names no key is not replaced by the default",
       kIdentities + StoreRoot("{BBBB}", "\"C:\\\\Stores\""), ""},
      {"a root without its final backslash, an expandable string, CR LF lines and comments",
       std::string(kIdentities) + ";; comment\r\n" +
           StoreRoot("{AAAA}", "str(2):\"%UserProfile%\\\\Mail\\\\outlook express\"\r"),
       mail},
      {"an expandable string as UTF-16 bytes",
       kIdentities +
           StoreRoot("{AAAA}",
                     "hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,\\\n\t 4c,00,45,00,"
                     "25,00,5c,00,4d,00,61,00,69,00,6c,00,00,00"),
       "users/a/Mail/Folders.dbx"},
      {"variables of the user's environment, volatile or not",
       kIdentities + "[Environment]\n\"MAIL\"=\"Mail\"\n[Volatile Environment]\n\"ME\"=\"a\"\n" +
           StoreRoot("{AAAA}", "str(2):\"C:\\\\users\\\\%me%\\\\%MAIL%\""),
       "users/a/Mail/Folders.dbx"},
      {"a variable the prefix does not define",
       kIdentities + StoreRoot("{AAAA}", "str(2):\"%NOWHERE%\\\\Mail\""), ""},
      {"no identity recorded at all", StoreRoot("{AAAA}", "\"C:\\\\Stores\""), ""},
      {"a drive the prefix does not map", kIdentities + StoreRoot("{AAAA}", "\"D:\\\\Stores\""), ""},
      {"a path that climbs out of its drive", kIdentities + StoreRoot("{AAAA}", "\"C:\\\\..\\\\..\\\\etc\""),
       ""},
      {"an unterminated quote", kIdentities + StoreRoot("{AAAA}", "\"C:\\\\Stores"), ""},
      {"binary bytes and a huge line",
       std::string(kIdentities) + std::string("\x01\xff\0[\"\n", 6) + std::string(1 << 20, '"') + "\n", ""},
      {"keys nested ten thousand deep",
       kIdentities + "[" + deep + "]\n" + StoreRoot("{AAAA}" + deep, "\"C:\\\\Stores\""), ""},
  };
  for (const auto& [what, registry, expected] : cases) {
    Prefix prefix;
    WriteText(prefix.dir / "user.reg", "WINE REGISTRY Version 2\n" + registry);
    const std::optional<std::string> store =
        expected.empty() ? std::nullopt : std::optional((prefix.dir / "drive_c" / expected).string());
    EXPECT_EQ(FoldersDbxFromRegistry(prefix.path()), store) << what;
  }
  EXPECT_EQ(FoldersDbxFromRegistry("/nonexistent"), std::nullopt);
}

TEST(WineRegistry, EscapedAndUtf16StringsBecomeUtf8WithLoneSurrogatesReplaced) {
  const auto registry = WineRegistry::Parse(
      "WINE REGISTRY Version 2\n[Key]\n"
      "\"a\"=\"\\x0080\\x0800\\xd83d\\xde00\\xdbff\\xdfff\\xd800\\xdc00|\\xdfff|\\xd800x|"
      "\\xdc00\\xdc00\\xd7ff\\xa\\xd83d\\xe000\\xdbff\\n|\\xd800\\xdbff\\xdc00|\\x7f\\x7ff\\xffffa\"\n"
      "\t \"b\"=hex(2):e9,00,AC,20,3d,d8,00,de,FF,df,00,00\n\"c\"=hex(2):e9,00,3d,d8,41\n\"d\"x\"no value\"\n"
      "\"e\"=hex(2):41,0z\n\"f\"=hex(2):41,00\n@=\"g\"\n",
      {"key"});
  ASSERT_TRUE(registry.has_value());
  EXPECT_EQ(registry->Find("KEY", "A")->text,
            "\u0080\u0800😀\U0010FFFF\U00010000|\uFFFD|\uFFFDx|\uFFFD\uFFFD\uD7FF\n\uFFFD\uE000\uFFFD\n|"
            "\uFFFD\U0010FC00|\x7F\u07FF\uFFFFa");
  EXPECT_EQ(registry->Find("key", "b")->text + registry->Find("key", "c")->text +
                registry->Find("key", "f")->text + registry->Find("key", "")->text,
            "é€😀\uFFFDé\uFFFDAg");  // f: its last character without a 0 after it; @ the default
  EXPECT_TRUE(registry->Find("key", "b")->expandable && !registry->Find("key", "d") &&  // d has no "="
              !registry->Find("key", "e"));  // nor e a byte in hexadecimal
}

TEST(StoreLocation, AWindowsPathIsAFolderOfADriveOfThePrefixOrNothing) {
  Prefix prefix;
  WriteText(prefix.dir / "drive_c/file.txt", "x");
  const std::string c = (prefix.dir / "drive_c").string();
  for (const char* drive : {"a:", "z:"})
    fs::create_directory_symlink("../drive_c", prefix.dir / "dosdevices" / drive);
  for (const char* windows : {"C:\\Stores", "c:/stores//./", "C:Stores", "A:\\Stores", "Z:\\Stores"})
    EXPECT_EQ(MapWindowsPath(prefix.path(), windows), c + "/Stores") << windows;
  EXPECT_EQ(MapWindowsPath(prefix.path(), "C:"), c);
  for (const char* windows :
       {"C:\\file.txt", "C:\\missing\\x", "D:\\Stores", "\\\\server\\share", "1:\\x", "c\\Stores"})
    EXPECT_EQ(MapWindowsPath(prefix.path(), windows), std::nullopt) << windows;
}

TEST(StoreLocation, TheStoreIsLookedForUntilFoundOnceThenLeftAsTheUserHasIt) {
  Prefix prefix;
  const fs::path conf = prefix.dir / "vendrel.conf";
  StoreLocator locator(prefix.path(), conf.string());
  std::string path;
  EXPECT_FALSE(locator.Locate(path));  // nothing anywhere: asked again next time
  WriteText(conf, "[General]\nStoreRoot=" + (prefix.dir / "drive_c/Stores").string() + "\n");
  EXPECT_TRUE(locator.Locate(path) && path == (prefix.dir / "drive_c/Stores/Folders.dbx").string()) << path;
  path = "kept";
  EXPECT_TRUE(locator.Locate(path) && path == "kept");
}

class Association : public testing::Test {
 protected:
  XdgDirectories Directories() const { return {(dir / "data").string(), (dir / "config").string()}; }
  TempDir dir;
};

TEST_F(Association, ItWritesTheTypeTheEntryAndTheDefaultAndASecondRunWritesTheSame) {
  WriteText(dir / "config/mimeapps.list",
            "[Added Associations]\nimage/png=gimp.desktop;\n\n[Default Applications]\r\n"
            "text/html=firefox.desktop\r\napplication/x-outlook-express-dbx=other.desktop\r\n");
  umask(022);
  ASSERT_TRUE(AssociateWith(Directories(), "/opt/My Apps/vendrel", "vendrel-explorer", false));
  EXPECT_EQ(fs::status(dir / "data/mime").permissions(), fs::perms(0755));  // as made, readable by all
  const std::string entry = ReadText(dir / "data/applications/vendrel-build.desktop");
  EXPECT_NE(entry.find("\nExec=\"/opt/My Apps/vendrel\" %F\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=vendrel-explorer\n"), std::string::npos);
  EXPECT_NE(ReadText(dir / "data/mime/packages/vendrel.xml").find("value=\"\\xcf\\xad\\x12\\xfe\""),
            std::string::npos);
  // The databases made from them are refreshed where their tools are installed.
  EXPECT_EQ(fs::exists(dir / "data/mime/mime.cache"), FindProgram("update-mime-database").has_value());
  EXPECT_EQ(fs::exists(dir / "data/applications/mimeinfo.cache"),
            FindProgram("update-desktop-database").has_value());
  const std::string list = ReadText(dir / "config/mimeapps.list");
  EXPECT_EQ(list,
            "[Added Associations]\nimage/png=gimp.desktop;\n\n[Default Applications]\r\n"
            "application/x-outlook-express-dbx=vendrel-build.desktop\r\ntext/html=firefox.desktop\r\n");

  ASSERT_TRUE(AssociateWith(Directories(), "/opt/My Apps/vendrel", "vendrel-explorer", false));
  EXPECT_TRUE(ReadText(dir / "config/mimeapps.list") == list &&
              ReadText(dir / "data/applications/vendrel-build.desktop") == entry);
}

TEST_F(Association, AnInstalledProgramIsMadeTheDefaultThroughItsInstalledEntryAndWritesNoEntryOfItsOwn) {
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "bin");
  EXPECT_FALSE(IsInstalled((prefix / "bin").string()));  // a build directory: no entry beside it
  WriteText(prefix / "share/applications/vendrel.desktop", "[Desktop Entry]\n");
  EXPECT_TRUE(IsInstalled((prefix / "bin").string()));
  EXPECT_FALSE(IsInstalled((prefix / "share").string()));

  ASSERT_TRUE(AssociateWith(Directories(), (prefix / "bin/vendrel").string(), "vendrel-explorer", true));
  EXPECT_EQ(ReadText(dir / "config/mimeapps.list"),
            "[Default Applications]\napplication/x-outlook-express-dbx=vendrel.desktop\n");
  EXPECT_FALSE(fs::exists(dir / "data"));
}

TEST_F(Association, TheIconIsTheFileBesideTheProgramElseTheThemesName) {
  EXPECT_EQ(ExplorerIcon((dir / "bin").string()), "vendrel-explorer");
  WriteText(dir / "share/icons/hicolor/256x256/apps/vendrel-explorer.png", "png");
  fs::create_directory(dir / "bin");
  EXPECT_EQ(ExplorerIcon((dir / "bin").string()),
            fs::canonical(dir / "share/icons/hicolor/256x256/apps/vendrel-explorer.png").string());
}

TEST_F(Association, ALinkInsideTheDirectoriesIsNotWrittenThroughAndAFailedWriteLeavesNothingBehind) {
  TempDir outside;
  for (const char* made : {"data", "config/mimeapps.list/in the way"}) fs::create_directories(dir / made);
  fs::create_directory_symlink(outside.path(), dir / "data/applications");
  EXPECT_FALSE(AssociateWith(Directories(), "/usr/bin/vendrel", "vendrel-explorer", false));
  EXPECT_TRUE(fs::is_empty(outside.path()) &&
              fs::status(dir / "data/mime/packages/vendrel.xml").permissions() == fs::perms(0644));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "config"), {}), 1);  // no temporary file left
  fs::create_directory(outside / "sub");  // a link further up is not gone through either
  for (const std::string& name : {"/x"s, "a/"s, "a/../../x"s, std::string(256, 'n'), "config/mimeapps.list"s,
                                  "data/applications/sub/x"s})
    EXPECT_FALSE(WriteFileInside(dir.path(), name, "x")) << name;  // out, no file, long, a directory, a link
  EXPECT_TRUE(fs::is_empty(outside / "sub"));
}

TEST(Spawn, AProgramRunToItsEndQuietlyGivesItsExitCodeAndOneThatDoesNotEndByItselfOrCannotStartMinusOne) {
  const std::pair<std::vector<std::string>, int> runs[] = {
      {{"sh", "-c", "[ /dev/stdout -ef /dev/null ] && [ /dev/stderr -ef /dev/null ] && exit 3"}, 3},
      {{"true"}, 0},
      {{"sh", "-c", "kill -9 $$"}, -1},
      {{"/no/such/program"}, -1},
      {{}, -1}};
  for (const auto& [argv, code] : runs) EXPECT_EQ(shell::RunAndWait(argv), code) << argv.size();
  EXPECT_FALSE(shell::StartDetached({}) || shell::StartDetached({"/no/such/program"}));
}

TEST(IdentityLauncher, TheLauncherStartsWithItsCommandLineThroughWineAndLeavesNoChild) {
  TempDir programs;
  const fs::path log = programs / "log";
  const pid_t self = getpid();  // and the test goes on in this process, not in a copy forked on the way
  // Executable stand-ins: the launcher writes its arguments (and whether it runs in this test's session or
  // as the test's child, which it must not); "wine" notes itself and runs what it is given.
  const std::string script = "[ $(cut -d' ' -f6 /proc/$$/stat) != " + std::to_string(getsid(0)) +
                             " -a $PPID != " + std::to_string(self) +
                             " ] || echo ours\necho \"${VIA:-}$*\"\n";
  WriteText(programs / "trevik_2.exe", "#!/bin/sh\n{\n" + script + "} >> '" + log.string() + "'\n", true);
  WriteText(programs / "bin/wine", "#!/bin/sh\nVIA='wine ' exec \"$@\"\n", true);
  const std::string oldPath = std::getenv("PATH");
  setenv("PATH", ((programs / "bin").string() + ":" + oldPath).c_str(), 1);
  for (const int number : {0, -1, 3})
    EXPECT_TRUE(LaunchIdentityFrom(number, programs.path().string()) == 0 && getpid() == self) << number;
  EXPECT_EQ(LaunchIdentityFrom(0, (programs / "bin").string()), 1);  // found nowhere
  WriteText(programs / "broken/bin/wine", "#!/nonexistent/interpreter\n", true);
  setenv("PATH", (programs / "broken/bin").c_str(), 1);
  EXPECT_EQ(LaunchIdentityFrom(0, programs.path().string()), 1);  // wine cannot start
  setenv("PATH", oldPath.c_str(), 1);
  std::string lines;  // started detached: they write when they run, in any order
  for (int wait = 0; wait < 250 && (lines = ReadText(log), std::count(lines.begin(), lines.end(), '\n') < 3);
       ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::multiset<std::string> started;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) started.insert(line);
  EXPECT_EQ(started, (std::multiset<std::string>{"wine ", "wine /buddy3", "wine /choose"}));
}

}  // namespace
}  // namespace vendrel::shell
