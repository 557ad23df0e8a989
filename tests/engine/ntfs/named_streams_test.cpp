// Named data streams on the volume made by
// tests/fixtures/ntfs/make_ntfs_streams.sh (ntfs-3g, streams written as
// extended attributes): each is an entry "file:stream" beside its file,
// with its own size and its file's state, and comes back byte-exact under
// a name Windows can hold too. Streams kept in the record, in clusters, on
// a folder, on an empty file, on a deleted file, and forty of them moved to
// extension records.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "engine/entry_helpers.h"
#include "engine/ntfs/named_streams.h"
#include "engine/ntfs/update_sequence.h"
#include "tests/engine/ntfs/record_builder.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Digest;
using testing::RecordBuilder;
using testing::ScannedVolume;

struct Row {
  std::string path, kind;
  size_t size = 0;
  std::string sha256, state;
};

std::vector<Row> Manifest() {
  std::vector<Row> rows;
  for (std::vector<std::string> f : tarnwell::testing::TabSeparatedRows("ntfs/ntfs-streams.manifest")) {
    f.resize(5);  // path, kind, size, sha256, state
    Row r;
    r.path = f[0];
    r.kind = f[1];
    r.size = std::stoul(f[2]);
    r.sha256 = f[3];
    r.state = f[4];
    rows.push_back(r);
  }
  return rows;
}

TEST(NamedStreamsVolume, EveryStreamIsListedBesideItsFileAndRecoveredByteExact) {
  ScannedVolume volume("ntfs/ntfs-streams.img");
  ASSERT_TRUE(volume.Scanned());
  const auto rows = Manifest();
  int streams = 0;
  for (const Row& m : rows) {
    // A folder's stream is a file beside the folder: "docs:summary".
    tntfsfilerecord* r = volume.Find(m.path);
    ASSERT_NE(r, nullptr) << m.path;
    EXPECT_TRUE(IsNtfsFile(*r)) << m.path;
    EXPECT_EQ((r->RecordFlags & 1) == 0, m.state == "deleted") << m.path;
    EXPECT_EQ(static_cast<size_t>(r->DataSize), m.size) << m.path;
    EXPECT_EQ(Digest("sha256sum", volume.Recover(*r)), m.sha256) << m.path;
    if (m.kind != "stream") continue;
    ++streams;
    // Same record, names and stamps as its file.
    const tntfsfilerecord* owner = volume.Find(m.path.substr(0, m.path.rfind(':')));
    ASSERT_NE(owner, nullptr) << m.path;
    EXPECT_EQ(r->RecordNumber, owner->RecordNumber);
    EXPECT_EQ(r->Parent, owner->Parent) << m.path;
    EXPECT_EQ(r->FileName.ModificationTime(), owner->FileName.ModificationTime());
    EXPECT_EQ(r->ContentAttributeType, kAttrData);
    // Attribute ids count per record: a stream moved to an extension record
    // may carry the id the file's own data has in the base record.
    if (m.path.rfind("crowded.bin", 0) != 0) {
      EXPECT_NE(r->ContentAttributeId, owner->ContentAttributeId) << m.path;
    }
  }
  EXPECT_EQ(streams, 46);
  EXPECT_TRUE(volume.Log().lines.empty());
  // The list has nothing else beside the files and their streams.
  size_t listed = 0;
  for (const auto& r : volume.Drive().NtfsEntries) listed += IsNtfsFile(*r);
  EXPECT_EQ(listed, rows.size());
}

TEST(NamedStreamsVolume, ACopyIsNamedFileUnderscoreStreamAndAFolderTakesItsFilesStreams) {
  ScannedVolume volume("ntfs/ntfs-streams.img");
  ASSERT_TRUE(volume.Scanned());
  const std::string out = tarnwell::testing::MakeTempFolder("streams");
  tntfsfilerecord* stream = volume.Find("report.txt:Zone.Identifier");
  ASSERT_NE(stream, nullptr);
  tarnwell::testing::RecordingLog log;
  tarnwell::testing::RecordingStatus status;
  ASSERT_TRUE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*stream), out, stream->Name, log, status));
  EXPECT_EQ(std::filesystem::file_size(out + "/report.txt_Zone.Identifier"), 90u);
  tntfsfilerecord* docs = volume.Find("docs");
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(docs->DataSize, 0);  // its stream's size is the stream's
  ASSERT_TRUE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*docs), out, docs->Name, log, status));
  EXPECT_EQ(std::filesystem::file_size(out + "/docs/notes.bin"), 7000u);
  EXPECT_EQ(std::filesystem::file_size(out + "/docs/notes.bin_备注"), 300u);
  EXPECT_TRUE(log.lines.empty());
}

// Crafted records: which data attributes count as streams.
TEST(NamedStreamsOfTest, TakesEachNamedDataOnceFromItsFirstPiece) {
  RecordBuilder b;
  b.StandardInformation(0, 0).FileName(5, u"f.txt");
  b.ResidentData({1, 2, 3});
  b.Resident(kAttrData, std::vector<uint8_t>(10, 7), u"small");
  b.NonResident(kAttrData, {0x11, 0x02, 0x40, 0x00}, 8192, 5000, 0, u"big");
  b.NonResident(kAttrData, {0x11, 0x01, 0x50, 0x00}, 4096, 4096, 0, u"later").Vcns(4, 4);
  b.Resident(kAttrData, std::vector<uint8_t>(3, 1), u"small");  // a second "small": damage
  b.Resident(0xB0, std::vector<uint8_t>(8, 0), u"$I30");         // named, but not data
  std::vector<uint8_t> record = b.Build();
  ASSERT_TRUE(ApplyUpdateSequence(record));
  const auto streams = NamedStreamsOf(record, 4096, nullptr);
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0].dataSize, 10);
  EXPECT_EQ(streams[0].allocatedSize, 4096);
  EXPECT_EQ(streams[1].dataSize, 5000);
  EXPECT_EQ(streams[1].allocatedSize, 8192);
  EXPECT_EQ(streams[1].name, (std::vector<uint8_t>{'b', 0, 'i', 0, 'g', 0}));
  TAttribute data;
  ASSERT_TRUE(ExtractDataAttribute(record, streams[0].name, data));
  EXPECT_EQ(data.ValueLength(), 10u);
  ASSERT_TRUE(ExtractDataAttribute(record, {}, data));
  EXPECT_EQ(data.ValueLength(), 3u);
  const std::vector<uint8_t> missing = {'x', 0};
  EXPECT_FALSE(ExtractDataAttribute(record, missing, data));
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
