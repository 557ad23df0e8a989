// GPT disks made by sfdisk and sgdisk, whole and damaged, compared with
// what mmls and "sgdisk -p" list for them: run live when the tool is
// installed, else the listing recorded beside the image when it was made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "physical/partition_search.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {
namespace {

using platform::SystemText;

// (start, sectors, name) of a partition.
using Listed = std::tuple<uint64_t, uint64_t, std::string>;

std::string ToolOutput(const std::string& tool, const std::string& image, const std::string& recorded) {
  if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0)
    return testing::ReadTextFile(testing::FixtureSourcePath(recorded));
  std::string out;
  if (FILE* pipe = ::popen((tool + " '" + image + "' 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

struct MmlsListing {
  bool gpt = false;  // a GUID partition table, not the protective record
  std::vector<Listed> partitions;
  std::vector<std::pair<uint64_t, uint64_t>> unallocated;  // first, last
};

MmlsListing Mmls(const std::string& image, const std::string& recorded) {
  MmlsListing listing;
  std::istringstream in(ToolOutput("mmls", image, recorded));
  const std::regex row(R"(^\d{3}:\s+(\S+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(.*)$)");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("GUID Partition Table", 0) == 0) listing.gpt = true;
    std::smatch m;
    if (!std::regex_match(line, m, row)) continue;
    const uint64_t first = std::stoull(m[2]), last = std::stoull(m[3]);
    if (m[1] == "-------")
      listing.unallocated.emplace_back(first, last);
    else if (m[1] != "Meta")
      listing.partitions.emplace_back(first, std::stoull(m[4]), m[5].str());
  }
  return listing;
}

struct SgdiskListing {
  uint64_t firstUsable = 0, lastUsable = 0;
  std::vector<Listed> partitions;
};

SgdiskListing Sgdisk(const std::string& image, const std::string& recorded) {
  SgdiskListing listing;
  std::istringstream in(ToolOutput("sgdisk -p", image, recorded));
  const std::regex usable(R"(First usable sector is (\d+), last usable sector is (\d+))");
  const std::regex row(R"(^\s*\d+\s+(\d+)\s+(\d+)\s+[0-9.]+ \S+\s+[0-9A-F]{4}\s+(.*)$)");
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_search(line, m, usable)) {
      listing.firstUsable = std::stoull(m[1]);
      listing.lastUsable = std::stoull(m[2]);
    } else if (std::regex_match(line, m, row)) {
      const uint64_t first = std::stoull(m[1]);
      listing.partitions.emplace_back(first, std::stoull(m[2]) - first + 1, m[3].str());
    }
  }
  return listing;
}

struct GptImageCase {
  const char* image;             // under gpt/, or a layout to assemble
  bool mmlsReadsTheSameTable;    // mmls neither falls back nor skips the array CRC
  const char* logLine;           // what the model says in the log, if anything
};

class GptImageTest : public DiskModelTest, public ::testing::WithParamInterface<GptImageCase> {
 protected:
  std::string PathOf(const std::string& image) {
    if (image.find(".layout") != std::string::npos) return testing::AssembledSparseImage("gpt/" + image);
    return testing::FixturePath("gpt/" + image);
  }
};

TEST_P(GptImageTest, ListsWhatSgdiskAndMmlsListAndTheFreeSpace) {
  const std::string path = PathOf(GetParam().image);
  const std::string recorded = "gpt/" + std::regex_replace(std::string(GetParam().image),
                                                           std::regex(R"(\.layout$)"), ".img");
  table.AttachImage(path);
  auto record = QueryPhysicalDriveRecord(0);
  ASSERT_TRUE(record);
  TPhysicalDrive drive(*record, Window());

  std::vector<Listed> ours;
  std::vector<std::pair<uint64_t, uint64_t>> free;
  for (const TPartiEntry* e : drive.WholeDisk().Children) {
    if (e->Gpt)
      ours.emplace_back(e->AbsoluteStart(), e->SectorCount(), platform::SystemToUtf8(e->Gpt->Name));
    else if (e->IsFreeSpace())
      free.emplace_back(e->AbsoluteStart(), e->AbsoluteEnd() - 1);
    EXPECT_LE(e->AbsoluteEnd(), drive.TotalSectors());
  }
  const SgdiskListing sgdisk = Sgdisk(path, recorded + ".sgdisk");
  EXPECT_EQ(ours, sgdisk.partitions);

  const MmlsListing mmls = Mmls(path, recorded + ".mmls");
  if (GetParam().mmlsReadsTheSameTable) {
    ASSERT_TRUE(mmls.gpt);
    EXPECT_EQ(ours, mmls.partitions);
    // mmls counts the tables' own sectors as unallocated too; inside the
    // usable range the free space is the same.
    std::vector<std::pair<uint64_t, uint64_t>> expected;
    for (auto [first, last] : mmls.unallocated) {
      first = std::max(first, sgdisk.firstUsable);
      last = std::min(last, sgdisk.lastUsable);
      if (first <= last) expected.emplace_back(first, last);
    }
    EXPECT_EQ(free, expected);
  }
  std::vector<std::string> texts;
  for (const auto& l : log.lines) texts.push_back(l.text);
  EXPECT_EQ(texts, GetParam().logLine ? std::vector<std::string>{SystemText(GetParam().logLine)}
                                      : std::vector<std::string>{});
}

const GptImageCase kGptImages[] = {
    {"gpt.img", true, nullptr},
    {"gpt-reformatted.img", true, nullptr},
    {"gpt-3tib.layout", true, nullptr},
    // mmls falls back to the protective record; sgdisk, like us, takes the backup.
    {"gpt-primary-zeroed.img", false, "主 GPT 分区表已损坏，已使用备份分区表。"},
    // mmls does not check the array's CRC and shows the changed name.
    {"gpt-array-crc.img", false, "主 GPT 分区表已损坏，已使用备份分区表。"},
};

INSTANTIATE_TEST_SUITE_P(Images, GptImageTest, ::testing::ValuesIn(kGptImages));

TEST_F(DiskModelTest, GptPartitionsCarryTheirLabelsTypesAndLetters) {
  auto drive = DiskOfImage("gpt/gpt.img");
  ASSERT_TRUE(drive);
  const auto& children = drive->WholeDisk().Children;
  ASSERT_EQ(children.size(), 6u);
  // The device table gave the four partitions C: to F: in table order.
  EXPECT_EQ(children[0]->Label, "(C:) EFI");
  EXPECT_EQ(children[1]->Label, "(D:) GPTFAT32");
  EXPECT_EQ(children[2]->Label, "");  // the gap
  EXPECT_EQ(children[3]->Label, "(E:) GPT NTFS");
  EXPECT_EQ(children[4]->Label, "(F:) ");
  EXPECT_EQ(GptTypeName(children[0]->Gpt->TypeGuid), SystemText("EFI 系统分区"));
  EXPECT_EQ(GptTypeName(children[1]->Gpt->TypeGuid), SystemText("Microsoft 基本数据分区"));
  EXPECT_EQ(GptTypeName(children[4]->Gpt->TypeGuid), SystemText("Linux 文件系统"));
  EXPECT_EQ(FormatGuid(children[1]->Gpt->UniqueGuid), "6A7E0002-0000-4000-8000-000000000001");
  EXPECT_EQ(children[3]->Gpt->Name, SystemText("数据 NTFS"));
  EXPECT_EQ(drive->WholeDisk().SectorCount(), 131072u);
}

TEST_F(DiskModelTest, ThreeTebibyteDiskKeepsSizesAndStartsPastTwoTebibytes) {
  table.AttachImage(testing::AssembledSparseImage("gpt/gpt-3tib.layout"));
  auto record = QueryPhysicalDriveRecord(0);
  ASSERT_TRUE(record);
  TPhysicalDrive drive(*record, Window());
  EXPECT_EQ(drive.WholeDisk().SectorCount(), 6442450944u);
  const auto& children = drive.WholeDisk().Children;
  ASSERT_EQ(children.size(), 5u);
  EXPECT_EQ(children[2]->SectorCount(), uint64_t{1} << 32);  // needs the 33rd bit
  EXPECT_EQ(children[3]->AbsoluteStart(), 4295100416u);
  EXPECT_EQ(children[3]->Label, "(E:) FARFAT");
  EXPECT_EQ(children[4]->SectorCount(), 2145253343u);

  // The raw scan keeps 64-bit sector addresses: the far partition is
  // scanned, and its FAT16 geometry placed where its boot sector says.
  ASSERT_TRUE(raw::ScanRange(drive, *children[3], progress));
  raw::ReadFatDirectories(drive, progress);
  EXPECT_EQ(children[3]->FatGeometryFrom, FatGeometrySource::kBootSector);
  EXPECT_GT(children[3]->FatDataStart, 4295100416u);
  EXPECT_LT(children[3]->FatDataStart, 4295100416u + 2048);
  // Once the far partition is no longer listed, the search finds its boot
  // sector at its true address.
  children[3]->Slot.SetPartType(kTypeFree);
  ASSERT_TRUE(SearchPartitions(drive, drive.WholeDisk(), progress, 1000, 4295100416u));
  ASSERT_EQ(drive.FoundPartitions.size(), 1u);
  EXPECT_EQ(drive.FoundPartitions[0]->AbsoluteStart(), 4295100416u);
  EXPECT_EQ(drive.FoundPartitions[0]->SectorCount(), 2097144u);  // as its boot sector says
  EXPECT_EQ(drive.FoundPartitions[0]->Label, "(E:) FARFAT");
  EXPECT_TRUE(boxes.errors.empty());
}

TEST_F(DiskModelTest, SearchFindsTheVolumesOfADiskWhoseTablesAreDestroyed) {
  auto drive = DiskOfImage("gpt/gpt-destroyed.img");
  ASSERT_TRUE(drive);
  // As mmls shows it: the protective partition only.
  EXPECT_EQ(Shapes(drive->Partitions), (std::vector<EntryShape>{{5, 0, 131072}, {0xEE, 1, 131071}}));
  ASSERT_EQ(log.lines.size(), 1u);
  ASSERT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 131072, 0));
  std::vector<std::pair<uint64_t, std::string>> found;
  for (const auto& f : drive->FoundPartitions) found.emplace_back(f->AbsoluteStart(), f->Label);
  EXPECT_EQ(found, (std::vector<std::pair<uint64_t, std::string>>{
                       {2048, "EFI"}, {18432, "GPTFAT32"}, {92160, "GPT NTFS"}}));
}

TEST_F(DiskModelTest, SearchOfAGptDiskListsOnlyVolumesNoEntryStartsAt) {
  auto drive = DiskOfImage("gpt/gpt.img");
  ASSERT_TRUE(drive);
  ASSERT_TRUE(SearchPartitions(*drive, drive->WholeDisk(), progress, 131072, 0));
  EXPECT_TRUE(drive->FoundPartitions.empty());
}

}  // namespace
}  // namespace tarnwell::physical
