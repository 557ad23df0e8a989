#pragma once
// The text of a ddrescue map file, both ways. Comment lines start with "#"
// (a "#" after a blank starts a comment too); the first other line is the
// status line "POS STATUS PASS", every later one a block "POS SIZE STATUS".
// Numbers are C-style decimal, 0x hexadecimal or 0 octal; positions and
// sizes are bytes, and the blocks follow each other without gap or overlap.
//
//   # current_pos  current_status  current_pass
//   0x00120000     ?               1
//   #      pos        size  status
//   0x00000000  0x00117000  +
//   0x00117000  0x00000200  -
//   0x00117200  0x00008E00  *
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disk/imaging/rescue_map.h"

namespace tarnwell::disk::imaging {

struct MapFileBlock {
  uint64_t pos = 0;  // bytes
  uint64_t size = 0;
  BlockStatus status = BlockStatus::kNonTried;
};

struct MapFile {
  MapPosition position;
  std::vector<MapFileBlock> blocks;  // contiguous, in order
  // Where the blocks end: the size of the disk they describe.
  uint64_t EndByte() const { return blocks.empty() ? 0 : blocks.back().pos + blocks.back().size; }
};

enum class MapFileFault {
  kNone,
  kNoStatusLine,     // nothing but comments
  kBadStatusLine,    // not "POS STATUS [PASS]"
  kBadBlockLine,     // not "POS SIZE STATUS"
  kBadNumber,        // not a number, or larger than 2^63 - 1
  kBadStatus,        // a status character the format does not know
  kNotContiguous,    // a block that does not start where the last one ended
  kTooLarge,         // a block reaching past 2^63 - 1
  kLargerThanDisk,   // blocks past the end of the disk they are used for
};

struct MapFileError {
  MapFileFault fault = MapFileFault::kNone;
  size_t line = 0;  // 1-based; 0 where no line is to blame
};

// Reads a map file's text; nullopt with the fault and its line otherwise.
// Blocks of size 0 describe nothing and are left out.
std::optional<MapFile> ParseMapFile(std::string_view text, MapFileError* error);

// The statuses of a disk of `sectors` that the file describes. What the
// file leaves out is not tried yet. A sector the file splits counts with
// the least advanced status of its parts, so it is read again rather than
// taken as copied. nullopt (kLargerThanDisk) when the blocks reach past
// the disk's last byte.
std::optional<RescueMap> SectorMapOf(const MapFile& file, uint64_t sectors, MapFileError* error);

// Heading comments: who wrote the map and when ("2024-05-01 12:00:00").
struct MapFileHeading {
  std::string creator;
  std::string startTime;
  std::string currentTime;
};

// The text of a map file for `map`, positions in bytes as hexadecimal.
std::string FormatMapFile(const RescueMap& map, const MapPosition& position, const MapFileHeading& heading);

// "Copying non-tried blocks... Pass 1 (forwards)": the line the heading
// gives the phase, as the format's own tools write it.
std::string PhaseDescription(const MapPosition& position);

}  // namespace tarnwell::disk::imaging
