// FAT32 deletion may clear the high word of an entry's first cluster. The
// missing word is found by looking, in every candidate cluster that shares
// the low word, for the header a file of that kind begins with.
#include <algorithm>
#include <array>

#include "engine/ascii_text.h"
#include "engine/boot_sector.h"
#include "engine/entry_order.h"
#include "engine/fat/fat_layout.h"
#include "engine/fat/file_header_table.h"
#include "engine/scoped_flag.h"
#include "engine/undelete.h"

namespace tarnwell::engine {


uint16_t TUndelete::FindFat32HighWord(const std::string& displayName, uint16_t lowWord, bool pump) {
  if (!CurrentDrive) return 0;
  const TLogiDrive& drive = *CurrentDrive;
  const BootSectorView boot(drive.BootSector);
  if (boot.SectorsPerCluster() == 0) return 0;
  const uint64_t overhead = static_cast<uint64_t>(boot.ReservedSectors()) +
                            static_cast<uint64_t>(boot.FatCount()) * boot.SectorsPerFat32();
  if (boot.TotalSectorsLarge() <= overhead) return 0;
  const uint64_t clusters = (boot.TotalSectorsLarge() - overhead) / boot.SectorsPerCluster();

  const size_t dot = displayName.rfind('.');
  if (dot == std::string::npos || displayName.size() - dot < 2) return 0;
  const std::optional<FileHeaderRow> row = FindFileHeader(LowerAscii(displayName.substr(dot + 1)));
  if (!row) return 0;

  const FatLayout layout(drive);
  const uint32_t highest = static_cast<uint32_t>(std::min<uint64_t>(clusters >> 16, 0xFFFF));
  std::array<uint8_t, 512> sector{};
  for (uint32_t h = 0; h <= highest; ++h) {
    if (pump) {
      pump_.Pump();
      if (StopRequested) return 0;
    }
    const uint32_t cluster = (h << 16) | lowWord;
    const std::optional<uint64_t> lba = layout.ClusterSector(cluster);
    if (!layout.IsDataCluster(cluster) || !lba) continue;
    if (drive.Reader().Read(*lba, 1, sector.data()) &&
        sector[0] == row->header[0] && sector[1] == row->header[1])
      return static_cast<uint16_t>(h);
  }
  return 0;
}

bool TUndelete::RescanDamagedFolder(TMidEntry& folder, StatusPanel& status) {
  if (folder.Status != kDamagedFolder || !CurrentDrive || CurrentDrive->FsKind != kFat32)
    return false;
  // Refused under a running scan or recovery, which walks the list this
  // rescan re-sorts.
  if (Scanning) return false;
  ScopedFlag scanning(Scanning);
  ScopedFlag highWord(HighWordSearch);
  const uint16_t high = FindFat32HighWord(kFolderSearchName, folder.DirEntry.FirstClusterLow());
  if (high == 0) return false;
  folder.DirEntry.SetFirstClusterHigh(high);
  folder.Status = kDeleted;
  ResetFatWalk(&folder);
  // The folder the high word leads to must read as a folder; what it
  // holds is listed either way.
  const bool walked = ScanFatDirectory(&folder, status, true).Ok();
  SortFatEntries(CurrentDrive->FatEntries);
  return walked;
}

}  // namespace tarnwell::engine
