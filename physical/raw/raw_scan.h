#pragma once
// The passes of the raw-range scan over one entry of a drive: the landmark
// pass, then the FAT directory pass (which works out the FAT geometry), then
// the NTFS record pass. Results stay in the entry, which becomes the drive's
// current partition.
#include <cstddef>
#include <cstdint>

#include <memory>
#include <vector>

#include "disk/outcome.h"
#include "engine/records.h"
#include "engine/window_interfaces.h"

namespace tarnwell::physical {
class TPhysicalDrive;
struct TPartiEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::raw {

class ChunkCompanion;

// At most this many FAT entries and as many NTFS records are kept: a
// hostile disk made of nothing but directory entries must not exhaust
// memory (a real volume of a few terabytes holds fewer).
inline constexpr size_t kMaxFoundItems = size_t{1} << 22;

// Reads the entry's range in 1000-sector chunks and collects the directory
// starts (entry's DirSectors) and FILE-record sectors (drive's
// FileRecordSectors); sets FatKind from them. Fails (kBusy, kUnavailable)
// when the drive is busy, a volume is not ready or the disk cannot be
// opened, and when the source shrank under the pass (what was found before
// stays); succeeds also after a stop or an error of its own, which it logs.
// A companion sees every chunk read, in the same read (the signature scan
// run beside this pass).
disk::Outcome ScanRange(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress,
                        ChunkCompanion* companion = nullptr);
// Whether ScanRange's failure left nothing scanned (busy, not ready, not
// opened), rather than a scan cut short by a shrinking source.
inline bool NothingScanned(const disk::Outcome& scan) {
  return scan.kind == disk::OutcomeKind::kBusy || scan.kind == disk::OutcomeKind::kUnavailable;
}

// Parses every directory start of the current partition into FatEntries,
// works out the geometry (CalibrateFat) and adds the root directory.
void ReadFatDirectories(TPhysicalDrive& drive, engine::ProgressBar& progress);

}  // namespace tarnwell::physical::raw

namespace tarnwell::physical::raw {

// Parses the FILE records found by the landmark pass into NtfsRecords of
// the current partition, votes NtfsClusterSectors from their run lists and
// lists the parent folders in ParentRefs.
void ReadNtfsRecords(TPhysicalDrive& drive, engine::ProgressBar& progress);
// Drops the copies $MFTMirr holds of the MFT's first four records, keeping
// the first of each.
void DropMirrorCopies(std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records);

}  // namespace tarnwell::physical::raw
