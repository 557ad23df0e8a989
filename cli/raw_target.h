#pragma once
// The TARGET of the raw-scan commands and the scan itself: DRIVE:INDEX (an
// entry of the drive's partitions list as "disks" prints it, or of its found
// partitions when the search runs first) or a drive letter.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "cli/collected_log.h"
#include "disk/outcome.h"
#include "physical/physical_drive_list.h"
#include "physical/raw/raw_scan.h"

namespace tarnwell::physical::raw {
class ChunkCompanion;
}

namespace tarnwell::cli {

struct RawTarget {
  std::unique_ptr<physical::TPhysicalDriveList> list;
  physical::TPhysicalDrive* drive = nullptr;
  physical::TPartiEntry* entry = nullptr;
};

// Prints the reason on stderr and returns nullopt when the target names
// nothing. The drive list reports into `log`, which must outlive the result.
std::optional<RawTarget> ResolveRawTarget(CliContext& context, CollectedLog& log, const std::string& target,
                                          bool findPartitions);

// The three passes, then the log line with the counts. Fails with
// NothingScanned when the landmark pass could not run; otherwise a failure
// (the source shrank under the scan) still leaves what was found before.
// A companion sees every chunk the landmark pass reads, in the same read.
disk::Outcome RunRawScan(CliContext& context, RawTarget& target, physical::raw::ChunkCompanion* companion = nullptr);
using physical::raw::NothingScanned;

// Folder numbers as the advanced window numbers its folder nodes: the
// position of a FAT item's directory sector in DirSectors, of an NTFS
// record's parent in ParentRefs.
std::map<uint64_t, int> FatFolderNumbers(const physical::TPartiEntry& entry);
std::map<uint64_t, int> NtfsFolderNumbers(const physical::TPartiEntry& entry);
// "文件夹 000012" in UTF-8.
std::string FolderCaption(int number);
// The caption of the folder of lost entries (entries found in directory
// clusters no found folder owns), in UTF-8; as wide as a numbered one.
std::string LostEntriesCaption();

}  // namespace tarnwell::cli
