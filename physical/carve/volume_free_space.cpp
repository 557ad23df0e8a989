#include "physical/carve/volume_free_space.h"

#include <algorithm>
#include <array>

#include "disk/sector_source.h"
#include "engine/identify.h"

namespace tarnwell::physical::carve {

MapWindow::MapWindow(disk::SectorSource& source, uint32_t sectors)
    : source_(source), sectors_(std::max<uint32_t>(sectors, 1)), buffer_(size_t{sectors_} * disk::kSectorSize) {}

const uint8_t* MapWindow::Sector(uint64_t sector) {
  if (sector < start_ || sector >= start_ + loaded_) {
    uint32_t got = 0;
    start_ = sector;
    loaded_ = 0;
    if (!source_.Read(sector, sectors_, buffer_.data(), got)) {
      // One bad sector should not hide its neighbours.
      if (!source_.Read(sector, 1, buffer_.data(), got)) return nullptr;
    }
    loaded_ = got / disk::kSectorSize;
    if (loaded_ == 0) return nullptr;
  }
  return buffer_.data() + (sector - start_) * disk::kSectorSize;
}

bool MapWindow::Byte(uint64_t firstSector, uint64_t offset, uint8_t& out) {
  const uint8_t* s = Sector(firstSector + offset / disk::kSectorSize);
  if (!s) return false;
  out = s[offset % disk::kSectorSize];
  return true;
}

std::unique_ptr<VolumeFreeSpace> OpenVolumeFreeSpace(disk::SectorSource& source) {
  std::array<uint8_t, 512> boot{};
  uint32_t got = 0;
  if (!source.Read(0, 1, boot.data(), got) || got < boot.size()) return nullptr;
  const uint8_t kind = engine::AcceptedKind(boot.data());
  if (kind <= 2) return OpenFatFreeSpace(source, boot.data(), kind);
  if (kind == 3) return OpenNtfsFreeSpace(source, boot.data());
  if (kind == 4) return OpenExfatFreeSpace(source, boot.data());
  return nullptr;
}

}  // namespace tarnwell::physical::carve
