#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/records.h"

namespace tarnwell::engine {

// "%.2f MB" below 1000 MB, else "%.2f GB" (1000 MB itself shows 0.98 GB).
std::string SizeText(int64_t totalBytes);

// True when the volume of the letter can be read now. A letter outside A-Z
// (after upper-casing) throws std::invalid_argument with the message
// "不是有效的驱动器 ID" in the system code page.
bool DriveReady(char letter);

// The drive list, letters A to Z; only removable and fixed drives.
std::vector<std::unique_ptr<TLogiDrive>> BuildDriveList();

}  // namespace tarnwell::engine
