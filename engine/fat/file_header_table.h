#pragma once
// The two bytes that files of common kinds begin with, by extension. The
// FAT32 high-word search and the hex page use it.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwell::engine {

struct FileHeaderRow {
  std::string_view extension;  // lower case, no dot; "#$%" stands for a folder
  std::array<uint8_t, 2> header;
};

inline constexpr size_t kFileHeaderRows = 34;
extern const std::array<FileHeaderRow, kFileHeaderRows> FileHeaderTable;

// The first row whose extension equals the key exactly.
std::optional<FileHeaderRow> FindFileHeader(std::string_view extension);

// The pseudo-extension of a folder: its first cluster begins with ". ".
inline constexpr std::string_view kFolderHeaderKey = "#$%";
// A name with that extension: what the FAT32 high-word search is given to
// find a folder's first cluster by its "." entry.
inline constexpr char kFolderSearchName[] = "a.#$%";

}  // namespace tarnwell::engine
