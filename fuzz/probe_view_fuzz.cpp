// Any bytes as a decoded image: the walks that choose what a probe view
// holds (MBR and extended chains, GPT arrays, FAT32 and exFAT root chains,
// the first MFT records) and libblkid's probes over the view must neither
// crash nor hang.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/blkid_probe.h"
#include "platform/image_content.h"

namespace {

// Small inputs become the start of a 1 MiB disk, so that links into the
// disk's first MiB land on it.
constexpr size_t kMinDiskBytes = size_t{1} << 20;

class FuzzContent final : public tarnwell::platform::ImageContent {
 public:
  explicit FuzzContent(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  std::string FormatName() const override { return "fuzz"; }
  uint64_t SizeBytes() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) override {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
    std::memcpy(buffer, bytes_.data() + offset, length);
    return true;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> bytes;
  bytes.assign(data, data + size);
  if (bytes.size() < kMinDiskBytes) bytes.resize(kMinDiskBytes, 0);
  FuzzContent content(bytes);
  const auto partitions = tarnwell::platform::ProbePartitions(content);
  (void)tarnwell::platform::ProbeLabel(content, 0, content.SizeBytes());
  // The first partition's label too, as a drive list asks it.
  for (const auto& p : partitions) {
    const uint64_t start = p.startSector * 512;
    if (p.extendedContainer || start >= bytes.size()) continue;
    (void)tarnwell::platform::ProbeLabel(content, start, std::min<uint64_t>(p.sectorCount * 512, bytes.size() - start));
    break;
  }
  return 0;
}
