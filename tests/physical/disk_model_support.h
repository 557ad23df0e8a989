#pragma once
// A device table, a recording window and helpers to build disks for the
// disk-model tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "physical/physical_drive.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"
#include "tests/support/image_builder.h"
#include "tests/support/recording_window.h"

namespace tarnwell::physical {

// (type, absolute start, sector count) of an entry.
using EntryShape = std::tuple<int, uint64_t, uint64_t>;
std::vector<EntryShape> Shapes(const std::vector<std::unique_ptr<TPartiEntry>>& entries);
std::vector<EntryShape> Shapes(const std::vector<TPartiEntry*>& entries);

// Writes a slot into the table sector at `tableSector`.
void PutSlot(testing::ImageBuilder& image, uint64_t tableSector, int slot, uint8_t bootFlag,
             uint8_t type, uint32_t start, uint32_t count);
// Marks a table sector with 55 AA.
void PutSignature(testing::ImageBuilder& image, uint64_t sector);
// A FAT16 boot sector with a serial and a sector count at `sector`.
void PutFat16Boot(testing::ImageBuilder& image, uint64_t sector, uint32_t serial, uint16_t count);

class DiskModelTest : public ::testing::Test {
 protected:
  testing::ScopedDeviceTable table;
  testing::RecordingLog log;
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  testing::RecordingProgress progress;
  PhysicalWindow Window() { return {log, boxes, pump}; }

  // Attaches the bytes (or an image file) as the next disk and models it.
  std::unique_ptr<TPhysicalDrive> DiskOf(std::vector<uint8_t> bytes);
  std::unique_ptr<TPhysicalDrive> DiskOfImage(const std::string& fixture);
  std::unique_ptr<TPhysicalDrive> DiskOfPath(const std::string& path);
  // An image file whose sectors outside `readable` fail when read, as a
  // failing disk's do.
  std::unique_ptr<TPhysicalDrive> DiskOfPath(const std::string& path,
                                             std::shared_ptr<const platform::ReadableSectors> readable);

 private:
  int16_t disks_ = 0;
};

}  // namespace tarnwell::physical
