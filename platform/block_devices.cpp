#include "platform/block_devices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace tarnwell::platform {
namespace fs = std::filesystem;
namespace {

std::string ReadLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

uint64_t ReadNumber(const fs::path& file) {
  const std::string text = ReadLine(file);
  if (text.empty() || !std::all_of(text.begin(), text.end(), ::isdigit)) return 0;
  return std::stoull(text);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool AllDigits(const std::string& s, size_t from) {
  return from < s.size() && std::all_of(s.begin() + from, s.end(), ::isdigit);
}

// What made a device-mapper device, from the prefix its maker gives the
// uuid ("CRYPT-LUKS2-...", "LVM-..."); empty when it says nothing we know.
std::string MapperOrigin(const std::string& uuid) {
  if (StartsWith(uuid, "CRYPT-LUKS")) return "LUKS";
  if (StartsWith(uuid, "CRYPT-")) return "dm-crypt";
  if (StartsWith(uuid, "LVM-")) return "LVM";
  if (StartsWith(uuid, "mpath-")) return "multipath";
  if (StartsWith(uuid, "part")) return "partition";
  return {};
}

// The kind of a listed name and what tells a person which device it is.
// False when the device holds nothing: a loop without a backing file, an
// array that is not assembled, a mapping without a table.
bool DescribeKind(const fs::path& dir, const std::string& name, BlockDeviceInfo& info) {
  if (StartsWith(name, "loop")) {
    info.kind = DiskKind::kLoop;
    info.kindDetail = ReadLine(dir / "loop" / "backing_file");
    return !info.kindDetail.empty();
  }
  if (StartsWith(name, "dm-")) {
    info.kind = DiskKind::kDeviceMapper;
    info.kindDetail = ReadLine(dir / "dm" / "name");
    const std::string origin = MapperOrigin(ReadLine(dir / "dm" / "uuid"));
    if (!origin.empty()) info.kindDetail += " (" + origin + ")";
    return info.sizeBytes > 0;
  }
  if (StartsWith(name, "md")) {
    info.kind = DiskKind::kRaid;
    info.kindDetail = ReadLine(dir / "md" / "level");
    return info.sizeBytes > 0;
  }
  info.kind = DiskKind::kDisk;
  return true;
}

}  // namespace

const char* DiskKindName(DiskKind kind) {
  switch (kind) {
    case DiskKind::kLoop: return "loop";
    case DiskKind::kDeviceMapper: return "dm";
    case DiskKind::kRaid: return "md";
    case DiskKind::kDisk: break;
  }
  return "disk";
}

bool IsListedDiskName(const std::string& name) {
  // sda, hdb, vdc, xvdd: letters only after the prefix.
  for (const char* prefix : {"sd", "hd", "vd", "xvd"}) {
    if (StartsWith(name, prefix)) {
      const std::string rest = name.substr(std::string(prefix).size());
      return !rest.empty() && std::all_of(rest.begin(), rest.end(), ::islower);
    }
  }
  if (StartsWith(name, "mmcblk")) return AllDigits(name, 6);
  // loop0, dm-3, md127; their partitions (loop0p1, md0p2) are not disks.
  if (StartsWith(name, "loop")) return AllDigits(name, 4);
  if (StartsWith(name, "dm-")) return AllDigits(name, 3);
  if (StartsWith(name, "md")) return AllDigits(name, 2);
  if (StartsWith(name, "nvme")) {
    // nvme0n1 is a disk; nvme0n1p2 is a partition.
    const size_t n = name.find('n', 4);
    return n != std::string::npos && AllDigits(name.substr(0, n), 4) && AllDigits(name, n + 1);
  }
  return false;
}

std::vector<BlockDeviceInfo> ListBlockDevices(const std::string& sysRoot) {
  std::vector<BlockDeviceInfo> devices;
  std::error_code ec;
  if (!fs::is_directory(sysRoot, ec)) return devices;
  for (const auto& entry : fs::directory_iterator(sysRoot, ec)) {
    const std::string name = entry.path().filename().string();
    if (!IsListedDiskName(name)) continue;
    BlockDeviceInfo info;
    info.kernelName = name;
    info.devicePath = "/dev/" + name;
    info.sizeBytes = ReadNumber(entry.path() / "size") * 512;
    info.removable = ReadNumber(entry.path() / "removable") != 0;
    info.model = ReadLine(entry.path() / "device" / "model");
    if (!DescribeKind(entry.path(), name, info)) continue;
    for (const auto& sub : fs::directory_iterator(entry.path(), ec)) {
      if (!fs::exists(sub.path() / "partition")) continue;
      const uint64_t start = ReadNumber(sub.path() / "start");
      const uint64_t count = ReadNumber(sub.path() / "size");
      // An extended container shows as a 1 KiB stub; it holds no volume.
      if (count <= 2) continue;
      info.partitions.push_back({start, count});
    }
    std::sort(info.partitions.begin(), info.partitions.end(),
              [](const auto& a, const auto& b) { return a.startSector < b.startSector; });
    devices.push_back(std::move(info));
  }
  std::sort(devices.begin(), devices.end(),
            [](const auto& a, const auto& b) { return a.kernelName < b.kernelName; });
  return devices;
}

}  // namespace tarnwell::platform
