#pragma once
// The unit loop of compressed NTFS data, shared by the standard recovery and
// the raw-range recovery: they differ only in how clusters are read and in
// what happens between units.
#include <cstdint>
#include <functional>

#include "engine/records.h"
#include "engine/recovery/output_file.h"

namespace tarnwell::engine::ntfs {

struct CompressedSource {
  uint32_t clusterBytes = 0;
  // Reads count clusters from lcn into buffer.
  std::function<bool(int64_t lcn, int64_t count, uint8_t* buffer)> readClusters;
  // Runs before each unit; false stops the write (the caller says why).
  std::function<bool()> beforeUnit;
};

// Writes size bytes of data: unit by unit of 16 clusters, a unit whose
// clusters are all allocated is stored as is, a unit that ends in sparse
// clusters holds LZNT1 chunks in its allocated clusters, and a wholly
// sparse unit is a hole (a run of them is skipped in one step). False on a
// failed read, a corrupt unit, runs that end before the data, a short
// write or a stop.
bool WriteCompressedUnits(const trunlist& runs, OutputFile& file, int64_t size, const CompressedSource& source);

}  // namespace tarnwell::engine::ntfs
