#include "disk/imaging/attach_rescued_image.h"

#include <memory>

#include "disk/imaging/imaging_report.h"
#include "disk/imaging/map_file_store.h"
#include "disk/sector_source.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::disk::imaging {

bool AttachRescuedImage(const std::string& imagePath, const std::string& mapPath, std::string* error) {
  ImagingResult fault;
  fault.path = mapPath;
  const std::optional<std::string> text = ReadMapText(mapPath, &fault.errorNumber);
  std::optional<MapFile> file;
  std::optional<RescueMap> map;
  if (!text) {
    fault.fault = ImagingFault::kMapUnreadable;
  } else if (!(file = ParseMapFile(*text, &fault.mapError))) {
    fault.fault = ImagingFault::kMapDamaged;
  } else {
    // A last sector the map covers in part is unread in part: it counts,
    // and fails.
    map = SectorMapOf(*file, (file->EndByte() + kSectorSize - 1) / kSectorSize, &fault.mapError);
  }
  if (!map) {
    if (!fault.Failed()) fault.fault = ImagingFault::kMapDamaged;
    if (error) *error = platform::SystemToUtf8(ImagingFaultText(fault));
    return false;
  }
  auto readable = std::make_shared<platform::ReadableSectors>();
  readable->diskBytes = file->EndByte();
  for (const MapBlock& block : map->Blocks())
    if (block.status == BlockStatus::kFinished) readable->runs.emplace_back(block.start, block.end());
  return platform::DeviceTable::Instance().AttachImage(imagePath, error, std::move(readable));
}

}  // namespace tarnwell::disk::imaging
