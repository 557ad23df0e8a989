#include "platform/blkid_probe.h"

#include <blkid/blkid.h>

#include <memory>

#include "platform/probe_regions.h"

namespace tarnwell::platform {
namespace {

struct ProbeDeleter {
  void operator()(blkid_struct_probe* p) const { blkid_free_probe(p); }
};
using ProbePtr = std::unique_ptr<blkid_struct_probe, ProbeDeleter>;

ProbePtr MakeProbe(int fd, uint64_t offset, uint64_t size) {
  ProbePtr probe(blkid_new_probe());
  if (!probe) return nullptr;
  if (blkid_probe_set_device(probe.get(), fd, static_cast<blkid_loff_t>(offset),
                             static_cast<blkid_loff_t>(size)) != 0)
    return nullptr;
  return probe;
}

}  // namespace

std::vector<ProbedPartition> ProbePartitions(int fd, uint64_t sizeBytes) {
  std::vector<ProbedPartition> result;
  ProbePtr probe = MakeProbe(fd, 0, sizeBytes);
  if (!probe) return result;
  blkid_probe_enable_superblocks(probe.get(), 0);
  blkid_probe_enable_partitions(probe.get(), 1);
  blkid_partlist list = blkid_probe_get_partitions(probe.get());
  if (!list) return result;
  const int count = blkid_partlist_numof_partitions(list);
  for (int i = 0; i < count; ++i) {
    blkid_partition part = blkid_partlist_get_partition(list, i);
    if (!part) continue;
    const blkid_loff_t start = blkid_partition_get_start(part);
    const blkid_loff_t length = blkid_partition_get_size(part);
    if (start < 0 || length <= 0) continue;
    ProbedPartition p;
    p.startSector = static_cast<uint64_t>(start);
    p.sectorCount = static_cast<uint64_t>(length);
    p.extendedContainer = blkid_partition_is_extended(part) != 0;
    result.push_back(p);
  }
  return result;
}

std::optional<std::string> ProbeLabel(int fd, uint64_t offsetBytes, uint64_t sizeBytes) {
  ProbePtr probe = MakeProbe(fd, offsetBytes, sizeBytes);
  if (!probe) return std::nullopt;
  blkid_probe_enable_partitions(probe.get(), 0);
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
  if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
  const char* value = nullptr;
  size_t length = 0;
  if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, &length) != 0 || !value)
    return std::string();
  return std::string(value);
}

std::vector<ProbedPartition> ProbePartitions(ImageContent& content) {
  const std::unique_ptr<ProbeView> view = ProbeView::Create(content, 0, content.SizeBytes());
  if (!view) return {};
  CopyPartitionTableRegions(*view);
  return ProbePartitions(view->Descriptor(), view->Size());
}

std::optional<std::string> ProbeLabel(ImageContent& content, uint64_t offsetBytes, uint64_t sizeBytes) {
  const std::unique_ptr<ProbeView> view = ProbeView::Create(content, offsetBytes, sizeBytes);
  if (!view) return std::nullopt;
  CopyLabelRegions(*view);
  return ProbeLabel(view->Descriptor(), 0, view->Size());
}

}  // namespace tarnwell::platform
