#pragma once
// A read that gives up only the sectors that fail. A failing disk refuses a
// whole request for one bad sector in it; reading the halves of a refused
// request, and their halves in turn, finds the bad sectors in a few reads
// per bad sector and keeps everything around them.
#include <cstdint>
#include <vector>

namespace tarnwell::disk {

class SectorSource;

// Sectors [first, first + count).
struct SectorRun {
  uint64_t first = 0;
  uint64_t count = 0;
  uint64_t End() const { return first + count; }
  bool operator==(const SectorRun&) const = default;
};

// Adds a run to the list, joined to the last one when it follows on.
void AddSectorRun(std::vector<SectorRun>& runs, SectorRun run);

// Reads count sectors at lba into buffer as one request; where the source
// refuses it, reads the halves of the request (recursively, down to single
// sectors). A sector that fails on its own reads as zeros and is added to
// `bad`. bytesRead counts the bytes up to the source's end, failed sectors
// included (they hold zeros). False when every sector it tried failed.
bool ReadSalvaging(SectorSource& source, uint64_t lba, uint32_t count, uint8_t* buffer, uint32_t& bytesRead,
                   std::vector<SectorRun>& bad);

}  // namespace tarnwell::disk
