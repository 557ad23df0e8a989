#pragma once
// A disk whose chosen sectors fail as a failing drive's do: a read that
// reaches one returns the sectors before it and fails. A weak sector can be
// made to read after some failures, as one that a retry gets. Every other
// sector carries its number (tests/disk/numbered_sectors.h), and every
// read is recorded.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "common/little_endian.h"
#include "disk/sector_source.h"

namespace tarnwell::testing {

class FailingSectorSource final : public disk::SectorSource {
 public:
  struct Call {
    uint64_t lba;
    uint32_t count;
    bool ok;
    uint32_t returned;  // sectors
  };

  explicit FailingSectorSource(uint64_t sectors) : sectors_(sectors) {}

  // Sectors [first, first + count) fail; each reads after `failures` failed
  // reads of it.
  void Fail(uint64_t first, uint64_t count, int failures = INT_MAX) {
    for (uint64_t s = first; s < first + count; ++s) bad_[s] = failures;
  }

  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    bytesRead = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    for (uint32_t i = 0; i < count && lba + i < sectors_; ++i) {
      const auto bad = bad_.find(lba + i);
      if (bad != bad_.end() && bad->second > 0) {
        if (bad->second != INT_MAX) --bad->second;
        calls.push_back({lba, count, false, i});
        return false;
      }
      FillSector(lba + i, out + size_t{i} * disk::kSectorSize);
      bytesRead += disk::kSectorSize;
    }
    calls.push_back({lba, count, true, bytesRead / disk::kSectorSize});
    return true;
  }
  uint64_t SectorCount() const override { return sectors_; }
  int LastError() const override { return EIO; }

  // What a good sector holds: its number in every 32-bit word.
  static void FillSector(uint64_t sector, uint8_t* out) {
    for (uint32_t w = 0; w < 128; ++w) StoreLE32(out + w * 4, static_cast<uint32_t>(sector));
  }

  std::vector<Call> calls;

 private:
  uint64_t sectors_;
  std::map<uint64_t, int> bad_;
};

}  // namespace tarnwell::testing
