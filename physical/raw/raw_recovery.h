#pragma once
// Recovery from a raw-range scan of the drive's current partition. FAT files
// are copied as one contiguous stretch from their start cluster (there is no
// FAT to follow); NTFS files follow the run list of their data attribute.
// Each call returns 1 when the user stopped the recovery, else 0; failures
// (an item not recovered, or recovered short) go to the drive's event log,
// one line each, and never stop the next item.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/recovery/output_file.h"
#include "engine/recovery/output_path.h"
#include "engine/records.h"
#include "engine/window_interfaces.h"

namespace tarnwell::physical {
class TPhysicalDrive;
struct FoundFatEntry;
}  // namespace tarnwell::physical

namespace tarnwell::physical::raw {

inline constexpr int kRecoveryStopped = 1;

// destination is a folder held open (see engine::OutputFolder::Open);
// names from the disk are made safe.
int RecoverItem(TPhysicalDrive& drive, const FoundFatEntry& item, engine::StatusPanel& status,
                engine::ProgressBar& progress, const engine::OutputFolder& destination);
int RecoverItem(TPhysicalDrive& drive, const engine::tntfsfilerecord& item, engine::StatusPanel& status,
                engine::ProgressBar& progress, const engine::OutputFolder& destination);

// Recreates a FAT folder and everything found below it; a folder whose
// entries lead back to one already entered is not entered again.
int RecoverFatFolder(TPhysicalDrive& drive, const FoundFatEntry& folder, engine::StatusPanel& status,
                     engine::ProgressBar& progress, const engine::OutputFolder& destination);

// The found FAT folders of a scan written as one tree, each once. A found
// folder that a subfolder entry of another found folder leads to is written
// where that entry is, under its name; the top level holds the others
// (TopLevel, in disk order). A folder only reachable through a loop of
// found folders is not reached from the top level: Written says so, and the
// caller writes it at the top level too. An entry that leads to a folder
// already written, or to one of its own ancestors, is not written again.
class FoundFolderTree {
 public:
  // Plans the drive's current partition as scanned.
  explicit FoundFolderTree(TPhysicalDrive& drive);
  // Indexes into DirSectors of the folders no found entry leads to.
  const std::vector<size_t>& TopLevel() const { return topLevel_; }
  // Whether the folder at that index has been written (or has no
  // entries of its own).
  bool Written(size_t index) const;
  // Writes the entries of the found folder at that index into destination,
  // subfolders with everything below them that is not written yet.
  int RecoverContents(size_t index, engine::StatusPanel& status, engine::ProgressBar& progress,
                      const engine::OutputFolder& destination);

 private:
  TPhysicalDrive& drive_;
  std::vector<size_t> topLevel_;
  std::set<uint64_t> entered_;  // folder sectors written
};

// Writes compressed data unit by unit (16 clusters); false on a failed read
// or decompression.
bool WriteCompressedRuns(TPhysicalDrive& drive, engine::OutputFile& out, const engine::trunlist& runs,
                         int64_t realSize);

}  // namespace tarnwell::physical::raw
