#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/records.h"
#include "platform/device_table.h"

namespace tarnwell::engine {

// "%.2f MB" below 1000 MB, else "%.2f GB" (1000 MB itself shows 0.98 GB).
std::string SizeText(int64_t totalBytes);

// True when the volume of the letter can be read now. A letter outside A-Z
// (after upper-casing) throws std::invalid_argument with the message
// "不是有效的驱动器 ID" in the system code page.
bool DriveReady(char letter);

// The drive list of the machine, letters A to Z; only removable and fixed
// drives. Each drive gets its volume's source here, opened once.
std::vector<std::unique_ptr<TLogiDrive>> BuildDriveList();
// The drive of one letter as the list builds it; nullptr when the letter
// names no removable or fixed drive (a disk authorised later adds letters).
std::unique_ptr<TLogiDrive> BuildDrive(char letter);

// A drive over a source the caller opened (a volume image, sectors held in
// memory), named by its letter; size from the source, no label.
std::unique_ptr<TLogiDrive> MakeDrive(char letter, std::unique_ptr<disk::SectorSource> source,
                                      uint8_t driveType = platform::kDriveFixed);

}  // namespace tarnwell::engine
