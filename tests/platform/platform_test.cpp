// What stands in for the Windows facilities: code pages, the cache of file mappings, the lock of a file;
// and files replaced whole.
#include <fcntl.h>
#include <signal.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/code_page.h"
#include "platform/file_lock.h"
#include "platform/file_mapping.h"
#include "platform/format.h"
#include "platform/mapping_cache.h"
#include "platform/new_file.h"
#include "platform/stop_signals.h"
#include "platform/working_directory.h"
#include "platform/write_faults.h"
#include "support/dbx_builder.h"
#include "support/process.h"

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
  // Cut to a number of bytes, a character that does not fit whole is left out whole.
  EXPECT_EQ(std::tuple(CutUtf8("éa", 1), CutUtf8("aé", 2), CutUtf8("aé", 3), CutUtf8("ab", 5)),
            std::tuple("", "a", "aé", "ab"));
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
  const std::weak_ptr<FileMapping> replaced = old;
  old.reset();
  EXPECT_TRUE(replaced.expired());  // and the cache no longer does
  ForgetMappings();
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    EXPECT_EQ(line.find(dir.path().string()), std::string::npos);
}

TEST(Format, TextsAsLongAsItsBufferOrLongerComeWholeAndOnlyAsciiLettersAreLowered) {
  for (const size_t n : {255u, 256u, 257u})
    EXPECT_EQ(Format("%s", std::string(n, 'x').c_str()), std::string(n, 'x'));
  EXPECT_EQ(AsciiLower("@AZ[az\xC9"), "@az[az\xC9");  // names compare in ASCII case only
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

// Each of the signals is only noted the first time; the second one ends the program.
TEST(StopSignals, TheFirstSignalAsksForAStopAndTheSecondEndsTheProgram) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = testsupport::StartChild([signal] {
      StopOnSignals();
      if (StopRequested() || raise(signal) != 0 || !StopRequested()) return 1;
      raise(signal);
      return 0;
    });
    EXPECT_EQ(testsupport::WaitChild(child), 128 + signal);
  }
}

TEST(FileLock, WhatIsNoRegularFileIsRefusedAtOnceAndClosingClosesItsOwnDescriptorOnce) {
  ASSERT_TRUE(fcntl(0, F_GETFD) != -1 || open("/dev/null", O_RDONLY) == 0);
  testsupport::TempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe.dbx").c_str(), 0600), 0);  // opening it must not wait for a writer
  FileLock lock, neverTaken, refused;
  FileMapping mapping;  // and so does a mapping
  const std::string path = testsupport::DbxBuilder(testsupport::DbKind::Message).WriteTo(dir / "Inbox.dbx");
  EXPECT_FALSE(refused.Open((dir / "pipe.dbx").string()));
  EXPECT_EQ(refused.lastError(), EINVAL);  // what a file of another kind gives
  EXPECT_FALSE(refused.Open(dir.path().string()) || refused.Open((dir / "missing.dbx").string()));
  ASSERT_TRUE(lock.Open(path) && neverTaken.Open(path) && mapping.Open("/proc/self/maps"));
  EXPECT_FALSE(mapping.Extend(1));  // opened for reading only: it never grows
  FileMapping directory;
  EXPECT_FALSE(directory.Open(dir.path().string()) || directory.Open("/dev/null"));  // or a device
  ASSERT_EQ(lock.Wait(0ms), FileLock::WaitResult::Acquired);
  FileLock nested, stranger;  // a session nested in the holder's takes its lock again, nobody else's
  ASSERT_TRUE(nested.Open(path));  // what it held before goes
  EXPECT_TRUE(nested.Reenter(lock) && !stranger.Reenter(neverTaken));
  const uint8_t bytes[] = {1, 2, 3};
  EXPECT_TRUE(mapping.OpenCopy(bytes));  // and so does the file a mapping had open
  EXPECT_EQ(neverTaken.Holder(), Format("platform_tests (process %d)", static_cast<int>(getpid())));
  nested.Close();
  lock.Close();
  lock.Close();
  neverTaken.Close();
  mapping.Close();
  mapping.Close();
  EXPECT_NE(close(0), -1) << "descriptor 0 was closed";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "the lock left a file behind";
}

// Replacing a file: what was there and how the writing ends -> what is there afterwards.
TEST(NewFile, AFileThereIsReplacedOnlyByAWholeNewOneAndNeverWrittenThrough) {
  testsupport::TempDir dir, elsewhere;
  const int dirFd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  testsupport::WriteFileBytes(elsewhere / "target", std::vector<uint8_t>{'k'});
  enum Before { Nothing, File, HardLink, SymbolicLink };
  enum Ending { Committed, Abandoned, RenameFails, TakenMeanwhile };
  const struct {
    Before before;
    Ending ending;
    std::string after;
    NewFile::Placing placing = NewFile::Placing::AtOnce;
  } cases[] = {{Nothing, Committed, "new"},     {Nothing, Abandoned, ""},   {File, Committed, "new"},
               {File, Abandoned, "old"},        {File, RenameFails, "old"}, {HardLink, Committed, "new"},
               {SymbolicLink, Committed, "new"}, {Nothing, Committed, "new", NewFile::Placing::OnceWhole},
               {File, Committed, "new", NewFile::Placing::OnceWhole},
               {Nothing, TakenMeanwhile, "other", NewFile::Placing::OnceWhole}};
  for (size_t n = 0; n < std::size(cases); ++n) {
    const auto& c = cases[n];
    const fs::path at = dir / std::to_string(n);
    if (c.before == File) testsupport::WriteFileBytes(at, std::vector<uint8_t>{'o', 'l', 'd'});
    if (c.before == HardLink) fs::create_hard_link(elsewhere / "target", at);
    if (c.before == SymbolicLink) fs::create_symlink(elsewhere / "target", at);
    NewFile file;
    ASSERT_TRUE(file.Begin(dirFd, at.filename(), c.placing) && write(file.fd(), "new", 3) == 3) << n;
    if (c.placing == NewFile::Placing::OnceWhole) {  // nothing under the name until the file is whole
      EXPECT_EQ(testsupport::ReadText(at), c.before == File ? "old" : "") << n;
    }
    if (c.ending == TakenMeanwhile) testsupport::WriteFileBytes(at, std::vector<uint8_t>{'o', 't', 'h', 'e', 'r'});
    if (c.ending == Abandoned) file.Abandon();
    ArmWriteFault(c.ending == RenameFails ? 1 : 0);
    EXPECT_EQ(file.Commit(), c.ending == Committed) << n;
    ArmWriteFault(0);
    EXPECT_TRUE(testsupport::ReadText(at) == c.after && !fs::is_symlink(at)) << n;
    EXPECT_TRUE(c.ending != Committed || fs::status(at).permissions() == fs::perms(0644)) << n;
  }
  EXPECT_EQ(testsupport::ReadText(elsewhere / "target"), "k");
  // A file begun anew drops what it had begun; a directory under the name stays one; and nothing is made
  // where no file can be.
  NewFile file;
  ASSERT_TRUE(file.Begin(dirFd, "dropped") && file.Begin(dirFd, "d") && !fs::exists(dir / "dropped"));
  file.Abandon();
  fs::create_directory(dir / "d");
  EXPECT_TRUE(file.Begin(dirFd, "d") && !file.Commit() && fs::is_directory(dir / "d"));
  ArmWriteFault(1);
  EXPECT_FALSE(file.Begin(dirFd, "g") || fs::exists(dir / "g"));
  ArmWriteFault(0);
  EXPECT_TRUE(!file.Begin(dirFd, std::string(300, 'n')) && errno == ENAMETOOLONG);  // said as it is
  close(dirFd);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 10) << "a temporary file stayed";
}

}  // namespace
}  // namespace vendrel
