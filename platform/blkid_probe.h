#pragma once
// Partition and label discovery through libblkid, for images and devices.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell::platform {

class ImageContent;

struct ProbedPartition {
  uint64_t startSector = 0;
  uint64_t sectorCount = 0;
  bool extendedContainer = false;
};

// Lists the partitions of a partition table at the start of the file or
// device. Empty when there is no table (a bare volume).
std::vector<ProbedPartition> ProbePartitions(int fd, uint64_t sizeBytes);

// Reads the file-system label of the volume at [offset, offset+size).
std::optional<std::string> ProbeLabel(int fd, uint64_t offsetBytes, uint64_t sizeBytes);

// The same for a disk held in an image format, probed through a view that
// holds what the probe reads (platform/probe_regions.h).
std::vector<ProbedPartition> ProbePartitions(ImageContent& content);
std::optional<std::string> ProbeLabel(ImageContent& content, uint64_t offsetBytes, uint64_t sizeBytes);

}  // namespace tarnwell::platform
