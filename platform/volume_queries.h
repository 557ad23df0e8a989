#pragma once
// Queries about a lettered volume: what GetDriveTypeA, GetDiskFreeSpaceExA,
// GetVolumeInformationA and GetLogicalDriveStringsA answered on Windows.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell::platform {

// "A:\\" style roots are accepted as well as a bare letter; 0 for a letter
// that has no volume (DRIVE_UNKNOWN/NO_ROOT_DIR never reach the engine).
uint8_t QueryDriveType(char letter);
// True when the volume's source opens and its size is known.
bool QueryDriveReady(char letter);
// Total bytes of the volume, nullopt when it cannot be queried.
std::optional<uint64_t> QueryTotalBytes(char letter);
// Label as libblkid reports it (UTF-8); empty when none.
std::optional<std::string> QueryVolumeLabel(char letter);
// Letters with volumes, as "C:\\\0D:\\\0\0" would list them: here a plain
// string of letters in order ("CDE").
std::string LogicalDriveLetters();

}  // namespace tarnwell::platform
