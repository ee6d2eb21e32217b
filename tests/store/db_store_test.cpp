#include "store/db_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/file_mapping.h"
#include "store/little_endian.h"
#include "support/dbx_builder.h"
#include "support/process.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::TempDir;
namespace fs = std::filesystem;

class DbStoreTest : public testing::Test {
 protected:
  fs::path MakeDatabase(const char* name = "Inbox.dbx") {
    const fs::path path = dir / name;
    DbxBuilder(DbKind::Message).WriteTo(path);
    return path;
  }

  TempDir dir;
  testsupport::ScopedDesktop desktop;
};

TEST_F(DbStoreTest, AnEmptyPathFailsWithoutMessageAndLeavesTheSessionAlone) {
  DbStore store;
  EXPECT_FALSE(store.Open(""));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_TRUE(desktop.desktop.messages().empty());
}

TEST_F(DbStoreTest, APathThatNamesNoFileFailsSilentlyAndCreatesNothing) {
  DbStore store;
  EXPECT_FALSE(store.Open((dir / "missing.dbx").string()));
  EXPECT_FALSE(fs::exists(dir / "missing.dbx"));
  EXPECT_TRUE(desktop.desktop.messages().empty());
  EXPECT_TRUE(store.mappingName().empty());
}

TEST_F(DbStoreTest, AnEmptyFileCannotBeMappedAndStaysAsItWas) {
  const fs::path path = dir / "empty.dbx";
  testsupport::WriteFileBytes(path, {});
  DbStore store;
  EXPECT_FALSE(store.Open(path.string()));
  EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(DbStoreTest, ADirectoryIsNoDatabase) {
  DbStore store;
  EXPECT_FALSE(store.Open(dir.path().string()));
}

TEST_F(DbStoreTest, PathsLongerThan243CharactersAreRefused) {
  // A relative path of 244 characters: the file may exist, the name of its lock would not fit.
  fs::create_directories(dir / std::string(200, 'd'));
  const std::string longPath = (dir / std::string(200, 'd') / "x.dbx").string();
  DbxBuilder(DbKind::Message).WriteTo(longPath);
  const std::string relative = fs::relative(longPath, "/").string();
  const std::string padded = std::string("/") + std::string(243 - relative.size() - 1, '/') + relative;
  ASSERT_EQ(padded.size(), 243u);
  DbStore store;
  EXPECT_TRUE(store.Open(padded));
  EXPECT_FALSE(store.Open("/" + padded));
  EXPECT_FALSE(store.IsOpen());
}

TEST_F(DbStoreTest, AnOpenSessionReadsInPlaceAndNamesItsMapping) {
  const fs::path path = MakeDatabase();
  DbStore store;
  ASSERT_TRUE(store.Open(path.string()));
  EXPECT_EQ(store.mappedLength(), 0u);
  EXPECT_EQ(store.viewLength(), fs::file_size(path));
  ASSERT_NE(store.At(0, 4), nullptr);
  EXPECT_EQ(LoadU32(store.At(0, 4)), 0xFE12ADCFu);
  EXPECT_EQ(store.ReadU32(0x5C), 0u);
  EXPECT_NE(store.mappingName().find("inbox.dbx_directdbfilemap"), std::string::npos);
  store.Close();
  EXPECT_TRUE(store.mappingName().empty());
  EXPECT_EQ(store.At(0, 4), nullptr);
  store.Close();  // a second Close does nothing
}

TEST_F(DbStoreTest, EveryAccessIsBoundedByTheView) {
  const fs::path path = MakeDatabase();
  DbStore store;
  ASSERT_TRUE(store.Open(path.string()));
  const uint32_t size = static_cast<uint32_t>(store.viewLength());
  EXPECT_NE(store.At(size - 4, 4), nullptr);
  EXPECT_EQ(store.At(size - 3, 4), nullptr);
  EXPECT_EQ(store.At(size, 1), nullptr);
  EXPECT_EQ(store.At(0xFFFFFFFF, 2), nullptr);  // ra + length wraps in 32 bits
  EXPECT_EQ(store.At(4, 0xFFFFFFFF), nullptr);
  EXPECT_FALSE(store.ReadU32(size - 2).has_value());
  EXPECT_FALSE(store.ReadU16(size - 1).has_value());
  EXPECT_FALSE(store.ReadU8(size).has_value());
  EXPECT_FALSE(store.WriteU32(size - 2, 1));
  const uint8_t bytes[8] = {};
  EXPECT_FALSE(store.WriteAt(size - 4, bytes, 8));
  EXPECT_EQ(store.AtWritable(size - 4, 8), nullptr);
}

TEST_F(DbStoreTest, AtCheckedAcceptsOnlyAStructureThatStartsWithItsOwnRa) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t tagged = builder.Reserve(16);
  builder.SetU32(tagged, tagged);
  const uint32_t untagged = builder.Reserve(16);
  builder.SetU32(untagged, untagged + 4);
  builder.WriteTo(dir / "db.dbx");
  DbStore store;
  ASSERT_TRUE(store.Open((dir / "db.dbx").string()));
  EXPECT_EQ(store.AtChecked(tagged), store.At(tagged, 4));
  EXPECT_EQ(store.AtChecked(tagged, 16), store.At(tagged, 16));
  EXPECT_EQ(store.AtChecked(tagged, 17 + 16), nullptr);  // the structure would pass the end
  EXPECT_EQ(store.AtChecked(untagged), nullptr);
  EXPECT_EQ(store.AtChecked(0), nullptr);
  store.Close();
  EXPECT_EQ(store.AtChecked(tagged), nullptr);
}

TEST_F(DbStoreTest, WritesOfOneSessionAreSeenByTheNext) {
  const fs::path path = MakeDatabase();
  {
    DbStore writer;
    ASSERT_TRUE(writer.Open(path.string()));
    EXPECT_TRUE(writer.WriteU32(0x5C, 0x1234));
    const uint8_t text[] = {'a', 'b', 'c'};
    EXPECT_TRUE(writer.WriteAt(0x200, text, 3));
  }
  DbStore reader;
  ASSERT_TRUE(reader.Open(path.string()));
  EXPECT_EQ(reader.ReadU32(0x5C), 0x1234u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.At(0x200, 3)), 3), "abc");
}

TEST_F(DbStoreTest, ASecondOpenClosesTheFirstSession) {
  const fs::path first = MakeDatabase("a.dbx");
  const fs::path second = MakeDatabase("b.dbx");
  DbStore store;
  ASSERT_TRUE(store.Open(first.string()));
  ASSERT_TRUE(store.Open(second.string()));
  EXPECT_NE(store.mappingName().find("b.dbx"), std::string::npos);
  // The first file's lock was given back: another session takes it at once.
  DbStore other;
  other.SetLockTimeout(std::chrono::milliseconds(0));
  EXPECT_TRUE(other.Open(first.string()));
}

TEST_F(DbStoreTest, GrowExtendsTheFileToWholePagesAndRemapsKeepingTheContent) {
  const fs::path path = MakeDatabase();
  const uint64_t before = fs::file_size(path);
  DbStore store;
  ASSERT_TRUE(store.Open(path.string()));
  EXPECT_FALSE(store.Grow(0));
  const uint32_t wanted = static_cast<uint32_t>(before) + 100;
  ASSERT_TRUE(store.Grow(wanted));
  const uint32_t page = PageSize();
  const uint32_t rounded = (wanted + page - 1) / page * page;
  EXPECT_EQ(store.mappedLength(), rounded);
  EXPECT_EQ(store.viewLength(), rounded);
  EXPECT_EQ(store.ReadU32(0), 0xFE12ADCFu);
  ASSERT_TRUE(store.WriteU32(wanted - 4, 0xCAFE));
  // Asking for less than what is mapped changes nothing.
  const uint8_t* view = store.At(0, 4);
  EXPECT_TRUE(store.Grow(wanted - 50));
  EXPECT_EQ(store.At(0, 4), view);
  store.Close();
  EXPECT_EQ(fs::file_size(path), rounded);
  DbStore next;
  ASSERT_TRUE(next.Open(path.string()));
  EXPECT_EQ(next.ReadU32(wanted - 4), 0xCAFEu);
}

TEST_F(DbStoreTest, GrowNeverShortensAFileThatIsAlreadyLonger) {
  const fs::path path = dir / "long.dbx";
  DbxBuilder(DbKind::Message).PadTo(1 << 20).WriteTo(path);
  DbStore store;
  ASSERT_TRUE(store.Open(path.string()));
  ASSERT_TRUE(store.Grow(0x3000));
  EXPECT_EQ(store.viewLength(), 1u << 20);
  EXPECT_NE(store.At((1 << 20) - 4, 4), nullptr);
  store.Close();
  EXPECT_EQ(fs::file_size(path), 1u << 20);
}

// A read-only archive copy. Root may write to any file, so the checks run in a child that has
// given up root when there is any.
TEST_F(DbStoreTest, AReadOnlyFileOpensForReadingAndRefusesEveryWrite) {
  const fs::path path = MakeDatabase();
  chmod(dir.path().c_str(), 0755);
  chmod(path.c_str(), 0444);
  const std::vector<uint8_t> original = testsupport::ReadFileBytes(path);
  const int failures = testsupport::RunInChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 100;
    unsetenv("XDG_RUNTIME_DIR");  // the lock directory must be one this user may create
    DbStore store;
    int failed = 0;
    if (!store.Open(path.string())) return 101;
    if (store.ReadU32(0) != 0xFE12ADCFu) failed |= 1;
    if (store.IsWritable()) failed |= 2;
    const uint32_t value = 7;
    if (store.WriteAt(0x5C, &value, 4) || store.WriteU32(0x5C, 7)) failed |= 4;
    if (store.AtWritable(0x5C, 4) != nullptr) failed |= 8;
    if (store.Allocate(8, 0x24, 49152) != nullptr) failed |= 16;
    if (store.Grow(1 << 20)) failed |= 32;
    if (!store.IsOpen() || store.ReadU32(0x5C) != 0u) failed |= 64;  // still readable after refusals
    return failed;
  });
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(testsupport::ReadFileBytes(path), original);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

TEST_F(DbStoreTest, ANestedSessionSharesTheOuterViewAndNeverPullsItAwayWhenTheFileGrew) {
  const fs::path path = MakeDatabase();
  DbStore outer;
  ASSERT_TRUE(outer.Open(path.string()));
  const uint8_t* magic = outer.At(0, 4);
  ASSERT_NE(magic, nullptr);
  // Another program (not keeping to the lock) makes the file longer.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(fs::file_size(path) + 65536)), 0);
  {
    DbStore nested;
    ASSERT_TRUE(nested.Open(path.string()));
    EXPECT_EQ(nested.At(0, 4), magic);
    DbStore fresh;  // a session of its own on the same file grows it: the others keep their views
    ASSERT_TRUE(fresh.Open(path.string(), 1));
    EXPECT_TRUE(fresh.Grow(static_cast<uint32_t>(fs::file_size(path) + 4096)));
  }
  EXPECT_EQ(LoadU32(magic), 0xFE12ADCFu);
  outer.Close();
  DbStore after;
  ASSERT_TRUE(after.Open(path.string()));
  EXPECT_EQ(after.viewLength(), fs::file_size(path));
}

}  // namespace
}  // namespace vendrel
