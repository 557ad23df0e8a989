#pragma once
// Reading and saving map files. A save never leaves a half-written map: the
// new text goes into a fresh file beside the map, reaches the disk, and is
// then renamed over the old map, so a crash or a full disk leaves one whole
// map or the other.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell::disk::imaging {

// A map of a disk with millions of bad areas is still far smaller.
inline constexpr uint64_t kMostMapFileBytes = 512ull << 20;

// The text of the map file at path; nullopt with *errorNumber set when it
// cannot be read (ENOENT: there is none; EFBIG: larger than the bound).
std::optional<std::string> ReadMapText(const std::string& path, int* errorNumber);

// Creates the map file; an existing file of that name is never replaced
// (EEXIST).
bool CreateMapFile(const std::string& path, const std::string& text, int* errorNumber);
// Replaces the map file with new text in one step (see above).
bool SaveMapFile(const std::string& path, const std::string& text, int* errorNumber);

}  // namespace tarnwell::disk::imaging
