#pragma once
// Recovery of the files the exFAT raw pass found.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/window_interfaces.h"
#include "physical/raw/exfat_set_scan.h"

namespace tarnwell::physical::raw {

struct ExfatRange {
  int16_t driveCode = 0;
  uint64_t start = 0;  // absolute sectors
  uint64_t count = 0;
};

// Writes every found file below destination (a UTF-8 folder) in the
// folders ExfatSetFolders names, each read contiguously from its first
// cluster for its valid length, zeros up to its length. Nothing is read
// outside the range, and nothing existing is overwritten. Returns the
// number of files that could not be written whole.
int RecoverExfatSets(const ExfatRange& range, const std::vector<ExfatFoundSet>& sets,
                     const ExfatRawGeometry& geometry, const std::string& destination,
                     engine::EventLog& log, engine::MessagePump& pump, const bool& stop);

}  // namespace tarnwell::physical::raw
