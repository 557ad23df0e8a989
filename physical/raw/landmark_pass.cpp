// The landmark pass: every sector of the entry's range is tested for a
// directory start and a FILE record.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/device_reader.h"
#include "disk/read_buffer.h"
#include "disk/sector_source.h"
#include "disk/source_opener.h"
#include "engine/event_log_line.h"
#include "engine/fat/orphan_cluster.h"
#include "physical/busy_scope.h"
#include "physical/physical_drive.h"
#include "physical/raw/bad_sector_log.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"
#include "physical/raw/range_chunks.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical::raw {
namespace {

// At most this many sectors of directory entries are kept; a folder's
// later clusters beyond them are not looked for.
constexpr size_t kMaxEntrySectors = size_t{1} << 22;

struct Counts {
  uint64_t directoryStarts = 0;
  uint64_t fat32Hints = 0;
};

// What one chunk holds, found by plain byte tests: the directory starts
// and FILE records in sector order, with a copy of each record that lies
// wholly in the bytes at hand. Finding them neither allocates nor owns
// anything, so that it can run over mapped bytes under disk::TouchGuarded;
// everything that allocates runs afterwards, on these copies.
class ChunkLandmarks {
 public:
  static constexpr size_t kRecordBytes = 1024;

  struct Hit {
    uint32_t index = 0;  // sector within the chunk
    bool directory = false;
    bool fat32Hint = false;
    bool recordCopied = false;  // false: the record runs past the bytes at hand
    bool entries = false;       // directory entries only, no folder start
  };

  explicit ChunkLandmarks(uint32_t chunkSectors) : hits_(chunkSectors), records_(chunkSectors * kRecordBytes) {}

  void Find(const RangeChunks::Chunk& chunk, uint32_t sectors) {
    count_ = 0;
    for (uint32_t i = 0; i < sectors && i < hits_.size(); ++i) {
      const uint8_t* sector = chunk.bytes + size_t{i} * kSectorBytes;
      Hit& hit = hits_[count_];
      if (IsDirectoryStart(sector)) {
        hit = {i, true, HasFat32Hint(sector), false, false};
        ++count_;
      } else if (IsFileRecordStart(sector)) {
        const size_t offset = size_t{i} * kSectorBytes;
        hit = {i, false, false, offset + kRecordBytes <= chunk.bytesAvailable, false};
        if (hit.recordCopied) std::memcpy(RecordOf(count_), chunk.bytes + offset, kRecordBytes);
        ++count_;
      } else if (sector[0] != 0 && engine::JudgeOrphanCluster({sector, kSectorBytes}).directory) {
        // The first byte is tested first: free space is mostly zeros.
        hit = {i, false, false, false, true};
        ++count_;
      }
    }
  }

  std::span<const Hit> Hits() const { return {hits_.data(), count_}; }
  std::span<const uint8_t> Record(size_t hitIndex) const { return {RecordOf(hitIndex), kRecordBytes}; }

 private:
  uint8_t* RecordOf(size_t hitIndex) { return records_.data() + hitIndex * kRecordBytes; }
  const uint8_t* RecordOf(size_t hitIndex) const { return records_.data() + hitIndex * kRecordBytes; }

  std::vector<Hit> hits_;
  disk::ReadBuffer records_;
  size_t count_ = 0;
};

// Files what a chunk held: directory starts on the entry, FILE records
// parsed while at hand. A record that runs past the chunk's bytes is read
// on its own.
class LandmarkFiler {
 public:
  LandmarkFiler(TPhysicalDrive& drive, TPartiEntry& entry, disk::DiskDevice& device, Counts& counts)
      : drive_(drive), entry_(entry), device_(device), counts_(counts) {}

  void File(uint64_t chunkAddress, const ChunkLandmarks& found) {
    const auto hits = found.Hits();
    for (size_t h = 0; h < hits.size(); ++h) {
      const ChunkLandmarks::Hit& hit = hits[h];
      const uint64_t sector = chunkAddress + hit.index;
      if (hit.directory) {
        if (entry_.DirSectors.size() < kMaxFoundItems) entry_.DirSectors.push_back(sector);
        ++counts_.directoryStarts;
        if (hit.fat32Hint) ++counts_.fat32Hints;
      } else if (hit.entries) {
        if (entry_.EntrySectors.size() < kMaxEntrySectors) entry_.EntrySectors.push_back(sector);
      } else if (drive_.FileRecordSectors.size() < kMaxFoundItems) {
        drive_.FileRecordSectors.push_back(sector);
        Parse(sector, hit.recordCopied ? found.Record(h) : std::span<const uint8_t>());
      }
    }
  }

 private:
  void Parse(uint64_t sector, std::span<const uint8_t> copy) {
    std::unique_ptr<engine::tntfsfilerecord> record;
    if (!copy.empty()) {
      record = ParseFoundRecord(copy, sector, drive_.ParsedRecordVotes);
    } else {
      uint32_t bytesRead = 0;
      if (device_.Read(sector, ChunkLandmarks::kRecordBytes / kSectorBytes, straddling_.data(), bytesRead) &&
          bytesRead >= ChunkLandmarks::kRecordBytes)
        record = ParseFoundRecord(straddling_, sector, drive_.ParsedRecordVotes);
    }
    if (record) drive_.ParsedFileRecords.push_back(std::move(record));
  }

  TPhysicalDrive& drive_;
  TPartiEntry& entry_;
  disk::DiskDevice& device_;
  Counts& counts_;
  std::array<uint8_t, ChunkLandmarks::kRecordBytes> straddling_{};
};

// The first sector the source lost while the pass read it, if it shrank.
std::optional<uint64_t> RunChunks(TPhysicalDrive& drive, TPartiEntry& entry, disk::DiskDevice& device,
                                  engine::ProgressBar& progress, Counts& counts, ChunkCompanion* companion) {
  PhysicalWindow& window = drive.Window();
  const uint64_t end = entry.AbsoluteEnd();
  disk::SectorSource* source = device.Source();
  if (!source) {
    engine::AddLogLine(window.log, platform::SystemText("无法读取扇区 " + std::to_string(entry.AbsoluteStart())),
                       kLogFailure);
    return std::nullopt;
  }
  RangeChunks chunks(*source, entry.AbsoluteStart(), end, kRangeChunkSectors);
  chunks.SetCompanion(companion);
  ChunkLandmarks found(kRangeChunkSectors);
  LandmarkFiler filer(drive, entry, device, counts);
  RangeChunks::Chunk chunk;
  BadSectorLog badSectors(window.log);
  for (uint64_t n = 0; chunks.Next(chunk); ++n) {
    // The last chunk reaches past the range; what lies beyond belongs to
    // the next partition, not to this one.
    const auto findInRange = [&](const RangeChunks::Chunk& c) {
      found.Find(c, static_cast<uint32_t>(std::min<uint64_t>(c.bytesRead / kSectorBytes, end - c.address)));
    };
    const bool examined = chunks.Examine(chunk, findInRange);
    badSectors.Add(chunks.BadRuns(), end);
    if (examined) {
      progress.SetPosition(static_cast<int>(
          std::lround(static_cast<double>(n) / static_cast<double>(chunks.Count()) * 100.0)));
      filer.File(chunk.address, found);
    }
    // Once a chunk: its thousand sectors are tested in microseconds, and
    // reading the clock for each one was a tenth of the pass.
    window.pump.Pump();
    if (drive.StopRequested) {
      badSectors.Flush();
      engine::AddLogLine(window.log, platform::SystemText("驱动器扫描被用户终止"), kLogHalted);
      return std::nullopt;
    }
    // Whatever follows is gone: scanning on would only find nothing.
    if (chunks.ShrankAt()) {
      badSectors.Flush();
      return chunks.ShrankAt();
    }
  }
  badSectors.Flush();
  engine::AddLogLine(window.log, platform::SystemText("驱动器扫描已完成"), kLogProgress);
  return std::nullopt;
}

}  // namespace

disk::Outcome ScanRange(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress,
                        ChunkCompanion* companion) {
  if (drive.Busy) return disk::Outcome::Busy("another scan of the disk is under way");
  entry.Scanned = true;
  PhysicalWindow& window = drive.Window();
  if (entry.DriveCode < 0) {
    const char letter = disk::LetterOfDriveCode(entry.DriveCode);
    if (!platform::QueryDriveReady(letter)) {
      window.boxes.Error(platform::SystemText("驱动器未就绪。"));
      disk::Outcome notReady = disk::Outcome::Unavailable(std::string(1, letter) + ": is not ready");
      notReady.shown = true;
      return notReady;
    }
    const std::optional<uint64_t> bytes = platform::QueryTotalBytes(letter);
    if (!bytes) return disk::Outcome::Unavailable(std::string(1, letter) + ": its size cannot be read");
    entry.SetSectorCount(*bytes / 512);
  }
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return disk::Outcome::Unavailable("the disk cannot be opened");
  BusyScope busy(drive, progress);
  drive.CurrentPartition = &entry;
  entry.DirSectors.clear();
  entry.EntrySectors.clear();
  drive.FileRecordSectors.clear();
  drive.ParsedFileRecords.clear();
  drive.ParsedRecordVotes = {};
  drive.ParsedRecordsOf = &entry;
  engine::AddLogLine(window.log, platform::SystemText("驱动器扫描已开始"), kLogProgress);
  engine::AddLogLine(window.log, platform::SystemText("正在扫描 ..."), kLogProgress);
  Counts counts;
  std::optional<uint64_t> shrankAt;
  try {
    shrankAt = RunChunks(drive, entry, device, progress, counts, companion);
  } catch (const std::exception& e) {
    engine::AddLogLine(window.log, e.what(), kLogFailure);
  }
  entry.FatKind = FatKindFromHints(counts.directoryStarts, counts.fat32Hints);
  if (shrankAt) return ReportShrunkSource(window, *shrankAt, device.Source()->SectorCount());
  return disk::Outcome::Success();
}

}  // namespace tarnwell::physical::raw
