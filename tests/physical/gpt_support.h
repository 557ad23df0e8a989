#pragma once
// Writes GUID partition tables into crafted disks, CRCs included.
#include <cstdint>
#include <string>
#include <vector>

#include "physical/gpt_entry.h"
#include "tests/support/image_builder.h"

namespace tarnwell::physical {

struct CraftedGptEntry {
  Guid type;
  uint64_t first = 0;
  uint64_t last = 0;
  std::u16string name;
};

// GUIDs in on-disk byte order.
Guid GuidOf(const std::string& text);
inline const Guid kEfiType = GuidOf("C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
inline const Guid kBasicDataType = GuidOf("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");

struct CraftedGpt {
  uint64_t diskSectors = 0;
  uint64_t firstUsable = 34;
  uint64_t lastUsable = 0;  // 0: diskSectors - 34
  uint32_t entryCount = 128;
  uint32_t entrySize = 128;
  std::vector<CraftedGptEntry> entries;
};

// The protective master boot record, the primary header at 1 with its array
// at 2, and the backup array and header at the disk's end.
void PutGpt(testing::ImageBuilder& image, const CraftedGpt& gpt);
// Rewrites the header CRC of the header at `lba` after a field was changed.
void FixHeaderCrc(testing::ImageBuilder& image, uint64_t lba);

}  // namespace tarnwell::physical
