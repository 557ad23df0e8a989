#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {

std::vector<EntryShape> Shapes(const std::vector<std::unique_ptr<TPartiEntry>>& entries) {
  std::vector<EntryShape> shapes;
  for (const auto& e : entries) shapes.emplace_back(e->PartType(), e->AbsoluteStart(), e->SectorCount());
  return shapes;
}

std::vector<EntryShape> Shapes(const std::vector<TPartiEntry*>& entries) {
  std::vector<EntryShape> shapes;
  for (const auto* e : entries) shapes.emplace_back(e->PartType(), e->AbsoluteStart(), e->SectorCount());
  return shapes;
}

void PutSlot(testing::ImageBuilder& image, uint64_t tableSector, int slot, uint8_t bootFlag,
             uint8_t type, uint32_t start, uint32_t count) {
  const size_t at = tableSector * 512 + 446 + static_cast<size_t>(slot) * 16;
  image.Put8(at, bootFlag).Put8(at + 4, type).Put32(at + 8, start).Put32(at + 12, count);
  PutSignature(image, tableSector);
}

void PutSignature(testing::ImageBuilder& image, uint64_t sector) {
  image.Put8(sector * 512 + 510, 0x55).Put8(sector * 512 + 511, 0xAA);
}

void PutFat16Boot(testing::ImageBuilder& image, uint64_t sector, uint32_t serial, uint16_t count) {
  const size_t at = sector * 512;
  image.PutBytes(at, testing::Hex("EB 3C 90")).PutText(at + 3, "MSDOS5.0");
  image.Put16(at + 11, 512).Put8(at + 13, 1).Put16(at + 14, 1).Put8(at + 16, 2);
  image.Put16(at + 17, 16).Put16(at + 19, count).Put16(at + 22, 1);
  image.Put32(at + 39, serial).PutText(at + 43, "NO NAME    ").PutText(at + 54, "FAT16   ");
  PutSignature(image, sector);
}

std::unique_ptr<TPhysicalDrive> DiskModelTest::DiskOf(std::vector<uint8_t> bytes) {
  table.AttachMemory("disk" + std::to_string(disks_), std::move(bytes));
  auto record = QueryPhysicalDriveRecord(disks_++);
  if (!record) return nullptr;
  return std::make_unique<TPhysicalDrive>(*record, Window());
}

std::unique_ptr<TPhysicalDrive> DiskModelTest::DiskOfImage(const std::string& fixture) {
  return DiskOfPath(testing::FixturePath(fixture));
}

std::unique_ptr<TPhysicalDrive> DiskModelTest::DiskOfPath(const std::string& path) {
  table.AttachImage(path);
  auto record = QueryPhysicalDriveRecord(disks_++);
  if (!record) return nullptr;
  return std::make_unique<TPhysicalDrive>(*record, Window());
}

std::unique_ptr<TPhysicalDrive> DiskModelTest::DiskOfPath(
    const std::string& path, std::shared_ptr<const platform::ReadableSectors> readable) {
  std::string error;
  EXPECT_TRUE(platform::DeviceTable::Instance().AttachImage(path, &error, std::move(readable))) << error;
  auto record = QueryPhysicalDriveRecord(disks_++);
  if (!record) return nullptr;
  return std::make_unique<TPhysicalDrive>(*record, Window());
}

}  // namespace tarnwell::physical
