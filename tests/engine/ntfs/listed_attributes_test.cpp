// Following an attribute list into extension records: which records count
// as the base's, how data pieces join in VCN order, and how a record whose
// file name moved out is still read as one entry.
#include <gtest/gtest.h>

#include <map>

#include "common/little_endian.h"
#include "engine/ntfs/file_record.h"
#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/update_sequence.h"
#include "tests/engine/ntfs/record_builder.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine::ntfs {
namespace {

using tarnwell::testing::Hex;
using testing::RecordBuilder;

constexpr uint64_t kBase = 40;

struct Entry {
  uint32_t type;
  uint64_t record;
  uint16_t id;
  uint64_t vcn = 0;
};

std::vector<uint8_t> List(const std::vector<Entry>& entries) {
  std::vector<uint8_t> v(32 * entries.size(), 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    StoreLE32(&v[32 * i], entries[i].type);
    StoreLE16(&v[32 * i + 4], 32);
    StoreLE64(&v[32 * i + 8], entries[i].vcn);
    StoreLE64(&v[32 * i + 16], entries[i].record | (uint64_t{1} << 48));
    StoreLE16(&v[32 * i + 24], entries[i].id);
  }
  return v;
}

RecordBuffer Buffer(std::vector<uint8_t> built) {
  ApplyUpdateSequence(built);
  RecordBuffer r;
  std::copy(built.begin(), built.end(), r.begin());
  return r;
}

// An extension record of the base holding one data piece (attribute id 0).
RecordBuffer Piece(const std::string& runs, uint64_t first, uint64_t last, uint64_t base = kBase) {
  RecordBuilder b(1);
  b.Base(base).NonResident(kAttrData, Hex(runs), 0, 0).Vcns(first, last);
  return Buffer(b.Build());
}

// A disk of records by number; counts the reads.
struct Disk {
  std::map<uint64_t, RecordBuffer> records;
  int reads = 0;
  ReadRecordFn Reader() {
    return [this](uint64_t n, RecordBuffer& out) {
      ++reads;
      const auto it = records.find(n);
      if (it == records.end()) return false;
      out = it->second;
      return true;
    };
  }
};

TEST(CollectListedData, JoinsPiecesInVcnOrderAndRefusesWhatDoesNotFit) {
  // The first piece lives in the base record (id 1), sized for 7 clusters.
  RecordBuilder b(1);
  b.StandardInformation(1, 0).NonResident(kAttrData, Hex("11 02 10 00"), 7 * 4096, 7 * 4096).Vcns(0, 1);
  const RecordBuffer base = Buffer(b.Build());
  const Entry first{kAttrData, kBase, 1, 0};
  const Entry second{kAttrData, 41, 0, 2};   // VCN 2-4 at cluster 0x20
  const Entry third{kAttrData, 42, 0, 5};    // VCN 5-6 at cluster 0x30
  struct Case {
    const char* name;
    std::vector<Entry> list;
    std::map<uint64_t, RecordBuffer> records;
    bool found;
    trunlist runs;
  };
  const auto pieces = [] {
    return std::map<uint64_t, RecordBuffer>{{41, Piece("11 03 20 00", 2, 4)}, {42, Piece("11 02 30 00", 5, 6)}};
  };
  const trunlist all{{0x10, 2}, {0x20, 3}, {0x30, 2}};
  auto withRecord = [&](uint64_t n, RecordBuffer r) {
    auto m = pieces();
    m[n] = r;
    return m;
  };
  const std::vector<Case> cases = {
      {"in order", {first, second, third}, pieces(), true, all},
      {"listed out of order", {third, first, second}, pieces(), true, all},
      {"a piece named twice", {first, second, second, third}, pieces(), true, all},
      {"a piece overlapping one taken",
       {first, second, {kAttrData, 43, 0, 3}, third}, withRecord(43, Piece("11 04 50 00", 3, 6)), true, all},
      {"a missing piece ends the runs", {first, third}, pieces(), true, {{0x10, 2}}},
      {"an unreadable record ends the runs", {first, second, third}, {{42, Piece("11 02 30 00", 5, 6)}}, true,
       {{0x10, 2}}},
      {"a record of another base is not followed", {first, second, third},
       withRecord(41, Piece("11 03 20 00", 2, 4, 99)), true, {{0x10, 2}}},
      {"runs longer than the piece are cut", {first, second, third},
       withRecord(41, Piece("11 09 20 00", 2, 4)), true, all},
      {"runs short of the piece end the data", {first, second, third},
       withRecord(41, Piece("11 01 20 00", 2, 4)), true, {{0x10, 2}, {0x20, 1}}},
      {"a last VCN of -1 holds nothing", {first, second}, withRecord(41, Piece("11 03 20 00", 2, UINT64_MAX)),
       true, {{0x10, 2}}},
      {"no piece at VCN 0", {second, third}, pieces(), false, {}},
      {"the list names an attribute its record lacks", {{kAttrData, kBase, 9, 0}, second}, pieces(), false, {}},
  };
  for (const auto& c : cases) {
    Disk disk{c.records};
    ListedRecords records(base, kBase, disk.Reader());
    TAttribute data;
    trunlist runs;
    const auto list = List(c.list);
    EXPECT_EQ(CollectListedData(list, records, data, runs), c.found) << c.name;
    ASSERT_EQ(runs.size(), c.runs.size()) << c.name;
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].Lcn, c.runs[i].Lcn) << c.name << " run " << i;
      EXPECT_EQ(runs[i].Length, c.runs[i].Length) << c.name << " run " << i;
    }
    if (c.found) {
      EXPECT_EQ(data.DataSize(), 7u * 4096) << c.name;
    }
    // Each record is read at most once, however often the list names it.
    EXPECT_LE(disk.reads, 3) << c.name;
  }
}

TEST(CollectListedData, AStrayExtensionRecordFillsOnlyAGapTheListLeft) {
  // Unlinking a spread file, ntfs-3g drops list entries of its pieces while
  // the extension records keep them. The base's sequence number is 2; the
  // strays name it with sequence 1, as ntfs-3g writes them.
  RecordBuilder b(0);
  b.StandardInformation(1, 0).NonResident(kAttrData, Hex("11 02 10 00"), 7 * 4096, 7 * 4096).Vcns(0, 1);
  std::vector<uint8_t> built = b.Build();
  StoreLE16(&built[0x10], 2);
  const RecordBuffer base = Buffer(built);
  const Entry first{kAttrData, kBase, 1, 0};
  const Entry third{kAttrData, 42, 0, 5};
  const trunlist all{{0x10, 2}, {0x20, 3}, {0x30, 2}};
  const auto withSequence = [](RecordBuffer r, uint16_t sequence) {
    StoreLE16(&r[0x26], sequence);
    return r;
  };
  const auto named = [] {
    RecordBuilder e(0);
    e.Base(kBase).NonResident(kAttrData, Hex("11 03 20 00"), 0, 0, 0, u"side").Vcns(2, 4);
    return Buffer(e.Build());
  };
  struct Case {
    const char* name;
    std::vector<Entry> list;
    RecordBuffer stray;
    trunlist runs;
  };
  const std::vector<Case> cases = {
      {"the gap is filled", {first, third}, Piece("11 03 20 00", 2, 4), all},
      {"a listed piece wins over a stray", {first, {kAttrData, 41, 0, 2}, third}, Piece("11 03 70 00", 2, 4), all},
      {"a stray of another base is not taken", {first, third}, Piece("11 03 20 00", 2, 4, 99), {{0x10, 2}}},
      {"a stray of an older file in the record is not taken", {first, third},
       withSequence(Piece("11 03 20 00", 2, 4), 0xFFF0), {{0x10, 2}}},
      {"a stray starting elsewhere is not taken", {first, third}, Piece("11 02 20 00", 3, 4), {{0x10, 2}}},
      {"a stream's piece is not the file's", {first, third}, named(), {{0x10, 2}}},
  };
  for (const auto& c : cases) {
    Disk disk{{{41, Piece("11 03 20 00", 2, 4)}, {42, Piece("11 02 30 00", 5, 6)}, {43, c.stray}}};
    const std::vector<uint64_t> strays{43, 42};
    ListedRecords records(base, kBase, disk.Reader(), strays);
    TAttribute data;
    trunlist runs;
    const auto list = List(c.list);
    EXPECT_TRUE(CollectListedData(list, records, data, runs)) << c.name;
    ASSERT_EQ(runs.size(), c.runs.size()) << c.name;
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].Lcn, c.runs[i].Lcn) << c.name << " run " << i;
      EXPECT_EQ(runs[i].Length, c.runs[i].Length) << c.name << " run " << i;
    }
  }
}

TEST(ListedRecords, ReadsEachRecordOnceAndNoMoreThanTheCap) {
  RecordBuilder b(1);
  b.StandardInformation(1, 0);
  const RecordBuffer base = Buffer(b.Build());
  Disk disk;
  for (uint64_t n = 100; n < 100 + kMaxExtensionRecords + 50; ++n) disk.records[n] = Piece("11 01 10 00", 0, 0);
  ListedRecords records(base, kBase, disk.Reader());
  for (int round = 0; round < 2; ++round)
    for (uint64_t n = 100; n < 100 + kMaxExtensionRecords + 50; ++n) (void)records.Holder(n);
  EXPECT_EQ(static_cast<size_t>(disk.reads), kMaxExtensionRecords);
  EXPECT_FALSE(records.Holder(100).empty());
  EXPECT_TRUE(records.Holder(100 + kMaxExtensionRecords + 1).empty());
  // The base itself is never read again, whatever the list says.
  EXPECT_EQ(records.Holder(kBase).data(), base.data());
  // Without the base's number, everything is looked for in the base.
  ListedRecords unknown(base, std::nullopt, disk.Reader());
  EXPECT_EQ(unknown.Holder(100).data(), base.data());
}

// A folder whose file names and index root moved to record 41: the list in
// the base names them, and the extension record is not an entry itself.
class MovedNames : public ::testing::Test {
 protected:
  static constexpr uint16_t kFolderInUse = 3;
  std::vector<uint8_t> BaseRecord(uint64_t holder) {
    RecordBuilder b(kFolderInUse);
    b.StandardInformation(0x01D0000000000000, 0x10)
        .Resident(kAttrAttributeList, List({{kAttrStandardInformation, kBase, 0},
                                            {kAttrFileName, holder, 0},
                                            {kAttrFileName, holder, 1},
                                            {kAttrIndexRoot, holder, 2}}));
    auto r = b.Build();
    ApplyUpdateSequence(r);
    return r;
  }
  RecordBuffer Extension(uint64_t base) {
    RecordBuilder e(kFolderInUse);
    e.Base(base).FileName(5, u"CROWDE~1", 2).FileName(5, u"crowded folder").Resident(kAttrIndexRoot, {0, 0}, u"$I30");
    return Buffer(e.Build());
  }
  bool Parse(std::vector<uint8_t>& record, Disk& disk, FileRecordInfo& info) {
    CallbackResolver resolver(nullptr, disk.Reader());
    resolver.base = kBase;
    return ParseFileRecord(record, 4096, &resolver, info);
  }
};

TEST_F(MovedNames, TheBaseRecordIsListedUnderTheNamesItsListNames) {
  Disk disk{{{41, Extension(kBase)}}};
  auto base = BaseRecord(41);
  FileRecordInfo info;
  ASSERT_TRUE(Parse(base, disk, info));
  EXPECT_EQ(ListedName(info), "crowded folder");
  EXPECT_EQ(LoadLE48(&info.fileName[0]), 5u);
  // The times and attributes come from the base's standard information.
  EXPECT_EQ(LoadLE64(&info.fileName[8]), 0x01D0000000000000u);
  EXPECT_EQ(LoadLE16(&info.fileName[56]), 0x10);
  EXPECT_EQ(info.contentType, kAttrIndexRoot);
  EXPECT_EQ(info.contentId, 2);

  // The extension record holds names too, but it is part of the base.
  std::vector<uint8_t> extension(disk.records[41].begin(), disk.records[41].end());
  EXPECT_FALSE(Parse(extension, disk, info));
}

TEST_F(MovedNames, NamesInAnotherFilesRecordOrAMissingOneAreNotTaken) {
  for (const auto& [name, records] : std::vector<std::pair<const char*, std::map<uint64_t, RecordBuffer>>>{
           {"another base", {{41, Extension(77)}}}, {"missing", {}}}) {
    Disk disk{records};
    auto base = BaseRecord(41);
    FileRecordInfo info;
    EXPECT_FALSE(Parse(base, disk, info)) << name;
  }
  // A list that names the base itself for the names finds none there.
  Disk disk;
  auto base = BaseRecord(kBase);
  FileRecordInfo info;
  EXPECT_FALSE(Parse(base, disk, info));
  EXPECT_EQ(disk.reads, 0);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
