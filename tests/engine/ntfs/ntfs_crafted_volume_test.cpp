// A small NTFS volume built byte by byte: an MFT in two extents joined by an
// attribute list in record 0, folders whose parent references form cycles,
// a compressed file whose run joins a stored unit and a compressed one, and
// a sparse run longer than the volume.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "common/little_endian.h"
#include "engine/ntfs/ntfs_format.h"
#include "tests/engine/ntfs/record_builder.h"
#include "tests/engine/ntfs/scanned_volume.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine::ntfs {
namespace {

using tarnwell::testing::Hex;
using testing::RecordBuilder;

constexpr size_t kVolumeSectors = 8192;  // 4 MiB, 1024-byte clusters
constexpr uint64_t kMftCluster = 32;     // records 0-15
constexpr uint64_t kSecondExtent = 100;  // records 16-35
constexpr uint64_t kPackedCluster = 300;
constexpr uint64_t kSparseCluster = 400;

struct ListedAt {
  uint32_t type;
  uint64_t record;
  uint16_t id;
  uint64_t vcn;
};
std::vector<uint8_t> ListValue(const std::vector<ListedAt>& entries) {
  std::vector<uint8_t> v(32 * entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    StoreLE32(&v[32 * i], entries[i].type);
    StoreLE16(&v[32 * i + 4], 32);
    StoreLE64(&v[32 * i + 8], entries[i].vcn);
    StoreLE64(&v[32 * i + 16], entries[i].record);
    StoreLE16(&v[32 * i + 24], entries[i].id);
  }
  return v;
}

uint8_t Pattern(size_t i) { return static_cast<uint8_t>((i * 31 + i / 1024) & 0xFF); }

class CraftedVolume : public ::testing::Test {
 protected:
  std::vector<uint8_t> image = std::vector<uint8_t>(kVolumeSectors * 512, 0);

  void PutRecord(uint64_t number, std::vector<uint8_t> record) {
    const uint64_t sector = number < 16 ? kMftCluster * 2 + 2 * number
                                        : kSecondExtent * 2 + 2 * (number - 16);
    std::copy(record.begin(), record.end(), image.begin() + sector * 512);
  }
  static RecordBuilder Folder(uint64_t parent, const std::u16string& name) {
    RecordBuilder b(3);
    b.StandardInformation(1, 0).FileName(parent, name, 1, kNtfsAttrDirectory);
    return b;
  }

  void SetUp() override {
    uint8_t* boot = image.data();
    std::memcpy(boot + 3, "NTFS    ", 8);
    StoreLE16(boot + 0x0B, 512);
    boot[0x0D] = 2;
    StoreLE64(boot + 0x28, kVolumeSectors - 1);
    StoreLE64(boot + 0x30, kMftCluster);
    StoreLE32(boot + 0x40, 0xF6);

    // Record 0 lists its data in two pieces: in itself and in record 1.
    RecordBuilder mft;
    mft.StandardInformation(1, 0)
        .Resident(kAttrAttributeList, ListValue({{0x10, 0, 0, 0}, {0x80, 0, 3, 0}, {0x80, 1, 0, 16}}))
        .FileName(5, u"$MFT")
        .NonResident(0x80, Hex("11 10 20 00"), 36 * 1024, 36 * 1024)
        .Vcns(0, 15);
    PutRecord(0, mft.Build());
    RecordBuilder piece;
    piece.Base(0).NonResident(0x80, Hex("11 14 64 00"), 0, 0).Vcns(16, 35);
    PutRecord(1, piece.Build());

    PutRecord(16, Folder(17, u"loopA").Build());
    PutRecord(17, Folder(16, u"loopB").Build());
    PutRecord(18, Folder(18, u"self").Build());
    RecordBuilder inLoop;
    inLoop.StandardInformation(1, 0).FileName(16, u"in_loop.txt").ResidentData({'x'});
    PutRecord(19, inLoop.Build());

    // 16 stored clusters, then 2 clusters of LZNT1 and 14 sparse: one run
    // of 18 clusters covers a stored unit and the start of a compressed one.
    RecordBuilder packed;
    packed.StandardInformation(1, kNtfsAttrCompressed)
        .FileName(5, u"packed.bin", 1, kNtfsAttrCompressed)
        .NonResident(0x80, Hex("21 12 2C 01 01 0E 00"), 32 * 1024, 16 * 1024 + 8192, 1);
    PutRecord(20, packed.Build());
    for (size_t i = 0; i < 16 * 1024; ++i) image[kPackedCluster * 1024 + i] = Pattern(i);
    // Two chunks of 4096 bytes: a literal, then a token repeating it.
    const auto unit = Hex("03 B0 02 51 FC 0F  03 B0 02 52 FC 0F  00 00");
    std::copy(unit.begin(), unit.end(), image.begin() + (kPackedCluster + 16) * 1024);

    // One cluster, then a sparse run of 2^32 - 1 clusters; 6024 bytes.
    RecordBuilder sparse;
    sparse.StandardInformation(1, 0)
        .FileName(5, u"sparse_huge.bin")
        .NonResident(0x80, Hex("21 01 90 01 04 FF FF FF FF 00"), 1024, 6024);
    PutRecord(21, sparse.Build());
    for (size_t i = 0; i < 1024; ++i) image[kSparseCluster * 1024 + i] = Pattern(i);

    // Ten runs of 4000 clusters, all at cluster 1: ten times the volume.
    std::string repeated = "22 A0 0F 01 00";
    for (int i = 0; i < 9; ++i) repeated += " 22 A0 0F 00 00";
    RecordBuilder repeat;
    repeat.StandardInformation(1, 0)
        .FileName(5, u"repeat.bin")
        .NonResident(0x80, Hex(repeated + " 00"), 40000 * 1024, 40000 * 1024);
    PutRecord(23, repeat.Build());

    RecordBuilder lost(0);
    lost.StandardInformation(1, 0).FileName(99, u"lost_parent.txt").ResidentData({'y'});
    PutRecord(22, lost.Build());
  }
};

TEST_F(CraftedVolume, ScansBothExtentsAndSurvivesParentCycles) {
  testing::ScannedVolumeOfDrive volume;
  ASSERT_TRUE(volume.Scan(tarnwell::testing::MemoryDrive(image)));
  auto& entries = volume.Drive().NtfsEntries;
  std::map<std::string, tntfsfilerecord*> byName;
  for (auto& r : entries) byName[r->Name] = r.get();
  for (const char* name : {"\\", "loopA", "loopB", "self", "in_loop.txt", "packed.bin",
                           "sparse_huge.bin", "lost_parent.txt", "[Folder]99"})
    EXPECT_TRUE(byName.count(name)) << name;
  EXPECT_EQ(byName["packed.bin"]->RecordNumber, 20);  // numbering crosses the extents
  EXPECT_EQ(byName["packed.bin"]->RecordSector, static_cast<int64_t>(kSecondExtent * 2 + 8));
  EXPECT_EQ(byName["lost_parent.txt"]->Parent, byName["[Folder]99"]);
  EXPECT_EQ(byName["packed.bin"]->Parent, byName["\\"]);
  // A circle of folders is cut where it closes: that folder moves to the
  // top level beside the lost folders, and the rest hangs below it.
  EXPECT_EQ(byName["loopB"]->FileName.ParentRecord(), 0u);
  EXPECT_EQ(byName["loopB"]->Parent, nullptr);
  EXPECT_EQ(byName["loopA"]->Parent, byName["loopB"]);
  EXPECT_EQ(byName["in_loop.txt"]->Parent, byName["loopA"]);
  EXPECT_EQ(byName["self"]->FileName.ParentRecord(), 0u);
  int first = -1, last = -1;
  ASSERT_TRUE(volume.Engine().GetChildRange(0, first, last));
  std::set<std::string> top;
  for (int i = first; i <= last; ++i) top.insert(entries[static_cast<size_t>(i)]->Name);
  EXPECT_TRUE(top.count("loopB") && top.count("self") && top.count("[Folder]99"));

  // Recovering the circle ends, and each folder comes once.
  const std::string dest = tarnwell::testing::MakeTempFolder("loop");
  tarnwell::testing::RecordingStatus status;
  EXPECT_TRUE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*byName["loopB"]), dest, "loopB", volume.Log(), status));
  EXPECT_TRUE(std::filesystem::exists(dest + "/loopB/loopA/in_loop.txt"));
  EXPECT_FALSE(std::filesystem::exists(dest + "/loopB/loopA/loopB"));
  tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*byName["self"]), dest, "self", volume.Log(), status);
  EXPECT_FALSE(std::filesystem::exists(dest + "/self/self"));
}

TEST_F(CraftedVolume, RecoversCompressedUnitsSharingARunAndHugeSparseRuns) {
  testing::ScannedVolumeOfDrive volume;
  ASSERT_TRUE(volume.Scan(tarnwell::testing::MemoryDrive(image)));
  tntfsfilerecord* packed = nullptr;
  tntfsfilerecord* sparse = nullptr;
  for (auto& r : volume.Drive().NtfsEntries) {
    if (r->Name == "packed.bin") packed = r.get();
    if (r->Name == "sparse_huge.bin") sparse = r.get();
  }
  ASSERT_TRUE(packed && sparse);
  std::string expected;
  for (size_t i = 0; i < 16 * 1024; ++i) expected.push_back(static_cast<char>(Pattern(i)));
  expected += std::string(4096, 'Q') + std::string(4096, 'R');
  EXPECT_EQ(volume.Recover(*packed), expected);

  expected.clear();
  for (size_t i = 0; i < 1024; ++i) expected.push_back(static_cast<char>(Pattern(i)));
  expected += std::string(5000, '\0');
  EXPECT_EQ(volume.Recover(*sparse), expected);
  EXPECT_TRUE(volume.Log().lines.empty());
}

TEST_F(CraftedVolume, ARunListRepeatingTheVolumeIsCutToTheVolumeAndReported) {
  testing::ScannedVolumeOfDrive volume;
  ASSERT_TRUE(volume.Scan(tarnwell::testing::MemoryDrive(image)));
  tntfsfilerecord* repeat = nullptr;
  for (auto& r : volume.Drive().NtfsEntries)
    if (r->Name == "repeat.bin") repeat = r.get();
  ASSERT_TRUE(repeat);
  const std::string dest = tarnwell::testing::MakeTempFolder("repeat");
  tarnwell::testing::RecordingStatus status;
  EXPECT_FALSE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*repeat), dest, "repeat.bin", volume.Log(), status));
  EXPECT_LE(std::filesystem::file_size(dest + "/repeat.bin"), kVolumeSectors * 512);
  ASSERT_EQ(volume.Log().lines.size(), 1u);
  EXPECT_EQ(volume.Log().lines[0].icon, kLogError);
}

TEST_F(CraftedVolume, CorruptedRecordsNeitherCrashNorHang) {
  // Random bytes over the MFT's records: every scan ends, and every listed
  // record can be recovered and previewed without leaving the destination.
  std::mt19937 rng(7);
  const std::vector<uint8_t> clean = image;
  for (int round = 0; round < 60; ++round) {
    image = clean;
    for (int i = 0; i < 40; ++i) {
      const bool first = rng() % 4 == 0;
      const size_t base = (first ? kMftCluster * 2 : kSecondExtent * 2) * 512;
      image[base + rng() % (first ? 4 * 1024 : 8 * 1024)] = static_cast<uint8_t>(rng());
    }
    testing::ScannedVolumeOfDrive volume;
    volume.Scan(tarnwell::testing::MemoryDrive(image));
    if (volume.Drive().NtfsEntries.empty()) continue;
    // The destination sits alone in a box: anything that escaped it would
    // show up beside it.
    const std::string box = tarnwell::testing::MakeTempFolder("fuzzed");
    const std::string dest = box + "/dest";
    std::filesystem::create_directory(dest);
    tarnwell::testing::RecordingStatus status;
    tntfsfilerecord& root = *volume.Drive().NtfsEntries[0];
    tarnwell::testing::RecoverInto(volume.Engine().EntryOf(root), dest, "root", volume.Log(), status);
    for (auto& r : volume.Drive().NtfsEntries) {
      std::array<uint8_t, 2048> preview;
      (void)volume.Engine().EntryOf(*r).ReadPreview(preview);
    }
    size_t beside = 0;
    for (const auto& e : std::filesystem::directory_iterator(box)) beside += e.path() != dest;
    EXPECT_EQ(beside, 0u);
    for (const auto& e : std::filesystem::recursive_directory_iterator(dest))
      EXPECT_FALSE(e.is_symlink()) << e.path();
    std::filesystem::remove_all(box);
  }
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
