#pragma once
// The volume reader of the standard engine: sectors of a lettered volume.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell::disk {

// Reads count sectors at lba of the volume named "C:" into buffer. True only
// when all count x 512 bytes arrived. A failing read shows the read-error
// message; a volume that cannot be opened, or a short read, fails silently.
bool ReadVolumeSectors(std::string_view driveName, uint32_t lba, uint16_t count, void* buffer);

// The read-error text, exactly as the user sees it, in the system code page.
std::string FormatVolumeReadError(int errorCode, char letter, uint32_t lba, uint16_t count);

// Drops the open sources the reader keeps between calls (tests; a rebuilt
// device table is noticed by itself).
void CloseVolumeSources();

}  // namespace tarnwell::disk
