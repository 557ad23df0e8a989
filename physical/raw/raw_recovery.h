#pragma once
// Recovery from a raw-range scan of the drive's current partition. FAT files
// are copied as one contiguous stretch from their start cluster (there is no
// FAT to follow); NTFS files follow the run list of their data attribute.
// Each call returns 1 when the user stopped the recovery, else 0; failures
// (an item not recovered, or recovered short) go to the drive's event log,
// one line each, and never stop the next item.
#include <cstdint>
#include <string>

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

// Writes compressed data unit by unit (16 clusters); false on a failed read
// or decompression.
bool WriteCompressedRuns(TPhysicalDrive& drive, engine::OutputFile& out, const engine::trunlist& runs,
                         int64_t realSize);

}  // namespace tarnwell::physical::raw
