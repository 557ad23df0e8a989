#include "disk/device_reader.h"

#include <map>
#include <memory>

#include "disk/source_opener.h"

namespace tarnwell::disk {
namespace {

// Open handles of this process. Single-threaded by design, like the rest of
// the system.
struct HandleTable {
  std::map<DiskHandle, std::unique_ptr<SectorSource>> open;
  DiskHandle next = 1;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace

bool IsNtPlatform() { return true; }

DiskHandle OpenDiskDevice(int16_t driveCode) {
  std::unique_ptr<SectorSource> source = OpenSourceForDriveCode(driveCode);
  if (!source) return kInvalidHandle;
  HandleTable& table = Handles();
  const DiskHandle handle = table.next++;
  table.open.emplace(handle, std::move(source));
  return handle;
}

bool ReadDiskSectors(DiskHandle handle, uint16_t count, void* buffer, int16_t /*driveCode*/,
                     uint32_t& bytesRead, uint64_t lba) {
  bytesRead = 0;
  if (handle == kInvalidHandle) return false;
  auto& open = Handles().open;
  const auto it = open.find(handle);
  if (it == open.end()) return false;
  // An address whose byte offset does not fit a 64-bit file offset is a
  // failed seek.
  if (lba > (UINT64_MAX >> 9)) return false;
  return it->second->Read(lba, count, buffer, bytesRead);
}

SectorSource* SourceOfHandle(DiskHandle handle) {
  const auto& open = Handles().open;
  const auto it = open.find(handle);
  return it == open.end() ? nullptr : it->second.get();
}

bool CloseHandle(DiskHandle handle) {
  if (handle == kInvalidHandle) return false;
  return Handles().open.erase(handle) > 0;
}

}  // namespace tarnwell::disk
