// GUID partition tables from explicit bytes: the CRC, the header checks,
// the entry array, and the model built from crafted disks (backup use,
// overlapping and out-of-disk entries, hybrid records, 4096-byte sectors).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "physical/crc32.h"
#include "physical/gpt_header.h"
#include "platform/text_codec.h"
#include "tests/physical/disk_model_support.h"
#include "tests/physical/gpt_support.h"

namespace tarnwell::physical {
namespace {

using platform::SystemText;

TEST(GptDecodeTest, Crc32GivesTheStandardCheckValue) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(GptDecodeTest, GuidsPrintInTheirTextFormAndKnownTypesByName) {
  Guid efi{};
  const auto bytes = testing::Hex("28 73 2A C1 1F F8 D2 11 BA 4B 00 A0 C9 3E C9 3B");
  std::copy(bytes.begin(), bytes.end(), efi.begin());
  EXPECT_EQ(FormatGuid(efi), "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
  EXPECT_EQ(GptTypeName(efi), SystemText("EFI 系统分区"));
  EXPECT_EQ(GptTypeName(GuidOf("0FC63DAF-8483-4772-8E79-3D69D8477DE4")), SystemText("Linux 文件系统"));
  EXPECT_EQ(GptTypeName(GuidOf("7C3457EF-0000-11AA-AA11-00306543ECAC")), "Apple APFS");
  EXPECT_EQ(GptTypeName(GuidOf("01234567-89AB-CDEF-0123-456789ABCDEF")),
            "01234567-89AB-CDEF-0123-456789ABCDEF");
}

// A 2048-sector disk with a sound GPT; each case spoils one header field.
struct HeaderCase {
  const char* what;
  std::function<void(testing::ImageBuilder&)> spoil;
  bool accepted;
};

class GptHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(GptHeaderTest, AcceptsOnlySoundHeaders) {
  testing::ImageBuilder image(2048 * 512);
  PutGpt(image, {2048, 34, 0, 128, 128, {{kEfiType, 40, 99, u"EFI"}}});
  GetParam().spoil(image);
  const auto header = ParseGptHeader(image.Bytes().data() + 512, 1, 2048);
  EXPECT_EQ(header.has_value(), GetParam().accepted) << GetParam().what;
}

// Sets a field and fixes the CRC, so that only the field's check can fail.
std::function<void(testing::ImageBuilder&)> Field32(size_t offset, uint32_t v) {
  return [=](testing::ImageBuilder& i) { i.Put32(512 + offset, v); FixHeaderCrc(i, 1); };
}
std::function<void(testing::ImageBuilder&)> Field64(size_t offset, uint64_t v) {
  return [=](testing::ImageBuilder& i) { i.Put64(512 + offset, v); FixHeaderCrc(i, 1); };
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GptHeaderTest,
    ::testing::Values(
        HeaderCase{"sound", [](testing::ImageBuilder&) {}, true},
        HeaderCase{"signature", [](testing::ImageBuilder& i) { i.PutText(512, "EFI PARD"); }, false},
        HeaderCase{"CRC", [](testing::ImageBuilder& i) { i.Put8(512 + 0x28, 35); }, false},
        HeaderCase{"revision 2.0", Field32(0x08, 0x00020000), false},
        HeaderCase{"header size 91", Field32(0x0C, 91), false},
        HeaderCase{"header size 513", Field32(0x0C, 513), false},
        HeaderCase{"header size 512", Field32(0x0C, 512), true},
        HeaderCase{"own LBA elsewhere", Field64(0x18, 8), false},
        HeaderCase{"alternate past the disk", Field64(0x20, 2048), false},
        HeaderCase{"first usable after last", Field64(0x28, 2015), false},
        HeaderCase{"last usable past the disk", Field64(0x30, 2048), false},
        HeaderCase{"array past the disk", Field64(0x48, 2040), false},
        HeaderCase{"array at sector 0", Field64(0x48, 0), false},
        HeaderCase{"no entries", Field32(0x50, 0), false},
        HeaderCase{"entries of 64 bytes", Field32(0x54, 64), false},
        HeaderCase{"entries of 132 bytes", Field32(0x54, 132), false},
        HeaderCase{"entries of 8 KiB", Field32(0x54, 8192), false},
        HeaderCase{"array reaching past the disk", Field32(0x50, 8192), false}));

TEST(GptDecodeTest, ArrayOfOneMebibyteIsTheLargestAccepted) {
  testing::ImageBuilder image(4096 * 512);
  PutGpt(image, {4096, 34, 0, 128, 128, {}});
  image.Put32(512 + 0x50, 8192);
  FixHeaderCrc(image, 1);
  EXPECT_TRUE(ParseGptHeader(image.Bytes().data() + 512, 1, 4096));
  image.Put32(512 + 0x50, 8193);
  FixHeaderCrc(image, 1);
  EXPECT_FALSE(ParseGptHeader(image.Bytes().data() + 512, 1, 4096));
}

TEST(GptDecodeTest, EntriesSkipUnusedSlotsAndDecodeNames) {
  GptHeader header;
  header.EntryCount = 4;
  header.EntrySize = 256;  // larger entries: the stride follows the header
  std::vector<uint8_t> array(4 * 256, 0);
  const auto put = [&](size_t slot, const Guid& type, uint64_t first, uint64_t last,
                       const std::u16string& name) {
    uint8_t* p = array.data() + slot * 256;
    std::copy(type.begin(), type.end(), p);
    for (int b = 0; b < 8; ++b) {
      p[0x20 + b] = static_cast<uint8_t>(first >> (8 * b));
      p[0x28 + b] = static_cast<uint8_t>(last >> (8 * b));
    }
    for (size_t c = 0; c < name.size(); ++c) {
      p[0x38 + 2 * c] = static_cast<uint8_t>(name[c]);
      p[0x38 + 2 * c + 1] = static_cast<uint8_t>(name[c] >> 8);
    }
  };
  put(1, kEfiType, 2048, 4095, u"数据");
  // 36 characters fill the field with no terminator; the attributes after
  // it must not become part of the name.
  put(3, kBasicDataType, uint64_t{1} << 33, (uint64_t{1} << 33) + 9, std::u16string(36, u'x'));
  array[3 * 256 + 0x38 + 72] = 'Z';
  const auto entries = ParseGptEntries(array.data(), array.size(), header);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Partition.Index, 1u);
  EXPECT_EQ(entries[0].FirstLba, 2048u);
  EXPECT_EQ(entries[0].Partition.Name, SystemText("数据"));
  EXPECT_EQ(entries[1].Partition.Index, 3u);
  EXPECT_EQ(entries[1].FirstLba, uint64_t{1} << 33);
  EXPECT_EQ(entries[1].Partition.Name, std::string(36, 'x'));
  // An array shorter than the header claims yields only the entries it holds.
  EXPECT_EQ(ParseGptEntries(array.data(), 3 * 256, header).size(), 1u);
}

class GptModelTest : public DiskModelTest {
 protected:
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> t;
    for (const auto& l : log.lines) t.push_back(l.text);
    return t;
  }
};

TEST_F(GptModelTest, ListsPartitionsAndGapsInDiskOrder) {
  testing::ImageBuilder image(4096 * 512);
  // Listed out of order in the array, with a gap between them.
  PutGpt(image, {4096, 34, 0, 128, 128,
                 {{kBasicDataType, 2048, 3071, u"second"}, {kEfiType, 40, 1023, u"first"}}});
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {{5, 0, 4096},     {0, 34, 6},      {0xEE, 40, 984},
                                            {0, 1024, 1024},  {0xEE, 2048, 1024}, {0, 3072, 991}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
  EXPECT_EQ(Shapes(drive->WholeDisk().Children),
            std::vector<EntryShape>(expected.begin() + 1, expected.end()));
  ASSERT_TRUE(drive->Partitions[2]->Gpt);
  EXPECT_EQ(drive->Partitions[2]->Gpt->Name, "first");
  EXPECT_EQ(drive->Partitions[2]->Gpt->Index, 1u);
  EXPECT_FALSE(drive->Partitions[1]->Gpt);
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(GptModelTest, OverlappingAndImpossibleEntriesGiveNoWrappedGap) {
  // Impossible entries are left out and one running past the disk is cut
  // at its end, each said in the log; none is shown as free space.
  testing::ImageBuilder image(4096 * 512);
  PutGpt(image, {4096, 34, 0, 128, 128,
                 {{kBasicDataType, 100, 1999, u"big"},
                  {kBasicDataType, 500, 699, u"inside"},
                  {kBasicDataType, 3000, 2999, u"ends before it starts"},
                  {kBasicDataType, 4000, 9000, u"past the disk"},
                  {kBasicDataType, 5000, 6000, u"beyond the disk"}}});
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  const std::vector<EntryShape> expected = {{5, 0, 4096},     {0, 34, 66},     {0xEE, 100, 1900},
                                            {0xEE, 500, 200}, {0, 2000, 2000}, {0xEE, 4000, 96}};
  EXPECT_EQ(Shapes(drive->Partitions), expected);
  ASSERT_TRUE(drive->Partitions[5]->Gpt);
  EXPECT_EQ(drive->Partitions[5]->Gpt->ClippedFrom, 9000u);
  EXPECT_TRUE(EndsPastDisk(*drive, *drive->Partitions[5]));
  EXPECT_FALSE(EndsPastDisk(*drive, *drive->Partitions[2]));
  const std::vector<std::string> said = {
      SystemText("GPT 分区项 3: 起始扇区 3000 位于结束扇区 2999 之后，已忽略。"),
      SystemText("GPT 分区项 4: 结束扇区 9000 超出磁盘末尾 (磁盘共 4096 个扇区)，只显示到磁盘末尾。"),
      SystemText("GPT 分区项 5: 起始扇区 5000 超出磁盘末尾 (磁盘共 4096 个扇区)，已忽略。")};
  EXPECT_EQ(LogTexts(), said);
}

TEST_F(GptModelTest, DamagedPrimaryTablesFallBackToTheBackup) {
  const CraftedGpt gpt{4096, 34, 0, 128, 128, {{kEfiType, 2048, 3071, u"EFI"}}};
  const std::vector<std::function<void(testing::ImageBuilder&)>> damages = {
      [](testing::ImageBuilder& i) { i.Put8(512 + 0x30, 0x77); },           // header CRC
      [](testing::ImageBuilder& i) { i.Put8(2 * 512 + 0x38, 'F'); },        // array CRC
      [](testing::ImageBuilder& i) { i.Put32(512 + 0x50, 1u << 20);         // array too big
                                     FixHeaderCrc(i, 1); },
  };
  for (size_t d = 0; d < damages.size(); ++d) {
    log.lines.clear();
    testing::ImageBuilder image(4096 * 512);
    PutGpt(image, gpt);
    damages[d](image);
    auto drive = DiskOf(image.Take());
    ASSERT_TRUE(drive);
    ASSERT_EQ(drive->Partitions.size(), 4u) << d;
    ASSERT_TRUE(drive->Partitions[2]->Gpt) << d;
    EXPECT_EQ(drive->Partitions[2]->Gpt->Name, "EFI") << d;
    EXPECT_EQ(LogTexts(), std::vector<std::string>{SystemText("主 GPT 分区表已损坏，已使用备份分区表。")}) << d;
  }
}

TEST_F(GptModelTest, BothTablesDamagedShowTheProtectivePartition) {
  testing::ImageBuilder image(4096 * 512);
  PutGpt(image, {4096, 34, 0, 128, 128, {{kEfiType, 2048, 3071, u"EFI"}}});
  image.Put8(512, 0);
  image.Put8(4095 * 512, 0);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_EQ(Shapes(drive->Partitions), (std::vector<EntryShape>{{5, 0, 4096}, {0xEE, 1, 4095}}));
  EXPECT_EQ(LogTexts(),
            std::vector<std::string>{SystemText("主 GPT 分区表和备份分区表均已损坏，仅显示主引导记录。")});
}

TEST_F(GptModelTest, ATableForLargeSectorsIsNotMisread) {
  // A GPT written for 4096-byte sectors: header at byte 4096, array at 8192,
  // LBAs counting 4 KiB sectors. Read in 512-byte sectors nothing matches.
  testing::ImageBuilder small(512 * 512);
  PutGpt(small, {512, 6, 0, 4, 128, {{kEfiType, 256, 383, u"EFI"}}});
  std::vector<uint8_t> bytes(4096 * 512, 0);
  auto& s = small.Bytes();
  std::copy(s.begin(), s.begin() + 512, bytes.begin());              // protective record
  std::copy(s.begin() + 512, s.begin() + 1024, bytes.begin() + 4096);  // header to byte 4096
  auto drive = DiskOf(std::move(bytes));
  ASSERT_TRUE(drive);
  EXPECT_EQ(Shapes(drive->Partitions), (std::vector<EntryShape>{{5, 0, 4096}, {0xEE, 1, 511}, {0, 512, 3584}}));
  EXPECT_EQ(LogTexts(), std::vector<std::string>{
                            SystemText("不支持为 4096 字节扇区写入的 GPT 分区表，仅显示主引导记录。")});
}

TEST_F(GptModelTest, HybridRecordIsReadAsGpt) {
  testing::ImageBuilder image(4096 * 512);
  PutGpt(image, {4096, 34, 0, 128, 128, {{kBasicDataType, 2048, 4000, u"data"}}});
  // A hybrid record: the data partition in slot 1, the protective one in 2.
  PutSlot(image, 0, 1, 0, 0xEE, 1, 2047);
  PutSlot(image, 0, 0, 0x80, 0x07, 2048, 1953);
  auto drive = DiskOf(image.Take());
  ASSERT_TRUE(drive);
  EXPECT_EQ(Shapes(drive->Partitions),
            (std::vector<EntryShape>{{5, 0, 4096}, {0, 34, 2014}, {0xEE, 2048, 1953}, {0, 4001, 62}}));
}

}  // namespace
}  // namespace tarnwell::physical
