#pragma once
// How the disk commands print a drive and its entries, as text or JSON.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

namespace tarnwell::physical {
class TPhysicalDrive;
struct TPartiEntry;
}  // namespace tarnwell::physical

namespace tarnwell::cli {

// "disk", "primary", "extended", "logical", "free", "found", or "gpt" for a
// partition of a GUID partition table (whose JSON also carries its name,
// type GUID, type name and partition GUID).
std::string EntryKind(const physical::TPhysicalDrive& drive, const physical::TPartiEntry& entry);

void PrintDriveHeader(const physical::TPhysicalDrive& drive);
void PrintEntry(size_t index, const physical::TPhysicalDrive& drive,
                const physical::TPartiEntry& entry);

nlohmann::json EntryJson(size_t index, const physical::TPhysicalDrive& drive,
                         const physical::TPartiEntry& entry);
// The drive's code, name and total sectors, without entries; for a
// physical disk also its kind ("image", "disk", "loop", "dm", "md"), path,
// and an image's format or a device's detail (backing file, mapping name,
// RAID level).
nlohmann::json DriveJson(const physical::TPhysicalDrive& drive);

// One JSON value on one line, invalid text replaced.
void PrintJsonLine(const nlohmann::json& value);

}  // namespace tarnwell::cli
