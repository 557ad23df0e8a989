#include "cli/partition_listing.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "physical/drive_caption.h"
#include "physical/physical_drive.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {

using physical::TPartiEntry;
using physical::TPhysicalDrive;

std::string EntryKind(const TPhysicalDrive& drive, const TPartiEntry& entry) {
  if (&entry == &drive.WholeDisk()) return "disk";
  if (entry.PartType() == physical::kTypeFound) return "found";
  if (entry.IsFreeSpace()) return "free";
  if (entry.Gpt) return "gpt";
  if (entry.IsExtended()) return "extended";
  const auto& top = drive.WholeDisk().Children;
  return std::find(top.begin(), top.end(), &entry) != top.end() ? "primary" : "logical";
}

namespace {

// The table's disk behind a physical drive; null for a volume.
const platform::PhysicalDisk* DiskOf(const TPhysicalDrive& drive) {
  return drive.IsVolume() ? nullptr : platform::DeviceTable::Instance().Disk(drive.DriveCode());
}

}  // namespace

void PrintDriveHeader(const TPhysicalDrive& drive) {
  const platform::PhysicalDisk* disk = DiskOf(drive);
  std::printf("%d  %s  %" PRIu64 " sectors%s\n", drive.DriveCode(),
              TerminalSafe(platform::SystemToUtf8(physical::DriveCaption(drive))).c_str(), drive.TotalSectors(),
              disk ? TerminalSafe("  [" + platform::DiskKindText(*disk) + "]").c_str() : "");
}

namespace {

// A GPT partition's name and type after its label: "  \"Basic data\" [type]".
std::string GptSuffix(const TPartiEntry& entry) {
  if (!entry.Gpt) return {};
  return "  \"" + platform::SystemToUtf8(entry.Gpt->Name) + "\" [" +
         platform::SystemToUtf8(physical::GptTypeName(entry.Gpt->TypeGuid)) + "]";
}

}  // namespace

void PrintEntry(size_t index, const TPhysicalDrive& drive, const TPartiEntry& entry) {
  std::printf("  %3zu  %02X  %12" PRIu64 "  %10" PRIu64 "  %-8s  %s%s%s\n", index, entry.PartType(),
              entry.AbsoluteStart(), entry.SectorCount(), EntryKind(drive, entry).c_str(),
              TerminalSafe(platform::SystemToUtf8(entry.Label)).c_str(), TerminalSafe(GptSuffix(entry)).c_str(),
              physical::EndsPastDisk(drive, entry) ? "  (past the disk's end)" : "");
}

nlohmann::json EntryJson(size_t index, const TPhysicalDrive& drive, const TPartiEntry& entry) {
  nlohmann::json json = {{"index", index},
                         {"type", entry.PartType()},
                         {"start", entry.AbsoluteStart()},
                         {"sectors", entry.SectorCount()},
                         {"label", platform::SystemToUtf8(entry.Label)},
                         {"kind", EntryKind(drive, entry)}};
  if (entry.Gpt) {
    json["name"] = platform::SystemToUtf8(entry.Gpt->Name);
    json["type_guid"] = physical::FormatGuid(entry.Gpt->TypeGuid);
    json["type_name"] = platform::SystemToUtf8(physical::GptTypeName(entry.Gpt->TypeGuid));
    json["guid"] = physical::FormatGuid(entry.Gpt->UniqueGuid);
  }
  if (physical::EndsPastDisk(drive, entry)) json["past_end"] = true;
  return json;
}

nlohmann::json DriveJson(const TPhysicalDrive& drive) {
  nlohmann::json json = {{"code", drive.DriveCode()},
                         {"name", platform::SystemToUtf8(physical::DriveCaption(drive))},
                         {"total_sectors", drive.TotalSectors()}};
  if (const platform::PhysicalDisk* disk = DiskOf(drive)) {
    json["disk_kind"] = platform::DiskKindKey(*disk);
    json["path"] = disk->origin.path;
    if (disk->isImage) json["format"] = disk->format;
    else if (disk->kind != platform::DiskKind::kDisk) json["detail"] = disk->kindDetail;
  }
  return json;
}

void PrintJsonLine(const nlohmann::json& value) {
  std::printf("%s\n",
              value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

}  // namespace tarnwell::cli
