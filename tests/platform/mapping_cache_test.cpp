#include "platform/mapping_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/dbx_builder.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class MappingCache : public testing::Test {
 protected:
  std::string Path() const { return (dir / "file.dbx").string(); }
  static std::string Text(const FileMapping& mapping) {
    return std::string(reinterpret_cast<const char*>(mapping.data()), mapping.size());
  }

  testsupport::TempDir dir;
};

TEST_F(MappingCache, TheSameFileKeepsItsMappingAndSeesEveryChangeOfItsBytes) {
  WriteFileBytes(Path(), std::vector<uint8_t>{'a', 'b', 'c', 'd'});
  const std::shared_ptr<FileMapping> first = AcquireMapping(Path());
  ASSERT_NE(first, nullptr);
  first->data()[0] = 'X';
  const std::shared_ptr<FileMapping> second = AcquireMapping(Path());
  EXPECT_EQ(second, first);
  EXPECT_EQ(Text(*second), "Xbcd");
  const std::vector<uint8_t> onDisk = ReadFileBytes(Path());
  EXPECT_EQ(onDisk[0], 'X');
}

TEST_F(MappingCache, AFileThatChangedSizeIsMappedAtItsNewSize) {
  WriteFileBytes(Path(), std::vector<uint8_t>(10, 'a'));
  ASSERT_EQ(AcquireMapping(Path())->size(), 10u);
  WriteFileBytes(Path(), std::vector<uint8_t>(5000, 'b'));  // rewritten in place, longer
  EXPECT_EQ(AcquireMapping(Path())->size(), 5000u);
  fs::resize_file(Path(), 3);  // and cut short: nothing past the end stays reachable
  const std::shared_ptr<FileMapping> shorter = AcquireMapping(Path());
  EXPECT_EQ(Text(*shorter), "bbb");
}

TEST_F(MappingCache, AFileReplacedUnderItsNameIsMappedAnew) {
  WriteFileBytes(Path(), std::vector<uint8_t>{'o', 'l', 'd'});
  const std::shared_ptr<FileMapping> old = AcquireMapping(Path());
  WriteFileBytes(dir / "new.dbx", std::vector<uint8_t>{'n', 'e', 'w'});
  fs::rename(dir / "new.dbx", Path());
  const std::shared_ptr<FileMapping> fresh = AcquireMapping(Path());
  EXPECT_NE(fresh, old);
  EXPECT_EQ(Text(*fresh), "new");
  EXPECT_EQ(Text(*old), "old");  // a session still using the old file keeps it
}

TEST_F(MappingCache, MissingEmptyAndOddFilesGiveNothingAndCreateNothing) {
  EXPECT_EQ(AcquireMapping(Path()), nullptr);
  EXPECT_FALSE(fs::exists(Path()));
  WriteFileBytes(Path(), {});
  EXPECT_EQ(AcquireMapping(Path()), nullptr);
  EXPECT_EQ(AcquireMapping(dir.path().string()), nullptr);
  fs::remove(Path());
  ForgetMappings();
}

}  // namespace
}  // namespace vendrel
