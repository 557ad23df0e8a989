#include "cli/partition_listing.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "physical/drive_caption.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {

using physical::TPartiEntry;
using physical::TPhysicalDrive;

std::string EntryKind(const TPhysicalDrive& drive, const TPartiEntry& entry) {
  if (&entry == &drive.WholeDisk()) return "disk";
  if (entry.PartType() == physical::kTypeFound) return "found";
  if (entry.IsFreeSpace()) return "free";
  if (entry.IsExtended()) return "extended";
  const auto& top = drive.WholeDisk().Children;
  return std::find(top.begin(), top.end(), &entry) != top.end() ? "primary" : "logical";
}

void PrintDriveHeader(const TPhysicalDrive& drive) {
  std::printf("%d  %s  %" PRIu64 " sectors\n", drive.DriveCode(),
              TerminalSafe(platform::SystemToUtf8(physical::DriveCaption(drive))).c_str(), drive.TotalSectors());
}

void PrintEntry(size_t index, const TPhysicalDrive& drive, const TPartiEntry& entry) {
  std::printf("  %3zu  %02X  %12" PRIu64 "  %10u  %-8s  %s%s\n", index, entry.PartType(),
              entry.AbsoluteStart(), entry.SectorCount(), EntryKind(drive, entry).c_str(),
              TerminalSafe(platform::SystemToUtf8(entry.Label)).c_str(),
              physical::EndsPastDisk(drive, entry) ? "  (past the disk's end)" : "");
}

nlohmann::json EntryJson(size_t index, const TPhysicalDrive& drive, const TPartiEntry& entry) {
  nlohmann::json json = {{"index", index},
                         {"type", entry.PartType()},
                         {"start", entry.AbsoluteStart()},
                         {"sectors", entry.SectorCount()},
                         {"label", platform::SystemToUtf8(entry.Label)},
                         {"kind", EntryKind(drive, entry)}};
  if (physical::EndsPastDisk(drive, entry)) json["past_end"] = true;
  return json;
}

nlohmann::json DriveJson(const TPhysicalDrive& drive) {
  return {{"code", drive.DriveCode()},
          {"name", platform::SystemToUtf8(physical::DriveCaption(drive))},
          {"total_sectors", drive.TotalSectors()}};
}

void PrintJsonLine(const nlohmann::json& value) {
  std::printf("%s\n",
              value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

}  // namespace tarnwell::cli
