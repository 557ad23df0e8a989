#include "physical/carve/carve_beside_scan.h"

#include <algorithm>

#include "disk/sector_source.h"
#include "physical/carve/found_extents.h"
#include "physical/parti_entry.h"

namespace tarnwell::physical::carve {

std::optional<CarveBesideScan> PrepareCarveBesideScan(const TPartiEntry& entry, FamilySet families) {
  CarveBesideScan carve;
  carve.device = std::make_unique<disk::DiskDevice>(entry.DriveCode);
  disk::SectorSource* source = carve.device->Source();
  if (!source) return std::nullopt;
  // A volume's entry learns its size only in the landmark pass; its source
  // knows.
  const uint64_t rangeEnd = entry.DriveCode < 0 ? source->SectorCount() : entry.AbsoluteEnd();
  const uint64_t end = std::min(rangeEnd, source->SectorCount());
  const CarveArea area{entry.AbsoluteStart(), std::max(end, entry.AbsoluteStart()), 1, nullptr};
  carve.scanner = std::make_unique<CarveScanner>(*source, area, families);
  return carve;
}

size_t FinishCarveBesideScan(CarveBesideScan& carve, const TPartiEntry& entry, engine::MessagePump& pump,
                             const bool& stop) {
  carve.scanner->Finish(pump, stop);
  return DropAccountedFor(AccountedSectors(entry), carve.scanner->Files());
}

}  // namespace tarnwell::physical::carve
