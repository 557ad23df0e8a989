#pragma once
// The extension records an MFT scan meets, by the base record each names.
// Unlinking a file spread over extension records can remove entries from
// its attribute list while the records holding the pieces stay on disk
// with their base reference; recovery looks here for a piece the list no
// longer names.
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace tarnwell::engine::ntfs {

// A volume of nothing but extension records must not grow the index
// without end: four million numbers is an MFT of 4 GiB.
inline constexpr size_t kMaxIndexedExtensionRecords = size_t{1} << 22;

class ExtensionIndex {
 public:
  void Clear();
  // Notes that record `number` names `base` (its low 48 bits) as its base.
  void Note(uint64_t base, uint64_t number);
  // The records noted for base, in the order noted.
  std::span<const uint64_t> Of(uint64_t base) const;

 private:
  std::unordered_map<uint64_t, std::vector<uint64_t>> byBase_;
  size_t noted_ = 0;
};

}  // namespace tarnwell::engine::ntfs
