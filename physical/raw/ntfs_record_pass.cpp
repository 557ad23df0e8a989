// The NTFS pass: the FILE records found by the landmark pass, taken over as
// it parsed them; read again in 1000-sector chunks and parsed where they lie
// when the pass is repeated.
#include <array>
#include <algorithm>
#include <cmath>
#include <memory>

#include "disk/device_reader.h"
#include "disk/salvaging_read.h"
#include "disk/sector_source.h"
#include "disk/read_buffer.h"
#include "physical/busy_scope.h"
#include "physical/physical_drive.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"
#include "physical/raw/raw_scan.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kRecordSectors = 2;

struct Chunk {
  uint64_t first = 0;
  uint32_t sectors = 0;  // whole sectors read
  bool HoldsRecord(uint64_t sector) const {
    return sector >= first && sector + kRecordSectors <= first + sectors;
  }
};

// Reads the FILE records at `sectors` again, 1000 sectors at a time, and
// parses each where it lies.
void ReadRecordsAgain(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress,
                      ClusterVotes& votes) {
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return;
  const std::vector<uint64_t>& sectors = drive.FileRecordSectors;
  disk::ReadBuffer buffer(size_t{kRangeChunkSectors} * kSectorBytes);
  Chunk chunk;
  for (size_t p = 0; p < sectors.size() && !drive.StopRequested && entry.NtfsRecords.size() < kMaxFoundItems;
       ++p) {
    const uint64_t sector = sectors[p];
    // A new read only when the record lies outside the chunk in hand:
    // records of one MFT are parsed in place from the same read.
    if (!chunk.HoldsRecord(sector)) {
      uint32_t bytesRead = 0;
      chunk = Chunk{sector, 0};
      // Only the bad sectors of a refused read are lost (zeros, which
      // fail the record's checks); the landmark pass has logged them.
      std::vector<disk::SectorRun> bad;
      disk::SectorSource* source = device.Source();
      if (!source || !disk::ReadSalvaging(*source, sector, kRangeChunkSectors, buffer.data(), bytesRead, bad))
        continue;
      chunk.sectors = std::min<uint32_t>(bytesRead, kRangeChunkSectors * kSectorBytes) / kSectorBytes;
      if (!chunk.HoldsRecord(sector)) continue;
    }
    progress.SetPosition(static_cast<int>(std::lround(static_cast<double>(p) * 100.0 /
                                                      static_cast<double>(sectors.size()))));
    drive.Window().pump.Pump();
    // Offsets are taken in sectors, so a record at an odd distance from
    // the chunk's start is read where it is.
    const size_t offset = static_cast<size_t>(sector - chunk.first) * kSectorBytes;
    auto record = ParseFoundRecord(std::span<const uint8_t>(buffer.data() + offset, 2 * kSectorBytes),
                                   sector, votes);
    if (record) entry.NtfsRecords.push_back(std::move(record));
  }
}

}  // namespace

void DropMirrorCopies(std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records) {
  // $MFTMirr holds byte copies of the MFT's first four records, so a scan
  // finds each of them twice: the copy has the same name and the same data,
  // and is listed and recovered once. The records found on their own carry
  // no record number, so the four are known by their names; those of
  // another volume differ in where their data lies or in their sizes, and
  // stay. Any other record found twice is left alone: copies of a user's
  // file at two places are two finds.
  static const std::array<std::string, 4> kMirrored = {"$MFT", "$MFTMirr", "$LogFile", "$Volume"};
  std::vector<const engine::tntfsfilerecord*> kept;
  auto same = [](const engine::tntfsfilerecord& a, const engine::tntfsfilerecord& b) {
    // Resident data is marked by minus the record's own sector, which
    // differs between a record and its copy.
    const bool sameData = a.DataStart > 0 || b.DataStart > 0 ? a.DataStart == b.DataStart : true;
    return a.Name == b.Name && sameData && a.DataSize == b.DataSize && a.AllocatedSize == b.AllocatedSize &&
           a.RecordFlags == b.RecordFlags;
  };
  std::erase_if(records, [&](const std::unique_ptr<engine::tntfsfilerecord>& r) {
    if (!r || std::find(kMirrored.begin(), kMirrored.end(), r->Name) == kMirrored.end()) return false;
    for (const engine::tntfsfilerecord* k : kept)
      if (same(*k, *r)) return true;
    kept.push_back(r.get());
    return false;
  });
}

void ReadNtfsRecords(TPhysicalDrive& drive, engine::ProgressBar& progress) {
  if (!drive.CurrentPartition) return;
  TPartiEntry& entry = *drive.CurrentPartition;
  entry.NtfsRecords.clear();
  entry.NtfsMatches.clear();
  entry.ParentRefs.clear();
  if (drive.FileRecordSectors.empty()) return;
  BusyScope busy(drive, progress);
  ClusterVotes votes{};
  if (drive.ParsedRecordsOf == &entry) {
    // The landmark pass parsed them from the chunks it read: nothing to
    // open or read.
    entry.NtfsRecords = std::move(drive.ParsedFileRecords);
    votes = drive.ParsedRecordVotes;
    drive.ParsedFileRecords.clear();
    drive.ParsedRecordsOf = nullptr;
  } else {
    ReadRecordsAgain(drive, entry, progress, votes);
  }
  entry.NtfsClusterSectors = VotedClusterSectors(votes);
  DropMirrorCopies(entry.NtfsRecords);
  std::stable_sort(entry.NtfsRecords.begin(), entry.NtfsRecords.end(),
                   [](const auto& a, const auto& b) { return ParentReference(*a) < ParentReference(*b); });
  entry.ParentRefs = ParentRefsOf(entry.NtfsRecords);
}

}  // namespace tarnwell::physical::raw
