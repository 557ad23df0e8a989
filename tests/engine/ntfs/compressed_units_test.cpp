// The copiers of NTFS data on their own: the unit loop of compressed data
// and the plain-run copier make holes of sparse runs, however long, say a
// short run list is short, and stop when asked.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/ntfs/compressed_units.h"
#include "engine/ntfs/data_copier.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/recovery/output_path.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine::ntfs {
namespace {

constexpr uint32_t kCluster = 4096;
constexpr int64_t kStored = 100;  // the only clusters "on the disk": 100 .. 115

struct Source {
  std::vector<uint8_t> disk = std::vector<uint8_t>(16 * kCluster);
  int units = 0;
  ClusterSource source;
  Source() {
    for (size_t i = 0; i < disk.size(); ++i) disk[i] = static_cast<uint8_t>(i * 7 + 1);
    source.clusterBytes = kCluster;
    source.readClusters = [this](int64_t lcn, int64_t count, uint8_t* buffer) {
      if (lcn < kStored || lcn + count > kStored + 16) return false;
      std::copy_n(disk.begin() + (lcn - kStored) * kCluster, count * kCluster, buffer);
      return true;
    };
    // Far fewer calls than a unit-by-unit walk of the sparse runs below.
    source.beforeStep = [this] { return ++units < 1000; };
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

std::vector<uint8_t> Contents(const std::string& path) { return tarnwell::testing::ReadBinaryFile(path); }

TEST(CopyPlainRuns, EachCaseWritesWhatItsRunsPlace) {
  const auto stored = [](Source& s, int64_t from, int64_t clusters) {
    return std::vector<uint8_t>(s.disk.begin() + from * kCluster, s.disk.begin() + (from + clusters) * kCluster);
  };
  struct Case {
    const char* what;
    trunlist runs;
    uint64_t size;
    CopyOutcome outcome;
    std::vector<std::pair<int64_t, int64_t>> expected;  // (first stored cluster or -1 for zeros, clusters)
  } cases[] = {
      {"runs with a hole between, cut inside the last cluster", {{kStored, 4}, {0, 3}, {kStored + 4, 8}},
       14 * kCluster + 100, CopyOutcome::kCopied, {{0, 4}, {-1, 3}, {4, 8}}},
      {"more runs than the data needs", {{kStored, 16}, {kStored, 16}}, 3 * kCluster, CopyOutcome::kCopied, {{0, 3}}},
      {"runs that end before the data", {{kStored, 2}}, 4 * kCluster, CopyOutcome::kRunsTooShort, {{0, 2}}},
      {"a cluster that is not on the disk", {{kStored, 2}, {7, 1}}, 3 * kCluster, CopyOutcome::kReadFailed, {{0, 2}}},
  };
  for (const Case& c : cases) {
    Source s;
    Output out("plain");
    EXPECT_EQ(CopyPlainRuns(c.runs, *out.file, c.size, s.source), c.outcome) << c.what;
    out.file->Close();
    std::vector<uint8_t> want;
    for (const auto& [from, clusters] : c.expected) {
      const std::vector<uint8_t> piece =
          from < 0 ? std::vector<uint8_t>(clusters * kCluster, 0) : stored(s, from, clusters);
      want.insert(want.end(), piece.begin(), piece.end());
    }
    if (want.size() > c.size) want.resize(c.size);
    EXPECT_EQ(Contents(out.path), want) << c.what;
  }
}

TEST(CopyPlainRuns, AHugeSparseRunIsOneHoleAndAStopEndsTheCopy) {
  Source s;
  int steps = 0;
  s.source.beforeStep = [&steps] { return ++steps < 1000; };
  Output huge("plain-huge");
  const int64_t sparse = int64_t{1} << 28;
  EXPECT_EQ(CopyPlainRuns({{0, sparse}, {kStored, 1}}, *huge.file, (sparse + 1) * kCluster, s.source),
            CopyOutcome::kCopied);
  EXPECT_LE(steps, 3);
  struct stat st {};
  ASSERT_EQ(::stat(huge.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, (sparse + 1) * kCluster);

  steps = 0;
  s.source.beforeStep = [&steps] { return ++steps < 2; };
  Output stopped("plain-stopped");
  EXPECT_EQ(CopyPlainRuns({{kStored, 16}, {kStored, 16}}, *stopped.file, 32 * kCluster, s.source),
            CopyOutcome::kStopped);
  stopped.file->Close();
  EXPECT_EQ(Contents(stopped.path), s.disk) << "the piece before the stop stays";
}

TEST(IsCompressedData, TheAttributeDecidesAndTheFileOnlyWithAUnit) {
  const auto data = [](uint16_t flags, uint16_t unit) {
    TAttribute a;
    StoreLE16(&a.Header[12], flags);
    a.NonResident.emplace();
    StoreLE16(&(*a.NonResident)[18], unit);
    return a;
  };
  RawFileName plain, compressed;
  compressed.SetAttributes(kNtfsAttrCompressed);
  EXPECT_TRUE(IsCompressedData(plain, data(kAttrFlagCompressed, 0)));
  EXPECT_TRUE(IsCompressedData(compressed, data(0, 4)));
  EXPECT_FALSE(IsCompressedData(compressed, data(0, 0)));
  EXPECT_FALSE(IsCompressedData(plain, data(0, 4)));
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
