// Recovering or previewing a found NTFS record reads the record from the
// volume once: the attribute list, the data attribute and every other
// attribute are taken from that one copy.
#include <gtest/gtest.h>

#include <map>

#include "engine/drive_list.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

// Counts the reads that begin at each sector.
class CountingSource final : public disk::SectorSource {
 public:
  explicit CountingSource(std::unique_ptr<disk::SectorSource> inner) : inner_(std::move(inner)) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    ++reads_[lba];
    return inner_->Read(lba, count, buffer, bytesRead);
  }
  uint64_t SectorCount() const override { return inner_->SectorCount(); }
  int ReadsAt(uint64_t lba) const {
    const auto it = reads_.find(lba);
    return it == reads_.end() ? 0 : it->second;
  }
  void Clear() { reads_.clear(); }

 private:
  std::unique_ptr<disk::SectorSource> inner_;
  std::map<uint64_t, int> reads_;
};

TEST(NtfsRecordReads, ARecordIsReadOncePerRecoveryAndPreview) {
  auto volumes = tarnwell::testing::ImageVolumes(tarnwell::testing::FixturePath("ntfs/ntfs-mixed.img"));
  ASSERT_FALSE(volumes.empty());
  auto counting = std::make_unique<CountingSource>(std::move(volumes.front()));
  CountingSource& reads = *counting;
  testing::ScannedVolume volume(MakeDrive('C', std::move(counting)));
  ASSERT_TRUE(volume.Scanned());
  // Resident data, plain runs, compressed units.
  for (const char* path : {"docs/small.txt", "fragmented.bin", "packed/many_units.txt"}) {
    tntfsfilerecord* r = volume.Find(path);
    ASSERT_NE(r, nullptr) << path;
    const auto sector = static_cast<uint64_t>(r->RecordSector);
    reads.Clear();
    EXPECT_EQ(volume.Recover(*r).size(), static_cast<size_t>(r->DataSize)) << path;
    EXPECT_EQ(reads.ReadsAt(sector), 1) << path;
    reads.Clear();
    std::array<uint8_t, 2048> preview{};
    EXPECT_TRUE(volume.Engine().EntryOf(*r).ReadPreview(preview));
    EXPECT_EQ(reads.ReadsAt(sector), 1) << path;
  }
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
