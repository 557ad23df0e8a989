#include <gtest/gtest.h>

#include <functional>

#include "common/little_endian.h"
#include "engine/ntfs/attribute_list.h"
#include "engine/ntfs/file_record.h"
#include "engine/ntfs/mft_map.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/update_sequence.h"
#include "platform/text_codec.h"
#include "tests/engine/ntfs/record_builder.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::RecordBuilder;
using tarnwell::testing::Hex;

std::vector<uint8_t> FixedUp(std::vector<uint8_t> r) {
  ApplyUpdateSequence(r);
  return r;
}

TEST(UpdateSequence, RestoresTheLastBytesOfBothSectors) {
  RecordBuilder b;
  b.StandardInformation(1, 0);
  auto r = b.Build();
  // Put known data where the fix-up goes, as the sector ends held it.
  r[0x32] = 0xAA, r[0x33] = 0xBB, r[0x34] = 0xCC, r[0x35] = 0xDD;
  ASSERT_TRUE(ApplyUpdateSequence(r));
  EXPECT_EQ(r[510], 0xAA);
  EXPECT_EQ(r[511], 0xBB);
  EXPECT_EQ(r[1022], 0xCC);
  EXPECT_EQ(r[1023], 0xDD);
  // Only the low byte of the offset counts: 0x130 reads the array at 0x30.
  StoreLE16(&r[4], 0x130);
  r[510] = r[511] = 0;
  ASSERT_TRUE(ApplyUpdateSequence(r));
  EXPECT_EQ(r[510], 0xAA);
  std::vector<uint8_t> shortRecord(1000, 0);
  EXPECT_FALSE(ApplyUpdateSequence(shortRecord));
}

TEST(ParseFileRecord, ListsTheLongNameWhenADosNameComesFirst) {
  RecordBuilder b(0);  // a deleted record
  b.StandardInformation(0x01D0000000000000, 0x20)
      .FileName(40, u"LONGDO~1.TXT", 2)
      .FileName(40, u"Long Document Name.txt", 1)
      .ResidentData({1, 2, 3});
  auto r = FixedUp(b.Build());
  FileRecordInfo info;
  ASSERT_TRUE(ParseFileRecord(r, 4096, nullptr, info));
  EXPECT_EQ(info.flags, 0);
  EXPECT_EQ(ListedName(info), "Long Document Name.txt");
  EXPECT_EQ(info.dataSize, 3);
  EXPECT_EQ(info.allocatedSize, 4096);
  // The standard information's times and attributes replace the name's.
  EXPECT_EQ(LoadLE64(&info.fileName[8]), 0x01D0000000000000u);
  EXPECT_EQ(LoadLE64(&info.fileName[32]), 0x01D0000000000003u);
  EXPECT_EQ(LoadLE16(&info.fileName[56]), 0x20);
  EXPECT_EQ(LoadLE48(&info.fileName[0]), 40u);
}

TEST(ParseFileRecord, AcceptsNamesOfAnyLength) {
  for (const std::u16string& name :
       {std::u16string(u"a"), std::u16string(u"twelve_chars"), std::u16string(u"thirteen_char"),
        std::u16string(200, u'x'), std::u16string(255, u'y'), std::u16string(u"中文文件名.txt")}) {
    RecordBuilder b;
    b.StandardInformation(1, 0).FileName(5, name);
    auto r = FixedUp(b.Build());
    FileRecordInfo info;
    ASSERT_TRUE(ParseFileRecord(r, 4096, nullptr, info)) << name.size();
    EXPECT_EQ(platform::SystemToUtf16Le(ListedName(info)).size(), name.size() * 2);
  }
}

TEST(ParseFileRecord, SizesOfNonResidentData) {
  RecordBuilder b;
  b.StandardInformation(1, 0)
      .FileName(5, u"big.bin")
      .NonResident(0x80, Hex("21 10 00 01 00"), 0xAB0000123000ULL | (0x7777ULL << 48),
                   0x12345678ABULL);
  auto r = FixedUp(b.Build());
  FileRecordInfo info;
  ASSERT_TRUE(ParseFileRecord(r, 4096, nullptr, info));
  EXPECT_EQ(info.allocatedSize, 0xAB0000123000LL);  // 48 bits significant
  EXPECT_EQ(info.dataSize, 0x12345678ABLL);
}

TEST(ParseFileRecord, RefusesWhatIsNotAUsableRecord) {
  auto good = [] {
    RecordBuilder b;
    b.StandardInformation(1, 0).FileName(5, u"x.txt").ResidentData({9});
    return FixedUp(b.Build());
  };
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool parses;
  };
  const std::vector<Case> cases = {
      {"intact", [](auto&) {}, true},
      {"BAAD signature", [](auto& r) { r[0] = 'B', r[1] = 'A', r[2] = 'A', r[3] = 'D'; }, false},
      {"first attribute beyond the record", [](auto& r) { StoreLE16(&r[20], 1020); }, false},
      {"attribute length zero", [](auto& r) { StoreLE32(&r[0x38 + 4], 0); }, false},
      {"attribute length past the record", [](auto& r) { StoreLE32(&r[0x38 + 4], 5000); }, false},
      {"name length past the value",
       [](auto& r) { r[0x38 + 0x60 + 24 + 64] = 200; }, false},
      {"value offset past the attribute",
       [](auto& r) { StoreLE16(&r[0x38 + 0x60 + 20], 0x200); }, false},
      {"value length past the attribute",
       [](auto& r) { StoreLE32(&r[0x38 + 0x60 + 16], 0x10000); }, false},
      {"no file name among the first three",
       [](auto& r) { StoreLE32(&r[0x38 + 0x60], 0x40); }, false},
  };
  for (const auto& c : cases) {
    auto r = good();
    c.damage(r);
    FileRecordInfo info;
    EXPECT_EQ(ParseFileRecord(r, 4096, nullptr, info), c.parses) << c.name;
  }
}

TEST(ParseFileRecord, FollowsTheAttributeListToTheDataRecord) {
  // List entries: the standard information (here), then the data in record
  // 77, then a data piece in record 78 that the scan does not need.
  std::vector<uint8_t> list(32 * 3, 0);
  const uint32_t types[] = {0x10, 0x80, 0x80};
  const uint64_t records[] = {60, 77, 78};
  for (int i = 0; i < 3; ++i) {
    StoreLE32(&list[32 * i], types[i]);
    StoreLE16(&list[32 * i + 4], 32);
    StoreLE64(&list[32 * i + 16], records[i]);
    StoreLE64(&list[32 * i + 8], i == 2 ? 2 : 0);
    StoreLE16(&list[32 * i + 24], static_cast<uint16_t>(i == 0 ? 0 : 5 + i));
  }
  RecordBuilder b;
  b.StandardInformation(1, 0).Resident(0x20, list).FileName(5, u"listed.bin");
  auto r = FixedUp(b.Build());
  std::vector<uint64_t> asked;
  CallbackResolver resolver(nullptr, [&](uint64_t n, RecordBuffer& record) {
    asked.push_back(n);
    // The piece's attribute id is the one the list names (6).
    RecordBuilder piece;
    piece.Base(60).Resident(0x40, {}).Resident(0x40, {}).Resident(0x40, {}).Resident(0x40, {});
    piece.Resident(0x40, {}).Resident(0x40, {}).NonResident(0x80, Hex("11 01 05 00"), 8192, 5000).Vcns(0, 1);
    const auto pr = FixedUp(piece.Build());
    std::copy(pr.begin(), pr.end(), record.begin());
    return true;
  });
  resolver.base = 60;
  FileRecordInfo info;
  ASSERT_TRUE(ParseFileRecord(r, 4096, &resolver, info));
  EXPECT_EQ(asked, std::vector<uint64_t>{77});
  EXPECT_EQ(info.dataSize, 5000);
  EXPECT_EQ(info.allocatedSize, 8192);
  // The contents are the first data piece's, with the id the list gives it.
  EXPECT_EQ(info.contentType, 0x80);
  EXPECT_EQ(info.contentId, 6);

  // An entry length of 0 ends the walk before the data entry.
  StoreLE16(&r[0x38 + 0x60 + 24 + 4], 0);
  asked.clear();
  ASSERT_TRUE(ParseFileRecord(r, 4096, &resolver, info));
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(info.dataSize, 0);
}

TEST(ParseFileRecord, NamesTheAttributeThatHoldsTheContents) {
  // Attribute ids count from 0 in the order the builder adds them.
  struct Case {
    const char* name;
    uint16_t flags;  // 1 a file in use, 3 a folder in use, 2 a deleted folder
    std::function<void(RecordBuilder&)> add;
    uint16_t type, id;
  };
  const std::vector<uint8_t> root(32, 0);
  const Case cases[] = {
      {"unnamed data", 1, [](RecordBuilder& b) { b.ResidentData({1, 2}); }, 0x80, 2},
      {"a named stream only", 1, [](RecordBuilder& b) { b.NonResident(0x80, Hex("11 01 05 00"), 4096, 10, 0, u"ads"); },
       0, 0},
      {"a folder's $I30 index root", 3, [&](RecordBuilder& b) { b.Resident(0x90, root, u"$I30"); }, 0x90, 2},
      {"a deleted folder's", 2, [&](RecordBuilder& b) { b.Resident(0x40, root).Resident(0x90, root, u"$I30"); }, 0x90,
       3},
      {"an index of something else", 3, [&](RecordBuilder& b) { b.Resident(0x90, root, u"$SDH"); }, 0, 0},
      {"a folder's data is not its contents", 3, [](RecordBuilder& b) { b.ResidentData({1}); }, 0, 0},
  };
  for (const Case& c : cases) {
    RecordBuilder b(c.flags);
    b.StandardInformation(1, 0).FileName(5, u"x");
    c.add(b);
    auto r = FixedUp(b.Build());
    FileRecordInfo info;
    ASSERT_TRUE(ParseFileRecord(r, 4096, nullptr, info)) << c.name;
    EXPECT_EQ(info.contentType, c.type) << c.name;
    EXPECT_EQ(info.contentId, c.id) << c.name;
  }
}

TEST(ExtractAttribute, TakesTheRunListWhereTheHeaderSaysAndSkipsNamedStreams) {
  RecordBuilder b;
  b.StandardInformation(1, 0)
      .FileName(5, u"c.bin")
      .NonResident(0x80, Hex("11 03 22 00"), 4096, 100, 0, u"ADS")
      .NonResident(0x80, Hex("11 10 40 01 10 00"), 65536, 65536, 1);
  auto r = b.Build();
  TAttribute a;
  ASSERT_TRUE(ParseRecordAttribute(r, 0x80, a));
  EXPECT_EQ(a.NameLength(), 3);
  EXPECT_EQ(a.AttrName.size(), 6u);
  EXPECT_EQ(a.Content[0], 0x11);
  EXPECT_EQ(a.Content[2], 0x22);
  ASSERT_TRUE(ParseRecordAttribute(r, 0x80, a, true));
  EXPECT_EQ(a.Flags(), 1);
  EXPECT_EQ(a.Content[2], 0x40);  // after the 8-byte compressed size field
  EXPECT_FALSE(ParseRecordAttribute(r, 0x90, a));
}

TEST(RecordToSector, MapsRecordsAcrossExtents) {
  const TRunTable extents{{1000, 16}, {5000, 8}, {9000, 4}};
  EXPECT_EQ(RecordToSector(extents, 0), 1000);
  EXPECT_EQ(RecordToSector(extents, 15), 1030);
  EXPECT_EQ(RecordToSector(extents, 16), 5000);  // first record of the second extent
  EXPECT_EQ(RecordToSector(extents, 23), 5014);
  EXPECT_EQ(RecordToSector(extents, 24), 9000);
  EXPECT_EQ(RecordToSector(extents, 28), -1);
  EXPECT_EQ(RecordToSector(extents, -1), -1);
  EXPECT_EQ(TotalRecords(extents), 28u);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs

namespace tarnwell::engine::ntfs {
namespace {

TEST(ForEachListEntry, StopsWhenAnEntryLengthLeavesTheValue) {
  // Two entries of 40 bytes announced in a 52-byte value: the second one
  // would end past it, and the walk must not read there.
  std::vector<uint8_t> value(52, 0);
  StoreLE32(&value[0], 0x80);
  StoreLE16(&value[4], 60);
  int visited = 0;
  EXPECT_TRUE(ForEachListEntry(value, [&](const ListEntry&) { return ++visited, true; }));
  EXPECT_EQ(visited, 1);
  std::vector<uint8_t> tiny(25, 0);
  EXPECT_FALSE(ForEachListEntry(tiny, [](const ListEntry&) { return true; }));
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
