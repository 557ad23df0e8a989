#pragma once
// Crafted drive answers for the health tests, laid out as the published ATA
// identify and S.M.A.R.T. sectors, and a drive table that never asks the
// machine's own disks.
#include <cstdint>
#include <string>
#include <vector>

#include "health/replay_drive.h"

namespace tarnwell::testing {

using Sector = health::ReplayRecording::Sector;

struct CraftedAttribute {
  int slot;
  uint8_t id, value, worst;
  std::vector<uint8_t> raw;  // up to 6 bytes, little-endian
  uint8_t threshold;
};

// Identify words: serial 10-19, firmware 23-26, model 27-46 (characters of
// each word swapped, as drives store them), sectors in words 60-61.
Sector IdentifySector(const std::string& model, const std::string& serial,
                      const std::string& firmware, uint32_t sectors);
Sector AttributeSector(const std::vector<CraftedAttribute>& attributes);
Sector ThresholdSector(const std::vector<CraftedAttribute>& attributes);
// A recording with identify, attributes and thresholds.
health::ReplayRecording Recording(const std::vector<CraftedAttribute>& attributes,
                                  const std::string& model = "TEST MODEL");

// Empties the S.M.A.R.T. drive table and turns probing of real disks off,
// on entry and on exit.
class ScopedSmartDrives {
 public:
  ScopedSmartDrives();
  ~ScopedSmartDrives();
  void Attach(health::ReplayRecording recording, const std::string& name = "recorded");
};

}  // namespace tarnwell::testing
