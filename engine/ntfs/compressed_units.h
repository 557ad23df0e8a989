#pragma once
// The unit loop of compressed NTFS data, shared by the standard recovery and
// the raw-range recovery: they differ only in how clusters are read and in
// what happens between units.
#include <cstdint>

#include "engine/ntfs/cluster_source.h"
#include "engine/records.h"
#include "engine/recovery/output_file.h"

namespace tarnwell::engine::ntfs {

// Writes size bytes of data: unit by unit of 16 clusters, a unit whose
// clusters are all allocated is stored as is, a unit that ends in sparse
// clusters holds LZNT1 chunks in its allocated clusters, and a wholly
// sparse unit is a hole (a run of them is skipped in one step). False on a
// failed read, a corrupt unit, runs that end before the data, a short
// write or a stop (beforeStep runs before each unit, the caller says why).
bool WriteCompressedUnits(const trunlist& runs, OutputFile& file, int64_t size, const ClusterSource& source);

}  // namespace tarnwell::engine::ntfs
