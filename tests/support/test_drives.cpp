#include "tests/support/test_drives.h"

#include <sys/stat.h>

#include "disk/file_sector_source.h"
#include "disk/memory_sector_source.h"
#include "engine/drive_list.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/recovery_log.h"
#include "platform/blkid_probe.h"
#include "platform/unique_fd.h"

namespace tarnwell::testing {

std::vector<std::unique_ptr<disk::SectorSource>> ImageVolumes(const std::string& path) {
  std::vector<std::unique_ptr<disk::SectorSource>> volumes;
  const platform::UniqueFd fd = platform::UniqueFd::OpenReadOnly(path.c_str());
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return volumes;
  const auto size = static_cast<uint64_t>(st.st_size);
  for (const platform::ProbedPartition& p : platform::ProbePartitions(fd.get(), size))
    if (!p.extendedContainer)
      volumes.push_back(disk::FileSectorSource::Open(path, p.startSector * disk::kSectorSize,
                                                     p.sectorCount * disk::kSectorSize));
  if (volumes.empty()) volumes.push_back(disk::FileSectorSource::Open(path, 0, size));
  return volumes;
}

std::unique_ptr<engine::TLogiDrive> ImageDrive(const std::string& path, char letter, int index) {
  std::vector<std::unique_ptr<disk::SectorSource>> volumes = ImageVolumes(path);
  const size_t at = index < 0 ? volumes.size() - 1 : static_cast<size_t>(index);
  return engine::MakeDrive(letter, at < volumes.size() ? std::move(volumes[at]) : nullptr);
}

std::unique_ptr<engine::TLogiDrive> MemoryDrive(std::vector<uint8_t> bytes, char letter) {
  const uint64_t length = bytes.size();
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  return engine::MakeDrive(letter, std::make_unique<disk::MemorySectorSource>(shared, 0, length));
}

bool RecoverInto(const engine::EntryHandle& entry, const std::string& folder, const std::string& name,
                 engine::EventLog& log, engine::StatusPanel& status) {
  const std::optional<engine::OutputFolder> destination = engine::OpenDestination(folder, name, log);
  engine::NullProgressBar progress;
  return destination && entry.Recover({*destination, log, status, progress, &name}) == engine::RecoverResult::kRecovered;
}

std::vector<std::unique_ptr<engine::TLogiDrive>> DriveList(std::unique_ptr<engine::TLogiDrive> drive) {
  std::vector<std::unique_ptr<engine::TLogiDrive>> drives;
  drives.push_back(std::move(drive));
  return drives;
}

}  // namespace tarnwell::testing
