// The unit loop of compressed data on its own: holes for sparse units,
// however many, and a short run list said to be short.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/ntfs/compressed_units.h"
#include "engine/recovery/output_path.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine::ntfs {
namespace {

constexpr uint32_t kCluster = 4096;
constexpr int64_t kStored = 100;  // the only clusters "on the disk": 100 .. 115

struct Source {
  std::vector<uint8_t> disk = std::vector<uint8_t>(16 * kCluster);
  int units = 0;
  CompressedSource source;
  Source() {
    for (size_t i = 0; i < disk.size(); ++i) disk[i] = static_cast<uint8_t>(i * 7 + 1);
    source.clusterBytes = kCluster;
    source.readClusters = [this](int64_t lcn, int64_t count, uint8_t* buffer) {
      if (lcn < kStored || lcn + count > kStored + 16) return false;
      std::copy_n(disk.begin() + (lcn - kStored) * kCluster, count * kCluster, buffer);
      return true;
    };
    // Far fewer calls than a unit-by-unit walk of the sparse runs below.
    source.beforeUnit = [this] { return ++units < 1000; };
  }
};

struct Output {
  std::string path;
  std::optional<OutputFile> file;
  explicit Output(const std::string& hint) {
    auto created = CreateUniqueFile("data.bin", tarnwell::testing::MakeTempFolder(hint));
    EXPECT_TRUE(created);
    path = created->path;
    file.emplace(std::move(created->fd), created->path);
  }
};

TEST(WriteCompressedUnits, AHugeSparseRunBecomesOneHole) {
  // 2^28 sparse clusters (1 TiB), then one unit stored as it is.
  const int64_t sparse = int64_t{1} << 28;
  const int64_t size = (sparse + 16) * kCluster;
  Source s;
  Output out("huge-sparse");
  ASSERT_TRUE(WriteCompressedUnits({{0, sparse}, {kStored, 16}}, *out.file, size, s.source));
  EXPECT_LE(s.units, 3);
  out.file->Close();
  struct stat st {};
  ASSERT_EQ(::stat(out.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, size);
  EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, uint64_t{1} << 20) << "a hole, not written zeros";
  std::vector<uint8_t> tail(16 * kCluster);
  platform::UniqueFd fd(::open(out.path.c_str(), O_RDONLY));
  ASSERT_EQ(::pread(fd.get(), tail.data(), tail.size(), sparse * kCluster), static_cast<ssize_t>(tail.size()));
  EXPECT_EQ(tail, s.disk);
}

TEST(WriteCompressedUnits, RunsEndingBeforeTheDataAreNotPaddedToSize) {
  Source s;
  Output out("short-runs");
  EXPECT_FALSE(WriteCompressedUnits({{0, 32}}, *out.file, 64 * kCluster, s.source));
  out.file->Close();
  struct stat st {};
  ASSERT_EQ(::stat(out.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 32 * kCluster);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
