#pragma once
// One copier for the data of an NTFS file, shared by the standard recovery
// and the raw-range recovery: a resident value is written as it is,
// compressed data unit by unit (compressed_units.h), plain runs piece by
// piece, sparse runs as holes.
#include <cstdint>

#include "engine/ntfs/cluster_source.h"
#include "engine/records.h"
#include "engine/recovery/output_file.h"

namespace tarnwell::engine::ntfs {

// How a copy ended.
enum class CopyOutcome : uint8_t {
  kCopied,
  kStopped,      // beforeStep said stop
  kReadFailed,   // a cluster could not be read
  kWriteFailed,  // the output took fewer bytes than given
  kRunsTooShort, // the runs end before the data does: the file is short
  kUnitFailed,   // compressed data did not come out whole (a failed read, a
                 // corrupt unit, short runs, a short write or a stop)
};

// True when the data is stored compressed: the attribute says so, or the
// file says so and the attribute has a compression unit to go with it.
bool IsCompressedData(const RawFileName& fileName, const TAttribute& data);

// Copies size bytes of plain (uncompressed) runs: allocated clusters are
// read a few at a time, as many as the file still needs; a sparse run,
// however long, becomes one hole. The file is never padded past what the
// runs place.
[[nodiscard]] CopyOutcome CopyPlainRuns(const trunlist& runs, OutputFile& file, uint64_t size,
                                        const ClusterSource& source);

// Writes a data attribute: its value when resident (size is then the
// value's length); else size bytes through its runs, decompressed when
// compressed.
[[nodiscard]] CopyOutcome WriteDataAttribute(const TAttribute& data, const trunlist& runs, bool compressed,
                                             uint64_t size, OutputFile& file, const ClusterSource& source);

}  // namespace tarnwell::engine::ntfs
