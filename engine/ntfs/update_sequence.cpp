#include "engine/ntfs/update_sequence.h"

#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {

bool ApplyUpdateSequence(std::span<uint8_t> record) {
  if (record.size() < kRecordBytes) return false;
  // Only the low byte of the offset is used, so the array (6 bytes read)
  // always lies inside the first sector.
  const size_t array = record[kUpdateSequenceOffsetField];
  record[510] = record[array + 2];
  record[511] = record[array + 3];
  record[1022] = record[array + 4];
  record[1023] = record[array + 5];
  return true;
}

}  // namespace tarnwell::engine::ntfs
