// What stands in for the Windows facilities: code pages, the cache of file mappings, named locks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/code_page.h"
#include "platform/format.h"
#include "platform/mapping_cache.h"
#include "platform/named_lock.h"
#include "platform/working_directory.h"
#include "support/dbx_builder.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Legacy bytes are written in octal: "\351" is 0xE9, é in Windows-1252.
TEST(CodePage, TextsAreDecodedWholeAndEncodedOnlyWhenEveryCharacterFits) {
  const CodePage cp("WINDOWS-1252");
  EXPECT_EQ(cp.ToUtf8("Bo\356te de r\351ception"), "Boîte de réception");
  EXPECT_EQ(cp.ToUtf8("\223hi\224 \226 a\201b\215"), "“hi” – a\uFFFDb\uFFFD");  // 0x81, 0x8D: undefined
  const std::string decoded = cp.ToUtf8(std::string(5000, '\351'));  // é 5000 times, none cut or lost
  EXPECT_TRUE(decoded.size() == 10000 && decoded.find_first_not_of("é") == std::string::npos);
  EXPECT_TRUE(cp.ToUtf8("").empty() && cp.FromUtf8("réception") == "r\351ception");
  EXPECT_FALSE(cp.FromUtf8("日本") || cp.FromUtf8("bad \xFF utf-8"));
  const CodePage sjis("cp932");  // any case; 81-FC, but for the half-width kana A0-DF between
  EXPECT_TRUE(!sjis.IsLeadByte(0x80) && sjis.IsLeadByte(0x81) && sjis.IsLeadByte(0x9F) &&
              !sjis.IsLeadByte(0xA0) && !sjis.IsLeadByte(0xDF) && sjis.IsLeadByte(0xE0) &&
              sjis.IsLeadByte(0xFC) && !sjis.IsLeadByte(0xFD));
  const CodePage gbk("GBK");  // 81-FE
  EXPECT_TRUE(!cp.IsLeadByte(0x81) && !gbk.IsLeadByte(0x80) && gbk.IsLeadByte(0x81) && gbk.IsLeadByte(0xFE) &&
              !gbk.IsLeadByte(0xFF));

  EXPECT_TRUE(!SetLegacyCodePage("NO-SUCH-CODE-PAGE") && LegacyCodePage().name() == "WINDOWS-1252");
  ASSERT_TRUE(SetLegacyCodePage("CP1251"));
  EXPECT_EQ(LegacyCodePage().ToUtf8("\317\360\350"), "При");
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

TEST(MappingCache, AFileKeepsItsMappingUntilReplacedAndNoneOutlivesItsLastUse) {
  testsupport::TempDir dir;
  const std::string path = (dir / "file.dbx").string();
  EXPECT_TRUE(AcquireMapping(path) == nullptr && !fs::exists(path));  // nothing is ever created
  testsupport::WriteFileBytes(path, std::vector<uint8_t>{'a'});       // one byte is mapped as any file
  errno = EACCES;  // left by an earlier call: what opened for writing stays writable
  std::shared_ptr<FileMapping> old = AcquireMapping(path);
  ASSERT_TRUE(old != nullptr && AcquireMapping(path) == old && old->IsWritable());
  testsupport::WriteFileBytes(dir / "new.dbx", std::vector<uint8_t>{'n'});  // as long
  fs::rename(dir / "new.dbx", path);
  EXPECT_TRUE(AcquireMapping(path)->data()[0] == 'n' && old->data()[0] == 'a');  // the old one's user has it
  old.reset();
  ForgetMappings();
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    EXPECT_EQ(line.find(dir.path().string()), std::string::npos);
}

TEST(Format, TextsAsLongAsItsBufferOrLongerComeWhole) {
  for (const size_t n : {255u, 256u, 257u})
    EXPECT_EQ(Format("%s", std::string(n, 'x').c_str()), std::string(n, 'x'));
}

TEST(UserDirectories, AnAbsoluteSettingElseUnderHomeAndTheProgramsOwnDirectoryWhenWritable) {
  setenv("XDG_DATA_HOME", "relative", 1);  // only an absolute setting counts
  EXPECT_EQ(UserDirectory("XDG_DATA_HOME", ".local/share"),
            std::string(std::getenv("HOME")) + "/.local/share");
  setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(UserDirectory("XDG_DATA_HOME", ".local/share"), "/data");
  unsetenv("XDG_DATA_HOME");
  testsupport::TempDir program;
  EXPECT_EQ(ChooseWorkingDirectory(program.path().string()), program.path().string());
}

TEST(NamedLock, TheLockFilesLieInADirectoryOfTheirOwnThatOnlyTheUserReaches) {
  testsupport::TempDir runtime;
  const std::string saved = std::getenv("XDG_RUNTIME_DIR") != nullptr ? std::getenv("XDG_RUNTIME_DIR") : "";
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  NamedLock lock;
  EXPECT_TRUE(lock.Create("mode_test"));
  EXPECT_EQ(fs::status(runtime / "vendrel").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(runtime / "vendrel/mode_test").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  lock.Close();
  const std::string base = "ab" + std::string(250, 'x');  // long names: cut, plus a hash all versions share
  EXPECT_TRUE(LockFileName(base) == "ab" + std::string(181, 'x') + "-7f4a519d772ba84c" &&
              LockFileName(base) != LockFileName(base + "y") && LockFileName("short_name") == "short_name");
  fs::remove_all(runtime / "vendrel");
  fs::create_directory_symlink(runtime.path(), runtime / "vendrel");  // not a directory of its own
  EXPECT_FALSE(lock.Create("mode_test"));
  saved.empty() ? unsetenv("XDG_RUNTIME_DIR") : setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST(NamedLock, ClosingALockOrAMappingClosesItsOwnDescriptorOnceAndNoOther) {
  ASSERT_TRUE(fcntl(0, F_GETFD) != -1 || open("/dev/null", O_RDONLY) == 0);
  const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
  const auto before = openFiles();
  NamedLock lock, neverTaken;
  FileMapping mapping;  // and so does a mapping
  const std::string name = "named_lock_test_twice_" + std::to_string(getpid());
  ASSERT_TRUE(lock.Create(name) && neverTaken.Create(name) && mapping.Open("/proc/self/maps"));
  ASSERT_EQ(lock.Wait(0ms), NamedLock::WaitResult::Acquired);
  NamedLock nested, stranger;  // a session nested in the holder's takes its lock again, nobody else's
  ASSERT_TRUE(nested.Create(name + "_nested") && nested.Wait(0ms) == NamedLock::WaitResult::Acquired);
  EXPECT_TRUE(nested.Reenter(lock) && !stranger.Reenter(neverTaken) && neverTaken.Create(name + "_other"));
  nested.Close();
  lock.Close();
  lock.Close();
  neverTaken.Close();
  mapping.Close();
  mapping.Close();
  EXPECT_NE(fcntl(0, F_GETFD), -1) << "descriptor 0 was closed";
  EXPECT_EQ(openFiles(), before) << "the lock file stayed open";
}

}  // namespace
}  // namespace vendrel
